#pragma once
// What every fuzz target shares: a clock that only moves when told (so retries and time-outs
// cost nothing), and a transport that plays the fuzzer's bytes back as the meter's replies.
#include <QDateTime>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/clock.h"
#include "meter/transport.h"

namespace quedral::fuzz {

// Installs a manual clock once, and puts it back to the same instant for every input, so a
// run does not depend on what came before it.
inline ManualClock& fuzzClock()
{
    static ManualClock* clock = [] {
        auto* c = new ManualClock(QDateTime(QDate(2026, 1, 1), QTime(12, 0, 0), Qt::UTC));
        Clock::install(c);
        return c;
    }();
    clock->setNow(QDateTime(QDate(2026, 1, 1), QTime(12, 0, 0), Qt::UTC));
    return *clock;
}

// A fixed "now" for the decoders that take one.
inline QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 1, 1), QTime(12, 0, 0), Qt::UTC);
}

// Ends the run with a message libFuzzer records as a crash: a property that must hold did not.
[[noreturn]] inline void violated(const char* what)
{
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

// The meter as a tape: every usbRead takes the next 32 bytes of the input (a short tail is
// zero-filled). Once the tape is used up, reads fail (the meter falls silent), or, with
// fillAfterEnd, deliver 0xFF bytes (erased memory) for at most maxFilledReads more reads.
// Writes succeed while the device is open; the serial number is taken from the tape too.
class ReplayTransport final : public Transport {
public:
    ReplayTransport(const std::uint8_t* data, std::size_t size, bool fillAfterEnd = false,
                    int maxFilledReads = 0)
        : m_data(data), m_size(size), m_fill(fillAfterEnd), m_fillLeft(maxFilledReads)
    {
    }

    void usbClose() override { m_open = false; }
    int usbOpen(std::uint16_t, std::uint16_t) override
    {
        m_open = true;
        return 0;
    }
    int usbSetTimeouts(int, int) override { return 0; }
    int usbWrite(int length, const std::uint8_t* frame) override
    {
        if (length <= 0 || !frame)
            violated("a command write without a frame");
        return m_open ? 0 : 1;
    }
    void usbPurge() override {}
    int usbRead(int length, std::uint8_t* buffer) override
    {
        if (!m_open || length <= 0)
            return 1;
        const std::size_t want = static_cast<std::size_t>(length);
        if (m_pos < m_size) {
            const std::size_t n = std::min(want, m_size - m_pos);
            std::memcpy(buffer, m_data + m_pos, n);
            std::memset(buffer + n, 0, want - n);
            m_pos += n;
            return 0;
        }
        if (m_fill && m_fillLeft > 0) {
            --m_fillLeft;
            std::memset(buffer, 0xFF, want);
            return 0;
        }
        return 1;
    }
    int usbWriteBlock(int length, const std::uint8_t* block) override
    {
        if (length <= 0 || !block)
            violated("a block write without a block");
        return m_open ? 0 : 1;
    }
    void usbReadSerial(int, char* buffer, int size) override
    {
        if (size <= 0)
            return;
        int n = 0;
        while (n < size - 1 && n < 16 && m_pos < m_size)
            buffer[n++] = static_cast<char>(m_data[m_pos++]);
        buffer[n] = '\0';
    }

    bool exhausted() const { return m_pos >= m_size && (!m_fill || m_fillLeft == 0); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_open = false;
    bool m_fill;
    int m_fillLeft;
};

} // namespace quedral::fuzz
