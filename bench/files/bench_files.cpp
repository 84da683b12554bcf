// Text and CSV files with a million points: the import into a list table (goal: at most 1 s,
// and the whole process at most 250 MB resident at its peak), the export as text and as CSV
// (goal: at most 0.3 s each), Output to graph of the imported table (goal: at most 0.5 s) and
// the text reader's points, as `quedral-cli leq` and `stats` read them (see also
// bench/measure_text_leq.sh for the whole process against mawk).
// The import runs first, so the peak it reports is the import's own.
#include <benchmark/benchmark.h>

#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>

#include <sys/resource.h>

#include "base/datadir.h"
#include "base/datetime.h"
#include "files/textfiles.h"
#include "files/textpoints.h"
#include "chart/chartmodel.h"
#include "graph/listgraph.h"

using namespace quedral;

namespace {

constexpr int kPoints = 1'000'000;

// Peak resident memory of the process so far, in MB.
double peakResidentMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0; // kB on Linux
}

// Resident memory of the process now, in MB (Linux).
double residentMb()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> f = statm.readAll().split(' ');
    return f.size() > 1 ? f[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

struct Scratch {
    QTemporaryDir dir;
    Scratch() { DataDir::init(dir.path()); } // no chart template
};

Scratch& scratch()
{
    static Scratch s;
    return s;
}

// A million points at 0.5 s from 23:00 on 1 June 2026 (so across midnight), levels 30 .. 130 dB.
const ChartModel& bigChart()
{
    static const ChartModel chart = [] {
        ChartModel c;
        c.setSubsets(1);
        c.setPoints(kPoints);
        const double start = toDays(QDate(2026, 6, 1), QTime(23, 0, 0));
        for (int i = 0; i < kPoints; ++i) {
            c.setXDataII(0, i, start + i * 0.5 * kSecondInDays);
            c.setYData(0, i, 30.0f + static_cast<float>((i * 37) % 1000) / 10.0f);
        }
        return c;
    }();
    return chart;
}

// The chart as tab text, written once.
QString bigTextFile()
{
    static const QString name = [] {
        const QString file = scratch().dir.filePath("big.txt");
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        writeGraphText(f, bigChart(), {1, kPoints}, '\t');
        return file;
    }();
    return name;
}

void BM_ImportTabText(benchmark::State& state)
{
    const QString file = bigTextFile();
    const double before = residentMb();
    int rows = 0;
    double table = 0;
    for (auto _ : state) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        const ListTable t = importListTable(f, '\t');
        rows = t.rowCount();
        table = residentMb() - before;
        benchmark::DoNotOptimize(t);
    }
    state.counters["rows"] = rows;
    state.counters["table_MB"] = table;          // what the table holds on to
    state.counters["peak_rss_MB"] = peakResidentMb(); // the whole process at its peak so far
}
BENCHMARK(BM_ImportTabText)->Unit(benchmark::kMillisecond);

void BM_ExportGraphText(benchmark::State& state)
{
    const QChar separator = state.range(0) ? QChar(',') : QChar('\t');
    const ChartModel& chart = bigChart();
    const QString file = scratch().dir.filePath(state.range(0) ? "out.csv" : "out.txt");
    std::int64_t lines = 0;
    for (auto _ : state) {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        lines = writeGraphText(f, chart, {1, kPoints}, separator);
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetLabel(state.range(0) ? "csv" : "tab");
}
BENCHMARK(BM_ExportGraphText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ListToGraph(benchmark::State& state)
{
    QFile f(bigTextFile());
    f.open(QIODevice::ReadOnly);
    const ListTable table = importListTable(f, '\t');
    for (auto _ : state) {
        ChartModel chart;
        const QString error = listToGraph(table, chart);
        if (!error.isEmpty())
            state.SkipWithError(error.toStdString().c_str());
        benchmark::DoNotOptimize(chart);
    }
    state.counters["rows"] = table.rowCount();
}
BENCHMARK(BM_ListToGraph)->Unit(benchmark::kMillisecond);

} // namespace

void BM_ReadTextPoints(benchmark::State& state)
{
    const QString file = bigTextFile();
    std::size_t points = 0;
    for (auto _ : state) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        const TextPoints p = readTextPoints(f, '\t');
        points = p.levels.size();
        benchmark::DoNotOptimize(p);
    }
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_ReadTextPoints)->Unit(benchmark::kMillisecond);
