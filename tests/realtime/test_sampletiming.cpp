// Sampling on a real USB link: poll ticks do not come exactly every 500 ms, and each exchange
// takes its own time. A reading counts at the moment its poll began.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "base/clock.h"
#include "base/datetime.h"
#include "meter/meterlink.h"
#include "meter/meterworker.h"
#include "meter/poller.h"
#include "meter/simulator/simulatedtransport.h"
#include "realtime/realtimerecorder.h"
#include "realtime/recordsession.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

struct JitterCase {
    double rate;        // seconds between points
    int ticks;          // poll ticks after the connecting one
    int expectedPoints; // points recorded from them
};

class JitteredPolls : public ::testing::TestWithParam<JitterCase> {};

TEST_P(JitteredPolls, EverySlotIsFilledDespiteTickJitterAndSlowExchanges)
{
    const JitterCase c = GetParam();
    test::ScopedDataDir dir;
    ManualClock clock;
    test::ScopedClock clockGuard(clock);
    SimulatedTransport transport(std::make_unique<SimulatedMeter>(QString(), 11));
    transport.meter().setLevelOverride(650);
    MeterLink link(transport);
    Poller poller(link);
    RecordSession session(poller, 1000, c.rate);
    QRandomGenerator random(4471);

    // The connecting tick, then ticks 500 ms +-50 ms apart; each exchange takes 0..300 ms,
    // which the simulated transport spends on the clock.
    ASSERT_TRUE(session.tick().started);
    std::int64_t elapsed = clock.tickMs();
    QList<double> times;
    for (int k = 1; k <= c.ticks; ++k) {
        const std::int64_t due = k * 500 + random.bounded(-50, 51);
        clock.advanceMs(due - elapsed);
        transport.faults.delayMsPerExchange = random.bounded(0, 301);
        const RecordSession::Tick t = session.tick();
        elapsed = clock.tickMs();
        ASSERT_EQ(t.outcome, PollOutcome::Reading);
        if (t.sample && t.sample->written)
            times << t.sample->time;
    }
    EXPECT_EQ(times.size(), c.expectedPoints);
    // The points are the rate apart, give or take the jitter of the ticks alone.
    for (int i = 1; i < times.size(); ++i)
        EXPECT_NEAR((times[i] - times[i - 1]) / kSecondInDays, std::max(c.rate, 0.5), 0.101) << i;
}

// The simulated meter behind a transport whose replies take their time: each read moves the
// clock on by the next of the delays given (repeated), as a slow meter's answer does.
class SlowReplies final : public Transport {
public:
    SlowReplies(ManualClock& clock, std::vector<int> delaysMs) : m_clock(clock), m_delays(std::move(delaysMs))
    {
        m_sim.meter().setLevelOverride(650);
    }
    void usbClose() override { m_sim.usbClose(); }
    int usbOpen(std::uint16_t v, std::uint16_t p) override { return m_sim.usbOpen(v, p); }
    int usbSetTimeouts(int r, int w) override { return m_sim.usbSetTimeouts(r, w); }
    int usbWrite(int n, const std::uint8_t* f) override { return m_sim.usbWrite(n, f); }
    void usbPurge() override { m_sim.usbPurge(); }
    int usbRead(int n, std::uint8_t* b) override
    {
        m_clock.advanceMs(m_delays[m_reads++ % m_delays.size()]);
        return m_sim.usbRead(n, b);
    }
    int usbWriteBlock(int n, const std::uint8_t* b) override { return m_sim.usbWriteBlock(n, b); }
    void usbReadSerial(int i, char* b, int n) override { m_sim.usbReadSerial(i, b, n); }

private:
    ManualClock& m_clock;
    SimulatedTransport m_sim{std::make_unique<SimulatedMeter>(QString(), 5)};
    std::vector<int> m_delays;
    std::size_t m_reads = 0;
};

// The program's poll on the meter thread: a reading is stamped with the moment its tick began,
// however long the meter takes to answer, so slow and quick replies in turn skip no 0.5 s slot.
TEST(ReadingTime, TheMeterThreadStampsAReadingWithTheStartOfItsPoll)
{
    test::ScopedDataDir dir;
    ManualClock clock;
    test::ScopedClock clockGuard(clock);
    // Replies alternately quick and nearly as slow as the poll period.
    MeterWorker worker(std::make_unique<SlowReplies>(clock, std::vector<int>{0, 450, 20, 430}));
    std::vector<PollReport> reports;
    QObject::connect(&worker, &MeterWorker::polled, [&](const PollReport& r) { reports.push_back(r); });

    ChartModel chart;
    RecordState state;
    const double t0 = toDays(clock.now());
    newChart(chart, 1, 100, t0, t0 + 60 * kSecondInDays, 30, 130);
    RealTimeRecorder recorder(chart, RealTimeVars(state));
    recorder.start(100, 0.5, t0);
    state.RealTimeLastSample = toDays(clock.now()) - 0.5 * kSecondInDays;

    const int ticks = 40;
    std::vector<double> startedAt;
    for (int k = 0; k <= ticks; ++k) {
        // The 500 ms timer: a tick that ran long is followed at once by the next.
        const std::int64_t due = k * Poller::IntervalMs;
        if (clock.tickMs() < due)
            clock.advanceMs(due - clock.tickMs());
        startedAt.push_back(toDays(clock.now()));
        worker.pollTick();
    }
    ASSERT_EQ(reports.size(), std::size_t(ticks + 1));
    EXPECT_EQ(reports[0].outcome, PollOutcome::ConnectedNow);
    int written = 0;
    for (int k = 1; k <= ticks; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(reports[k].outcome, PollOutcome::Reading);
        EXPECT_DOUBLE_EQ(reports[k].startedAt, startedAt[k]);
        const SampleOutcome s = recorder.recordSample(displayLevelDb(decodeReading(reports[k].reply)), reports[k].startedAt);
        written += s.written;
    }
    EXPECT_EQ(written, ticks) << "a 0.5 s slot was skipped";
}

// The windowless recording stamps the same way.
TEST(ReadingTime, TheRecordingStampsAReadingWithTheStartOfItsPoll)
{
    test::ScopedDataDir dir;
    ManualClock clock;
    test::ScopedClock clockGuard(clock);
    SlowReplies transport(clock, {0, 450, 20, 430});
    MeterLink link(transport);
    Poller poller(link);
    RecordSession session(poller, 100, 0.5);
    const int ticks = 40;
    int written = 0;
    for (int k = 0; k <= ticks; ++k) {
        const std::int64_t due = k * Poller::IntervalMs;
        if (clock.tickMs() < due)
            clock.advanceMs(due - clock.tickMs());
        const double began = toDays(clock.now());
        const RecordSession::Tick t = session.tick();
        if (t.sample && t.sample->written) {
            EXPECT_DOUBLE_EQ(t.sample->time, began) << k;
            ++written;
        }
    }
    EXPECT_EQ(written, ticks) << "a 0.5 s slot was skipped";
}

// A reading the meter cannot make (its level byte garbled to 6485 dB) never enters the recording,
// not even as the last good level repeated: its slot is left for the next poll.
TEST(ReadingTime, AnImpossibleLevelIsNotRecorded)
{
    test::ScopedDataDir dir;
    ManualClock clock;
    test::ScopedClock clockGuard(clock);
    SimulatedTransport transport(std::make_unique<SimulatedMeter>(QString(), 3));
    MeterLink link(transport);
    Poller poller(link);
    RecordSession session(poller, 100, 1.0);
    std::vector<double> times;
    std::vector<float> levels;
    for (int k = 0; k <= 8; ++k) {
        transport.meter().setLevelOverride(600 + 10 * k);
        // The fifth poll's reply, due for a point, arrives garbled.
        if (k == 5) {
            transport.faults.alterByteIndex = 5;
            transport.faults.alterByteValue = 0xFD;
        } else {
            transport.faults = {};
        }
        const RecordSession::Tick t = session.tick();
        if (t.sample && t.sample->written) {
            times.push_back(t.sample->time);
            levels.push_back(t.sample->level);
        }
        clock.advanceMs(Poller::IntervalMs);
    }
    // Polls 1 to 8, one point a second: 1, 3, then 6 (the garbled 5 left its slot to 6), 8.
    EXPECT_EQ(levels, (std::vector<float>{61.0f, 63.0f, 66.0f, 68.0f}));
}

INSTANTIATE_TEST_SUITE_P(Rates, JitteredPolls,
                         ::testing::Values(JitterCase{0.5, 40, 40},  // every poll
                                           JitterCase{1.0, 40, 20},  // every second poll
                                           JitterCase{2.0, 40, 10},  // every fourth poll
                                           JitterCase{0.2, 10, 10}), // below the poll period: every poll
                         [](const auto& info) { return "rate" + std::to_string(int(info.param.rate * 10)); });

} // namespace
