// The per-second and per-minute figures of the service: Leq, Lmax, Lmin, L10 and L90, and when
// a period closes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "serve/levelaggregator.h"
#include "stats/noisestats.h"

using namespace quedral;

namespace {

const QDateTime kStart(QDate(2026, 1, 1), QTime(12, 0, 0), Qt::UTC);

QDateTime at(qint64 ms) { return kStart.addMSecs(ms); }

double energyMean(const std::vector<double>& levels)
{
    double sum = 0;
    for (double l : levels)
        sum += std::pow(10.0, l / 10.0);
    return 10.0 * std::log10(sum / static_cast<double>(levels.size()));
}

} // namespace

TEST(LevelAggregator, SecondsCloseWhenAReadingFallsIntoTheNextOne)
{
    struct Case {
        const char* name;
        std::vector<std::pair<qint64, double>> readings; // ms after the start, level
        double leq, lmax, lmin;
        std::int64_t count;
    };
    const Case cases[] = {
        {"two polls", {{0, 60.0}, {500, 70.0}, {1000, 50.0}}, energyMean({60, 70}), 70.0, 60.0, 2},
        {"one poll", {{999, 55.5}, {1000, 40.0}}, 55.5, 55.5, 55.5, 1},
        {"equal levels", {{100, 63.4}, {600, 63.4}, {1100, 80.0}}, 63.4, 63.4, 63.4, 2},
        {"gap of seconds", {{0, 61.0}, {4500, 62.0}}, 61.0, 61.0, 61.0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LevelAggregator agg;
        std::optional<PeriodFigures> closed;
        for (const auto& [ms, level] : c.readings) {
            const auto result = agg.add(at(ms), level);
            EXPECT_FALSE(closed && result.second) << "two seconds closed";
            if (result.second)
                closed = result.second;
        }
        ASSERT_TRUE(closed);
        EXPECT_EQ(closed->start, kStart);
        EXPECT_EQ(closed->seconds, 1);
        EXPECT_EQ(closed->readings, c.count);
        EXPECT_NEAR(closed->leq, c.leq, 1e-9);
        EXPECT_DOUBLE_EQ(closed->lmax, c.lmax);
        EXPECT_DOUBLE_EQ(closed->lmin, c.lmin);
        EXPECT_FALSE(closed->l10);
    }
}

TEST(LevelAggregator, AMinuteHasTheNoiseStatisticsFigures)
{
    // 120 polls over one minute, levels spread from 40 to 99.5 dB, shuffled in time.
    std::vector<float> levels;
    for (int i = 0; i < 120; ++i)
        levels.push_back(40.0f + static_cast<float>((i * 37) % 120) * 0.5f);
    LevelAggregator agg;
    for (int i = 0; i < 120; ++i)
        EXPECT_FALSE(agg.add(at(i * 500), levels[static_cast<std::size_t>(i)]).minute);
    const auto current = agg.currentMinute();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->readings, 120);
    const auto closed = agg.add(at(60000), 70.0).minute;
    ASSERT_TRUE(closed);
    ASSERT_TRUE(agg.lastMinute());
    EXPECT_EQ(agg.lastMinute()->start, kStart);

    std::vector<double> times(levels.size(), 0.0);
    for (std::size_t i = 0; i < times.size(); ++i)
        times[i] = static_cast<double>(i) * 0.5 / 86400.0;
    const NoiseStatistics expected = computeNoiseStatistics({times, levels, 0.5});
    EXPECT_EQ(closed->start, kStart);
    EXPECT_EQ(closed->seconds, 60);
    EXPECT_EQ(closed->readings, 120);
    EXPECT_NEAR(closed->leq, *expected.leq, 1e-6);
    EXPECT_DOUBLE_EQ(closed->lmax, 99.5);
    EXPECT_DOUBLE_EQ(closed->lmin, 40.0);
    ASSERT_TRUE(closed->l10 && closed->l90);
    EXPECT_DOUBLE_EQ(*closed->l10, *expected.l10);
    EXPECT_DOUBLE_EQ(*closed->l90, *expected.l90);
    EXPECT_GT(*closed->l10, *closed->l90);

    // The next minute starts afresh: its figures are its one reading's.
    const auto next = agg.closeAll().minute;
    ASSERT_TRUE(next);
    EXPECT_EQ(next->readings, 1);
    EXPECT_DOUBLE_EQ(*next->l10, 70.0);
    EXPECT_DOUBLE_EQ(*next->l90, 70.0);
}

TEST(LevelAggregator, PeriodsCloseWithoutReadingsOnlyOnceTheyHaveEnded)
{
    LevelAggregator agg;
    agg.add(at(30500), 60.0);
    EXPECT_FALSE(agg.closeBefore(at(30999)).second);
    const auto s = agg.closeBefore(at(31000));
    EXPECT_TRUE(s.second);
    EXPECT_FALSE(s.minute);
    EXPECT_FALSE(agg.closeBefore(at(59999)).minute);
    const auto m = agg.closeBefore(at(60000));
    ASSERT_TRUE(m.minute);
    EXPECT_EQ(m.minute->readings, 1);
    EXPECT_FALSE(agg.closeAll().second) << "nothing left open";
}

TEST(LevelAggregator, LevelsTheMeterDidNotMeasureDoNotCount)
{
    LevelAggregator agg;
    for (double missing : {0.0, 9999.0, std::nan("")})
        agg.add(at(100), missing);
    agg.add(at(200), 50.0);
    agg.add(at(300), 0.0);
    const auto closed = agg.closeAll();
    ASSERT_TRUE(closed.second);
    EXPECT_EQ(closed.second->readings, 1);
    EXPECT_DOUBLE_EQ(closed.second->lmin, 50.0);
    EXPECT_EQ(closed.minute->readings, 1);
}

TEST(LevelAggregator, PeriodStartsAreClockAligned)
{
    const QDateTime t(QDate(2026, 3, 4), QTime(5, 6, 7, 890), Qt::UTC);
    EXPECT_EQ(LevelAggregator::secondStart(t), QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC));
    EXPECT_EQ(LevelAggregator::minuteStart(t), QDateTime(QDate(2026, 3, 4), QTime(5, 6, 0), Qt::UTC));
}
