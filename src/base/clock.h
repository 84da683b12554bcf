#pragma once
#include <QDateTime>
#include <atomic>
#include <cstdint>
#include <mutex>

namespace quedral {

// The clock seam: the wall-clock time and the system tick counter. The program
// reads time only through Clock::instance(), so tests can step time by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds from an arbitrary start, monotonic.
    virtual std::int64_t tickMs() const = 0;
    // Blocks for ms milliseconds without processing events (a fake clock just advances).
    virtual void sleepMs(int ms) = 0;

    static Clock& instance();
    // Replaces the process clock; nullptr restores the system clock. Not owning.
    static void install(Clock* clock);
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    std::int64_t tickMs() const override;
    void sleepMs(int ms) override;
};

// A clock that only moves when told; sleepMs advances it. Safe to use from several threads
// (the meter worker reads it while a test advances it).
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(12, 0, 0)));
    QDateTime now() const override;
    std::int64_t tickMs() const override { return m_tick.load(); }
    void sleepMs(int ms) override { advanceMs(ms); }
    void advanceMs(std::int64_t ms);
    void setNow(const QDateTime& t);

private:
    mutable std::mutex m_mutex;
    QDateTime m_now;
    std::atomic<std::int64_t> m_tick{0};
};

// Reads the tick counter and loops until more than ms milliseconds have passed.
// Processes no events while it waits.
void waitMilliseconds(int ms);

} // namespace quedral
