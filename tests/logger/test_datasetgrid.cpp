// The "DataLogger" window's data set grid on its own: its columns, its rows, and which clicks
// and menu commands ask the data logger for something.
#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>
#include <QTableWidget>

#include "logger/ui/datasetgrid.h"

using namespace quedral;

namespace {
const std::vector<QStringList> kRows = {
    {"1", "23/11/2026", "09:00:00", "00:02", "2700", "dBA", "FAST", "30-130", "WAV00012"},
    {"2", "23/11/2026", "11:00:00", "00:01", "60", "dBA", "FAST", "30-130", ""},
};
} // namespace

TEST(DataSetGrid, FreshGridHasItsColumnsAndOneEmptyRow)
{
    DataSetGrid grid;
    EXPECT_EQ(grid.objectName(), "pnlDataSets");
    auto* table = grid.findChild<QTableWidget*>("grdDataSets");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 9);
    EXPECT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->horizontalHeaderItem(8)->text(), "wave file");
    EXPECT_EQ(table->columnWidth(1), 60);
    EXPECT_EQ(grid.rowCount(), 0);
    auto* change = grid.findChild<QAction*>("actChangeDateTime");
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(change->text(), "Change Date && Time");
}

TEST(DataSetGrid, RowsAndSelection)
{
    DataSetGrid grid;
    grid.setRows(kRows);
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.selectedRow(), 0) << "the first row is selected";
    EXPECT_EQ(grid.rowTexts(1), kRows[1]);
    grid.selectRow(1);
    EXPECT_EQ(grid.selectedRow(), 1);
    grid.setStartTexts(1, "01/01/2027", "08:00:00");
    EXPECT_EQ(grid.rowTexts(1).mid(0, 4), QStringList({"2", "01/01/2027", "08:00:00", "00:01"}));
}

TEST(DataSetGrid, OnlyRowsWithADataSetAskForSomething)
{
    DataSetGrid grid;
    QSignalSpy chosen(&grid, &DataSetGrid::dataSetChosen);
    QSignalSpy change(&grid, &DataSetGrid::startChangeRequested);
    // The empty first row of a fresh grid.
    grid.clickRow(0);
    grid.selectRow(0);
    grid.changeDateTime();
    EXPECT_EQ(chosen.size(), 0);
    EXPECT_EQ(change.size(), 0);

    grid.setRows(kRows);
    grid.clickRow(1);
    grid.findChild<QAction*>("actChangeDateTime")->trigger();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toInt(), 1);
    ASSERT_EQ(change.size(), 1);
    EXPECT_EQ(change[0][0].toInt(), 0) << "the selected row";
}
