// The noise statistics of a long recording: a million samples at one a second (11.6 days),
// every figure the statistics panel shows, and the per-period tables. Goal: all statistics of
// 1,000,000 samples, percentiles included, in at most 50 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "stats/noiseperiods.h"
#include "stats/noisestats.h"

using namespace quedral;

namespace {

constexpr std::size_t kSamples = 1000000;

struct Recording {
    std::vector<double> times;
    std::vector<float> levels;
    Recording()
    {
        std::mt19937 rng(7);
        std::normal_distribution<float> noise(0.0f, 6.0f);
        times.reserve(kSamples);
        levels.reserve(kSamples);
        for (std::size_t i = 0; i < kSamples; ++i) {
            times.push_back(46023.0 + static_cast<double>(i) / 86400.0);
            // Meter levels: tenths of a dB, now and then a null or an out-of-range 0.0.
            const float l = std::round((55.0f + noise(rng)) * 10.0f) / 10.0f;
            levels.push_back(i % 10007 == 0 ? 9999.0f : i % 10009 == 0 ? 0.0f : l);
        }
    }
    LevelSeries view() const { return {times, levels, 1.0}; }
};

const Recording& recording()
{
    static const Recording r;
    return r;
}

// Everything of one span: Leq, LE, extremes, mean, L5 .. L95 and a user's Ln, the time above and
// the events over a threshold.
void BM_AllStatistics(benchmark::State& state)
{
    const LevelSeries s = recording().view();
    for (auto _ : state) {
        const NoiseStatistics st = computeNoiseStatistics(s, {}, 33.0);
        benchmark::DoNotOptimize(st.leq);
        benchmark::DoNotOptimize(timeAbove(s, {}, 65.0));
        benchmark::DoNotOptimize(findEvents(s, {}, 65.0, 3.0).size());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSamples));
}
BENCHMARK(BM_AllStatistics)->Unit(benchmark::kMillisecond);

void BM_Blocks(benchmark::State& state)
{
    const LevelSeries s = recording().view();
    const BlockLength length = static_cast<BlockLength>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(blockStatistics(s, {}, length).size());
}
BENCHMARK(BM_Blocks)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_Lden(benchmark::State& state)
{
    const LevelSeries s = recording().view();
    for (auto _ : state)
        benchmark::DoNotOptimize(ldenOverWholeDays(s, {}));
}
BENCHMARK(BM_Lden)->Unit(benchmark::kMillisecond);

} // namespace
