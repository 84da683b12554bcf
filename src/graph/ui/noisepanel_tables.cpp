// The noise statistics panel's tables: the clock-aligned blocks with the day-evening-night
// level, and the events above a threshold.
#include "graph/ui/noisepanel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/texttablemodel.h"

namespace quedral {

namespace {

constexpr double kSecondsPerDay = 86400.0;

struct LengthChoice {
    const char* text;
    BlockLength length;
};
const LengthChoice kLengths[] = {{"1 min", BlockLength::Minute1},
                                 {"5 min", BlockLength::Minutes5},
                                 {"15 min", BlockLength::Minutes15},
                                 {"1 h", BlockLength::Hour1},
                                 {"1 day", BlockLength::Day1}};


QSpinBox* hourBox(QWidget* parent, const char* name, int value)
{
    auto* b = new QSpinBox(parent);
    b->setObjectName(name);
    b->setRange(0, 24);
    b->setValue(value);
    b->setSuffix(" h");
    return b;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QTableView* tableView(QWidget* parent, const char* name, TextTableModel* model)
{
    auto* v = new QTableView(parent);
    v->setObjectName(name);
    v->setModel(model);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setWordWrap(false);
    v->verticalHeader()->setDefaultSectionSize(20);
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return v;
}

// A table as the host's Save and Print take it: row 0 the headers, column 0 the row number,
// every cell copied so that a worker may read it after the panel changed.
GraphHost::TableText tableText(const TextTableModel& model)
{
    const QStringList headers = QStringList{"No"} + model.headers();
    return GraphHost::TableText::copyOf(model.rowCount() + 1, model.columnCount() + 1, [&](int r, int c) {
        return r == 0 ? headers.value(c) : c == 0 ? QString::number(r) : model.cell(r - 1, c - 1);
    });
}

} // namespace

// ---- Blocks ----

QWidget* NoisePanel::buildBlocksTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    auto* form = new QFormLayout;
    m_blockLength = new QComboBox(tab);
    m_blockLength->setObjectName("cmbBlockLength");
    for (const LengthChoice& l : kLengths)
        m_blockLength->addItem(l.text);
    m_blockLength->setCurrentIndex(3);
    form->addRow("Block length", m_blockLength);
    auto* periods = new QHBoxLayout;
    m_dayStart = hourBox(tab, "spnDayStart", 7);
    m_eveningStart = hourBox(tab, "spnEveningStart", 19);
    m_nightStart = hourBox(tab, "spnNightStart", 23);
    for (QWidget* w : {static_cast<QWidget*>(new QLabel("day", tab)), static_cast<QWidget*>(m_dayStart),
                       static_cast<QWidget*>(new QLabel("evening", tab)), static_cast<QWidget*>(m_eveningStart),
                       static_cast<QWidget*>(new QLabel("night", tab)), static_cast<QWidget*>(m_nightStart)})
        periods->addWidget(w);
    form->addRow("Lden from", periods);
    layout->addLayout(form);
    m_ldenText = new QLabel(tab);
    m_ldenText->setObjectName("lblLden");
    m_ldenText->setWordWrap(true);
    layout->addWidget(m_ldenText);

    m_blockModel = new TextTableModel({"Start", "Leq", "Lmax", "Lmin", "L10", "L90"}, this);
    m_blockTable = tableView(tab, "tblBlocks", m_blockModel);
    layout->addWidget(m_blockTable, 1);
    auto* buttons = new QHBoxLayout;
    QPushButton* save = button(tab, "btnSaveBlocks", "Save...");
    QPushButton* print = button(tab, "btnPrintBlocks", "Print...");
    QPushButton* graph = button(tab, "btnGraphBlocks", "Graph");
    for (QPushButton* b : {save, print, graph})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(m_blockLength, &QComboBox::currentIndexChanged, this, [this] { scheduleUpdate(true); });
    for (QSpinBox* b : {m_dayStart, m_eveningStart, m_nightStart})
        connect(b, &QSpinBox::valueChanged, this, [this] { scheduleUpdate(true); });
    connect(save, &QPushButton::clicked, this, [this] { saveBlocks(); });
    connect(print, &QPushButton::clicked, this, [this] { printBlocks(); });
    connect(graph, &QPushButton::clicked, this, [this] { graphBlocks(); });
    return tab;
}

BlockLength NoisePanel::blockLength() const
{
    return kLengths[std::clamp(m_blockLength->currentIndex(), 0, 4)].length;
}

void NoisePanel::computeBlocks()
{
    const LevelSeries s = series();
    m_blocks = blockStatistics(s, {}, blockLength());
    LdenPeriods periods;
    periods.dayStart = m_dayStart->value();
    periods.eveningStart = m_eveningStart->value();
    periods.nightStart = m_nightStart->value();
    m_lden = periods.valid() ? ldenOverWholeDays(s, {}, periods) : std::nullopt;
    m_ldenText->setText(!periods.valid() ? QStringLiteral("The periods must follow each other within the day.")
                        : !m_lden || !m_lden->lden
                            ? QStringLiteral("Lden: the graph covers no whole day.")
                            : QStringLiteral("Lden %1 dB over %2 whole day(s) (Lday %3, Levening %4, Lnight %5)")
                                  .arg(formatLevel(*m_lden->lden))
                                  .arg(m_lden->days)
                                  .arg(formatLevel(m_lden->ld), formatLevel(m_lden->le), formatLevel(m_lden->ln)));
    m_blocksStale = false;
    showBlocks(); // the table never holds more rows than the blocks
}

const std::vector<NoiseBlock>& NoisePanel::blocks()
{
    if (m_blocksStale)
        computeBlocks();
    return m_blocks;
}

void NoisePanel::showBlocks()
{
    m_blockModel->reset(static_cast<int>(m_blocks.size()), [this](int row, int column) {
        const NoiseBlock& k = m_blocks.at(static_cast<std::size_t>(row));
        switch (column) {
        case 0: return formatDateTime(k.start);
        case 1: return formatLevel(k.leq);
        case 2: return formatLevel(k.lmax);
        case 3: return formatLevel(k.lmin);
        case 4: return formatLevel(k.l10);
        default: return formatLevel(k.l90);
        }
    });
}

void NoisePanel::saveBlocks() { m_host.saveTable(tableText(*m_blockModel)); }
void NoisePanel::printBlocks() { m_host.printTable(tableText(*m_blockModel)); }

void NoisePanel::graphBlocks()
{
    const std::vector<NoiseBlock>& b = blocks();
    if (b.empty())
        return;
    const int n = static_cast<int>(b.size());
    const double length = blockSeconds(blockLength()) / kSecondsPerDay;
    auto* w = new GraphWindow(m_host, GraphKind::File);
    w->setCaption(QStringLiteral("%1 - %2 blocks").arg(m_window.caption(), m_blockLength->currentText()));
    ChartModel& m = w->model();
    // Each block's levels held from its start to its end, so that even one block shows.
    newChart(m, 3, 2 * n, b.front().start, b.back().start + length, 30, 130);
    const char* labels[3] = {"Leq", "Lmax", "Lmin"};
    for (int s = 0; s < 3; ++s)
        m.setSubsetLabel(s, labels[s]);
    for (int i = 0; i < n; ++i) {
        const NoiseBlock& k = b[static_cast<std::size_t>(i)];
        const std::optional<double> values[3] = {k.leq, k.lmax, k.lmin};
        for (int s = 0; s < 3; ++s)
            for (int end = 0; end < 2; ++end) {
                m.setXDataII(s, 2 * i + end, k.start + end * length);
                m.setYData(s, 2 * i + end, values[s] ? static_cast<float>(*values[s]) : m.nullDataValueY);
            }
    }
    m_host.showGraphWindow(*w);
    w->updateGraphStatistics();
    w->resetCursors();
}

// ---- Events ----

QWidget* NoisePanel::buildEventsTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    auto* form = new QFormLayout;
    m_threshold = new QDoubleSpinBox(tab);
    m_threshold->setObjectName("spnThreshold");
    m_threshold->setDecimals(1);
    m_threshold->setRange(0.0, 200.0);
    m_threshold->setSingleStep(0.5);
    m_threshold->setValue(70.0);
    m_threshold->setSuffix(" dB");
    form->addRow("Threshold", m_threshold);
    m_minDuration = new QDoubleSpinBox(tab);
    m_minDuration->setObjectName("spnMinDuration");
    m_minDuration->setDecimals(1);
    m_minDuration->setRange(0.0, 86400.0);
    m_minDuration->setValue(10.0);
    m_minDuration->setSuffix(" s");
    form->addRow("Minimum duration", m_minDuration);
    layout->addLayout(form);

    m_eventModel = new TextTableModel({"Start", "Duration (s)", "Lmax", "Leq", "LE"}, this);
    m_eventTable = tableView(tab, "tblEvents", m_eventModel);
    layout->addWidget(m_eventTable, 1);
    auto* buttons = new QHBoxLayout;
    QPushButton* save = button(tab, "btnSaveEvents", "Save...");
    QPushButton* print = button(tab, "btnPrintEvents", "Print...");
    buttons->addWidget(save);
    buttons->addWidget(print);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    for (QDoubleSpinBox* b : {m_threshold, m_minDuration})
        connect(b, &QDoubleSpinBox::valueChanged, this, [this] { scheduleUpdate(true); });
    connect(m_eventTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    selectEvent(current.row());
            });
    connect(save, &QPushButton::clicked, this, [this] { saveEvents(); });
    connect(print, &QPushButton::clicked, this, [this] { printEvents(); });
    return tab;
}

void NoisePanel::computeEvents()
{
    m_events = findEvents(series(), {}, threshold(), minimumDuration());
    m_eventsStale = false;
    showEvents(); // the table never holds more rows than the events
}

const std::vector<NoiseEvent>& NoisePanel::events()
{
    if (m_eventsStale)
        computeEvents();
    return m_events;
}

void NoisePanel::showEvents()
{
    m_eventModel->reset(static_cast<int>(m_events.size()), [this](int row, int column) {
        const NoiseEvent& v = m_events.at(static_cast<std::size_t>(row));
        switch (column) {
        case 0: return formatDateTime(v.start);
        case 1: return QString::number(v.duration, 'f', 1);
        case 2: return formatLevel(v.lmax);
        case 3: return formatLevel(v.leq);
        default: return formatLevel(v.le);
        }
    });
}

void NoisePanel::selectEvent(int row)
{
    const std::vector<NoiseEvent>& e = events();
    if (row < 0 || row >= static_cast<int>(e.size()))
        return;
    const NoiseEvent& v = e[static_cast<std::size_t>(row)];
    const int first = static_cast<int>(v.first);
    m_window.placeCursors(first, first + static_cast<int>(v.count) - 1);
    m_window.placePlayLineForWav(first);
}

void NoisePanel::saveEvents() { m_host.saveTable(tableText(*m_eventModel)); }
void NoisePanel::printEvents() { m_host.printTable(tableText(*m_eventModel)); }

} // namespace quedral
