#include <gtest/gtest.h>

#include "meter/reading.h"

using namespace quedral;

namespace {
ReplyBytes reply(std::initializer_list<std::pair<int, std::uint8_t>> bytes)
{
    ReplyBytes r{};
    r[0] = 0x02;
    r[31] = 0x03;
    for (auto [i, v] : bytes)
        r[i] = v;
    return r;
}
} // namespace

TEST(ReadingDecode, FlagBits)
{
    struct Case { std::uint8_t b1, b2; bool rec, mm, a, fast, under, over, full; };
    const Case cases[] = {
        {0x00, 0x00, false, false, false, false, false, false, false},
        {0x01, 0x00, true, false, false, false, false, false, false},
        {0x04, 0x00, false, true, false, false, false, false, false},
        {0x08, 0x00, false, false, true, false, false, false, false},
        {0x10, 0x00, false, false, false, true, false, false, false},
        {0x40, 0x00, false, false, false, false, true, false, false},
        {0x80, 0x00, false, false, false, false, false, true, false},
        {0x22, 0xEF, false, false, false, false, false, false, false}, // unused bits only
        {0xFF, 0x10, true, true, true, true, true, true, true},
    };
    for (const Case& c : cases) {
        const MeterReading r = decodeReading(reply({{1, c.b1}, {2, c.b2}}));
        SCOPED_TRACE(testing::Message() << "byte1=" << int(c.b1) << " byte2=" << int(c.b2));
        EXPECT_EQ(r.Recording, c.rec);
        EXPECT_EQ(r.MaxMinActive, c.mm);
        EXPECT_EQ(r.WeightingA, c.a);
        EXPECT_EQ(r.Fast, c.fast);
        EXPECT_EQ(r.Under, c.under);
        EXPECT_EQ(r.Over, c.over);
        EXPECT_EQ(r.MemoryFull, c.full);
    }
}

TEST(ReadingDecode, NumbersClockAndSequence)
{
    const MeterReading r = decodeReading(reply({{3, 0x44}, {4, 0x22}, {5, 0x03}, {6, 0xB1}, {11, 0x05}, {12, 0x14},
                                                {13, 0x01}, {14, 0xC2}, {15, 0x59}, {16, 0x07}, {17, 0x23},
                                                {19, 0x12}, {20, 0x31}, {21, 0x26}, {30, 0xFE}}));
    EXPECT_EQ(r.RangeCode, Range::Db70To130);
    EXPECT_EQ(r.MaxMinMode, MaxMin::Min);
    EXPECT_EQ(r.LevelTenths, 945);  // 0x03B1, high byte first
    EXPECT_EQ(r.MaxTenths, 1300);
    EXPECT_EQ(r.MinTenths, 450);
    EXPECT_EQ(r.ClockSecond, 0x59);
    EXPECT_EQ(r.ClockMinute, 0x07);
    EXPECT_EQ(r.ClockHour, 0x23);
    EXPECT_EQ(r.ClockMonth, 0x12);
    EXPECT_EQ(r.ClockDay, 0x31);
    EXPECT_EQ(r.ClockYear, 0x26);
    EXPECT_EQ(r.SequenceEcho, 0xFE);
}

TEST(ReadingDecode, Framing)
{
    ReplyBytes r = reply({});
    EXPECT_TRUE(isFramedReading(r));
    r[31] = 0x00;
    EXPECT_FALSE(isFramedReading(r));
    r = reply({{0, 0x04}});
    EXPECT_FALSE(isFramedReading(r));
}

TEST(ReadingCodes, RangeTableByWireByte)
{
    const struct { std::uint8_t byte; const char* label; int low, high; } known[] = {
        {0x11, "30-90", 30, 90}, {0x22, "50-110", 50, 110}, {0x44, "70-130", 70, 130}, {0x88, "30-130", 30, 130}};
    for (const auto& k : known) {
        const RangeInfo* info = rangeInfo(Range{k.byte});
        ASSERT_NE(info, nullptr) << int(k.byte);
        EXPECT_STREQ(info->label, k.label);
        EXPECT_EQ(info->lowDb, k.low);
        EXPECT_EQ(info->highDb, k.high);
    }
    for (int code : {0x00, 0x12, 0x33, 0x80, 0xFF})
        EXPECT_EQ(rangeInfo(Range{static_cast<std::uint8_t>(code)}), nullptr) << code;

    // An unknown byte survives the decode as sent.
    const MeterReading r = decodeReading(reply({{3, 0x55}, {4, 0x33}}));
    EXPECT_EQ(rawByte(r.RangeCode), 0x55);
    EXPECT_EQ(rawByte(r.MaxMinMode), 0x33);
}

TEST(ReadingCodes, ModeTableByWireByte)
{
    for (int code : {0x00, 0x11, 0x22, 0x44})
        EXPECT_NE(maxMinInfo(MaxMin{static_cast<std::uint8_t>(code)}), nullptr) << code;
    for (int code : {0x01, 0x33, 0x88, 0xFF})
        EXPECT_EQ(maxMinInfo(MaxMin{static_cast<std::uint8_t>(code)}), nullptr) << code;
}

TEST(ReadingDecode, DisplayLevelSelectsHeldValueOnlyWhenActive)
{
    struct Case { bool active; std::uint8_t mode; int expected; };
    const Case cases[] = {
        {true, 0x11, 800}, {true, 0x22, 400}, {true, 0x44, 600}, {true, 0x00, 600},
        {false, 0x11, 600}, {false, 0x22, 600}, {true, 0x33, 600},
    };
    for (const Case& c : cases) {
        MeterReading r;
        r.MaxMinActive = c.active;
        r.MaxMinMode = MaxMin{c.mode};
        r.LevelTenths = 600;
        r.MaxTenths = 800;
        r.MinTenths = 400;
        EXPECT_EQ(DisplayLevel(r), c.expected) << c.active << " " << int(c.mode);
    }
    MeterReading r;
    r.LevelTenths = 945;
    EXPECT_FLOAT_EQ(displayLevelDb(r), 94.5f);
}

TEST(ReadingDecode, Bcd)
{
    EXPECT_EQ(bcdValue(0x47), 47);
    EXPECT_EQ(bcdValue(0x00), 0);
    EXPECT_EQ(bcdValue(0x5A), -1);
    EXPECT_EQ(bcdValue(0xA1), -1);
    EXPECT_EQ(toBcd(59), 0x59);
    EXPECT_EQ(toBcd(126), 0x26);
}

TEST(MaxMinTable, EveryRow)
{
    using L = LabelAction;
    using B = BlinkAction;
    struct Case { bool active; std::uint8_t mode; MaxMinDisplay expected; };
    const Case cases[] = {
        {false, 0x00, {L::Hide, L::Hide, B::Stop}},
        {false, 0x44, {L::Hide, L::Hide, B::Stop}},
        {true, 0x00, {L::Unchanged, L::Unchanged, B::Stop}},
        {true, 0x11, {L::Show, L::Hide, B::Stop}},
        {true, 0x22, {L::Hide, L::Show, B::Stop}},
        {true, 0x44, {L::Unchanged, L::Unchanged, B::Start}},
        {true, 0x88, {L::Unchanged, L::Unchanged, B::Unchanged}},
    };
    for (const Case& c : cases) {
        MeterReading r;
        r.MaxMinActive = c.active;
        r.MaxMinMode = MaxMin{c.mode};
        EXPECT_EQ(maxMinDisplay(r), c.expected) << c.active << " " << int(c.mode);
    }
}

// A reading the meter cannot make (a level above anything it shows, as a garbled level byte
// gives) is not usable, whichever of level, held maximum or held minimum the display shows.
TEST(ReadingDecode, ALevelTheMeterCannotShowMakesTheReadingUnusable)
{
    const struct {
        const char* name;
        ReplyBytes reply;
        bool usable;
    } cases[] = {
        {"65.0 dB", reply({{5, 0x02}, {6, 0x8A}}), true},
        {"0.0 dB", reply({}), true},
        {"140.0 dB", reply({{5, 0x05}, {6, 0x78}}), true},
        {"140.1 dB", reply({{5, 0x05}, {6, 0x79}}), false},
        {"6485.0 dB (high byte garbled)", reply({{5, 0xFD}, {6, 0x52}}), false},
        {"held maximum of 6485.0 dB shown", reply({{1, 0x04}, {4, 0x11}, {5, 0x02}, {11, 0xFD}, {12, 0x52}}), false},
        {"held maximum of 6485.0 dB not shown", reply({{4, 0x11}, {5, 0x02}, {11, 0xFD}, {12, 0x52}}), true},
        {"held minimum of 6485.0 dB shown", reply({{1, 0x04}, {4, 0x22}, {5, 0x02}, {13, 0xFD}, {14, 0x52}}), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isUsableReading(c.reply), c.usable) << c.name;
        ReplyBytes unframed = c.reply;
        unframed[31] = 0;
        EXPECT_FALSE(isUsableReading(unframed)) << c.name;
    }
    EXPECT_TRUE(isPossibleLevel(kHighestMeterTenths));
    EXPECT_FALSE(isPossibleLevel(kHighestMeterTenths + 1));
    EXPECT_FALSE(isPossibleLevel(-1));
}
