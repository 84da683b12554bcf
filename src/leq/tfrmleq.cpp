#include "leq/tfrmleq.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include "base/datadir.h"
#include "base/prompter.h"
#include "graph/chartmodel.h"
#include "graph/core/chartsetup.h"
#include "graph/core/graphformat.h"
#include "graph/core/listgraph.h"
#include "graph/pesgraph.h"
#include "graph/window/graphhost.h"
#include "graph/window/tfrmgraph.h"
#include "leq/leqrunner.h"
#include "meter/frames.h"

namespace quedral {

// ---------------------------------------------------------------------------
// The table

int LeqTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LeqTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 5; }

QString LeqTableModel::text(int row, int column) const
{
    return leqRowText(m_rows[static_cast<size_t>(row)], column);
}

QVariant LeqTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return text(index.row(), index.column());
}

QVariant LeqTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const heads[5] = {"No", "Date", "TIME", "SPL", "Leq"};
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section > 4)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(heads[section]);
}

void LeqTableModel::append(const LeqRow& row)
{
    const int n = static_cast<int>(m_rows.size());
    beginInsertRows({}, n, n);
    m_rows.push_back(row);
    endInsertRows();
}

void LeqTableModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

// ---------------------------------------------------------------------------
// The window

namespace {
QLineEdit* statusBox(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setEnabled(false);
    return e;
}
} // namespace

TfrmLEQ::TfrmLEQ(LeqRunner& runner, GraphHost& graphs, QWidget* parent)
    : QWidget(parent), m_runner(runner), m_graphs(graphs), m_model(this)
{
    setObjectName("frmLEQ");
    setWindowTitle("LEQ");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(982, 580);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    splSide = new QSplitter(Qt::Horizontal, this);
    splSide->setObjectName("splSide");
    outer->addWidget(splSide, 1);

    LEQGrid = new QTableView(splSide);
    LEQGrid->setObjectName("LEQGrid");
    LEQGrid->setModel(&m_model);
    LEQGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    LEQGrid->verticalHeader()->hide();
    LEQGrid->verticalHeader()->setDefaultSectionSize(20);
    LEQGrid->setMinimumWidth(200);
    const int widths[5] = {65, 75, 100, 75, 75};
    for (int c = 0; c < 5; ++c)
        LEQGrid->setColumnWidth(c, widths[c]);

    pnlSide = new QWidget(splSide);
    pnlSide->setObjectName("pnlSide");
    auto* side = new QVBoxLayout(pnlSide);
    grpSetup = new QGroupBox("Setup", pnlSide);
    grpSetup->setObjectName("grpSetup");
    auto* setup = new QVBoxLayout(grpSetup);
    cmbTimeSelect = new QComboBox(grpSetup);
    cmbTimeSelect->setObjectName("cmbTimeSelect");
    for (const char* item : kLeqDurationItems)
        cmbTimeSelect->addItem(item);
    btnLEQ = new QPushButton("Start", grpSetup);
    btnLEQ->setObjectName("btnLEQ");
    btnStop = new QPushButton("Stop", grpSetup);
    btnStop->setObjectName("btnStop");
    setup->addWidget(cmbTimeSelect);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnLEQ);
    buttons->addWidget(btnStop);
    setup->addLayout(buttons);
    side->addWidget(grpSetup);

    grpStatus = new QGroupBox("Status", pnlSide);
    grpStatus->setObjectName("grpStatus");
    auto* status = new QGridLayout(grpStatus);
    lblRate = new QLabel("sampling rate", grpStatus);
    lblRate->setObjectName("lblRate");
    edtLEQrate = statusBox(grpStatus, "edtLEQrate");
    lblTimeLeft = new QLabel("time left", grpStatus);
    lblTimeLeft->setObjectName("lblTimeLeft");
    edtTimeLeft = statusBox(grpStatus, "edtTimeLeft");
    lblLeq = new QLabel("LEQ", grpStatus);
    lblLeq->setObjectName("lblLeq");
    edtLEQValue = statusBox(grpStatus, "edtLEQValue");
    status->addWidget(lblRate, 0, 0);
    status->addWidget(edtLEQrate, 0, 1);
    status->addWidget(lblTimeLeft, 1, 0);
    status->addWidget(edtTimeLeft, 1, 1);
    status->addWidget(lblLeq, 2, 0);
    status->addWidget(edtLEQValue, 2, 1);
    lblRate->hide();
    edtLEQrate->hide();
    side->addWidget(grpStatus);

    btnSave = new QPushButton("Save", pnlSide);
    btnSave->setObjectName("btnSave");
    btnGraph = new QPushButton("Graph", pnlSide);
    btnGraph->setObjectName("btnGraph");
    side->addWidget(btnSave);
    side->addWidget(btnGraph);
    side->addStretch(1);
    splSide->addWidget(LEQGrid);
    splSide->addWidget(pnlSide);
    splSide->setSizes({537, 982 - 537});

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName("pnlBottom");
    pnlBottom->setFixedHeight(41);
    outer->addWidget(pnlBottom);

    connect(btnLEQ, &QPushButton::clicked, this, &TfrmLEQ::btnLEQClick);
    connect(btnStop, &QPushButton::clicked, this, &TfrmLEQ::btnStopClick);
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnGraph, &QPushButton::clicked, this, &TfrmLEQ::btnGraphClick);
    connect(&m_runner, &LeqRunner::rowFinished, this, &TfrmLEQ::onRow);
    connect(&m_runner, &LeqRunner::timeLeftChanged, this, &TfrmLEQ::onTimeLeft);
    connect(&m_runner, &LeqRunner::finished, this, &TfrmLEQ::onFinished);
    // The measurement goes on; the user learns that its log stopped short.
    connect(&m_runner, &LeqRunner::logFailed, this, [](const QString& problem) { Prompter::instance().message(problem); });
}

TfrmLEQ::~TfrmLEQ()
{
    if (!m_closed)
        FormClose();
}

void TfrmLEQ::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfrmLEQ::FormShow() { cmbTimeSelect->setCurrentIndex(0); }

void TfrmLEQ::selectDuration(int item) { cmbTimeSelect->setCurrentIndex(item); }
QString TfrmLEQ::gridCell(int row, int column) const
{
    if (row == 0)
        return m_model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    if (row < 1 || row > gridRows() || column < 0 || column >= m_model.columnCount())
        return {};
    return m_model.text(row - 1, column);
}

QString TfrmLEQ::timeLeftText() const { return edtTimeLeft->text(); }
QString TfrmLEQ::leqText() const { return edtLEQValue->text(); }

QList<TfrmGraph*> TfrmLEQ::graphWindows() const
{
    QList<TfrmGraph*> list;
    for (const QPointer<TfrmGraph>& g : m_graphWindows)
        if (g)
            list << g.data();
    return list;
}

void TfrmLEQ::btnLEQClick()
{
    const int item = cmbTimeSelect->currentIndex();
    // A typed text selects no item; a day then, as "Manual" does.
    const int seconds = item >= 0 && item < 10 ? kLeqDurations[item] : kLeqDurations[9];
    m_model.clear();
    m_unsaved = false;
    edtLEQValue->clear();
    edtTimeLeft->setText(LeqMeasurement::timeLeftText(seconds));
    m_runner.start(seconds);
}

void TfrmLEQ::btnStopClick() { m_runner.stop(); }

void TfrmLEQ::onRow(const LeqRow& row)
{
    m_model.append(row);
    m_unsaved = true;
    if (m_model.rowCount() == 1) {
        // Room for the date and time as the user's format writes them.
        const QFontMetrics fm = LEQGrid->fontMetrics();
        for (int c = 1; c < 3; ++c)
            LEQGrid->setColumnWidth(c, std::max(LEQGrid->columnWidth(c), fm.horizontalAdvance(m_model.text(0, c)) + 12));
    }
    if (row.hasLevels) {
        edtLEQrate->setText(QStringLiteral("%1/sec").arg(row.readings));
        edtLEQValue->setText(formatLevel(row.leq));
    }
    LEQGrid->scrollToBottom();
}

void TfrmLEQ::onTimeLeft(int seconds) { edtTimeLeft->setText(LeqMeasurement::timeLeftText(std::max(0, seconds))); }

void TfrmLEQ::onFinished(bool failed)
{
    if (failed)
        Prompter::instance().message(Msg::LeqFail);
}

bool TfrmLEQ::btnSaveClick()
{
    const QString file = Prompter::instance().saveFileName("|*.txt", "txt", DataDir::path(), nullptr);
    if (file.isEmpty())
        return false;
    QString error;
    if (!saveLeqTable(file, m_model.rows(), &error)) {
        Prompter::instance().message(
            QStringLiteral("The table was not saved to %1: %2").arg(QDir::toNativeSeparators(file), error));
        return false;
    }
    m_unsaved = false;
    return true;
}

void TfrmLEQ::btnGraphClick()
{
    const std::vector<LeqRow>& rows = m_model.rows();
    if (rows.empty()) {
        Prompter::instance().message(kNoDataToGraph);
        return;
    }
    auto* w = new TfrmGraph(m_graphs, GraphKind::File);
    w->setCaption("Leq");
    m_graphWindows << w;
    PutLeqTable(w->model(), rows);
    w->setCalLeqEnabled(false);
    m_graphs.showGraphWindow(*w);
    w->GraphStatistics();
    w->showSamplingRate("1");
    w->refreshChart();
}

bool TfrmLEQ::FormCloseQuery()
{
    if (!m_unsaved || m_model.rowCount() == 0)
        return true;
    switch (Prompter::instance().ask("Save LEQ data ?", Buttons::YesNoCancel)) {
    case Answer::Yes:
        return btnSaveClick();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

void TfrmLEQ::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    m_runner.stop();
    // The graphs made from this table close with it (their frame, when they have one).
    for (const QPointer<TfrmGraph>& g : m_graphWindows)
        if (g)
            TfrmGraph::closeOwnedWindow(*g);
    emit closed();
}

void TfrmLEQ::closeEvent(QCloseEvent* e)
{
    if (!m_closed && !FormCloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

} // namespace quedral
