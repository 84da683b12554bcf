#pragma once
// The Leq window: the duration, Start and Stop, one table row per measured second with its
// SPL and running Leq, the current Leq and the time left, Save (tab-separated text) and Graph.
#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "leq/leqmeasurement.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableView;

namespace quedral {

class GraphHost;
class LeqRunner;
class GraphWindow;

// The rows of the table: "No", "Date", "TIME", "SPL", "Leq". Kept as values, so a day-long
// measurement (86,400 rows) costs a few megabytes.
class LeqTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void append(const LeqRow& row);
    void clear();
    const std::vector<LeqRow>& rows() const { return m_rows; }
    // Cell texts as the table shows them (column 0 the number ... 4 the Leq).
    QString text(int row, int column) const;

private:
    std::vector<LeqRow> m_rows;
};

class LeqWindow : public QWidget {
    Q_OBJECT
public:
    LeqWindow(LeqRunner& runner, GraphHost& graphs, QWidget* parent = nullptr);
    ~LeqWindow() override;

    const LeqTableModel& table() const { return m_model; }
    // The table as the table export reads it: rows 1 .. gridRows(), columns 1 .. 4.
    int gridRows() const { return m_model.rowCount(); }
    // The grid's cell: row 0 is the header row ("No", "Date", "TIME", "SPL", "Leq"), data rows
    // count from 1; columns 0 .. 4.
    QString gridCell(int row, int column) const;
    // The grid's rows as the printout reads them, the header row included, and its columns.
    int gridRowCount() const { return m_model.rowCount() + 1; }
    int gridColumnCount() const { return m_model.columnCount(); }
    QString timeLeftText() const;
    QString leqText() const;
    // The duration chosen: item index of cmbTimeSelect.
    void selectDuration(int item);
    // The graph windows made by Graph (they close with this window).
    QList<GraphWindow*> graphWindows() const;

    // ---- Event handlers ----
    void onShown();
    // The close query: true lets the window close. Asks about a table not yet saved.
    bool mayClose();
    void onClosed();
    void startMeasurement();  // Start
    void stop();
    // Save: asks for a file and writes the table; false when cancelled or failed.
    bool saveTable();
    void showGraph();

signals:
    void closed();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void onRow(const LeqRow& row);
    void onTimeLeft(int seconds);
    void onFinished(bool failed);

    LeqRunner& m_runner;
    GraphHost& m_graphs;
    LeqTableModel m_model;
    bool m_unsaved = false;
    bool m_closed = false;
    bool m_shown = false;
    QList<QPointer<GraphWindow>> m_graphWindows;

    // ---- Controls ----
    QTableView* LEQGrid = nullptr;
    QSplitter* splSide = nullptr;
    QWidget* pnlSide = nullptr;
    QGroupBox* grpSetup = nullptr;
    QComboBox* cmbTimeSelect = nullptr;
    QPushButton* btnLEQ = nullptr; // "Start"
    QPushButton* btnStop = nullptr;
    QGroupBox* grpStatus = nullptr;
    QLabel *lblRate = nullptr, *lblTimeLeft = nullptr, *lblLeq = nullptr;
    QLineEdit *edtLEQrate = nullptr, *edtTimeLeft = nullptr, *edtLEQValue = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnGraph = nullptr;
    QWidget* pnlBottom = nullptr;
};

} // namespace quedral
