// Sampling on a real USB link: poll ticks do not come exactly every 500 ms, and each exchange
// takes its own time. A reading counts at the moment its poll began.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "base/clock.h"
#include "base/datetime.h"
#include "meter/meterlink.h"
#include "meter/poller.h"
#include "meter/simulatedtransport.h"
#include "realtime/recordsession.h"
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

INSTANTIATE_TEST_SUITE_P(Rates, JitteredPolls,
                         ::testing::Values(JitterCase{0.5, 40, 40},  // every poll
                                           JitterCase{1.0, 40, 20},  // every second poll
                                           JitterCase{2.0, 40, 10},  // every fourth poll
                                           JitterCase{0.2, 10, 10}), // below the poll period: every poll
                         [](const auto& info) { return "rate" + std::to_string(int(info.param.rate * 10)); });

} // namespace
