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
    m_outer = new QHBoxLayout(this);
    m_outer->setContentsMargins(0, 0, 0, 0);
    m_outer->setSpacing(0);
    // Left: room for a side panel (the data logger's data sets), given by whoever assembles
    // the window.

    auto* right = new QWidget(this);
    auto* rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->setSpacing(0);
    m_outer->addWidget(right, 1);

    buildTools(right);
    rl->addWidget(tbrGraph);
    rl->addWidget(buildGraphStatisticPanel(right));
    rl->addWidget(buildChart(right), 1);
    rl->addWidget(buildCursorPanel(right));
    connectChart();
}

// Whole-graph statistics: caption-and-value groups that wrap in a narrow window.
QWidget* TfrmGraph::buildGraphStatisticPanel(QWidget* right)
{
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
    return pnlGraphStatistic;
}

// The chart, with the pointer read-out over its top-left corner.
PESGraph* TfrmGraph::buildChart(QWidget* right)
{
    chtGraph = new PESGraph(right);
    chtGraph->setObjectName("chtGraph");
    pnlReadout = new QLabel(chtGraph);
    pnlReadout->setObjectName("pnlReadout");
    pnlReadout->setAutoFillBackground(true);
    pnlReadout->setMinimumWidth(140);
    pnlReadout->raise();
    chtGraph->installEventFilter(this);
    // The right button opens the tool menu; it neither zooms nor ends a line drag.
    chtGraph->plot()->installEventFilter(this);
    m_annotations = std::make_unique<AnnotationTools>(*chtGraph, m_host.graphUnit(), this, [this] { refreshChart(); });
    return chtGraph;
}

// Cursor statistics.
QWidget* TfrmGraph::buildCursorPanel(QWidget* right)
{
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
    return pnlStatistic;
}

void TfrmGraph::connectChart()
{
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
