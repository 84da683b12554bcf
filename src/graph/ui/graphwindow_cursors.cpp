// The graph window's statistics and cursors: the whole-graph and cursor boxes, the cursor and
// play lines and their drag.
#include "graph/ui/graphwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <tuple>
#include <utility>

#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphunit.h"
#include "graph/ui/graphplayback.h"
#include "graph/ui/noisepanel.h"

namespace quedral {

namespace {
double nowDays()
{
    return toDays(Clock::instance().now());
}
} // namespace

// ---------------------------------------------------------------------------
// Statistics and cursors

void GraphWindow::updateGraphStatistics()
{
    const ChartModel& m = chtGraph->model();
    const GraphStats s = computeGraphStatistics(m.xValues(0), m.yValues(0));
    txtDataNo->setText(QString::number(s.count));
    m_settingRate = true;
    const QString rate = s.count > 0 ? formatLevel(s.samplingRate) : QString();
    if (txtSamplingRate->isEditable())
        txtSamplingRate->setEditText(rate);
    else
        txtSamplingRate->setCurrentText(rate);
    m_settingRate = false;
    if (s.count == 0) {
        for (QLineEdit* e : {txtStartTime, txtAvgAll, txtMax, txtMaxTime, txtMin, txtMinTime})
            e->clear();
        m_noisePanel->chartChanged();
        return;
    }
    txtStartTime->setText(formatDateTime(s.startTime));
    txtAvgAll->setText(s.hasAverage ? formatLevel(s.average) : QString());
    txtMax->setText(formatLevel(s.maximum));
    txtMaxTime->setText(formatDateTime(m.xDataII(0, s.maximumIndex)));
    txtMin->setText(formatLevel(s.minimum));
    txtMinTime->setText(formatDateTime(m.xDataII(0, s.minimumIndex)));
    m_noisePanel->chartChanged();
}

void GraphWindow::resetCursors()
{
    GraphUnit& u = m_host.graphUnit();
    ChartModel& m = chtGraph->model();
    const int n = m.points();
    u.PlayLineIndex = 0;
    u.CursorAIndex = n / 3;
    u.CursorBIndex = 2 * n / 3;
    m.vertLines[0].x = m.xDataII(0, u.PlayLineIndex);
    m.vertLines[1].x = m.xDataII(0, u.CursorAIndex);
    m.vertLines[2].x = m.xDataII(0, u.CursorBIndex);
    updateCursorStatistics();
    refreshChart();
}

void GraphWindow::updateCursorStatistics()
{
    const ChartModel& m = chtGraph->model();
    const GraphUnit& u = m_host.graphUnit();
    if (m.points() == 0) {
        for (QLineEdit* e : {txtCursorA, txtCursorATime, txtCursorB, txtCursorBTime, txtMaxAB, txtMaxABTime,
                             txtMinAB, txtMinABTime, txtAvgAB})
            e->clear();
        return;
    }
    const CursorStats c = computeCursorStatistics(m.xValues(0), m.yValues(0), u.CursorAIndex, u.CursorBIndex);
    txtCursorA->setText(formatLevel(c.a));
    txtCursorATime->setText(formatDateTime(c.aTime));
    txtCursorB->setText(formatLevel(c.b));
    txtCursorBTime->setText(formatDateTime(c.bTime));
    txtMaxAB->setText(formatLevel(c.maxBetween));
    txtMaxABTime->setText(formatDateTime(c.maxTime));
    txtMinAB->setText(formatLevel(c.minBetween));
    txtMinABTime->setText(formatDateTime(c.minTime));
    txtAvgAB->setText(c.hasAverage ? formatLevel(c.average) : QString());
    m_filledCursorX = {m.vertLines[1].x, m.vertLines[2].x};
    m_noisePanel->cursorsMoved();
}

std::optional<std::pair<int, int>> GraphWindow::cursorLineSamples() const
{
    const ChartModel& m = chtGraph->model();
    if (m.points() == 0)
        return std::nullopt;
    const auto xs = m.xValues(0);
    const int a = nearestSample(xs, m.vertLines[1].x);
    const int b = nearestSample(xs, m.vertLines[2].x);
    return std::pair(std::min(a, b), std::max(a, b));
}

void GraphWindow::placeCursors(int a, int b)
{
    ChartModel& m = chtGraph->model();
    const int n = m.points();
    if (n == 0)
        return;
    GraphUnit& u = m_host.graphUnit();
    u.CursorAIndex = std::clamp(a, 0, n - 1);
    u.CursorBIndex = std::clamp(b, 0, n - 1);
    moveLine(1, m.xDataII(0, u.CursorAIndex));
    moveLine(2, m.xDataII(0, u.CursorBIndex));
    updateCursorStatistics();
    refreshChart();
}

void GraphWindow::placePlayLineForWav(int index)
{
    const int n = chtGraph->model().points();
    if (!m_wavPlayer || !m_wavPlayer->seriesOpen() || n == 0)
        return;
    const int i = std::clamp(index, 0, n - 1);
    m_playLine->setPlayLineIndex(i);
    const double x = chtGraph->model().xDataII(0, i);
    m_playLine->setPlayLine(x, x);
    refreshChart();
}

bool GraphWindow::seatCursorsOnLines(bool seatA, bool seatB)
{
    ChartModel& m = chtGraph->model();
    // Nothing to stand on: no samples, a graph still empty (its first sample null) or one
    // being recorded (its later samples not written yet).
    if (m.points() == 0 || m.isNull(m.yData(0, 0)) || (m_kind == GraphKind::RealTime && state().RealTimeRunning))
        return false;
    GraphUnit& u = m_host.graphUnit();
    const auto xs = m.xValues(0);
    if (seatA) {
        u.CursorAIndex = nearestSample(xs, m.vertLines[1].x);
        moveLine(1, m.xDataII(0, u.CursorAIndex));
    }
    if (seatB) {
        u.CursorBIndex = nearestSample(xs, m.vertLines[2].x);
        moveLine(2, m.xDataII(0, u.CursorBIndex));
    }
    return true;
}

void GraphWindow::followCursors()
{
    const ChartModel& m = chtGraph->model();
    if (m.vertLines[1].x == m_filledCursorX[0] && m.vertLines[2].x == m_filledCursorX[1])
        return;
    if (seatCursorsOnLines(true, true))
        updateCursorStatistics();
}

int GraphWindow::snapToSample()
{
    const ChartModel& m = chtGraph->model();
    const int n = m.points();
    if (n == 0)
        return 0;
    const QPoint pos = chtGraph->lastPointerPosition();
    if (!chtGraph->inPlottingRect(pos))
        return std::clamp(m_host.graphUnit().CursorAIndex, 0, n - 1);
    return nearestSample(m.xValues(0), chtGraph->pixelToData(pos).x());
}

void GraphWindow::moveLine(int line, double x)
{
    chtGraph->model().vertLines[static_cast<size_t>(line)].x = x;
}

void GraphWindow::startLineDrag(int index)
{
    GraphUnit& u = m_host.graphUnit();
    bool* flag = index == 1 ? &u.DraggingCursorA : index == 2 ? &u.DraggingCursorB : index == 0 ? &u.DraggingPlayLine
                                                                                                 : nullptr;
    if (!flag || *flag)
        return;
    *flag = true;
    u.LastDragMove = nowDays();
    chtGraph->model().vertLines[static_cast<size_t>(index)].color = PEargb(255, 190, 190, 190);
    refreshChart();
}

void GraphWindow::followPointer()
{
    const QPoint pos = chtGraph->lastPointerPosition();
    if (!chtGraph->inPlottingRect(pos))
        return;
    const QPointF d = chtGraph->pixelToData(pos);
    pnlReadout->setText(formatLevel(d.y()) + "dB@" + formatTimeOfDay(d.x()));
    pnlReadout->adjustSize();

    GraphUnit& u = m_host.graphUnit();
    const std::pair<bool*, int> lines[3] = {{&u.DraggingCursorA, 1}, {&u.DraggingCursorB, 2}, {&u.DraggingPlayLine, 0}};
    for (auto [flag, line] : lines) {
        if (!*flag)
            continue;
        const double now = nowDays();
        if (now - u.LastDragMove > kDragThrottleDays) {
            moveLine(line, d.x());
            if (line != 0)
                m_noisePanel->cursorsMoved();
            try {
                chtGraph->resetImage();
                chtGraph->invalidateImage();
            } catch (...) {
            }
            u.LastDragMove = now;
        }
    }
}

void GraphWindow::endLineDrag()
{
    ChartModel& m = chtGraph->model();
    GraphUnit& u = m_host.graphUnit();
    m.vertLines[0].color = linecolors::PlayLine;
    m.vertLines[1].color = linecolors::CursorA;
    m.vertLines[2].color = linecolors::CursorB;
    const int n = m.points();
    if (n < 2 || m.xDataII(0, 0) == m.xDataII(0, n - 1)) {
        u.DraggingCursorA = u.DraggingCursorB = u.DraggingPlayLine = false;
        refreshChart();
        return;
    }
    // The cursor not dragged counts where it stands in this window, whatever another graph
    // window did with the shared indices meanwhile.
    seatCursorsOnLines(!u.DraggingCursorA, !u.DraggingCursorB);
    const std::tuple<bool*, int*, int> lines[3] = {{&u.DraggingCursorA, &u.CursorAIndex, 1},
                                                   {&u.DraggingCursorB, &u.CursorBIndex, 2},
                                                   {&u.DraggingPlayLine, &u.PlayLineIndex, 0}};
    for (auto [flag, index, line] : lines) {
        if (!*flag)
            continue;
        *flag = false;
        *index = snapToSample();
        moveLine(line, m.xDataII(0, *index));
    }
    updateCursorStatistics();
    refreshChart();
}

StatisticTexts GraphWindow::statisticTexts() const
{
    StatisticTexts t;
    t.startTime = txtStartTime->text();
    t.samplingRate = txtSamplingRate->currentText();
    t.dataNo = txtDataNo->text();
    t.average = txtAvgAll->text();
    t.maximum = txtMax->text();
    t.maximumTime = txtMaxTime->text();
    t.minimum = txtMin->text();
    t.minimumTime = txtMinTime->text();
    t.cursorA = txtCursorA->text();
    t.cursorATime = txtCursorATime->text();
    t.cursorB = txtCursorB->text();
    t.cursorBTime = txtCursorBTime->text();
    t.maxBetween = txtMaxAB->text();
    t.maxBetweenTime = txtMaxABTime->text();
    t.minBetween = txtMinAB->text();
    t.minBetweenTime = txtMinABTime->text();
    t.averageBetween = txtAvgAB->text();
    return t;
}

QString GraphWindow::statisticText() const
{
    return statisticExportText(statisticTexts());
}

void GraphWindow::exportStatistics()
{
    QGuiApplication::clipboard()->setText(statisticText());
    Prompter::instance().message("The statistic has been copy to clipboard");
}

} // namespace quedral
