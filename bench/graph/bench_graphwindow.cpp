// The graph window at 100,000, 1,000,000 and 10,000,000 points in one subset: the whole-graph
// statistics, loading a saved graph file, and a full graph window's replot (three lines, a few
// annotations, zoomed to a tenth of the range, 1400 x 700 offscreen) beside a bare QCustomPlot
// graph of the same points and range; and the noise statistics panel following a cursor.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <qcustomplot.h>

#include <cmath>
#include <vector>

#include "files/graphfile.h"
#include "chart/ui/chartwidget.h"
#include "stats/statistics.h"
#include "graph/chartsetup.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/graphunit.h"
#include "graph/ui/noisepanel.h"

using namespace quedral;

namespace {
constexpr double kT0 = 46023.5;

struct Host : GraphHost {
    GraphState state;
    GraphState& graphState() override { return state; }
    bool connected() const override { return false; }
};

void fill(ChartModel& m, int n)
{
    std::vector<double> x(static_cast<size_t>(n));
    std::vector<float> y(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[static_cast<size_t>(i)] = kT0 + i / 86400.0;
        y[static_cast<size_t>(i)] = 60.0f + 20.0f * std::sin(i * 0.001f) + static_cast<float>(i % 7);
    }
    newChart(m, 1, n, x.front(), x.back(), 30, 130);
    m.setBulkXData(x.data(), n);
    m.setBulkYData(y.data(), n);
}

void BM_GraphStatistics(benchmark::State& state)
{
    ChartModel m;
    fill(m, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        GraphStats s = computeGraphStatistics(m.xValues(0), m.yValues(0));
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_GraphStatistics)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void BM_LoadChartState(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("g.ghf");
    {
        ChartModel m;
        fill(m, static_cast<int>(state.range(0)));
        if (!saveChartState(m, file))
            state.SkipWithError("save failed");
    }
    ChartModel chart;
    for (auto _ : state) {
        if (!loadChartState(chart, file))
            state.SkipWithError("load failed");
    }
}
BENCHMARK(BM_LoadChartState)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void drag(QWidget* w, QPoint from, QPoint to)
{
    auto send = [w](QEvent::Type t, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent e(t, QPointF(p), QPointF(w->mapToGlobal(p)), b, bs, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void BM_GraphWindowZoomedReplot(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Host host;
    GraphWindow w(host);
    w.resize(1400, 700);
    w.show();
    ChartModel& m = w.chart().model();
    fill(m, n);
    for (int i = 5; i < 9; ++i)
        m.setGraphAnnotation(i, GraphAnnotation{m.xDataII(0, n / 10 * 4 + i * (n / 200)), 90.0,
                                                i % 2 ? QStringLiteral("note") : QString(), i % 2 ? 0 : 2, 0});
    w.updateGraphStatistics();
    w.resetCursors();
    w.chart().plot()->replot();
    // Zoom by mouse to the tenth of the range from 40 % to 50 % (clear of the cursor lines).
    const QRect r = w.chart().plottingRect();
    const int x0 = r.left() + r.width() * 4 / 10, x1 = r.left() + r.width() * 5 / 10;
    drag(w.chart().plot(), QPoint(x0, r.top() + 2), QPoint(x1, r.bottom() - 2));
    if (!w.chart().isZoomed())
        state.SkipWithError("zoom did not happen");
    for (auto _ : state)
        w.chart().invalidateImage();
}
BENCHMARK(BM_GraphWindowZoomedReplot)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// What a cursor moved while the noise statistics are shown costs: the figures between A and B
// (half the graph) worked out and shown anew, the whole graph's left as they were.
void BM_NoisePanelCursorMove(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Host host;
    GraphWindow w(host);
    w.resize(1400, 700);
    w.show();
    fill(w.chart().model(), n);
    w.updateGraphStatistics();
    w.resetCursors();
    w.findChild<QAction*>("actNoiseStatistics")->trigger();
    QCoreApplication::processEvents();
    ChartModel& m = w.model();
    int step = 0;
    for (auto _ : state) {
        // Cursor A a sample further each time, as a drag moves it.
        m.vertLines[1].x = m.xDataII(0, n / 4 + (++step % 1000));
        w.noisePanel().cursorsMoved();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_NoisePanelCursorMove)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_BareQCustomPlotZoomedReplot(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    ChartModel m;
    fill(m, n);
    QCustomPlot plot;
    plot.resize(1400, 700);
    plot.show();
    QCPGraph* g = plot.addGraph();
    QVector<QCPGraphData> data(n);
    const auto xs = m.xValues(0);
    const auto ys = m.yValues(0);
    for (int i = 0; i < n; ++i)
        data[i] = QCPGraphData(xs[static_cast<size_t>(i)], ys[static_cast<size_t>(i)]);
    g->data()->set(data, true);
    const double span = xs.back() - xs.front();
    plot.xAxis->setRange(xs.front() + 0.4 * span, xs.front() + 0.5 * span);
    plot.yAxis->setRange(30, 130);
    for (auto _ : state)
        plot.replot(QCustomPlot::rpImmediateRefresh);
}
BENCHMARK(BM_BareQCustomPlotZoomedReplot)->Arg(100'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

} // namespace
