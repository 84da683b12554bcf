// The chart's axis rules: the time axis's tick step and the range an axis shows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "chart/axisrules.h"
#include "chart/chartmodel.h"

using namespace quedral;

TEST(AxisRules, TimeTickStep)
{
    const double kSec = 1.0 / 86400.0;
    struct Case {
        double spanDays;
        int ticks;
        double stepSeconds;
    };
    const Case cases[] = {
        {0, 5, 1},                   // an empty view still has a step
        {4 * kSec, 5, 1},            // below a second per tick: 1 s
        {11 * kSec, 5, 5},           // the next step up
        {100 * kSec, 5, 30},         // 20 s wanted: 30 s
        {1000 * kSec, 5, 300},       // 200 s wanted: 5 min
        {2 * 3600 * kSec, 5, 1800},  // 24 min wanted: 30 min
        {0.5, 5, 10800},             // 2.4 h wanted: 3 h
        {1.0, 5, 21600},             // 4.8 h wanted: 6 h
        {3.0, 5, 86400},
        {5.0, 5, 86400},             // exactly a listed step is taken
        {20.0, 5, 604800},           // 4 days wanted: a week
        {50.0, 5, 10 * 86400},       // 10 days: beyond the list, 1-2-5 of days
        {60.0, 5, 20 * 86400},       // 12 days: 20
        {300.0, 5, 100 * 86400},     // 60 days: 100
        {4 * kSec, 0, 5},            // no tick count counts as one tick
        {4 * kSec, -3, 5},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(timeTickStepSeconds(c.spanDays, c.ticks), c.stepSeconds)
            << c.spanDays * 86400 << " s over " << c.ticks << " ticks";
}

TEST(AxisRules, AxisRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        int control;
        double manualMin, manualMax;
        bool haveData;
        double dataMin, dataMax;
        double pad;
        AxisRange expected;
    };
    const Case cases[] = {
        {"data ends", sgNoManualScale, 30, 130, true, 40, 90, 0.5, {40, 90}},
        {"no data", sgNoManualScale, 30, 130, false, 40, 90, 0.5, {0, 1}},
        {"manual minimum", sgManualMin, 30, 130, true, 40, 90, 0.5, {30, 90}},
        {"manual maximum", sgManualMax, 30, 130, true, 40, 90, 0.5, {40, 130}},
        {"manual both", sgManualMinAndMax, 30, 130, true, 40, 90, 0.5, {30, 130}},
        {"manual both, no data", sgManualMinAndMax, 30, 130, false, 0, 0, 0.5, {30, 130}},
        {"manual minimum, no data", sgManualMin, 0.5, 130, false, 0, 0, 0.5, {0.5, 1}},
        {"reversed", sgManualMinAndMax, 130, 30, true, 40, 90, 0.5, {30, 130}},
        {"one value", sgNoManualScale, 0, 0, true, 60, 60, 0.5, {59.5, 60.5}},
        {"manual equal ends", sgManualMinAndMax, 10, 10, true, 40, 90, 2, {8, 12}},
        {"infinite", sgManualMax, 0, inf, true, 40, 90, 0.5, {0, 1}},
        {"not a number", sgManualMin, nan, 0, true, 40, 90, 0.5, {0, 1}},
    };
    for (const Case& c : cases) {
        const AxisRange r = axisRange(c.control, c.manualMin, c.manualMax, c.haveData, c.dataMin, c.dataMax, c.pad);
        EXPECT_DOUBLE_EQ(r.lower, c.expected.lower) << c.what;
        EXPECT_DOUBLE_EQ(r.upper, c.expected.upper) << c.what;
    }
}
