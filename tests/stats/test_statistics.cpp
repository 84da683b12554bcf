// Whole-graph and cursor statistics and the snap to the nearest sample.
#include <gtest/gtest.h>

#include <vector>

#include "stats/statistics.h"

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

TEST(updateGraphStatistics, FirstOfEqualExtremesWinsAndRateDividesByCount)
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

TEST(updateGraphStatistics, NullSamplesCountAndEmptyChartHasNoAverage)
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

TEST(updateCursorStatistics, BLeftOfAUsesTheRangeBToABothEndsIncluded)
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

TEST(updateCursorStatistics, SameIndexAndIndicesOutsideTheChart)
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

TEST(StatisticExport, ElevenLinesFromTheBoxTexts)
{
    struct Case {
        const char* what;
        StatisticTexts boxes;
        const char* text;
    };
    StatisticTexts filled;
    filled.startTime = "1/2/26 10:00:00";
    filled.samplingRate = "0.5";
    filled.dataNo = "600";
    filled.average = "71.3";
    filled.maximum = "96.0";
    filled.maximumTime = "1/2/26 10:01:00";
    filled.minimum = "40.2";
    filled.minimumTime = "1/2/26 10:02:00";
    filled.cursorA = "55.5";
    filled.cursorATime = "1/2/26 10:03:00";
    filled.cursorB = "66.6";
    filled.cursorBTime = "1/2/26 10:04:00";
    filled.maxBetween = "77.7";
    filled.maxBetweenTime = "1/2/26 10:05:00";
    filled.minBetween = "44.4";
    filled.minBetweenTime = "1/2/26 10:06:00";
    filled.averageBetween = "60.1";
    const Case cases[] = {
        {"filled", filled,
         "Start Time:1/2/26 10:00:00\n"
         "Sampling Rate:0.5\n"
         "DataNo:600\n"
         "Avg.:71.3\n"
         "Maximum:96.0@1/2/26 10:01:00\n"
         "Minimum:40.2@1/2/26 10:02:00\n"
         "Cursor A:55.5@1/2/26 10:03:00\n"
         "Cursor B:66.6@1/2/26 10:04:00\n"
         "Max.Between A and B:77.7@1/2/26 10:05:00\n"
         "Min.Between A and B:44.4@1/2/26 10:06:00\n"
         "Avg. Between A and B:60.1\n"},
        // A window whose panels were never filled still gives every line.
        {"empty", StatisticTexts{},
         "Start Time:\nSampling Rate:\nDataNo:\nAvg.:\nMaximum:@\nMinimum:@\nCursor A:@\nCursor B:@\n"
         "Max.Between A and B:@\nMin.Between A and B:@\nAvg. Between A and B:\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statisticExportText(c.boxes).toStdString(), c.text) << c.what;
}
