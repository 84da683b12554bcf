#include "base/clock.h"

#include <QElapsedTimer>
#include <QThread>

namespace quedral {

namespace {
SystemClock g_system;
std::atomic<Clock*> g_clock{&g_system};

const QElapsedTimer& processTimer()
{
    static QElapsedTimer t = [] { QElapsedTimer e; e.start(); return e; }();
    return t;
}
} // namespace

Clock& Clock::instance() { return *g_clock.load(); }
void Clock::install(Clock* clock) { g_clock = clock ? clock : &g_system; }

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }
std::int64_t SystemClock::tickMs() const { return processTimer().elapsed(); }
void SystemClock::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

ManualClock::ManualClock(QDateTime start) : m_now(std::move(start)) {}

QDateTime ManualClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualClock::setNow(const QDateTime& t)
{
    std::lock_guard lock(m_mutex);
    m_now = t;
}

void ManualClock::advanceMs(std::int64_t ms)
{
    std::lock_guard lock(m_mutex);
    m_tick += ms;
    m_now = m_now.addMSecs(ms);
}

void waitMilliseconds(int ms)
{
    Clock& c = Clock::instance();
    const std::int64_t start = c.tickMs();
    while (c.tickMs() - start <= ms) {
        const std::int64_t left = ms - (c.tickMs() - start);
        c.sleepMs(static_cast<int>(left > 0 ? std::min<std::int64_t>(left, 10) : 1));
    }
}

} // namespace quedral
