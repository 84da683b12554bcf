#pragma once
// Noise statistics over a span of a series of levels: the energy-based figures (Leq, LE), the
// extremes with their times, the arithmetic mean, percentile levels over 0.1 dB classes, the
// time above a threshold and the events above it. Pure functions over the samples.
//
// A sample counts when its level is a measurement: above 0 dB and at most 200 dB. The others
// are missing: the chart's null (9999, any level above 200 dB, a NaN) and the 0.0 the decode
// writes for a level outside the meter's range.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace quedral {

// True when the level is a measurement (see above); NaN is not.
inline bool isCountedLevel(float level) { return level > 0.0f && level <= 200.0f; }

// A level's energy, 10^(L/10), and the level of a sum of energies over count samples,
// 10 log10(energy / count): the energy mean every Leq here is made of.
inline double levelEnergy(double level)
{
    constexpr double kTenthLn10 = 0.23025850929940456840; // ln(10) / 10
    return std::exp(kTenthLn10 * level);
}
inline double levelOfEnergy(double energy, double count) { return 10.0 * std::log10(energy / count); }

// The samples: times (days since 30 Dec 1899, ascending) and levels (dB), one per sample, and
// the time each sample stands for (the recording interval, seconds).
struct LevelSeries {
    std::span<const double> times;
    std::span<const float> levels;
    double interval = 1.0;
};

// Samples begin .. end - 1 of a series; the end is clamped to the series.
struct SampleSpan {
    std::size_t begin = 0;
    std::size_t end = std::numeric_limits<std::size_t>::max();
};

// The samples whose time lies in [from, to) (days); either end may be left open.
SampleSpan spanOfTimes(std::span<const double> times, std::optional<double> from, std::optional<double> to);

// The usual step between consecutive times, in seconds rounded to the millisecond: the most
// common one among the first steps; 1 s when there are fewer than two samples.
double typicalInterval(std::span<const double> times);

// Counts of levels in 0.1 dB classes, 0.0 to 200.0 dB: a level belongs to the class nearest to it.
class LevelHistogram {
public:
    static constexpr int kClasses = 2001;
    static int classOf(float level);
    static double levelOf(int cls) { return cls / 10.0; }

    void add(float level) { ++m_counts[static_cast<std::size_t>(classOf(level))]; ++m_total; }
    // Takes back a level added before.
    void remove(float level) { --m_counts[static_cast<std::size_t>(classOf(level))]; --m_total; }
    std::int64_t total() const { return m_total; }
    std::int64_t count(int cls) const { return m_counts[static_cast<std::size_t>(cls)]; }
    // Ln, the level exceeded n % of the time: the lowest class level x such that the share of
    // samples above x is at most n %. No value for an empty histogram. n outside 0 .. 100 is
    // taken as 0 or 100 (the highest or the lowest class).
    std::optional<double> percentile(double n) const;
    // The same when every level lies in classes lowest .. highest (a short walk).
    std::optional<double> percentile(double n, int lowest, int highest) const;
    // Several Ln in one walk, n in ascending order: out[i] is Ln for ns[i]. Nothing written for
    // an empty histogram (false).
    bool percentiles(std::span<const double> ns, int lowest, int highest, std::span<double> out) const;
    // The lowest and the highest class holding a level (0 and 0 when empty).
    std::pair<int, int> occupied() const;

private:
    std::array<std::int64_t, kClasses> m_counts{};
    std::int64_t m_total = 0;
};

struct LevelAt {
    double level = 0;
    double time = 0; // days
};

// Everything over one span. Level values are absent when no sample counts.
struct NoiseStatistics {
    std::int64_t samples = 0; // counted
    std::int64_t missing = 0; // null or out of range
    double interval = 1.0;    // seconds per sample
    std::optional<double> leq;  // 10 log10(mean of 10^(L/10))
    std::optional<double> le;   // Leq + 10 log10(T / 1 s), T = samples x interval
    std::optional<double> mean; // arithmetic mean of the levels
    std::optional<LevelAt> lmax, lmin; // the first of equal extremes
    std::optional<double> l5, l10, l50, l90, l95;
    std::optional<double> ln; // the Ln asked for, if any
    LevelHistogram histogram; // for any other Ln

    double duration() const { return static_cast<double>(samples) * interval; }
};

NoiseStatistics computeNoiseStatistics(const LevelSeries& series, SampleSpan span = {},
                                       std::optional<double> n = std::nullopt);

// LE of a level held for a duration: Leq + 10 log10(T / 1 s).
double soundExposureLevel(double leq, double seconds);

// Seconds during which the level was above the threshold (counted samples only).
double timeAbove(const LevelSeries& series, SampleSpan span, double threshold);

// A run of counted samples above a threshold.
struct NoiseEvent {
    std::size_t first = 0; // index of its first sample
    std::size_t count = 0;
    double start = 0;    // days
    double duration = 0; // seconds: count x interval
    double lmax = 0;
    double leq = 0;
    double le = 0;
};

// The events: each longest run of consecutive samples above the threshold, lasting at least
// minDuration seconds. A missing sample, or a pause in the times longer than one and a half
// intervals, ends a run.
std::vector<NoiseEvent> findEvents(const LevelSeries& series, SampleSpan span, double threshold, double minDuration);

} // namespace quedral
