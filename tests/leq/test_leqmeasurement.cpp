// The live measurement's seconds, from replies built by hand.
#include <gtest/gtest.h>

#include "base/datetime.h"
#include "graph/graphformat.h"
#include "leq/leqmeasurement.h"
#include "leq/leqrunner.h"
#include "meter/meterlink.h"
#include "meter/simulator/simulatedtransport.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(14, 0, 7));

// A reply at 2026-12-10 13:45:<second> with the level in tenths of a dB.
LeqReply reply(std::uint8_t secondTag, int tenths)
{
    LeqReply r{};
    r[0] = 0x02;
    r[31] = 0x03;
    r[5] = static_cast<std::uint8_t>(tenths >> 8);
    r[6] = static_cast<std::uint8_t>(tenths & 0xFF);
    r[15] = secondTag;
    r[16] = 0x45;
    r[17] = 0x13;
    r[19] = 0x12;
    r[20] = 0x10;
    r[21] = 0x26;
    return r;
}

struct Feed {
    LeqMeasurement m;
    std::vector<LeqRow> rows;
    LeqTick last;
    explicit Feed(int seconds) { m.start(seconds); }
    void read(std::uint8_t tag, int tenths)
    {
        last = m.tick(true, reply(tag, tenths), kNow);
        if (last.row)
            rows.push_back(*last.row);
    }
    void fail() { last = m.tick(false, LeqReply{}, kNow); }
};

TEST(LeqMeasurement, ReadingsOfASecondAreAveragedWhenTheNextSecondBegins)
{
    Feed f(100);
    f.read(0x05, 700); // starts the measurement, counts nowhere
    EXPECT_TRUE(f.rows.empty());
    EXPECT_EQ(f.last.logLine, formatLongTime(QTime(13, 45, 5)) + "\t70.0");
    f.read(0x05, 800);
    f.read(0x05, 801);
    EXPECT_TRUE(f.rows.empty());
    f.read(0x06, 900); // opens second 06, not counted in it
    ASSERT_EQ(f.rows.size(), 1u);
    const LeqRow& first = f.rows[0];
    EXPECT_EQ(first.row, 1);
    EXPECT_EQ(first.time, formatLongTime(QTime(13, 45, 5)));
    EXPECT_EQ(first.date, formatShortDate(QDate(2026, 12, 10)));
    EXPECT_DOUBLE_EQ(first.when, toDays(QDate(2026, 12, 10), QTime(13, 45, 5)));
    EXPECT_TRUE(first.hasLevels);
    EXPECT_EQ(first.readings, 2);
    EXPECT_FLOAT_EQ(first.spl, 80.05f);
    EXPECT_FLOAT_EQ(first.leq, 80.05f);
    EXPECT_EQ(f.last.secondsLeft, 99);
}

TEST(LeqMeasurement, EmptySecondsGetARowAndCountInTheLeq)
{
    Feed f(100);
    f.read(0x00, 0);
    f.read(0x00, 800);
    f.read(0x01, 500); // second 00 finished: 80.0
    f.read(0x02, 500); // second 01 had no counted reading
    f.read(0x02, 900);
    f.read(0x03, 500); // second 02 finished: 90.0, third second counted
    ASSERT_EQ(f.rows.size(), 3u);
    EXPECT_FALSE(f.rows[1].hasLevels);
    EXPECT_EQ(f.rows[1].row, 2);
    EXPECT_FLOAT_EQ(f.rows[2].spl, 90.0f);
    // n = 3: 10 log10(2/3 * 10^8 + 1/3 * 10^9).
    EXPECT_NEAR(f.rows[2].leq, 86.0206f, 1e-3);

    Feed two(100);
    two.read(0x10, 0);
    two.read(0x10, 800);
    two.read(0x11, 0);
    two.read(0x11, 900);
    two.read(0x12, 0);
    ASSERT_EQ(two.rows.size(), 2u);
    EXPECT_EQ(QString::number(two.rows[1].leq, 'f', 1), "87.4");
}

TEST(LeqMeasurement, DurationAndFailuresEndTheMeasurement)
{
    Feed f(3);
    f.read(0x00, 600);
    for (std::uint8_t tag = 1; tag <= 3; ++tag) {
        f.read(tag - 1, 600);
        f.read(tag, 600);
    }
    EXPECT_TRUE(f.last.durationReached);
    EXPECT_EQ(f.last.secondsLeft, 0);
    EXPECT_EQ(LeqMeasurement::timeLeftText(0), "0:0:0");
    EXPECT_EQ(LeqMeasurement::timeLeftText(3725), "1:2:5");

    Feed g(100);
    for (int i = 0; i < 50; ++i) {
        g.fail();
        EXPECT_FALSE(g.last.failedOut);
        g.read(0x00, 600); // good reads in between do not reset the count
    }
    g.fail();
    EXPECT_TRUE(g.last.failedOut);
    EXPECT_TRUE(g.last.logLine.isEmpty());
}

// A reply whose level the meter cannot show (a garbled level byte) is a failed read: it is
// neither logged nor averaged, and counts toward the 51 that end the measurement.
TEST(LeqMeasurement, ALevelTheMeterCannotShowIsAFailedRead)
{
    const struct {
        int tenths;
        bool possible;
    } cases[] = {{0, true}, {650, true}, {1400, true}, {1401, false}, {6485 * 10 + 0, false}, {0xFD8A, false}, {0xFFFF, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tenths);
        Feed f(10);
        f.read(0x00, 600);
        f.read(0x00, 600);
        f.read(0x00, c.tenths);
        EXPECT_EQ(f.last.readFailed, !c.possible);
        EXPECT_EQ(f.last.logLine.isEmpty(), !c.possible);
        EXPECT_EQ(f.m.state().ReadFailures, c.possible ? 0 : 1);
        f.read(0x01, 600);
        ASSERT_EQ(f.rows.size(), 1u);
        // Only the possible level is averaged into the second.
        EXPECT_EQ(f.rows[0].readings, c.possible ? 2 : 1);
        if (!c.possible)
            EXPECT_FLOAT_EQ(f.rows[0].spl, 60.0f);
    }

    // Fifty are survived, the 51st ends the measurement with "LEQ fail".
    Feed g(100);
    g.read(0x00, 600);
    for (int i = 0; i < 50; ++i) {
        g.read(0x00, 64850);
        EXPECT_FALSE(g.last.failedOut);
    }
    g.read(0x00, 64850);
    EXPECT_TRUE(g.last.failedOut);
}

TEST(LeqMeasurement, UnreadableMeterClockGivesTheComputersTime)
{
    QString date, time;
    double when = 0;
    LeqReply r = reply(0x05, 600);
    r[19] = 0x1A; // month
    LeqMeasurement::readingTexts(r, kNow, date, time, &when);
    EXPECT_EQ(date, formatShortDate(kNow.date()));
    EXPECT_EQ(time, formatLongTime(kNow.time()));
    EXPECT_DOUBLE_EQ(when, toDays(kNow));

    r = reply(0x05, 600);
    r[20] = 0x31; // 31 December is fine, 31 of month 12 ... and month 02 is not
    r[19] = 0x02;
    LeqMeasurement::readingTexts(r, kNow, date, time, &when);
    EXPECT_EQ(time, formatLongTime(kNow.time()));
}

// A tick over the link reads the computer's time (which stands in for a meter clock it cannot
// read) before its exchange: a slow reply that ends in the next second does not move the
// reading into it.
TEST(LeqMeasurement, AReadingIsTimedWhenItsExchangeBegan)
{
    test::ScopedDataDir dir;
    ManualClock clock(QDateTime(QDate(2026, 12, 10), QTime(14, 0, 7, 950)));
    test::ScopedClock clockGuard(clock);
    SimulatedTransport transport(std::make_unique<SimulatedMeter>(QString(), 2));
    transport.faults.alterByteIndex = 15; // the meter's seconds byte is not BCD
    transport.faults.alterByteValue = 0xAA;
    transport.faults.delayMsPerExchange = 80; // within the 100 ms time-out, into the next second
    MeterLink link(transport);
    openLeqLink(link);
    LeqMeasurement m;
    m.start(10);
    const LeqTick t = leqExchange(link, m, nullptr);
    ASSERT_FALSE(t.readFailed);
    EXPECT_EQ(m.state().LastTimeText, formatLongTime(QTime(14, 0, 7)));
    EXPECT_DOUBLE_EQ(m.state().LastWhen, toDays(QDateTime(QDate(2026, 12, 10), QTime(14, 0, 7))));
}

} // namespace
