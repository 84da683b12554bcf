#pragma once
// A read-only table of texts worked out on demand: its headers, its row count and one function
// that gives a cell's text. Tables of many rows cost no memory of their own.
#include <QAbstractTableModel>
#include <QStringList>

#include <functional>

namespace quedral {

class TextTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Cell = std::function<QString(int row, int column)>;

    TextTableModel(QStringList headers, QObject* parent = nullptr);
    // New contents: rows 0 .. rows - 1, each cell from `cell`.
    void reset(int rows, Cell cell);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QStringList headers() const { return m_headers; }
    QString cell(int row, int column) const { return m_cell ? m_cell(row, column) : QString(); }

private:
    QStringList m_headers;
    int m_rows = 0;
    Cell m_cell;
};

} // namespace quedral
