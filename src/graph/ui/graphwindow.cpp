#include "graph/ui/graphwindow.h"

#include "widgets/flowlayout.h"

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
#include <memory>
#include <utility>
#include <vector>

#include "files/graphfile.h"
#include "chart/ui/chartwidget.h"

#include <qcustomplot.h>
#include "stats/statistics.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/leqchart.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphunit.h"
#include "graph/ui/annotationtools.h"
#include "graph/ui/datasetrows.h"
#include "graph/ui/graphplayback.h"
#include "graph/ui/noisepanel.h"
#include "wav/ui/wavplayerbar.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "stats/leqmath.h"
#include "resources/artwork.h"

namespace quedral {

// ---------------------------------------------------------------------------
// The host's defaults

void GraphHost::showGraphWindow(GraphWindow& window) { window.show(); }
void GraphHost::restoreGraphWindow(GraphWindow& window)
{
    window.showNormal();
    window.raise();
}
bool GraphHost::saveCommand(GraphWindow& window) { return window.saveGraphAs(); }
bool GraphHost::saveGraphAs(GraphWindow& window) { return window.saveGraphAs(); }

GraphHost::TableText GraphHost::TableText::copyOf(int rows, int columns,
                                                  const std::function<QString(int row, int column)>& cell)
{
    auto cells = std::make_shared<std::vector<QStringList>>(static_cast<std::size_t>(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            (*cells)[static_cast<std::size_t>(r)] << cell(r, c);
    return {rows, columns, [cells](int r, int c) {
                return r >= 0 && r < static_cast<int>(cells->size()) ? cells->at(static_cast<std::size_t>(r)).value(c)
                                                                      : QString();
            }};
}

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
        return GraphWindow::kRealTimeCaption;
    case GraphKind::DataLogger:
        return GraphWindow::kDataLoggerCaption;
    case GraphKind::Leq:
        return GraphWindow::kLeqCaption;
    case GraphKind::File:
        break;
    }
    return QStringLiteral("Graph");
}

GraphWindow::GraphWindow(GraphHost& host, GraphKind kind, QWidget* parent, WavPlayerPart wav)
    : QWidget(parent), m_host(host), m_kind(kind)
{
    m_filledCursorX.fill(std::numeric_limits<double>::quiet_NaN());
    setObjectName("frmGraph");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(graphKindCaption(kind));
    resize(1413, 745);
    if (wav == WavPlayerPart::With)
        makeWavPlayer();
    buildLayout();
}

GraphWindow::~GraphWindow() = default;

GraphState& GraphWindow::state() { return m_host.graphState(); }

ChartModel& GraphWindow::model() { return chtGraph->model(); }

void GraphWindow::buildLayout()
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
    // Right: the noise statistics, hidden until asked for.
    m_noisePanel = new NoisePanel(*this, m_host);
    m_noisePanel->hide();
    m_outer->addWidget(m_noisePanel);
    connectChart();
}

// Whole-graph statistics: caption-and-value groups that wrap in a narrow window.
QWidget* GraphWindow::buildGraphStatisticPanel(QWidget* right)
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
    if (m_wavPlayer)
        gs->addWidget(m_wavPlayer->offsetBox());
    pnlLeq = new QWidget(pnlGraphStatistic);
    pnlLeq->setObjectName("pnlLeq");
    txtLeq = valueBox(pnlLeq, "txtLeq", 70, "***.* dB ");
    fillGroup(pnlLeq, {captionLabel("Leq"), txtLeq});
    pnlLeq->hide();
    gs->addWidget(pnlLeq);
    return pnlGraphStatistic;
}

// The chart, with the pointer read-out over its top-left corner.
ChartWidget* GraphWindow::buildChart(QWidget* right)
{
    chtGraph = new ChartWidget(right);
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
QWidget* GraphWindow::buildCursorPanel(QWidget* right)
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

void GraphWindow::connectChart()
{
    connect(chtGraph, &ChartWidget::clicked, this, [this] { placeAnnotation(); });
    connect(chtGraph, &ChartWidget::dataHotSpot, this, [this](int s, int p) { labelSample(s, p); });
    connect(chtGraph, &ChartWidget::customizeDialogClosed, this, [this] { customizeDialogClosed(); });
    connect(txtSamplingRate, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!m_settingRate)
            emit samplingRateChosen(text);
    });
    connect(chtGraph, &ChartWidget::zoomIn, this, [this] { onZoomedIn(); });
    connect(chtGraph, &ChartWidget::mouseMoved, this, [this] { followPointer(); });
    connect(chtGraph, &ChartWidget::mouseReleased, this, [this] { endLineDrag(); });
    connect(chtGraph, &ChartWidget::vertLineAnnotHotSpot, this, [this](int i) { startLineDrag(i); });
}

// ---------------------------------------------------------------------------
// Window events

void GraphWindow::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!e->spontaneous())
        onShown();
}

bool GraphWindow::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        onActivated();
    return QWidget::event(e);
}

bool GraphWindow::eventFilter(QObject* watched, QEvent* e)
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

void GraphWindow::placeReadout()
{
    pnlReadout->move(0, 0);
    pnlReadout->raise();
}

void GraphWindow::onShown()
{
    actNormalCursor->setChecked(true);
    useNormalPointer();
}

void GraphWindow::onActivated()
{
    m_host.setOutputToGraphEnabled(false);
}

// ---------------------------------------------------------------------------
// Chart and controls

void GraphWindow::refreshChart()
{
    followCursors();
    try {
        chtGraph->refresh();
    } catch (...) {
    }
}

bool GraphWindow::saveGraphAs()
{
    const QString file = Prompter::instance().saveFileName("Graph files (*.ghf)", "ghf", QString(), nullptr);
    if (file.isEmpty())
        return false;
    QString error;
    if (!saveChartState(chtGraph->model(), file, &error)) {
        Prompter::instance().message(error);
        return false;
    }
    return true;
}

void GraphWindow::setSidePanel(QWidget* panel)
{
    if (m_sidePanel)
        m_sidePanel->deleteLater();
    m_sidePanel = panel;
    if (!panel)
        return;
    m_outer->insertWidget(0, panel);
    panel->show();
}

int GraphWindow::selectedDataSetRow() const
{
    const auto* rows = dynamic_cast<const DataSetRows*>(m_sidePanel.data());
    return rows ? rows->selectedRow() : -1;
}

QStringList GraphWindow::dataSetRowTexts(int row) const
{
    const auto* rows = dynamic_cast<const DataSetRows*>(m_sidePanel.data());
    return rows && row >= 0 ? rows->rowTexts(row) : QStringList();
}

void GraphWindow::resetViewForNewData()
{
    if (m_wavPlayer)
        m_wavPlayer->dataSetChanged();
    m_host.graphUnit().WavPaused = false;
    chtGraph->undoZoom();
    chtGraph->resetImage();
    actUndoZoom->setEnabled(false);
}

void GraphWindow::setCalLeqEnabled(bool enabled) { actCALLeq->setEnabled(enabled); }

// ---------------------------------------------------------------------------
// Leq of the graph

void GraphWindow::calculateLeq()
{
    const ChartModel& source = chtGraph->model();
    // Nothing to average when the first sample is already past the data (a fresh chart reads
    // null everywhere).
    if (source.yData(0, 0) > kLeqDataEnd) {
        Prompter::instance().message("no data");
        return;
    }

    auto* leqWindow = new GraphWindow(m_host, GraphKind::Leq);
    m_ownedWindows.append(leqWindow);
    m_host.graphUnit().LeqGraphWindow = leqWindow;
    leqWindow->pnlLeq->show();

    if (const std::optional<float> last = putLeqOfGraph(source, leqWindow->model()))
        leqWindow->txtLeq->setText(formatLevel(*last));

    leqWindow->actCALLeq->setEnabled(false);
    leqWindow->setWindowState(Qt::WindowNoState);
    m_host.showGraphWindow(*leqWindow);
    leqWindow->updateGraphStatistics();
    try {
        leqWindow->chtGraph->reinitAndReset();
    } catch (...) {
    }
    leqWindow->refreshChart();
}

// ---------------------------------------------------------------------------
// Annotations

void GraphWindow::useNormalPointer() { m_annotations->useNormalPointer(); }
void GraphWindow::useCrossTool() { m_annotations->useCross(); }
void GraphWindow::useTextTool() { m_annotations->useText(); }
void GraphWindow::placeAnnotation() { m_annotations->placeAtPointer(); }
void GraphWindow::labelSample(int subset, int point) { m_annotations->labelDataPoint(subset, point); }
void GraphWindow::eraseAnnotations() { m_annotations->eraseChosen(); }

// ---------------------------------------------------------------------------
// Customisation and the template

void GraphWindow::customiseChart()
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

void GraphWindow::printChart()
{
    allowCustomizePages(chtGraph->model(), false);
    m_printCustomize = true;
    chtGraph->runAction(sgCustomize);
    m_printCustomize = false;
    allowCustomizePages(chtGraph->model(), true);
    chtGraph->runAction(sgPrintDialog);
}

void GraphWindow::customizeDialogClosed()
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
    if (!saveChartTemplate(look, &error))
        Prompter::instance().message(error);
}

} // namespace quedral
