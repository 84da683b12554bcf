// Decoding a full memory image of 256 KiB: 4000 short data sets, or a few long ones with about
// 130,000 samples. Goal: at most 1 ms.
#include <benchmark/benchmark.h>

#include "logger/datasets.h"
#include "logger/download.h"
#include "meter/meterlink.h"
#include "meter/simulator/simulatedtransport.h"
#include "meter/simulator/simulatedmemory.h"

using namespace quedral;

namespace {

MemoryImage fullImage(int setCount)
{
    std::vector<LoggedSet> sets;
    const QDateTime start(QDate(2026, 6, 1), QTime(8, 0, 0));
    const int perSet = (262144 - 256) / setCount / 2 - 13; // samples that fill the memory
    for (int s = 0; s < setCount; ++s) {
        LoggedSet set{start.addSecs(s * 600), 1 + s % 60, static_cast<std::uint8_t>(s & 0x0F), "00000000", {}};
        for (int k = 0; k < perSet; ++k)
            set.tenths.push_back(static_cast<std::uint16_t>(450 + (k * 37 + s) % 400));
        sets.push_back(std::move(set));
    }
    return encodeMemoryImage(sets);
}

void BM_DecodeFullMemory(benchmark::State& state)
{
    const MemoryImage image = fullImage(static_cast<int>(state.range(0)));
    const QDateTime now = QDateTime::currentDateTime();
    std::int64_t samples = 0;
    for (auto _ : state) {
        DecodeResult r = decodeMemoryImage(image, lastAddressOf(image), now);
        samples = static_cast<std::int64_t>(r.store->Levels.size());
        benchmark::DoNotOptimize(r);
    }
    state.counters["bytes"] = static_cast<double>(image.size());
    state.counters["samples"] = static_cast<double>(samples);
}
BENCHMARK(BM_DecodeFullMemory)->Arg(4000)->Arg(100)->Unit(benchmark::kMillisecond);

// The table texts of all 4000 sets (built when the table is filled).
void BM_TableTexts(benchmark::State& state)
{
    const MemoryImage image = fullImage(4000);
    const DecodeResult r = decodeMemoryImage(image, lastAddressOf(image), QDateTime::currentDateTime());
    for (auto _ : state)
        for (int n = 0; n < r.store->size(); ++n)
            benchmark::DoNotOptimize(dataSetRow(r, n));
}
BENCHMARK(BM_TableTexts)->Unit(benchmark::kMillisecond);

// A whole download from the simulated meter with no injected delay: 8192 block exchanges.
// Goal: at most 20 us of our own time per block.
void BM_DownloadFullMemory(benchmark::State& state)
{
    SimulatedTransport transport(std::make_unique<SimulatedMeter>(QString(), 1));
    transport.meter().setMemory(fullMemoryLoggedSets());
    MeterLink link(transport);
    for (auto _ : state) {
        transport.clearCalls();
        const DownloadResult r = downloadMemory(link);
        if (r.code != DownloadCode::Ok)
            state.SkipWithError("download failed");
        benchmark::DoNotOptimize(r.image.data());
    }
    state.counters["per_block"] =
        benchmark::Counter(8192, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
                           benchmark::Counter::kIs1000);
}
BENCHMARK(BM_DownloadFullMemory)->Unit(benchmark::kMillisecond);

} // namespace
