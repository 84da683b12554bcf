#include <gtest/gtest.h>

#include <QFile>

#include "meter/simulator/simulatedmeter.h"
#include "base/clock.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

class SimulatorTest : public ::testing::Test {
protected:

    static MeterReading poll(SimulatedMeter& m, std::uint8_t seq = 1)
    {
        const auto reply = m.handleCommand(makeCommand('A', 0, 0, 0, seq));
        EXPECT_TRUE(reply.has_value());
        EXPECT_TRUE(reply && isFramedReading(*reply));
        EXPECT_EQ((*reply)[30], seq);
        return decodeReading(*reply);
    }
    static void press(SimulatedMeter& m, char key) { EXPECT_FALSE(m.handleCommand(makeCommand(key)).has_value()); }

    ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(23, 59, 58))};
    test::ScopedClock clockGuard{clock};
    test::ScopedDataDir dataDir;
};

} // namespace

TEST_F(SimulatorTest, IdentifiesAndIgnoresQ)
{
    SimulatedMeter m(QString(), 1);
    const auto k = m.handleCommand(makeCommand('K'));
    ASSERT_TRUE(k);
    EXPECT_EQ((*k)[23], 0x33);
    EXPECT_EQ((*k)[24], 0x32);
    EXPECT_EQ((*k)[25], 0x33);
    EXPECT_FALSE(m.handleCommand(makeCommand('Q')));
    EXPECT_FALSE(m.handleCommand(CommandFrame{0x00, 'K', 0, 0, 0, 0, 0x03})); // not a frame
}

TEST_F(SimulatorTest, KeysChangeTheNextReading)
{
    SimulatedMeter m(QString(), 1);
    MeterReading r = poll(m);
    EXPECT_FALSE(r.Recording);
    EXPECT_TRUE(r.WeightingA);
    EXPECT_TRUE(r.Fast);
    EXPECT_EQ(rawByte(r.RangeCode), 0x88);

    press(m, 'R');
    press(m, 'C');
    press(m, 'F');
    r = poll(m);
    EXPECT_TRUE(r.Recording);
    EXPECT_FALSE(r.WeightingA);
    EXPECT_FALSE(r.Fast);

    std::vector<int> ranges;
    for (int i = 0; i < 5; ++i) {
        press(m, 'L');
        ranges.push_back(rawByte(poll(m).RangeCode));
    }
    EXPECT_EQ(ranges, (std::vector<int>{0x11, 0x22, 0x44, 0x88, 0x11}));
}

TEST_F(SimulatorTest, MaxMinStepsHoldsAndCancels)
{
    SimulatedMeter m(QString(), 1);
    m.setLevelOverride(600);
    poll(m);
    std::vector<int> modes;
    for (int i = 0; i < 4; ++i) {
        press(m, 'M');
        const MeterReading r = poll(m);
        EXPECT_TRUE(r.MaxMinActive);
        modes.push_back(rawByte(r.MaxMinMode));
    }
    EXPECT_EQ(modes, (std::vector<int>{0x11, 0x22, 0x44, 0x11}));

    m.setLevelOverride(750);
    poll(m);
    m.setLevelOverride(520);
    const MeterReading held = poll(m);
    EXPECT_EQ(held.MaxTenths, 750);
    EXPECT_EQ(held.MinTenths, 520);
    EXPECT_EQ(held.LevelTenths, 520);
    EXPECT_EQ(DisplayLevel(held), 750); // MAX shown

    press(m, 'N');
    const MeterReading r = poll(m);
    EXPECT_FALSE(r.MaxMinActive);
    EXPECT_EQ(rawByte(r.MaxMinMode), 0x00);
}

TEST_F(SimulatorTest, UnderAndOverFollowTheRange)
{
    SimulatedMeter m(QString(), 1);
    press(m, 'L'); // 30-90
    struct Case { int level; bool under, over; };
    for (const Case& c : {Case{250, true, false}, Case{300, false, false}, Case{900, false, false},
                          Case{915, false, true}}) {
        m.setLevelOverride(c.level);
        const MeterReading r = poll(m);
        EXPECT_EQ(r.LevelTenths, c.level);
        EXPECT_EQ(r.Under, c.under) << c.level;
        EXPECT_EQ(r.Over, c.over) << c.level;
    }
}

TEST_F(SimulatorTest, ClockIsBcdWithTheOffset)
{
    SimulatedMeter m(QString(), 1);
    MeterReading r = poll(m);
    EXPECT_EQ(r.ClockHour, 0x23);
    EXPECT_EQ(r.ClockMinute, 0x59);
    EXPECT_EQ(r.ClockSecond, 0x58);
    EXPECT_EQ(r.ClockYear, 0x26);
    EXPECT_EQ(r.ClockMonth, 0x03);
    EXPECT_EQ(r.ClockDay, 0x14);
    m.update([](SimulatedMeter::State& s) { s.clockOffsetSeconds = 3; });
    r = poll(m);
    EXPECT_EQ(r.ClockHour, 0x00);
    EXPECT_EQ(r.ClockSecond, 0x01);
    EXPECT_EQ(r.ClockDay, 0x15);
}

TEST_F(SimulatorTest, LevelsAreRepeatableAndPlausible)
{
    SimulatedMeter a(QString(), 7), b(QString(), 7);
    int inBackground = 0;
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        const int la = poll(a).LevelTenths;
        ASSERT_EQ(la, poll(b).LevelTenths);
        ASSERT_GE(la, 400);
        ASSERT_LE(la, 1150);
        inBackground += (la >= 450 && la <= 750);
    }
    EXPECT_GT(inBackground, n * 3 / 4);
    EXPECT_LT(inBackground, n); // some louder events happen
}

TEST_F(SimulatorTest, StatePersistsInTheDataDirectory)
{
    {
        SimulatedMeter first;
        press(first, 'R');
        press(first, 'L');
        press(first, 'M');
    }
    EXPECT_TRUE(QFile::exists(dataDir.file("simulated-meter.json")));
    {
        SimulatedMeter second;
        const MeterReading r = poll(second);
        EXPECT_TRUE(r.Recording);
        EXPECT_EQ(rawByte(r.RangeCode), 0x11);
        EXPECT_TRUE(r.MaxMinActive);
        EXPECT_EQ(rawByte(r.MaxMinMode), 0x11);
    }
    QFile::remove(dataDir.file("simulated-meter.json"));
    SimulatedMeter fresh;
    const MeterReading r = poll(fresh);
    EXPECT_FALSE(r.Recording);
    EXPECT_EQ(rawByte(r.RangeCode), 0x88);
}

TEST_F(SimulatorTest, EachSerialNumberKeepsItsOwnStateFile)
{
    EXPECT_EQ(SimulatedMeter::defaultStateFile(), dataDir.file("simulated-meter.json"));
    EXPECT_EQ(SimulatedMeter::defaultStateFile(SimulatedMeter::kDefaultSerial), dataDir.file("simulated-meter.json"));
    EXPECT_EQ(SimulatedMeter::defaultStateFile("SN-B"), dataDir.file("simulated-meter-SN-B.json"));
    {
        SimulatedMeter a(SimulatedMeter::defaultStateFile(), 1);
        SimulatedMeter b(SimulatedMeter::defaultStateFile("SN-B"), 2, "SN-B");
        EXPECT_EQ(a.serialNumber(), "SIM-4471-0001");
        EXPECT_EQ(b.serialNumber(), "SN-B");
        press(b, 'R');
        press(b, 'L');
        EXPECT_FALSE(poll(a).Recording);
    }
    SimulatedMeter a(SimulatedMeter::defaultStateFile(), 1);
    SimulatedMeter b(SimulatedMeter::defaultStateFile("SN-B"), 2, "SN-B");
    EXPECT_FALSE(poll(a).Recording);
    EXPECT_EQ(rawByte(poll(a).RangeCode), 0x88);
    EXPECT_TRUE(poll(b).Recording);
    EXPECT_EQ(rawByte(poll(b).RangeCode), 0x11);
}

TEST_F(SimulatorTest, SerialNumbersAreShortAndSafeInAFileName)
{
    const struct { QString serial; bool ok; } cases[] = {
        {"SN-2", true},           {"a.b_C-9", true},     {QString(32, 'x'), true}, {"", false},
        {QString(33, 'x'), false}, {"../x", false},       {"a/b", false},          {"a b", false},
        {"é", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SimulatedMeter::serialProblem(c.serial).isEmpty(), c.ok) << qPrintable(c.serial);
    EXPECT_TRUE(SimulatedMeter::serialProblem("a/b").contains("\"a/b\""));
}
