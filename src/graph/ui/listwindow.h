#pragma once
// The list window: the rows of an opened text or CSV file, from which Output to graph makes a
// graph. A view over a ListTable, so a million rows open quickly and in little memory.
#include <QAbstractTableModel>
#include <QWidget>

#include "files/textfiles.h"

class QTableView;

namespace quedral {

class GraphHost;

class ListTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void setTable(ListTable table);
    const ListTable& table() const { return m_table; }

private:
    ListTable m_table;
};

class ListWindow : public QWidget {
    Q_OBJECT
public:
    explicit ListWindow(GraphHost& host, QWidget* parent = nullptr);

    void setCaption(const QString& caption) { setWindowTitle(caption); }
    QString caption() const { return windowTitle(); }
    void setTable(ListTable table);
    const ListTable& table() const { return m_model.table(); }
    // The grid as the table export and the printout read it: row 0 is the header row, data
    // rows count from 1; columns 0 (the row number) .. 6.
    QString gridCell(int row, int column) const;
    int gridRowCount() const { return table().rowCount() + 1; }
    int gridColumnCount() const { return ListTable::kColumns; }

    void onActivated();

protected:
    bool event(QEvent* e) override;

private:
    GraphHost& m_host;
    ListTableModel m_model;
    QTableView* grdList = nullptr;
};

} // namespace quedral
