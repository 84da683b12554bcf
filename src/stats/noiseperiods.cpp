#include "stats/noiseperiods.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quedral {

namespace {

constexpr long long kDayMs = 86400000;

long long msOf(double days) { return std::llround(days * static_cast<double>(kDayMs)); }
long long floorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
long long ceilDiv(long long a, long long b) { return -floorDiv(-a, b); }

// Gathers one block's samples; its percentiles come from a histogram shared by all blocks, the
// block's levels being taken back out once it is done.
class BlockBuilder {
public:
    void start(double startDays)
    {
        m_block = NoiseBlock{};
        m_block.start = startDays;
        m_levels.clear();
        m_energy = 0;
    }
    void add(float level)
    {
        if (!isCountedLevel(level)) {
            ++m_block.missing;
            return;
        }
        ++m_block.samples;
        m_energy += levelEnergy(level);
        m_levels.push_back(level);
    }
    bool empty() const { return m_block.samples == 0 && m_block.missing == 0; }
    NoiseBlock finish()
    {
        if (m_block.samples > 0) {
            const auto [lo, hi] = std::minmax_element(m_levels.begin(), m_levels.end());
            m_block.lmax = *hi;
            m_block.lmin = *lo;
            m_block.leq = levelOfEnergy(m_energy, static_cast<double>(m_block.samples));
            for (const float l : m_levels)
                m_histogram.add(l);
            const int low = LevelHistogram::classOf(*lo), high = LevelHistogram::classOf(*hi);
            static constexpr double kNs[] = {10, 90};
            double l[2];
            m_histogram.percentiles(kNs, low, high, l);
            m_block.l10 = l[0];
            m_block.l90 = l[1];
            for (const float l : m_levels)
                m_histogram.remove(l);
        }
        return m_block;
    }

private:
    NoiseBlock m_block;
    std::vector<float> m_levels;
    double m_energy = 0;
    LevelHistogram m_histogram;
};

} // namespace

int blockSeconds(BlockLength length)
{
    switch (length) {
    case BlockLength::Minute1:
        return 60;
    case BlockLength::Minutes5:
        return 300;
    case BlockLength::Minutes15:
        return 900;
    case BlockLength::Hour1:
        return 3600;
    case BlockLength::Day1:
        return 86400;
    }
    return 60;
}

std::optional<BlockLength> blockLengthNamed(const char* name)
{
    static const struct {
        const char* name;
        BlockLength length;
    } kNames[] = {{"1min", BlockLength::Minute1}, {"5min", BlockLength::Minutes5}, {"15min", BlockLength::Minutes15},
                  {"1h", BlockLength::Hour1},     {"1d", BlockLength::Day1}};
    for (const auto& n : kNames)
        if (std::strcmp(n.name, name) == 0)
            return n.length;
    return std::nullopt;
}

std::vector<NoiseBlock> blockStatistics(const LevelSeries& series, SampleSpan span, BlockLength length)
{
    std::vector<NoiseBlock> blocks;
    const std::size_t end = std::min({span.end, series.levels.size(), series.times.size()});
    const long long lengthMs = static_cast<long long>(blockSeconds(length)) * 1000;
    if (span.begin < end) {
        const long long blocksSpanned = (msOf(series.times[end - 1]) - msOf(series.times[span.begin])) / lengthMs + 2;
        blocks.reserve(static_cast<std::size_t>(std::clamp<long long>(blocksSpanned, 1, static_cast<long long>(end - span.begin))));
    }
    BlockBuilder builder;
    long long from = 0, to = 0; // the current block, in ms
    for (std::size_t i = span.begin; i < end; ++i) {
        const long long ms = msOf(series.times[i]);
        if (builder.empty() || ms < from || ms >= to) {
            if (!builder.empty())
                blocks.push_back(builder.finish());
            from = floorDiv(ms, lengthMs) * lengthMs;
            to = from + lengthMs;
            builder.start(static_cast<double>(from) / static_cast<double>(kDayMs));
        }
        builder.add(series.levels[i]);
    }
    if (!builder.empty())
        blocks.push_back(builder.finish());
    return blocks;
}

bool LdenPeriods::valid() const
{
    return dayStart >= 0 && dayStart < eveningStart && eveningStart <= nightStart && nightStart <= 24
        && nightStart - dayStart < 24;
}

double ldenOf(double ld, std::optional<double> le, double ln, const LdenPeriods& p)
{
    const double dayHours = p.eveningStart - p.dayStart;
    const double eveningHours = p.nightStart - p.eveningStart;
    const double nightHours = 24.0 - (p.nightStart - p.dayStart);
    double sum = dayHours * levelEnergy(ld + p.dayPenalty) + nightHours * levelEnergy(ln + p.nightPenalty);
    if (eveningHours > 0 && le)
        sum += eveningHours * levelEnergy(*le + p.eveningPenalty);
    return levelOfEnergy(sum, 24.0);
}

std::optional<LdenResult> ldenOverWholeDays(const LevelSeries& series, SampleSpan span, const LdenPeriods& p)
{
    const std::size_t end = std::min({span.end, series.levels.size(), series.times.size()});
    if (span.begin >= end || !p.valid())
        return std::nullopt;
    const long long firstDay = ceilDiv(msOf(series.times[span.begin]), kDayMs);
    const long long endDay = floorDiv(msOf(series.times[end - 1]) + std::llround(series.interval * 1000.0), kDayMs);
    if (endDay <= firstDay)
        return std::nullopt;
    const long long dayFrom = std::llround(p.dayStart * 3600000.0);
    const long long eveningFrom = std::llround(p.eveningStart * 3600000.0);
    const long long nightFrom = std::llround(p.nightStart * 3600000.0);
    double energy[3] = {0, 0, 0}; // day, evening, night
    std::int64_t count[3] = {0, 0, 0};
    for (std::size_t i = span.begin; i < end; ++i) {
        const long long ms = msOf(series.times[i]);
        const long long day = floorDiv(ms, kDayMs);
        if (day < firstDay || day >= endDay || !isCountedLevel(series.levels[i]))
            continue;
        const long long inDay = ms - day * kDayMs;
        const int period = (inDay >= dayFrom && inDay < eveningFrom) ? 0 : (inDay >= eveningFrom && inDay < nightFrom) ? 1 : 2;
        energy[period] += levelEnergy(series.levels[i]);
        ++count[period];
    }
    LdenResult r;
    r.firstDay = static_cast<double>(firstDay);
    r.days = static_cast<int>(endDay - firstDay);
    std::optional<double>* levels[3] = {&r.ld, &r.le, &r.ln};
    for (int k = 0; k < 3; ++k)
        if (count[k] > 0)
            *levels[k] = levelOfEnergy(energy[k], static_cast<double>(count[k]));
    const bool eveningNeeded = p.nightStart > p.eveningStart;
    if (r.ld && r.ln && (r.le || !eveningNeeded))
        r.lden = ldenOf(*r.ld, r.le, *r.ln, p);
    return r;
}

} // namespace quedral
