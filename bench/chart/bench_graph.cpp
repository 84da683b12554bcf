// One million points: filling and replotting the chart widget against a bare
// QCustomPlot graph with the same points, both offscreen at 1400 × 700, and the
// chart's state store and load.

#include "chart/ui/chartwidget.h"

#include <qcustomplot.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using namespace quedral;

namespace {

constexpr int kPoints = 1'000'000;
constexpr double kT0 = 46023.5;

struct Samples {
    std::vector<double> x;
    std::vector<float> y;
    Samples() : x(kPoints), y(kPoints)
    {
        for (int i = 0; i < kPoints; ++i) {
            x[static_cast<size_t>(i)] = kT0 + i / 86400.0;
            y[static_cast<size_t>(i)] = 60.0f + 20.0f * std::sin(i * 0.001f) + static_cast<float>(i % 7);
        }
    }
};

const Samples& samples()
{
    static const Samples s;
    return s;
}

void fillChart(ChartWidget& chart)
{
    const Samples& s = samples();
    chart.setSubsets(1);
    chart.setPoints(kPoints);
    chart.setBulkXData(s.x.data(), kPoints);
    chart.setBulkYData(s.y.data(), kPoints);
    ChartModel& m = chart.model();
    m.manualScaleControlX = m.manualScaleControlY = sgManualMinAndMax;
    m.manualMinX = s.x.front();
    m.manualMaxX = s.x.back();
    m.manualMinY = 30;
    m.manualMaxY = 130;
    m.showVertLineAnnotations = true;
    m.vertLines[1].x = s.x[kPoints / 3];
    m.vertLines[2].x = s.x[2 * kPoints / 3];
}

void BM_ChartWidget_SetDataAndReplot(benchmark::State& state)
{
    ChartWidget chart;
    chart.resize(1400, 700);
    chart.show();
    for (auto _ : state) {
        fillChart(chart);
        chart.refresh();
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_ChartWidget_SetDataAndReplot)->Unit(benchmark::kMillisecond);

void BM_BareQCustomPlot_SetDataAndReplot(benchmark::State& state)
{
    const Samples& s = samples();
    QCustomPlot plot;
    plot.resize(1400, 700);
    plot.show();
    QCPGraph* g = plot.addGraph();
    for (auto _ : state) {
        QVector<QCPGraphData> data(kPoints);
        for (int i = 0; i < kPoints; ++i)
            data[i] = QCPGraphData(s.x[static_cast<size_t>(i)], s.y[static_cast<size_t>(i)]);
        g->data()->set(data, true);
        plot.xAxis->setRange(s.x.front(), s.x.back());
        plot.yAxis->setRange(30, 130);
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_BareQCustomPlot_SetDataAndReplot)->Unit(benchmark::kMillisecond);

// A replot alone (what a repaint or a dragged cursor line costs).
void BM_ChartWidget_Replot(benchmark::State& state)
{
    ChartWidget chart;
    chart.resize(1400, 700);
    chart.show();
    fillChart(chart);
    chart.refresh();
    for (auto _ : state)
        chart.invalidateImage();
}
BENCHMARK(BM_ChartWidget_Replot)->Unit(benchmark::kMillisecond);

void BM_ChartWidget_StoreState(benchmark::State& state)
{
    ChartWidget chart;
    fillChart(chart);
    for (auto _ : state) {
        QByteArray block = chart.storeState();
        benchmark::DoNotOptimize(block.data());
    }
}
BENCHMARK(BM_ChartWidget_StoreState)->Unit(benchmark::kMillisecond);

void BM_ChartWidget_LoadState(benchmark::State& state)
{
    ChartWidget source;
    fillChart(source);
    const QByteArray block = source.storeState();
    ChartWidget chart;
    chart.resize(1400, 700);
    chart.show();
    for (auto _ : state) {
        if (!chart.loadState(block))
            state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_ChartWidget_LoadState)->Unit(benchmark::kMillisecond);

} // namespace
