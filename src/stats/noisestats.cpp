#include "stats/noisestats.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace quedral {

namespace {

constexpr double kSecondsPerDay = 86400.0;

std::size_t clampedEnd(const LevelSeries& s, SampleSpan span) { return std::min(span.end, s.levels.size()); }

double timeOf(const LevelSeries& s, std::size_t i) { return i < s.times.size() ? s.times[i] : 0.0; }

} // namespace

int LevelHistogram::classOf(float level)
{
    const long c = std::lround(static_cast<double>(level) * 10.0);
    return static_cast<int>(std::clamp<long>(c, 0, kClasses - 1));
}

std::pair<int, int> LevelHistogram::occupied() const
{
    if (m_total == 0)
        return {0, 0};
    int lowest = 0, highest = kClasses - 1;
    while (m_counts[static_cast<std::size_t>(lowest)] == 0)
        ++lowest;
    while (m_counts[static_cast<std::size_t>(highest)] == 0)
        --highest;
    return {lowest, highest};
}

std::optional<double> LevelHistogram::percentile(double n) const
{
    const auto [lowest, highest] = occupied();
    return percentile(n, lowest, highest);
}

std::optional<double> LevelHistogram::percentile(double n, int lowest, int highest) const
{
    double out = 0;
    if (!percentiles(std::span<const double>(&n, 1), lowest, highest, std::span<double>(&out, 1)))
        return std::nullopt;
    return out;
}

bool LevelHistogram::percentiles(std::span<const double> ns, int lowest, int highest, std::span<double> out) const
{
    if (m_total == 0)
        return false;
    // Walking down from the top, "above x" grows by the count of class x once x is passed: Ln
    // is the first class whose own samples would push the share above n %. A larger n is met
    // further down, so one walk serves them all.
    // The most samples each Ln may have above it: the largest m with m x 100 <= n x total.
    constexpr std::size_t kAtOnce = 8;
    std::int64_t most[kAtOnce];
    const std::size_t count = std::min(ns.size(), kAtOnce);
    for (std::size_t i = 0; i < count; ++i) {
        const double allowed = std::clamp(ns[i], 0.0, 100.0) * static_cast<double>(m_total);
        auto m = static_cast<std::int64_t>(allowed / 100.0);
        while (static_cast<double>(m + 1) * 100.0 <= allowed)
            ++m;
        while (m > 0 && static_cast<double>(m) * 100.0 > allowed)
            --m;
        most[i] = m;
    }
    std::size_t k = 0;
    std::int64_t above = 0;
    for (int c = highest; c > lowest && k < count; --c) {
        above += m_counts[static_cast<std::size_t>(c)];
        while (k < count && above > most[k])
            out[k++] = levelOf(c);
    }
    for (; k < count; ++k)
        out[k] = levelOf(lowest);
    for (std::size_t i = count; i < ns.size(); ++i) // more than a walk takes at once
        out[i] = *percentile(ns[i], lowest, highest);
    return true;
}

SampleSpan spanOfTimes(std::span<const double> times, std::optional<double> from, std::optional<double> to)
{
    SampleSpan s{0, times.size()};
    if (from)
        s.begin = static_cast<std::size_t>(std::lower_bound(times.begin(), times.end(), *from) - times.begin());
    if (to)
        s.end = static_cast<std::size_t>(std::lower_bound(times.begin(), times.end(), *to) - times.begin());
    s.end = std::max(s.begin, s.end);
    return s;
}

double typicalInterval(std::span<const double> times)
{
    constexpr std::size_t kLooked = 4096;
    std::map<long long, int> steps;
    for (std::size_t i = 1; i < times.size() && i <= kLooked; ++i) {
        const long long ms = std::llround((times[i] - times[i - 1]) * kSecondsPerDay * 1000.0);
        if (ms > 0)
            ++steps[ms];
    }
    if (steps.empty())
        return 1.0;
    const auto most = std::max_element(steps.begin(), steps.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    return static_cast<double>(most->first) / 1000.0;
}

double soundExposureLevel(double leq, double seconds) { return leq + 10.0 * std::log10(seconds); }

NoiseStatistics computeNoiseStatistics(const LevelSeries& series, SampleSpan span, std::optional<double> n)
{
    NoiseStatistics out;
    out.interval = series.interval;
    const std::size_t end = clampedEnd(series, span);
    double energy = 0, sum = 0;
    float maxLevel = 0, minLevel = 0;
    std::size_t maxAt = 0, minAt = 0;
    for (std::size_t i = span.begin; i < end; ++i) {
        const float l = series.levels[i];
        if (!isCountedLevel(l)) {
            ++out.missing;
            continue;
        }
        if (out.samples == 0 || l > maxLevel) {
            maxLevel = l;
            maxAt = i;
        }
        if (out.samples == 0 || l < minLevel) {
            minLevel = l;
            minAt = i;
        }
        ++out.samples;
        energy += levelEnergy(l);
        sum += l;
        out.histogram.add(l);
    }
    if (out.samples == 0)
        return out;
    const double count = static_cast<double>(out.samples);
    out.leq = levelOfEnergy(energy, count);
    out.le = soundExposureLevel(*out.leq, out.duration());
    out.mean = sum / count;
    out.lmax = LevelAt{maxLevel, timeOf(series, maxAt)};
    out.lmin = LevelAt{minLevel, timeOf(series, minAt)};
    static constexpr double kNs[] = {5, 10, 50, 90, 95};
    double l[5];
    const int low = LevelHistogram::classOf(minLevel), high = LevelHistogram::classOf(maxLevel);
    out.histogram.percentiles(kNs, low, high, l);
    out.l5 = l[0];
    out.l10 = l[1];
    out.l50 = l[2];
    out.l90 = l[3];
    out.l95 = l[4];
    if (n)
        out.ln = out.histogram.percentile(*n, low, high);
    return out;
}

double timeAbove(const LevelSeries& series, SampleSpan span, double threshold)
{
    std::int64_t above = 0;
    const std::size_t end = clampedEnd(series, span);
    for (std::size_t i = span.begin; i < end; ++i) {
        const float l = series.levels[i];
        above += isCountedLevel(l) && l > threshold;
    }
    return static_cast<double>(above) * series.interval;
}

namespace {

// Closes the run first .. first + count - 1 as an event when it lasts long enough.
void closeRun(const LevelSeries& s, std::size_t first, std::size_t count, double energy, float lmax,
              double minDuration, std::vector<NoiseEvent>& events)
{
    if (count == 0)
        return;
    const double duration = static_cast<double>(count) * s.interval;
    if (duration < minDuration)
        return;
    NoiseEvent e;
    e.first = first;
    e.count = count;
    e.start = timeOf(s, first);
    e.duration = duration;
    e.lmax = lmax;
    e.leq = levelOfEnergy(energy, static_cast<double>(count));
    e.le = soundExposureLevel(e.leq, duration);
    events.push_back(e);
}

} // namespace

std::vector<NoiseEvent> findEvents(const LevelSeries& series, SampleSpan span, double threshold, double minDuration)
{
    std::vector<NoiseEvent> events;
    const std::size_t end = clampedEnd(series, span);
    const double maxStep = 1.5 * series.interval / kSecondsPerDay;
    std::size_t first = 0, count = 0;
    double energy = 0;
    float lmax = 0;
    for (std::size_t i = span.begin; i < end; ++i) {
        const float l = series.levels[i];
        const bool above = isCountedLevel(l) && l > threshold;
        const bool paused = count > 0 && i < series.times.size() && timeOf(series, i) - timeOf(series, i - 1) > maxStep;
        if (count > 0 && (!above || paused)) {
            closeRun(series, first, count, energy, lmax, minDuration, events);
            count = 0;
        }
        if (!above)
            continue;
        if (count == 0) {
            first = i;
            energy = 0;
            lmax = l;
        }
        ++count;
        energy += levelEnergy(l);
        lmax = std::max(lmax, l);
    }
    closeRun(series, first, count, energy, lmax, minDuration, events);
    return events;
}

} // namespace quedral
