// The running Leq of a long graph (goal: 1,000,000 samples in at most 20 ms), and one tick of
// the live measurement with its exchange with the simulated meter (goal: under 1 ms).
#include <benchmark/benchmark.h>

#include <vector>

#include "stats/leqmath.h"
#include "leq/leqmeasurement.h"
#include "leq/leqrunner.h"
#include "meter/meterlink.h"
#include "meter/simulator/simulatedtransport.h"

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

void BM_LiveLeqTick(benchmark::State& state)
{
    SimulatedTransport transport(std::make_unique<SimulatedMeter>(QString(), 2));
    MeterLink link(transport);
    openLeqLink(link);
    LeqMeasurement measurement;
    measurement.start(86400);
    int n = 0;
    for (auto _ : state) {
        const LeqTick tick = leqExchange(link, measurement, nullptr);
        benchmark::DoNotOptimize(tick);
        if (++n % 1000 == 0)
            transport.clearCalls(); // the simulator's call log is for tests
    }
}
BENCHMARK(BM_LiveLeqTick)->Unit(benchmark::kMicrosecond);

} // namespace
