#include "graph/ui/noisepanel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "chart/chartmodel.h"
#include "graph/graphformat.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/texttablemodel.h"

namespace quedral {

namespace {

// The rows of the statistics table.
enum StatisticRow {
    RowLeq, RowLe, RowLmax, RowLmaxTime, RowLmin, RowLminTime, RowMean, RowL5, RowL10, RowL50, RowL90, RowL95,
    RowLn, RowTimeAbove, RowSamples, RowMissing, RowDuration, StatisticRows
};

const char* const kStatisticNames[StatisticRows] = {
    "Leq", "LE (SEL)", "Lmax", "Lmax at", "Lmin", "Lmin at", "Mean (arithmetic)", "L5", "L10", "L50", "L90", "L95",
    "Ln", "Time above threshold", "Samples", "Missing", "Duration"};


// Seconds as "90 s (0:01:30)"; tenths shown only when there are any.
QString duration(double seconds)
{
    const double tenths = std::round(seconds * 10.0) / 10.0;
    QString s = (tenths == std::floor(tenths) ? QString::number(static_cast<qint64>(tenths))
                                               : QString::number(tenths, 'f', 1)) + " s";
    if (seconds >= 60) {
        const qint64 whole = static_cast<qint64>(seconds);
        s += QStringLiteral(" (%1:%2:%3)")
                 .arg(whole / 3600)
                 .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
                 .arg(whole % 60, 2, 10, QLatin1Char('0'));
    }
    return s;
}

// The statistics table's column for one span (all empty for no span at all).
QStringList statisticTexts(const NoiseStatistics& st, std::optional<double> secondsAbove)
{
    if (!secondsAbove)
        return {};
    const auto at = [](const std::optional<LevelAt>& v, bool time) {
        return !v ? QString() : time ? formatDateTime(v->time) : formatLevel(v->level);
    };
    const bool any = st.samples > 0;
    return {formatLevel(st.leq), formatLevel(st.le), at(st.lmax, false), at(st.lmax, true), at(st.lmin, false),
            at(st.lmin, true), formatLevel(st.mean), formatLevel(st.l5), formatLevel(st.l10), formatLevel(st.l50), formatLevel(st.l90),
            formatLevel(st.l95), formatLevel(st.ln), any ? duration(*secondsAbove) : QString(), QString::number(st.samples),
            QString::number(st.missing), any ? duration(st.duration()) : QString()};
}

} // namespace

NoisePanel::NoisePanel(GraphWindow& window, GraphHost& host) : QWidget(&window), m_window(window), m_host(host)
{
    setObjectName("pnlNoiseStatistics");
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, [this] { refreshFigures(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* title = new QLabel("Noise statistics", this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("tabNoise");
    m_tabs->addTab(buildStatisticsTab(), "Statistics");
    m_tabs->addTab(buildBlocksTab(), "Blocks");
    m_tabs->addTab(buildEventsTab(), "Events");
    layout->addWidget(m_tabs, 1);
    setMinimumWidth(420);
}

NoisePanel::~NoisePanel() = default;

QWidget* NoisePanel::buildStatisticsTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    m_statistics = new QTableWidget(StatisticRows, 2, tab);
    m_statistics->setObjectName("tblNoiseStatistics");
    m_statistics->setHorizontalHeaderLabels({"Whole graph", "Between A and B"});
    QStringList names;
    for (const char* n : kStatisticNames)
        names << n;
    m_statistics->setVerticalHeaderLabels(names);
    m_statistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_statistics->verticalHeader()->setDefaultSectionSize(20);
    m_statistics->setWordWrap(false);
    m_statistics->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int r = 0; r < StatisticRows; ++r)
        for (int c = 0; c < 2; ++c)
            m_statistics->setItem(r, c, new QTableWidgetItem);
    layout->addWidget(m_statistics, 1);

    auto* form = new QFormLayout;
    m_n = new QDoubleSpinBox(tab);
    m_n->setObjectName("spnLn");
    m_n->setDecimals(1);
    m_n->setRange(0.1, 99.9);
    m_n->setValue(1.0);
    form->addRow("Ln, n (%)", m_n);
    layout->addLayout(form);
    auto* note = new QLabel(
        "Ln is the level exceeded n % of the time: the lowest 0.1 dB class level x such that the share "
        "of samples above x is at most n %. Leq and LE are energy averages; null and out-of-range "
        "samples are missing, not 0 dB.",
        tab);
    note->setObjectName("lblNoiseDefinitions");
    note->setWordWrap(true);
    QFont small = note->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    note->setFont(small);
    layout->addWidget(note);
    connect(m_n, &QDoubleSpinBox::valueChanged, this, [this] { scheduleUpdate(true); });
    return tab;
}

void NoisePanel::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    scheduleUpdate(true);
}

void NoisePanel::chartChanged() { scheduleUpdate(true); }

void NoisePanel::cursorsMoved() { scheduleUpdate(false); }

void NoisePanel::scheduleUpdate(bool whole)
{
    if (whole)
        m_wholeStale = m_blocksStale = m_eventsStale = true;
    m_cursorsStale = true;
    if (isVisible())
        m_timer->start();
}

void NoisePanel::refreshFigures()
{
    if (!isVisible())
        return;
    showStatistics();
    blocks(); // worked out anew when stale, the tables with them
    events();
}

LevelSeries NoisePanel::series() const
{
    const ChartModel& m = m_window.model();
    LevelSeries s{m.xValues(0), m.yValues(0), 1.0};
    // A recording fills its graph from the left: the points not yet taken are not missing.
    const GraphState& st = m_host.graphState();
    if (m_window.kind() == GraphKind::RealTime && st.RealTimeRunning) {
        const auto taken = static_cast<std::size_t>(std::max(0, st.RealTimeCount));
        s.times = s.times.first(std::min(taken, s.times.size()));
        s.levels = s.levels.first(std::min(taken, s.levels.size()));
    }
    s.interval = typicalInterval(s.times);
    return s;
}

void NoisePanel::computeWhole()
{
    m_whole = computeNoiseStatistics(series(), {}, m_n->value());
    m_wholeStale = false;
}

std::optional<SampleSpan> NoisePanel::cursorSpan() const
{
    const auto ab = m_window.cursorLineSamples();
    if (!ab)
        return std::nullopt;
    return SampleSpan{static_cast<std::size_t>(ab->first), static_cast<std::size_t>(ab->second) + 1};
}

void NoisePanel::computeCursors()
{
    m_cursors = NoiseStatistics{};
    if (const auto span = cursorSpan())
        m_cursors = computeNoiseStatistics(series(), *span, m_n->value());
    m_cursorsStale = false;
}

const NoiseStatistics& NoisePanel::wholeGraph()
{
    if (m_wholeStale)
        computeWhole();
    return m_whole;
}

const NoiseStatistics& NoisePanel::betweenCursors()
{
    if (m_cursorsStale)
        computeCursors();
    return m_cursors;
}

double NoisePanel::threshold() const { return m_threshold->value(); }
double NoisePanel::minimumDuration() const { return m_minDuration->value(); }

QString NoisePanel::statisticCell(int row, int column) const
{
    const QTableWidgetItem* item = m_statistics->item(row, column);
    return item ? item->text() : QString();
}

void NoisePanel::showStatistics()
{
    const LevelSeries s = series();
    const double limit = threshold();
    m_statistics->verticalHeaderItem(RowLn)->setText("L" + QString::number(m_n->value(), 'g', 3));
    const std::optional<SampleSpan> spans[2] = {SampleSpan{}, cursorSpan()};
    const NoiseStatistics* figures[2] = {&wholeGraph(), &betweenCursors()};
    for (int c = 0; c < 2; ++c) {
        const QStringList texts =
            statisticTexts(*figures[c], spans[c] ? std::optional(timeAbove(s, *spans[c], limit)) : std::nullopt);
        for (int r = 0; r < StatisticRows; ++r)
            m_statistics->item(r, c)->setText(texts.value(r));
    }
}

} // namespace quedral
