// The Leq arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "stats/leqmath.h"

using namespace quedral;

namespace {

TEST(LeqMath, RunningLeqFollowsTheEnergyMean)
{
    // 60 then 70: 10 log10((10^6 + 10^7) / 2) = 67.4.
    const std::vector<float> two{60.0f, 70.0f};
    const std::vector<float> r = runningLeq(two.data(), 2);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_FLOAT_EQ(r[0], 60.0f);
    EXPECT_NEAR(r[1], 67.4036f, 1e-3);

    // A constant level stays flat; 80 and 90 as two seconds give 87.4.
    const std::vector<float> flat(500, 72.5f);
    for (float v : runningLeq(flat.data(), 500))
        EXPECT_NEAR(v, 72.5f, 1e-3);
    EXPECT_NEAR(leqStep(80.0f, 90.0f, 2), 87.4036f, 1e-3);

    // Against the closed form over a long varied series.
    std::vector<float> levels;
    double energy = 0;
    for (int i = 0; i < 20000; ++i) {
        levels.push_back(45.0f + static_cast<float>((i * 37) % 500) / 10.0f);
        energy += std::pow(10.0, levels.back() / 10.0);
    }
    const std::vector<float> all = runningLeq(levels.data(), static_cast<std::int64_t>(levels.size()));
    ASSERT_EQ(all.size(), levels.size());
    EXPECT_NEAR(all.back(), 10.0 * std::log10(energy / levels.size()), 0.01);
}

TEST(LeqMath, DataEndsAtTheFirstNullAndFailedStepsKeepTheLevel)
{
    std::vector<float> levels(150, 9999.0f);
    for (int i = 0; i < 100; ++i)
        levels[i] = 60.0f + (i % 10);
    const std::vector<float> r = runningLeq(levels.data(), 150);
    EXPECT_EQ(r.size(), 100u);

    const float nullFirst[] = {9999.0f, 60.0f};
    EXPECT_TRUE(runningLeq(nullFirst, 2).empty());
    // 200 itself is data.
    const float edge[] = {200.0f};
    EXPECT_EQ(runningLeq(edge, 1).size(), 1u);

    // Overflowing or meaningless steps keep the previous level.
    EXPECT_FLOAT_EQ(leqStep(65.0f, 1e30f, 2), 65.0f);
    EXPECT_FLOAT_EQ(leqStep(65.0f, std::numeric_limits<float>::quiet_NaN(), 3), 65.0f);
    EXPECT_FLOAT_EQ(leqStep(65.0f, -std::numeric_limits<float>::infinity(), 2),
                    65.0f - 10.0f * std::log10(2.0f));
}

TEST(LeqMath, SecondSplIsTheMeanOfTheReadings)
{
    EXPECT_FLOAT_EQ(secondSpl(652 + 655 + 661, 3), 65.6f);
    EXPECT_FLOAT_EQ(secondSpl(800, 1), 80.0f);
}

} // namespace
