#pragma once
// The data logger window's side panel: the "Data Sets" grid, one row per data set with its nine
// texts, and its menu's "Change Date & Time".
#include <QStringList>
#include <QWidget>
#include <vector>

#include "graph/ui/datasetrows.h"

class QTableWidget;

namespace quedral {

class DataSetGrid : public QWidget, public DataSetRows {
    Q_OBJECT
public:
    explicit DataSetGrid(QWidget* parent = nullptr);

    // Fills the grid, one row per data set with its nine texts, and selects the first row.
    void setRows(const std::vector<QStringList>& rows);
    // The number of data sets listed (0 while the grid holds only its empty first row).
    int rowCount() const;
    QStringList rowTexts(int row) const override;
    // A data set's row gets the texts of a new start.
    void setStartTexts(int row, const QString& date, const QString& time);
    void selectRow(int row);
    // The row the commands act on: the top row of the selection, else the current row (-1 for
    // none).
    int selectedRow() const override;

    // A click on a row: a row with a data set asks for it to be shown.
    void clickRow(int row);
    // "Change Date & Time" from the grid's menu: a selected data set asks for a new start.
    void changeDateTime();

signals:
    void dataSetChosen(int row);
    void startChangeRequested(int row);

private:
    QTableWidget* grdDataSets = nullptr;
};

} // namespace quedral
