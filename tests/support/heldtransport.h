#pragma once
// The simulated meter behind a transport whose next read can be held inside its exchange until
// the test lets it go: the meter thread is then busy for as long as the test wants.
#include <QSemaphore>
#include <atomic>
#include <memory>

#include "meter/simulator/simulatedtransport.h"

namespace quedral::test {

class HeldTransport final : public Transport {
public:
    explicit HeldTransport(std::unique_ptr<SimulatedTransport> inner) : m_inner(std::move(inner)) {}

    std::atomic<bool> holdNextRead{false};
    QSemaphore entered; // released when a held read has begun
    QSemaphore release; // the held read goes on when this is released
    QString openProblem; // stands in for the simulated transport's when set

    void usbClose() override { m_inner->usbClose(); }
    int usbOpen(std::uint16_t v, std::uint16_t p) override { return m_inner->usbOpen(v, p); }
    int usbSetTimeouts(int r, int w) override { return m_inner->usbSetTimeouts(r, w); }
    int usbWrite(int n, const std::uint8_t* f) override { return m_inner->usbWrite(n, f); }
    void usbPurge() override { m_inner->usbPurge(); }
    int usbRead(int n, std::uint8_t* b) override
    {
        if (holdNextRead.exchange(false)) {
            entered.release();
            release.acquire();
        }
        return m_inner->usbRead(n, b);
    }
    int usbWriteBlock(int n, const std::uint8_t* b) override { return m_inner->usbWriteBlock(n, b); }
    void usbReadSerial(int i, char* b, int n) override { m_inner->usbReadSerial(i, b, n); }
    QString lastOpenProblem() const override
    {
        return openProblem.isEmpty() ? m_inner->lastOpenProblem() : openProblem;
    }

private:
    std::unique_ptr<SimulatedTransport> m_inner;
};

} // namespace quedral::test
