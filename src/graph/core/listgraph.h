#pragma once
// Output to graph: a list table (an imported text or CSV file) as a chart.
#include <QLocale>
#include <QString>

#include "files/textfiles.h"

namespace quedral {

class ChartModel;

// What Output to graph (and the Leq window's Graph) say about a table without data.
inline constexpr char kNoDataToGraph[] = "No data to graph !";

// Makes the chart of Output to graph: 1 subset, one point per row, X from the row's date and
// time, Y from column 3 (column 4 when its header is exactly "LEQ"); NewChart's set-up with X
// from the first row's time to the last's and Y 30 .. 130. A row with an unreadable time keeps
// X = 0 and the null Y, one with an unreadable level the null Y. Returns the error message when
// the first or last row's time cannot be read (the chart then keeps what NewChart has not yet
// touched: nothing), "No data to graph !" for a table without rows, else an empty string.
// keepGoing is asked after each row.
QString listToGraph(const ListTable& table, ChartModel& chart, const KeepGoing& keepGoing = {},
                    const QLocale& locale = QLocale());

} // namespace quedral
