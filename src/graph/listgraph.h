#pragma once
// Output to graph: a list table (an imported text or CSV file) as a chart.
#include <QLocale>
#include <QString>

#include "files/textfiles.h"

namespace quedral {

class ChartModel;

// What Output to graph (and the Leq window's Graph) say about a table without data.
inline constexpr char kNoDataToGraph[] = "No data to graph !";

// What Output to graph left out: rows with a field it cannot read (never turned into points)
// and the rows after a Cancel.
struct ListGraphReport {
    std::int64_t rows = 0;       // rows in the list
    std::int64_t graphed = 0;    // rows that became points
    std::int64_t skipped = 0;    // rows left out because a field could not be read
    std::int64_t firstSkipped = 0; // 1-based row number of the first of them
    QString firstReason;         // what is wrong with it
    bool cancelled = false;      // Cancel ended the job after `graphed + skipped` rows

    // What was left out; empty when every row became a point.
    QString message() const;
};

// Makes the chart of Output to graph: 1 subset, one point per readable row, X from the row's
// date and time, Y from column 3 (column 4 when its header is exactly "LEQ"); newChart's set-up
// with X from the first row's time to the last's and Y 30 .. 130. A row whose date, time or
// level cannot be read, or whose level is not a level at all (beyond
// ChartModel::kMaxPlausibleLevel dB, the 9999 the text export writes for a gap included), is
// left out and counted in *report, never turned into a point. Returns the error message when the first or last row's time cannot be read (the chart
// then keeps what newChart has not yet touched: nothing), "No data to graph !" for a table
// without rows, a refusal for more rows than a chart holds, else an empty string. keepGoing is
// asked after each row; Cancel keeps the points made so far.
QString listToGraph(const ListTable& table, ChartModel& chart, const KeepGoing& keepGoing = {},
                    const QLocale& locale = QLocale(), ListGraphReport* report = nullptr);

} // namespace quedral
