#pragma once
// The simulated meter behind a transport whose next read can be held inside its exchange until
// the test lets it go: the meter thread is then busy for as long as the test wants.
#include <QSemaphore>
#include <atomic>
#include <memory>

#include "meter/simulatedtransport.h"

namespace quedral::test {

class HeldTransport final : public Transport {
public:
    explicit HeldTransport(std::unique_ptr<SimulatedTransport> inner) : m_inner(std::move(inner)) {}

    std::atomic<bool> holdNextRead{false};
    QSemaphore entered; // released when a held read has begun
    QSemaphore release; // the held read goes on when this is released
    QString openProblem; // stands in for the simulated transport's when set

    void UsbClose() override { m_inner->UsbClose(); }
    int UsbOpen(std::uint16_t v, std::uint16_t p) override { return m_inner->UsbOpen(v, p); }
    int UsbSetTimeouts(int r, int w) override { return m_inner->UsbSetTimeouts(r, w); }
    int UsbWrite(int n, const std::uint8_t* f) override { return m_inner->UsbWrite(n, f); }
    void UsbPurge() override { m_inner->UsbPurge(); }
    int UsbRead(int n, std::uint8_t* b) override
    {
        if (holdNextRead.exchange(false)) {
            entered.release();
            release.acquire();
        }
        return m_inner->UsbRead(n, b);
    }
    int UsbWriteBlock(int n, const std::uint8_t* b) override { return m_inner->UsbWriteBlock(n, b); }
    void UsbReadSerial(int i, char* b, int n) override { m_inner->UsbReadSerial(i, b, n); }
    QString lastOpenProblem() const override
    {
        return openProblem.isEmpty() ? m_inner->lastOpenProblem() : openProblem;
    }

private:
    std::unique_ptr<SimulatedTransport> m_inner;
};

} // namespace quedral::test
