#include "graph/ui/listwindow.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

#include "graph/ui/graphhost.h"

namespace quedral {

int ListTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_table.rowCount(); }
int ListTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ListTable::kColumns; }

QVariant ListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return m_table.cell(index.row(), index.column());
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < ListTable::kColumns)
        return m_table.header(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ListTableModel::setTable(ListTable table)
{
    beginResetModel();
    m_table = std::move(table);
    endResetModel();
}

ListWindow::ListWindow(GraphHost& host, QWidget* parent) : QWidget(parent), m_host(host), m_model(this)
{
    setObjectName("frmList");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(405, 460);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    grdList = new QTableView(this);
    grdList->setObjectName("grdList");
    grdList->setModel(&m_model);
    grdList->setShowGrid(true);
    grdList->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grdList->verticalHeader()->hide();
    grdList->verticalHeader()->setDefaultSectionSize(18);
    // Every row has the same height: the view need not measure a million of them.
    grdList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    col->addWidget(grdList);
}

void ListWindow::setTable(ListTable table) { m_model.setTable(std::move(table)); }

QString ListWindow::gridCell(int row, int column) const
{
    return row == 0 ? m_model.table().header(column) : m_model.table().cell(row - 1, column);
}

void ListWindow::onActivated() { m_host.setOutputToGraphEnabled(true); }

bool ListWindow::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        onActivated();
    return QWidget::event(e);
}

} // namespace quedral
