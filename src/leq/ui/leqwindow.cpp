#include "leq/ui/leqwindow.h"

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
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/listgraph.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"
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

LeqWindow::LeqWindow(LeqRunner& runner, GraphHost& graphs, QWidget* parent)
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

    connect(btnLEQ, &QPushButton::clicked, this, &LeqWindow::startMeasurement);
    connect(btnStop, &QPushButton::clicked, this, &LeqWindow::stop);
    connect(btnSave, &QPushButton::clicked, this, [this] { saveTable(); });
    connect(btnGraph, &QPushButton::clicked, this, &LeqWindow::showGraph);
    connect(&m_runner, &LeqRunner::rowFinished, this, &LeqWindow::onRow);
    connect(&m_runner, &LeqRunner::timeLeftChanged, this, &LeqWindow::onTimeLeft);
    connect(&m_runner, &LeqRunner::finished, this, &LeqWindow::onFinished);
    // The measurement goes on; the user learns that its log stopped short.
    connect(&m_runner, &LeqRunner::logFailed, this, [](const QString& problem) { Prompter::instance().message(problem); });
}

LeqWindow::~LeqWindow()
{
    if (!m_closed)
        onClosed();
}

void LeqWindow::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        onShown();
    }
}

void LeqWindow::onShown() { cmbTimeSelect->setCurrentIndex(0); }

void LeqWindow::selectDuration(int item) { cmbTimeSelect->setCurrentIndex(item); }
QString LeqWindow::gridCell(int row, int column) const
{
    if (row == 0)
        return m_model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    if (row < 1 || row > gridRows() || column < 0 || column >= m_model.columnCount())
        return {};
    return m_model.text(row - 1, column);
}

QString LeqWindow::timeLeftText() const { return edtTimeLeft->text(); }
QString LeqWindow::leqText() const { return edtLEQValue->text(); }

QList<GraphWindow*> LeqWindow::graphWindows() const
{
    QList<GraphWindow*> list;
    for (const QPointer<GraphWindow>& g : m_graphWindows)
        if (g)
            list << g.data();
    return list;
}

void LeqWindow::startMeasurement()
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

void LeqWindow::stop() { m_runner.stop(); }

void LeqWindow::onRow(const LeqRow& row)
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

void LeqWindow::onTimeLeft(int seconds) { edtTimeLeft->setText(LeqMeasurement::timeLeftText(std::max(0, seconds))); }

void LeqWindow::onFinished(bool failed)
{
    if (failed)
        Prompter::instance().message(Msg::LeqFail);
}

bool LeqWindow::saveTable()
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

void LeqWindow::showGraph()
{
    const std::vector<LeqRow>& rows = m_model.rows();
    if (rows.empty()) {
        Prompter::instance().message(kNoDataToGraph);
        return;
    }
    auto* w = new GraphWindow(m_graphs, GraphKind::File);
    w->setCaption("Leq");
    m_graphWindows << w;
    putLeqTable(w->model(), rows);
    w->setCalLeqEnabled(false);
    m_graphs.showGraphWindow(*w);
    w->updateGraphStatistics();
    w->showSamplingRate("1");
    w->refreshChart();
}

bool LeqWindow::mayClose()
{
    if (!m_unsaved || m_model.rowCount() == 0)
        return true;
    switch (Prompter::instance().ask("Save LEQ data ?", Buttons::YesNoCancel)) {
    case Answer::Yes:
        return saveTable();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

void LeqWindow::onClosed()
{
    if (m_closed)
        return;
    m_closed = true;
    m_runner.stop();
    // The graphs made from this table close with it (their frame, when they have one).
    for (const QPointer<GraphWindow>& g : m_graphWindows)
        if (g)
            GraphWindow::closeOwnedWindow(*g);
    emit closed();
}

void LeqWindow::closeEvent(QCloseEvent* e)
{
    if (!m_closed && !mayClose()) {
        e->ignore();
        return;
    }
    onClosed();
    e->accept();
}

} // namespace quedral
