// The running Leq of a long graph. Goal: 1,000,000 samples in at most 20 ms.
#include <benchmark/benchmark.h>

#include <vector>

#include "leq/leqmath.h"

using namespace quedral;

namespace {

void BM_RunningLeq(benchmark::State& state)
{
    std::vector<float> levels(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < levels.size(); ++i)
        levels[i] = 40.0f + static_cast<float>((i * 7919) % 600) / 10.0f;
    for (auto _ : state) {
        std::vector<float> r = runningLeq(levels.data(), static_cast<std::int64_t>(levels.size()));
        benchmark::DoNotOptimize(r.data());
    }
}
BENCHMARK(BM_RunningLeq)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
