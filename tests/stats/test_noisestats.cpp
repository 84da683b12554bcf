// The noise statistics engine: known answers for the energy figures and the percentile levels,
// which samples count, events, time above a threshold, clock-aligned blocks and Lden.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "stats/noiseperiods.h"
#include "stats/noisestats.h"

using namespace quedral;

namespace {

constexpr double kSec = 1.0 / 86400.0;
constexpr double kDay0 = 46023.0; // 2026-01-01 00:00 local

// Samples `interval` seconds apart from `start` (days).
struct Series {
    std::vector<double> times;
    std::vector<float> levels;
    double interval = 1.0;
    Series(std::vector<float> l, double iv = 1.0, double start = kDay0 + 0.5) : levels(std::move(l)), interval(iv)
    {
        for (std::size_t i = 0; i < levels.size(); ++i)
            times.push_back(start + static_cast<double>(i) * iv * kSec);
    }
    LevelSeries view() const { return {times, levels, interval}; }
};

std::vector<float> repeat(float level, int n) { return std::vector<float>(static_cast<std::size_t>(n), level); }
std::vector<float> operator+(std::vector<float> a, const std::vector<float>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
std::vector<float> tenthsFrom40To49_9()
{
    std::vector<float> v;
    for (int t = 400; t < 500; ++t)
        v.push_back(static_cast<float>(t) / 10.0f);
    return v;
}

} // namespace

TEST(NoiseStatistics, EnergyFiguresHaveTheirKnownAnswers)
{
    struct Case {
        const char* what;
        std::vector<float> levels;
        double interval;
        double leq, le;
    };
    const Case cases[] = {
        {"65 dB x 100", repeat(65.0f, 100), 1.0, 65.00, 85.00},
        {"60 and 70", {60.0f, 70.0f}, 1.0, 67.40, 70.41},
        {"50 x 99 and one 90", repeat(50.0f, 99) + std::vector<float>{90.0f}, 1.0, 70.04, 90.04},
        {"80 dB for 10 s", repeat(80.0f, 10), 1.0, 80.00, 90.00},
        {"80 dB for 1 h in seconds", repeat(80.0f, 3600), 1.0, 80.00, 115.56},
        {"80 dB for 1 h as one sample", {80.0f}, 3600.0, 80.00, 115.56},
        {"80 dB for 10 s at half a second", repeat(80.0f, 20), 0.5, 80.00, 90.00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Series s(c.levels, c.interval);
        const NoiseStatistics st = computeNoiseStatistics(s.view());
        ASSERT_TRUE(st.leq && st.le);
        EXPECT_NEAR(*st.leq, c.leq, 0.005);
        EXPECT_NEAR(*st.le, c.le, 0.005);
    }
}

TEST(NoiseStatistics, PercentilesAreExactOverTenthClasses)
{
    struct Case {
        const char* what;
        std::vector<float> levels;
        double n, expected;
    };
    const std::vector<float> tenths = tenthsFrom40To49_9();
    const Case cases[] = {
        {"L10 of 40.0 .. 49.9", tenths, 10, 48.9},
        {"L50 of 40.0 .. 49.9", tenths, 50, 44.9},
        {"L90 of 40.0 .. 49.9", tenths, 90, 40.9},
        {"L5 of 40.0 .. 49.9", tenths, 5, 49.4},
        {"L95 of 40.0 .. 49.9", tenths, 95, 40.4},
        {"L0 is the highest class", tenths, 0, 49.9},
        {"L100 is the lowest class", tenths, 100, 40.0},
        {"a user's n between classes", tenths, 33.3, 46.6},
        {"one loud sample is L1 but not L0.9", repeat(50.0f, 99) + std::vector<float>{90.0f}, 1, 50.0},
        {"one loud sample is L0.9", repeat(50.0f, 99) + std::vector<float>{90.0f}, 0.9, 90.0},
        {"a single sample", {63.2f}, 50, 63.2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Series s(c.levels);
        const NoiseStatistics st = computeNoiseStatistics(s.view(), {}, c.n);
        ASSERT_TRUE(st.ln);
        EXPECT_NEAR(*st.ln, c.expected, 1e-9);
    }
    const NoiseStatistics st = computeNoiseStatistics(Series(tenths).view());
    EXPECT_NEAR(*st.l10, 48.9, 1e-9);
    EXPECT_NEAR(*st.l50, 44.9, 1e-9);
    EXPECT_NEAR(*st.l90, 40.9, 1e-9);
    EXPECT_NEAR(*st.l5, 49.4, 1e-9);
    EXPECT_NEAR(*st.l95, 40.4, 1e-9);
}

TEST(NoiseStatistics, PercentilesNeverCrossOnRandomData)
{
    std::mt19937 rng(20);
    std::uniform_real_distribution<float> level(20.0f, 140.0f);
    std::uniform_int_distribution<int> size(1, 3000);
    for (int round = 0; round < 200; ++round) {
        std::vector<float> v(static_cast<std::size_t>(size(rng)));
        // Some rounds cluster the levels so that classes repeat.
        const bool clustered = round % 2 == 0;
        for (float& l : v)
            l = clustered ? std::round(level(rng) / 10.0f) * 10.0f : level(rng);
        const NoiseStatistics st = computeNoiseStatistics(Series(v).view());
        ASSERT_TRUE(st.l5 && st.l95);
        EXPECT_GE(*st.l5, *st.l10);
        EXPECT_GE(*st.l10, *st.l50);
        EXPECT_GE(*st.l50, *st.l90);
        EXPECT_GE(*st.l90, *st.l95);
        EXPECT_LE(*st.l5, st.lmax->level + 0.05);
        EXPECT_GE(*st.l95, st.lmin->level - 0.05);
    }
}

TEST(NoiseStatistics, NullAndOutOfRangeSamplesAreMissingNotZero)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // 60 and 70 between the chart's null, the decode's 0.0 for out of range, and a NaN.
    const Series s({9999.0f, 60.0f, 0.0f, nan, 70.0f, 250.0f, -3.0f});
    const NoiseStatistics st = computeNoiseStatistics(s.view());
    EXPECT_EQ(st.samples, 2);
    EXPECT_EQ(st.missing, 5);
    EXPECT_NEAR(*st.leq, 67.40, 0.005);
    EXPECT_NEAR(*st.le, 67.40 + 10 * std::log10(2.0), 0.005) << "T counts the counted samples only";
    EXPECT_NEAR(*st.mean, 65.0, 1e-9);
    EXPECT_FLOAT_EQ(st.lmin->level, 60.0f);
    EXPECT_NEAR(st.lmin->time, s.times[1], 1e-12);
    EXPECT_FLOAT_EQ(st.lmax->level, 70.0f);
    EXPECT_NEAR(st.lmax->time, s.times[4], 1e-12);

    const NoiseStatistics none = computeNoiseStatistics(Series({9999.0f, 0.0f}).view());
    EXPECT_EQ(none.samples, 0);
    EXPECT_EQ(none.missing, 2);
    EXPECT_FALSE(none.leq || none.le || none.mean || none.lmax || none.lmin || none.l50);
}

TEST(NoiseStatistics, ExtremesAndSpans)
{
    const Series s({50.0f, 72.0f, 41.0f, 72.0f, 41.0f, 60.0f});
    const NoiseStatistics all = computeNoiseStatistics(s.view());
    EXPECT_NEAR(all.lmax->time, s.times[1], 1e-12) << "the first of equal maxima";
    EXPECT_NEAR(all.lmin->time, s.times[2], 1e-12) << "the first of equal minima";
    EXPECT_NEAR(*all.mean, 56.0, 1e-9);

    // A span: samples 3 .. 5 only.
    const NoiseStatistics part = computeNoiseStatistics(s.view(), SampleSpan{3, 6});
    EXPECT_EQ(part.samples, 3);
    EXPECT_NEAR(part.lmax->time, s.times[3], 1e-12);
    EXPECT_NEAR(part.lmin->time, s.times[4], 1e-12);
    EXPECT_EQ(computeNoiseStatistics(s.view(), SampleSpan{4, 100}).samples, 2) << "the end is clamped";

    // Times: [from, to).
    const SampleSpan t = spanOfTimes(s.times, s.times[1], s.times[4]);
    EXPECT_EQ(t.begin, 1u);
    EXPECT_EQ(t.end, 4u);
    EXPECT_EQ(spanOfTimes(s.times, std::nullopt, s.times[2]).begin, 0u);
    EXPECT_EQ(spanOfTimes(s.times, s.times[2], std::nullopt).end, 6u);
    const SampleSpan empty = spanOfTimes(s.times, s.times[4], s.times[1]);
    EXPECT_EQ(empty.begin, empty.end);
}

TEST(NoiseStatistics, TypicalIntervalIsTheCommonStep)
{
    EXPECT_DOUBLE_EQ(typicalInterval(Series(repeat(60, 50), 0.5).times), 0.5);
    EXPECT_DOUBLE_EQ(typicalInterval(Series(repeat(60, 50), 60).times), 60.0);
    Series paused(repeat(60, 50), 2.0);
    for (std::size_t i = 20; i < paused.times.size(); ++i)
        paused.times[i] += 0.1; // a pause of 2.4 hours
    EXPECT_DOUBLE_EQ(typicalInterval(paused.times), 2.0);
    EXPECT_DOUBLE_EQ(typicalInterval(Series({60.0f}).times), 1.0);
}

TEST(NoiseEvents, RunsAboveTheThresholdLongEnough)
{
    const std::vector<float> levels{50, 71, 72, 80, 50, 75, 50, 90, 91, 9999, 92, 93, 94, 50};
    const Series s(levels);
    struct Case {
        const char* what;
        double threshold, minDuration;
        std::vector<std::size_t> firsts, counts;
    };
    const Case cases[] = {
        {"every run", 70, 0, {1, 5, 7, 10}, {3, 1, 2, 3}},
        {"at least 2 s", 70, 2, {1, 7, 10}, {3, 2, 3}},
        {"at least 3 s; the null splits 90 .. 94", 70, 3, {1, 10}, {3, 3}},
        {"equal to the threshold is not above", 80, 0, {7, 10}, {2, 3}},
        {"nothing above", 100, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<NoiseEvent> e = findEvents(s.view(), {}, c.threshold, c.minDuration);
        std::vector<std::size_t> firsts, counts;
        for (const NoiseEvent& x : e) {
            firsts.push_back(x.first);
            counts.push_back(x.count);
        }
        EXPECT_EQ(firsts, c.firsts);
        EXPECT_EQ(counts, c.counts);
    }
    const std::vector<NoiseEvent> e = findEvents(s.view(), {}, 70, 3);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_NEAR(e[0].start, s.times[1], 1e-12);
    EXPECT_DOUBLE_EQ(e[0].duration, 3.0);
    EXPECT_DOUBLE_EQ(e[0].lmax, 80.0);
    EXPECT_NEAR(e[0].leq, 10 * std::log10((std::pow(10, 7.1) + std::pow(10, 7.2) + 1e8) / 3), 1e-9);
    EXPECT_NEAR(e[0].le, e[0].leq + 10 * std::log10(3.0), 1e-9);

    // A pause in the times ends an event as a missing sample does.
    Series paused(repeat(80, 6));
    for (std::size_t i = 3; i < 6; ++i)
        paused.times[i] += 10 * kSec;
    EXPECT_EQ(findEvents(paused.view(), {}, 70, 0).size(), 2u);
}

TEST(NoiseEvents, TimeAboveCountsSamplesAboveOnly)
{
    const Series s({50, 71, 9999, 0, 80, 70}, 0.5);
    EXPECT_DOUBLE_EQ(timeAbove(s.view(), {}, 70), 1.0);
    EXPECT_DOUBLE_EQ(timeAbove(s.view(), {}, 40), 2.0);
    EXPECT_DOUBLE_EQ(timeAbove(s.view(), SampleSpan{0, 2}, 70), 0.5);
}

TEST(NoiseBlocks, BlocksFollowTheClock)
{
    // 10 minutes at 1 s starting 12:02:30, level = the minute of the day's last digit + 50.
    std::vector<float> levels;
    const double start = kDay0 + (12 * 3600 + 2 * 60 + 30) * kSec;
    for (int i = 0; i < 600; ++i)
        levels.push_back(50.0f + static_cast<float>(((12 * 60 + 2) * 60 + 30 + i) / 60 % 10));
    levels[100] = 9999.0f;
    const Series s(levels, 1.0, start);
    struct Case {
        BlockLength length;
        std::size_t blocks;
        double firstStart; // seconds of the day
        std::int64_t firstSamples;
    };
    const Case cases[] = {
        {BlockLength::Minute1, 11, 12 * 3600 + 2 * 60, 30},
        {BlockLength::Minutes5, 3, 12 * 3600, 149},
        {BlockLength::Minutes15, 1, 12 * 3600, 599},
        {BlockLength::Hour1, 1, 12 * 3600, 599},
        {BlockLength::Day1, 1, 0, 599},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(blockSeconds(c.length));
        const std::vector<NoiseBlock> b = blockStatistics(s.view(), {}, c.length);
        ASSERT_EQ(b.size(), c.blocks);
        EXPECT_NEAR(b[0].start, kDay0 + c.firstStart * kSec, 1e-9);
        EXPECT_EQ(b[0].samples, std::min<std::int64_t>(c.firstSamples, 599));
        std::int64_t samples = 0, missing = 0;
        for (const NoiseBlock& x : b) {
            samples += x.samples;
            missing += x.missing;
        }
        EXPECT_EQ(samples, 599);
        EXPECT_EQ(missing, 1);
    }
    // Minute blocks: one level each, so every figure is that level; the 12:04 block misses one.
    const std::vector<NoiseBlock> m = blockStatistics(s.view(), {}, BlockLength::Minute1);
    for (std::size_t k = 0; k < m.size(); ++k) {
        const double level = 50.0 + static_cast<double>((2 + k) % 10);
        EXPECT_NEAR(*m[k].leq, level, 1e-9);
        EXPECT_NEAR(*m[k].lmax, level, 1e-9);
        EXPECT_NEAR(*m[k].lmin, level, 1e-9);
        EXPECT_NEAR(*m[k].l10, level, 1e-9);
        EXPECT_NEAR(*m[k].l90, level, 1e-9);
    }
    EXPECT_EQ(m[2].missing, 1);
    EXPECT_EQ(m[2].samples, 59);
    // Five-minute blocks mix minutes: L10 and L90 from that block alone.
    const std::vector<NoiseBlock> f = blockStatistics(s.view(), {}, BlockLength::Minutes5);
    EXPECT_NEAR(*f[1].lmax, 59.0, 1e-9);
    EXPECT_NEAR(*f[1].lmin, 55.0, 1e-9);
    EXPECT_NEAR(*f[1].l10, 59.0, 1e-9);
    EXPECT_NEAR(*f[1].l90, 55.0, 1e-9);
    // Each block's percentiles from its own samples only: the first block's 60 dB would pull
    // the second's L10 down to 60.
    const Series two(repeat(60.0f, 60) + repeat(70.0f, 7) + repeat(60.0f, 53), 1.0, kDay0);
    const std::vector<NoiseBlock> b2 = blockStatistics(two.view(), {}, BlockLength::Minute1);
    ASSERT_EQ(b2.size(), 2u);
    EXPECT_NEAR(*b2[1].l10, 70.0, 1e-9);
    EXPECT_NEAR(*b2[1].l90, 60.0, 1e-9);
    for (const char* name : {"1min", "5min", "15min", "1h", "1d"})
        EXPECT_TRUE(blockLengthNamed(name)) << name;
    EXPECT_FALSE(blockLengthNamed("2min"));
}

TEST(NoiseLden, KnownAnswersAndWholeDays)
{
    EXPECT_NEAR(ldenOf(60, 60, 60), 66.40, 0.005);
    EXPECT_NEAR(ldenOf(70, 65, 55), 10 * std::log10((12 * 1e7 + 4 * std::pow(10, 7.0) + 8 * std::pow(10, 6.5)) / 24),
                1e-9);
    // Periods as chosen: a 06-22 day, no evening, and other penalties.
    LdenPeriods p;
    p.dayStart = 6;
    p.eveningStart = 22;
    p.nightStart = 22;
    p.nightPenalty = 5;
    EXPECT_TRUE(p.valid());
    EXPECT_NEAR(ldenOf(60, std::nullopt, 60, p), 10 * std::log10((16 * 1e6 + 8 * std::pow(10, 6.5)) / 24), 1e-9);
    EXPECT_FALSE((LdenPeriods{19, 7, 23}.valid()));

    struct Case {
        const char* what;
        double startSeconds; // after kDay0's midnight
        int samples;         // at 60 s
        int days;
    };
    const Case cases[] = {
        {"exactly one day", 0, 1440, 1},
        {"a day and a half from noon", 12 * 3600, 2160, 1},
        {"two days", 0, 2880, 2},
        {"a minute short of a day", 0, 1439, 0},
        {"from 00:00:30, one day and a minute", 30, 1441, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Series s(repeat(60.0f, c.samples), 60.0, kDay0 + c.startSeconds * kSec);
        const std::optional<LdenResult> r = ldenOverWholeDays(s.view(), {});
        if (c.days == 0) {
            EXPECT_FALSE(r);
            continue;
        }
        ASSERT_TRUE(r);
        EXPECT_EQ(r->days, c.days);
        ASSERT_TRUE(r->lden);
        EXPECT_NEAR(*r->lden, 66.40, 0.005);
        EXPECT_NEAR(*r->ld, 60.0, 1e-9);
    }
    // Each period's own level: 70 by day, 65 in the evening, 55 at night.
    std::vector<float> day;
    for (int minute = 0; minute < 1440; ++minute)
        day.push_back(minute >= 7 * 60 && minute < 19 * 60 ? 70.0f : minute >= 19 * 60 && minute < 23 * 60 ? 65.0f : 55.0f);
    const std::optional<LdenResult> r = ldenOverWholeDays(Series(day, 60.0, kDay0).view(), {});
    ASSERT_TRUE(r && r->lden);
    EXPECT_NEAR(*r->ld, 70.0, 1e-9);
    EXPECT_NEAR(*r->le, 65.0, 1e-9);
    EXPECT_NEAR(*r->ln, 55.0, 1e-9);
    EXPECT_NEAR(*r->lden, ldenOf(70, 65, 55), 1e-9);
}
