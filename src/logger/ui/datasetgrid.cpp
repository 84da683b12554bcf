#include "logger/ui/datasetgrid.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace quedral {

namespace {
constexpr int kColumns = 9;
}

DataSetGrid::DataSetGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName("pnlDataSets");
    setFixedWidth(441);
    auto* dl = new QVBoxLayout(this);
    dl->setContentsMargins(2, 2, 2, 2);
    dl->addWidget(new QLabel("Data Sets", this));
    grdDataSets = new QTableWidget(this);
    grdDataSets->setObjectName("grdDataSets");
    grdDataSets->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdDataSets->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDataSets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDataSets->setWordWrap(false);
    grdDataSets->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* changeDate = new QAction("Change Date && Time", grdDataSets);
    changeDate->setObjectName("actChangeDateTime");
    grdDataSets->addAction(changeDate);
    connect(changeDate, &QAction::triggered, this, [this] { changeDateTime(); });
    dl->addWidget(grdDataSets);
    connect(grdDataSets, &QTableWidget::cellClicked, this, [this](int row, int) { clickRow(row); });

    static const char* heads[kColumns] = {"Set", "DATE", "TIME", "Rate", "Nums", "A/C", "Fa/Sl", "LEVEL", "wave file"};
    static const int widths[kColumns] = {25, 60, 60, 40, 40, 30, 40, 45, 100};
    grdDataSets->setColumnCount(kColumns);
    grdDataSets->setRowCount(1);
    for (int c = 0; c < kColumns; ++c) {
        grdDataSets->setHorizontalHeaderItem(c, new QTableWidgetItem(heads[c]));
        grdDataSets->setColumnWidth(c, widths[c]);
        grdDataSets->setItem(0, c, new QTableWidgetItem(QString()));
    }
    grdDataSets->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void DataSetGrid::setRows(const std::vector<QStringList>& rows)
{
    grdDataSets->setUpdatesEnabled(false);
    grdDataSets->clearContents();
    grdDataSets->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < kColumns; ++c)
            grdDataSets->setItem(r, c, new QTableWidgetItem(rows[r].value(c)));
    // Room for the texts as they are (dates and times in the user's format).
    grdDataSets->resizeColumnsToContents();
    grdDataSets->resizeRowsToContents();
    grdDataSets->setUpdatesEnabled(true);
    if (!rows.empty())
        selectRow(0);
}

int DataSetGrid::rowCount() const
{
    const QTableWidgetItem* first = grdDataSets->item(0, 0);
    return first && !first->text().isEmpty() ? grdDataSets->rowCount() : 0;
}

QStringList DataSetGrid::rowTexts(int row) const
{
    QStringList texts;
    for (int c = 0; c < grdDataSets->columnCount(); ++c) {
        const QTableWidgetItem* item = grdDataSets->item(row, c);
        texts << (item ? item->text() : QString());
    }
    return texts;
}

void DataSetGrid::setStartTexts(int row, const QString& date, const QString& time)
{
    if (QTableWidgetItem* d = grdDataSets->item(row, 1))
        d->setText(date);
    if (QTableWidgetItem* t = grdDataSets->item(row, 2))
        t->setText(time);
}

void DataSetGrid::selectRow(int row)
{
    grdDataSets->clearSelection();
    grdDataSets->setCurrentCell(row, 0);
    grdDataSets->selectRow(row);
}

int DataSetGrid::selectedRow() const
{
    const QList<QTableWidgetSelectionRange> ranges = grdDataSets->selectedRanges();
    return ranges.isEmpty() ? grdDataSets->currentRow() : ranges.first().topRow();
}

void DataSetGrid::clickRow(int row)
{
    const QTableWidgetItem* date = grdDataSets->item(row, 1);
    if (!date || date->text().isEmpty())
        return;
    emit dataSetChosen(row);
}

void DataSetGrid::changeDateTime()
{
    // An empty row does nothing.
    const int row = selectedRow();
    if (row < 0 || rowTexts(row).value(1).isEmpty())
        return;
    emit startChangeRequested(row);
}

} // namespace quedral
