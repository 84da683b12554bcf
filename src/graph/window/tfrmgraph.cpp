#include "graph/window/tfrmgraph.h"

#include "graph/window/flowlayout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "files/graphfile.h"
#include "graph/pesgraph.h"

#include <qcustomplot.h>
#include "graph/stats/statistics.h"
#include "graph/core/chartsetup.h"
#include "graph/core/graphformat.h"
#include "graph/core/leqchart.h"
#include "graph/window/graphhost.h"
#include "graph/window/graphunit.h"
#include "graph/window/annotationtools.h"
#include "graph/window/datasetrows.h"
#include "graph/window/graphplayback.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "graph/stats/leqmath.h"
#include "resources/artwork.h"

namespace quedral {

// ---------------------------------------------------------------------------
// The host's defaults

namespace {
double nowDays()
{
    return toDays(Clock::instance().now());
}
} // namespace

void GraphHost::showGraphWindow(TfrmGraph& window) { window.show(); }
void GraphHost::restoreGraphWindow(TfrmGraph& window)
{
    window.showNormal();
    window.raise();
}
bool GraphHost::saveCommand(TfrmGraph& window) { return window.saveGraphAs(); }
bool GraphHost::saveGraphAs(TfrmGraph& window) { return window.saveGraphAs(); }

// ---------------------------------------------------------------------------
// Layout

namespace {
QLineEdit* valueBox(QWidget* parent, const char* name, int width, const QString& text = {})
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFixedWidth(width);
    return e;
}

QLabel* captionLabel(const QString& text) { return new QLabel(text); }

// Lays the widgets out in a row inside `box`, which keeps them together when a line wraps.
void fillGroup(QWidget* box, std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (QWidget* w : widgets)
        row->addWidget(w);
}

QWidget* group(QWidget* parent, std::initializer_list<QWidget*> widgets)
{
    auto* box = new QWidget(parent);
    fillGroup(box, widgets);
    return box;
}

} // namespace

QString graphKindCaption(GraphKind kind)
{
    switch (kind) {
    case GraphKind::RealTime:
        return TfrmGraph::kRealTimeCaption;
    case GraphKind::DataLogger:
        return TfrmGraph::kDataLoggerCaption;
    case GraphKind::Leq:
        return TfrmGraph::kLeqCaption;
    case GraphKind::File:
        break;
    }
    return QStringLiteral("Graph");
}

TfrmGraph::TfrmGraph(GraphHost& host, GraphKind kind, QWidget* parent) : QWidget(parent), m_host(host), m_kind(kind)
{
    m_filledCursorX.fill(std::numeric_limits<double>::quiet_NaN());
    setObjectName("frmGraph");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(graphKindCaption(kind));
    resize(1413, 745);
    buildLayout();
}

TfrmGraph::~TfrmGraph() = default;

GraphState& TfrmGraph::state() { return m_host.graphState(); }

ChartModel& TfrmGraph::model() { return chtGraph->model(); }

void TfrmGraph::buildLayout()
{
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Left: room for a side panel (the data logger's data sets), given by whoever assembles
    // the window.
    m_outer = outer;

    auto* right = new QWidget(this);
    auto* rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->setSpacing(0);
    outer->addWidget(right, 1);

    // Tool bar.
    buildTools(right);
    rl->addWidget(tbrGraph);

    // Whole-graph statistics: caption-and-value groups that wrap in a narrow window.
    pnlGraphStatistic = new QWidget(right);
    pnlGraphStatistic->setObjectName("pnlGraphStatistic");
    auto* gs = new FlowLayout(pnlGraphStatistic);
    gs->setContentsMargins(4, 2, 4, 2);
    txtStartTime = valueBox(pnlGraphStatistic, "txtStartTime", 150);
    gs->addWidget(group(pnlGraphStatistic, {captionLabel("Start Time"), txtStartTime}));
    pnlSamplingRate = new QWidget(pnlGraphStatistic);
    pnlSamplingRate->setObjectName("pnlSamplingRate");
    txtSamplingRate = new QComboBox(pnlSamplingRate);
    txtSamplingRate->setObjectName("txtSamplingRate");
    txtSamplingRate->setEditable(true);
    txtSamplingRate->addItems({"0.5", "1.0", "2.0", "5.0", "10.0", "20.0", "30.0"});
    txtSamplingRate->setCurrentIndex(-1);
    txtSamplingRate->setFixedWidth(70);
    fillGroup(pnlSamplingRate, {captionLabel("Sampling Rate"), txtSamplingRate, captionLabel("Sec")});
    pnlSamplingRate->setEnabled(false);
    gs->addWidget(pnlSamplingRate);
    txtDataNo = valueBox(pnlGraphStatistic, "txtDataNo", 70);
    gs->addWidget(group(pnlGraphStatistic, {captionLabel("Data No."), txtDataNo}));
    txtAvgAll = valueBox(pnlGraphStatistic, "txtAvgAll", 70, "***.* dB ");
    gs->addWidget(group(pnlGraphStatistic, {captionLabel("Avg"), txtAvgAll}));
    txtMax = valueBox(pnlGraphStatistic, "txtMax", 50);
    txtMaxTime = valueBox(pnlGraphStatistic, "txtMaxTime", 150);
    gs->addWidget(group(pnlGraphStatistic, {captionLabel("Maximum"), txtMax, captionLabel("@"), txtMaxTime}));
    txtMin = valueBox(pnlGraphStatistic, "txtMin", 50);
    txtMinTime = valueBox(pnlGraphStatistic, "txtMinTime", 150);
    gs->addWidget(group(pnlGraphStatistic, {captionLabel("Minimum"), txtMin, captionLabel("@"), txtMinTime}));
    txtPlayOffset = valueBox(pnlGraphStatistic, "txtPlayOffset", 60, "0");
    txtPlayOffset->setReadOnly(false);
    txtPlayOffset->setFocusPolicy(Qt::StrongFocus);
    txtPlayOffset->setValidator(new QIntValidator(-22000, 20020, txtPlayOffset));
    txtPlayOffset->setToolTip("play line offset (ms)");
    gs->addWidget(txtPlayOffset);
    pnlLeq = new QWidget(pnlGraphStatistic);
    pnlLeq->setObjectName("pnlLeq");
    txtLeq = valueBox(pnlLeq, "txtLeq", 70, "***.* dB ");
    fillGroup(pnlLeq, {captionLabel("Leq"), txtLeq});
    pnlLeq->hide();
    gs->addWidget(pnlLeq);
    rl->addWidget(pnlGraphStatistic);

    // The chart, with the pointer read-out over its top-left corner.
    chtGraph = new PESGraph(right);
    chtGraph->setObjectName("chtGraph");
    rl->addWidget(chtGraph, 1);
    pnlReadout = new QLabel(chtGraph);
    pnlReadout->setObjectName("pnlReadout");
    pnlReadout->setAutoFillBackground(true);
    pnlReadout->setMinimumWidth(140);
    pnlReadout->raise();
    chtGraph->installEventFilter(this);
    // The right button opens the tool menu; it neither zooms nor ends a line drag.
    chtGraph->plot()->installEventFilter(this);
    m_annotations = std::make_unique<AnnotationTools>(*chtGraph, m_host.graphUnit(), this, [this] { refreshChart(); });

    // Cursor statistics.
    pnlStatistic = new QWidget(right);
    pnlStatistic->setObjectName("pnlStatistic");
    auto* cs = new FlowLayout(pnlStatistic);
    cs->setContentsMargins(4, 2, 4, 2);
    auto* la = captionLabel("Cursor A");
    la->setStyleSheet("color: blue");
    txtCursorA = valueBox(pnlStatistic, "txtCursorA", 50);
    txtCursorATime = valueBox(pnlStatistic, "txtCursorATime", 150);
    cs->addWidget(group(pnlStatistic, {la, txtCursorA, captionLabel("@"), txtCursorATime}));
    auto* lb = captionLabel("Cursor B");
    lb->setStyleSheet("color: red");
    txtCursorB = valueBox(pnlStatistic, "txtCursorB", 50);
    txtCursorBTime = valueBox(pnlStatistic, "txtCursorBTime", 150);
    cs->addWidget(group(pnlStatistic, {lb, txtCursorB, captionLabel("@"), txtCursorBTime}));
    txtMaxAB = valueBox(pnlStatistic, "txtMaxAB", 50);
    txtMaxABTime = valueBox(pnlStatistic, "txtMaxABTime", 150);
    cs->addWidget(group(pnlStatistic, {captionLabel("Max.Between A and B"), txtMaxAB, captionLabel("@"), txtMaxABTime}));
    txtMinAB = valueBox(pnlStatistic, "txtMinAB", 50);
    txtMinABTime = valueBox(pnlStatistic, "txtMinABTime", 150);
    cs->addWidget(group(pnlStatistic, {captionLabel("Min.Between A and B"), txtMinAB, captionLabel("@"), txtMinABTime}));
    txtAvgAB = valueBox(pnlStatistic, "txtAvgAB", 70);
    cs->addWidget(group(pnlStatistic, {captionLabel("Avg Between A and B"), txtAvgAB}));
    rl->addWidget(pnlStatistic);

    connect(chtGraph, &PESGraph::clicked, this, [this] { chtGraphClick(); });
    connect(chtGraph, &PESGraph::dataHotSpot, this, [this](int s, int p) { chtGraphDataHotSpot(s, p); });
    connect(chtGraph, &PESGraph::customizeDialogClosed, this, [this] { chtGraphCustomizeDialog(); });
    connect(txtSamplingRate, &QComboBox::currentTextChanged, this, [this] {
        if (!m_settingRate)
            txtSamplingRateChange();
    });
    connect(chtGraph, &PESGraph::zoomIn, this, [this] { chtGraphZoomIn(); });
    connect(chtGraph, &PESGraph::mouseMoved, this, [this] { chtGraphMouseMove(); });
    connect(chtGraph, &PESGraph::mouseReleased, this, [this] { chtGraphMouseUp(); });
    connect(chtGraph, &PESGraph::vertLineAnnotHotSpot, this, [this](int i) { chtGraphVertLineAnnotHotSpot(i); });
}

// ---------------------------------------------------------------------------
// Window events

void TfrmGraph::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

bool TfrmGraph::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

bool TfrmGraph::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == chtGraph && e->type() == QEvent::Resize)
        placeReadout();
    if (watched == chtGraph->plot()) {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::RightButton)
                return true;
            break;
        case QEvent::ContextMenu:
            mnuGraph->popup(static_cast<QContextMenuEvent*>(e)->globalPos());
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TfrmGraph::placeReadout()
{
    pnlReadout->move(0, 0);
    pnlReadout->raise();
}

void TfrmGraph::FormShow()
{
    const QStringList items = samplingRateItems();
    m_settingRate = true;
    for (int i = 0; i < items.size() && i < txtSamplingRate->count(); ++i)
        txtSamplingRate->setItemText(i, items[i]);
    m_settingRate = false;
    actNormalCursor->setChecked(true);
    tbntNormalCursorClick();
}

void TfrmGraph::FormActivate()
{
    m_host.setOutputToGraphEnabled(false);
}

void TfrmGraph::closeEvent(QCloseEvent* e)
{
    if (m_closed) {
        e->accept();
        return;
    }
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

bool TfrmGraph::FormCloseQuery()
{
    GraphState& st = state();
    if (st.DataLoggerUnsaved && m_kind == GraphKind::DataLogger) {
        switch (Prompter::instance().ask("Save DataLogger Data ?", Buttons::YesNoCancel)) {
        case Answer::Yes:
            st.DataLoggerUnsaved = false;
            if (!m_host.saveCommand(*this)) {
                // Not saved after all: keep the window and its data.
                st.DataLoggerUnsaved = true;
                return false;
            }
            break;
        case Answer::No:
            break;
        default:
            return false;
        }
    }
    if (st.RealTimeUnsaved && m_kind == GraphKind::RealTime) {
        switch (Prompter::instance().ask("Save Real-Time Graph ?", Buttons::YesNoCancel)) {
        case Answer::Yes:
            st.RealTimeUnsaved = false;
            if (!m_host.saveCommand(*this)) {
                st.RealTimeUnsaved = true;
                return false;
            }
            break;
        case Answer::No:
            st.RealTimeUnsaved = false;
            break;
        default:
            return false;
        }
    }
    return true;
}

void TfrmGraph::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    // The windows made from this one go with it.
    const QList<QPointer<TfrmGraph>> owned = std::exchange(m_ownedWindows, {});
    for (const QPointer<TfrmGraph>& w : owned)
        if (w)
            closeOwnedWindow(*w);
    GraphState& st = state();
    st.DataLoggerUnsaved = false;
    switch (m_kind) {
    case GraphKind::DataLogger:
        if (st.DataLoggerWindow == this)
            st.DataLoggerWindow = nullptr;
        break;
    case GraphKind::RealTime:
        m_host.setRealTimeGraphChecked(false);
        if (st.RealTimeGraphWindow == this)
            st.RealTimeGraphWindow = nullptr;
        if (m_host.connected())
            m_host.setRunEnabled(true);
        m_host.setStopEnabled(false);
        st.RealTimeRunning = false;
        st.RealTimeCount = 0;
        break;
    case GraphKind::Leq:
        if (m_host.graphUnit().LeqGraphWindow == this)
            m_host.graphUnit().LeqGraphWindow = nullptr;
        break;
    case GraphKind::File:
        break;
    }
    // Never leave a reference to a closed window, whatever its kind.
    if (st.RealTimeGraphWindow == this)
        st.RealTimeGraphWindow = nullptr;
    if (st.DataLoggerWindow == this)
        st.DataLoggerWindow = nullptr;
}

void TfrmGraph::closeOwnedWindow(TfrmGraph& window)
{
    // In the main window's child-window area the frame closes, and closes the window in it.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window.parentWidget()))
        frame->close();
    else
        window.close();
}

// ---------------------------------------------------------------------------
// Chart and controls

void TfrmGraph::refreshChart()
{
    followCursors();
    try {
        chtGraph->refresh();
    } catch (...) {
    }
}

bool TfrmGraph::saveGraphAs()
{
    const QString file = Prompter::instance().saveFileName("Graph files (*.ghf)", "ghf", QString(), nullptr);
    if (file.isEmpty())
        return false;
    QString error;
    if (!SaveChartState(chtGraph->model(), file, &error)) {
        Prompter::instance().message(error);
        return false;
    }
    return true;
}

void TfrmGraph::setSidePanel(QWidget* panel)
{
    if (m_sidePanel)
        m_sidePanel->deleteLater();
    m_sidePanel = panel;
    if (!panel)
        return;
    m_outer->insertWidget(0, panel);
    panel->show();
}

int TfrmGraph::selectedDataSetRow() const
{
    const auto* rows = dynamic_cast<const DataSetRows*>(m_sidePanel.data());
    return rows ? rows->selectedRow() : -1;
}

QStringList TfrmGraph::dataSetRowTexts(int row) const
{
    const auto* rows = dynamic_cast<const DataSetRows*>(m_sidePanel.data());
    return rows && row >= 0 ? rows->rowTexts(row) : QStringList();
}

void TfrmGraph::resetViewForNewData()
{
    if (m_playback)
        m_playback->dataSetChanged(); // the timer and the player stop
    actPlay->setEnabled(false);
    actPause->setEnabled(false);
    actStopPlay->setEnabled(false);
    m_host.graphUnit().WavPaused = false;
    chtGraph->undoZoom();
    chtGraph->resetImage();
    actUndoZoom->setEnabled(false);
}

void TfrmGraph::setCalLeqEnabled(bool enabled) { actCALLeq->setEnabled(enabled); }

void TfrmGraph::showSamplingRate(const QString& text)
{
    m_settingRate = true;
    txtSamplingRate->setEditText(text);
    if (!txtSamplingRate->isEditable()) {
        txtSamplingRate->setEditable(true);
        txtSamplingRate->setEditText(text);
    }
    m_settingRate = false;
}

void TfrmGraph::selectSamplingRate(double rate)
{
    const int item = samplingRateItem(rate);
    if (item < 0)
        return;
    m_settingRate = true;
    txtSamplingRate->setCurrentIndex(item);
    m_settingRate = false;
}

int TfrmGraph::selectedRateItem() const
{
    return txtSamplingRate->currentIndex();
}

QString TfrmGraph::samplingRateText() const
{
    return txtSamplingRate->currentText();
}

void TfrmGraph::makeRealTimeWindow()
{
    sepClr->setVisible(true);
    actClr->setVisible(true);
    m_settingRate = true;
    txtSamplingRate->setEditable(false);
    m_settingRate = false;
    pnlSamplingRate->setEnabled(true);
}

void TfrmGraph::txtSamplingRateChange()
{
    GraphState& st = state();
    if (!st.RealTimeRunning) {
        double v = 0;
        if (parseNumber(txtSamplingRate->currentText(), v))
            st.RealTimeRate = static_cast<float>(v);
        return;
    }
    selectSamplingRate(st.RealTimeRate);
    Prompter::instance().message("Can not change Sampling Rate while Real-Time is running.");
}

void TfrmGraph::chtGraphZoomIn()
{
    actUndoZoom->setEnabled(true);
}

void TfrmGraph::btnUndoZoomClick()
{
    chtGraph->undoZoom();
    chtGraph->resetImage();
    actUndoZoom->setEnabled(false);
}

void TfrmGraph::tbntGraphStatisticClick()
{
    pnlGraphStatistic->setVisible(actGraphStatistic->isChecked());
    placeReadout();
}

void TfrmGraph::tbntCursorStatisticClick()
{
    pnlStatistic->setVisible(actCursorStatistic->isChecked());
    chtGraph->model().showVertLineAnnotations = actCursorStatistic->isChecked();
    refreshChart();
}

void TfrmGraph::clearStatisticBoxes()
{
    for (QLineEdit* e : {txtAvgAll, txtMax, txtMin, txtMaxTime, txtMinTime, txtCursorA, txtCursorATime, txtCursorB,
                         txtCursorBTime, txtMaxAB, txtMaxABTime, txtMinAB, txtMinABTime, txtAvgAB})
        e->clear();
}

void TfrmGraph::showRecordingStart(double time)
{
    txtStartTime->setText(formatDateTime(time));
}

void TfrmGraph::showRecordingStart(const QString& text)
{
    txtStartTime->setText(text);
}

void TfrmGraph::showDataCount(int count)
{
    txtDataNo->setText(QString::number(count));
}

void TfrmGraph::showMaximum(float level, double time)
{
    txtMax->setText(formatLevel(level));
    txtMaxTime->setText(formatDateTime(time));
}

void TfrmGraph::showMinimum(float level, double time)
{
    txtMin->setText(formatLevel(level));
    txtMinTime->setText(formatDateTime(time));
}

void TfrmGraph::showAverage(double level)
{
    txtAvgAll->setText(formatLevel(level));
}

void TfrmGraph::setClearEnabled(bool enabled)
{
    actClr->setEnabled(enabled);
}

void TfrmGraph::hideWavPlayer()
{
    actOpenWav->setVisible(false);
    actPlay->setVisible(false);
}

void TfrmGraph::tbntClrClick()
{
    GraphState& st = state();
    setCaption(kRealTimeCaption);
    m_host.setRealTimeGraphChecked(true);
    makeRealTimeWindow();
    const double now = nowDays();
    ResetChart(chtGraph->model(), 1, 200, now, now + 30 * kSecondInDays, 30, 130);
    st.RealTimeCount = 0;
    m_annotations->clearPlaced();
    refreshChart();
}

// ---------------------------------------------------------------------------
// Statistics and cursors

void TfrmGraph::GraphStatistics()
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
        return;
    }
    txtStartTime->setText(formatDateTime(s.startTime));
    txtAvgAll->setText(s.hasAverage ? formatLevel(s.average) : QString());
    txtMax->setText(formatLevel(s.maximum));
    txtMaxTime->setText(formatDateTime(m.xDataII(0, s.maximumIndex)));
    txtMin->setText(formatLevel(s.minimum));
    txtMinTime->setText(formatDateTime(m.xDataII(0, s.minimumIndex)));
}

void TfrmGraph::ResetCursors()
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
    CursorStatistics();
    refreshChart();
}

void TfrmGraph::CursorStatistics()
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
}

bool TfrmGraph::seatCursorsOnLines(bool seatA, bool seatB)
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

void TfrmGraph::followCursors()
{
    const ChartModel& m = chtGraph->model();
    if (m.vertLines[1].x == m_filledCursorX[0] && m.vertLines[2].x == m_filledCursorX[1])
        return;
    if (seatCursorsOnLines(true, true))
        CursorStatistics();
}

int TfrmGraph::SnapToSample()
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

void TfrmGraph::moveLine(int line, double x)
{
    chtGraph->model().vertLines[static_cast<size_t>(line)].x = x;
}

void TfrmGraph::chtGraphVertLineAnnotHotSpot(int index)
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

void TfrmGraph::chtGraphMouseMove()
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
            try {
                chtGraph->resetImage();
                chtGraph->invalidateImage();
            } catch (...) {
            }
            u.LastDragMove = now;
        }
    }
}

void TfrmGraph::chtGraphMouseUp()
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
        *index = SnapToSample();
        moveLine(line, m.xDataII(0, *index));
    }
    CursorStatistics();
    refreshChart();
}

StatisticTexts TfrmGraph::statisticTexts() const
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

QString TfrmGraph::statisticText() const
{
    return statisticExportText(statisticTexts());
}

void TfrmGraph::btnExportStatisticClick()
{
    QGuiApplication::clipboard()->setText(statisticText());
    Prompter::instance().message("The statistic has been copy to clipboard");
}

// ---------------------------------------------------------------------------
// Leq of the graph

void TfrmGraph::btnCALLeqClick()
{
    const ChartModel& source = chtGraph->model();
    // Nothing to average when the first sample is already past the data (a fresh chart reads
    // null everywhere).
    if (source.yData(0, 0) > kLeqDataEnd) {
        Prompter::instance().message("no data");
        return;
    }

    auto* leqWindow = new TfrmGraph(m_host, GraphKind::Leq);
    m_ownedWindows.append(leqWindow);
    m_host.graphUnit().LeqGraphWindow = leqWindow;
    leqWindow->pnlLeq->show();

    if (const std::optional<float> last = PutLeqOfGraph(source, leqWindow->model()))
        leqWindow->txtLeq->setText(formatLevel(*last));

    leqWindow->actCALLeq->setEnabled(false);
    leqWindow->setWindowState(Qt::WindowNoState);
    m_host.showGraphWindow(*leqWindow);
    leqWindow->GraphStatistics();
    try {
        leqWindow->chtGraph->reinitAndReset();
    } catch (...) {
    }
    leqWindow->refreshChart();
}

// ---------------------------------------------------------------------------
// Annotations

void TfrmGraph::tbntNormalCursorClick() { m_annotations->useNormalPointer(); }
void TfrmGraph::tbntDrawCrossClick() { m_annotations->useCross(); }
void TfrmGraph::tbntTextClick() { m_annotations->useText(); }
void TfrmGraph::chtGraphClick() { m_annotations->placeAtPointer(); }
void TfrmGraph::chtGraphDataHotSpot(int subset, int point) { m_annotations->labelDataPoint(subset, point); }
void TfrmGraph::tbntEraseAnnotationClick() { m_annotations->eraseChosen(); }

// ---------------------------------------------------------------------------
// Customisation and the template

void TfrmGraph::btnGraphOptionClick()
{
    chtGraph->runAction(sgCustomize);
}

namespace {
// The customisation dialog's titles, axes, subsets and fonts pages on or off.
void allowCustomizePages(ChartModel& m, bool allow)
{
    m.allowFontPage = m.allowPage1 = m.allowPage2 = m.allowSubsetsPage = allow;
}
} // namespace

void TfrmGraph::printChart()
{
    allowCustomizePages(chtGraph->model(), false);
    m_printCustomize = true;
    chtGraph->runAction(sgCustomize);
    m_printCustomize = false;
    allowCustomizePages(chtGraph->model(), true);
    chtGraph->runAction(sgPrintDialog);
}

void TfrmGraph::chtGraphCustomizeDialog()
{
    if (!chtGraph->customizeAccepted())
        return;
    if (Prompter::instance().ask("Do you want to save the changes ?", Buttons::YesNo) != Answer::Yes)
        return;
    QString error;
    ChartModel look = chtGraph->model();
    // The pages Print turned off for its dialog are not part of the look kept for new charts.
    if (m_printCustomize)
        allowCustomizePages(look, true);
    if (!SaveChartTemplate(look, &error))
        Prompter::instance().message(error);
}

} // namespace quedral
