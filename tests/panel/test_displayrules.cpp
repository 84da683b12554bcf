#include <gtest/gtest.h>

#include <string>

#include "panel/displayrules.h"

using namespace quedral::panel;
using quedral::Range;
using Glyphs = std::array<int, 4>;

TEST(LevelGlyphs, DigitsWithOnlyTheFirstBlanked)
{
    const int B = GlyphBlank;
    const struct { int level; Glyphs glyphs; } cases[] = {
        {0, {B, 0, 0, 0}},
        {5, {B, 0, 0, 5}},
        {945, {B, 9, 4, 5}},
        {999, {B, 9, 9, 9}},
        {1000, {1, 0, 0, 0}},
        {1305, {1, 3, 0, 5}},
        {9999, {9, 9, 9, 9}},
        {10000, {10, 0, 0, 0}},   // beyond the meter's ranges: the table's own glyphs
        {15999, {15, 9, 9, 9}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(levelGlyphs(c.level), c.glyphs) << "level " << c.level;
}

TEST(LevelGlyphs, LevelsBeyondTheTableShowDashes)
{
    const Glyphs dashes{GlyphDash, GlyphDash, GlyphDash, GlyphDash};
    for (int level : {16000, 16999, 20000, 65535, -1})
        EXPECT_EQ(levelGlyphs(level), dashes) << "level " << level;
    for (int level = 0; level <= 65535; level += 7)
        for (int g : levelGlyphs(level))
            ASSERT_TRUE(g >= 0 && g < LargeGlyphCount) << "level " << level;
}

TEST(RangeDisplay, LabelsAndBarWidthByRangeCode)
{
    const struct { std::uint8_t code; int level; int low; int high; int width; } cases[] = {
        {0x11, 300, 30, 90, 4},
        {0x11, 301, 30, 90, 4},
        {0x11, 305, 30, 90, 5},
        {0x11, 900, 30, 90, 154},
        {0x22, 500, 50, 110, 4},
        {0x22, 1100, 50, 110, 154},
        {0x44, 650, 70, 130, 4},
        {0x44, 1300, 70, 130, 154},
        {0x44, 1400, 70, 130, 179},   // not limited above
        {0x88, 301, 30, 130, 4},      // (1 * 3) / 20 truncates to 0
        {0x88, 1300, 30, 130, 154},
        {0x88, 0, 30, 130, 4},
    };
    for (const auto& c : cases) {
        const auto r = rangeDisplay(Range{c.code}, c.level);
        ASSERT_TRUE(r.has_value()) << int(c.code);
        EXPECT_EQ(r->lowDb, c.low);
        EXPECT_EQ(r->highDb, c.high);
        EXPECT_EQ(r->barWidth, c.width) << "code " << int(c.code) << " level " << c.level;
    }
}

TEST(RangeDisplay, UnknownCodesLeaveTheDisplayAlone)
{
    for (int code : {0x00, 0x12, 0x33, 0x80, 0xFF})
        EXPECT_FALSE(rangeDisplay(Range{std::uint8_t(code)}, 1000).has_value()) << code;
}

TEST(ClockUpdate, DrawsHourMinuteSecondAndRemembersTheSeconds)
{
    using D = std::array<int, 6>;
    ClockUpdate u = clockUpdate(0, 0x59, 0x59, 0x23);
    EXPECT_EQ(u.digits, (D{2, 3, 5, 9, 5, 9}));
    EXPECT_EQ(u.clockShown, 0x59);

    u = clockUpdate(u.clockShown, 0x00, 0x00, 0x00);
    EXPECT_EQ(u.digits, (D{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(u.clockShown, 0x00);

    // BCD read as two decimal digits: 0x47 is 47, not 71
    u = clockUpdate(0, 0x47, 0x08, 0x10);
    EXPECT_EQ(u.digits, (D{1, 0, 0, 8, 4, 7}));
}

TEST(ClockUpdate, UnchangedSecondsDrawNothingEvenWhenMinutesChange)
{
    const ClockUpdate u = clockUpdate(0x30, 0x30, 0x15, 0x12);
    EXPECT_EQ(u.digits, (std::array<int, 6>{-1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(u.clockShown, 0x30);
}

TEST(ClockUpdate, InvalidClockByteSuppressesTheClock)
{
    const std::array<int, 6> none{-1, -1, -1, -1, -1, -1};
    const std::uint8_t triples[][3] = {{0x5A, 0x10, 0x10}, {0x11, 0x5A, 0x10}, {0x11, 0x10, 0x5A}};
    for (const auto& t : triples) {
        const ClockUpdate u = clockUpdate(0x07, t[0], t[1], t[2]);
        EXPECT_EQ(u.digits, none);
        EXPECT_EQ(u.clockShown, ClockShownAfterInvalid);
        // the next reading with seconds byte 2 is taken as already drawn
        const ClockUpdate next = clockUpdate(u.clockShown, 0x02, 0x10, 0x10);
        EXPECT_EQ(next.digits, none);
    }
    // the one after that draws again
    EXPECT_EQ(clockUpdate(2, 0x03, 0x10, 0x10).digits, (std::array<int, 6>{1, 0, 1, 0, 0, 3}));
}

TEST(ClockUpdate, NonDecimalByteStopsTheDrawingThere)
{
    using D = std::array<int, 6>;
    // hour fine, minute 0x4B not BCD: hour digits drawn, minute and second left alone
    ClockUpdate u = clockUpdate(0, 0x12, 0x4B, 0x09);
    EXPECT_EQ(u.digits, (D{0, 9, -1, -1, -1, -1}));
    EXPECT_EQ(u.clockShown, 0x12);

    // bad hour: nothing drawn
    u = clockUpdate(0, 0x12, 0x34, 0xF1);
    EXPECT_EQ(u.digits, (D{-1, -1, -1, -1, -1, -1}));

    // bad seconds: hour and minute drawn
    u = clockUpdate(0, 0x3C, 0x34, 0x21);
    EXPECT_EQ(u.digits, (D{2, 1, 3, 4, -1, -1}));
    EXPECT_EQ(u.clockShown, 0x3C);
}
