// Whole-graph and cursor statistics and the snap to the nearest sample.
#include <gtest/gtest.h>

#include <vector>

#include "graph/stats/statistics.h"

using namespace quedral;

namespace {
const double kSec = 1.0 / 86400.0;
std::vector<double> times(int n, double step = 1.0)
{
    std::vector<double> x;
    for (int i = 0; i < n; ++i)
        x.push_back(46023.5 + i * step * kSec);
    return x;
}
} // namespace

TEST(GraphStatistics, FirstOfEqualExtremesWinsAndRateDividesByCount)
{
    const auto x = times(5, 2.0);
    const std::vector<float> y{70.0f, 90.0f, 40.0f, 90.0f, 40.0f};
    const GraphStats s = computeGraphStatistics(x, y);
    EXPECT_EQ(s.count, 5);
    EXPECT_EQ(s.maximumIndex, 1);
    EXPECT_EQ(s.minimumIndex, 2);
    EXPECT_FLOAT_EQ(s.maximum, 90.0f);
    EXPECT_FLOAT_EQ(s.minimum, 40.0f);
    EXPECT_DOUBLE_EQ(s.average, 66.0);
    // 8 s between the first and last of 5 samples, divided by 5, not 4.
    EXPECT_NEAR(s.samplingRate, 1.6, 1e-6);
}

TEST(GraphStatistics, NullSamplesCountAndEmptyChartHasNoAverage)
{
    const auto x = times(2);
    const std::vector<float> y{60.0f, 9999.0f};
    const GraphStats s = computeGraphStatistics(x, y);
    EXPECT_FLOAT_EQ(s.maximum, 9999.0f);
    EXPECT_DOUBLE_EQ(s.average, (60.0 + 9999.0) / 2);

    const GraphStats e = computeGraphStatistics({}, {});
    EXPECT_EQ(e.count, 0);
    EXPECT_FALSE(e.hasAverage);
}

TEST(CursorStatistics, BLeftOfAUsesTheRangeBToABothEndsIncluded)
{
    const auto x = times(6);
    const std::vector<float> y{10.0f, 50.0f, 80.0f, 80.0f, 20.0f, 99.0f};
    for (auto [a, b] : {std::pair{4, 1}, std::pair{1, 4}}) {
        SCOPED_TRACE(testing::Message() << "A=" << a << " B=" << b);
        const CursorStats c = computeCursorStatistics(x, y, a, b);
        EXPECT_FLOAT_EQ(c.a, y[a]);
        EXPECT_DOUBLE_EQ(c.aTime, x[a]);
        EXPECT_FLOAT_EQ(c.b, y[b]);
        EXPECT_FLOAT_EQ(c.maxBetween, 80.0f);
        EXPECT_DOUBLE_EQ(c.maxTime, x[2]); // the earlier of the equal maxima
        EXPECT_FLOAT_EQ(c.minBetween, 20.0f);
        EXPECT_DOUBLE_EQ(c.minTime, x[4]);
        EXPECT_DOUBLE_EQ(c.average, (50.0 + 80 + 80 + 20) / 4);
    }
}

TEST(CursorStatistics, SameIndexAndIndicesOutsideTheChart)
{
    const auto x = times(3);
    const std::vector<float> y{30.0f, 40.0f, 50.0f};
    const CursorStats same = computeCursorStatistics(x, y, 1, 1);
    EXPECT_DOUBLE_EQ(same.average, 40.0);
    const CursorStats out = computeCursorStatistics(x, y, -5, 99);
    EXPECT_FLOAT_EQ(out.a, 30.0f);
    EXPECT_FLOAT_EQ(out.b, 50.0f);
    EXPECT_DOUBLE_EQ(out.average, 40.0);
}

TEST(NearestSample, TiesGoToTheLaterSampleAndTheAnswerStaysOnASample)
{
    const std::vector<double> x{100.0, 110.0, 120.0, 130.0};
    struct Case {
        double seconds;
        int expected;
    };
    const Case cases[] = {
        {-100, 0}, {0, 0}, {4.9, 0}, {5.0, 1}, {5.1, 1}, {10, 1}, {15, 2}, {24, 2},
        {26, 3}, {30, 3}, {31, 3}, {1000, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(nearestSample(x, x[0] + c.seconds), c.expected);
    }
    EXPECT_EQ(nearestSample(times(1), 0.0), 0);
    EXPECT_EQ(nearestSample({}, 0.0), 0);
}
