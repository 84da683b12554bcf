#include "graph/listgraph.h"

#include <cmath>
#include <vector>

#include "files/textpoints.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"

namespace quedral {

namespace {

QString notADateTime(const ListTable& table, int row)
{
    return QStringLiteral("'%1' is not a valid date and time").arg(table.cell(row, 1) + QChar(' ') + table.cell(row, 2));
}

} // namespace

QString ListGraphReport::message() const
{
    QString text;
    if (skipped > 0)
        text = QStringLiteral("%1 of %2 rows could not be read and were left out of the graph; the first is row %3: %4")
                   .arg(skipped)
                   .arg(rows)
                   .arg(firstSkipped)
                   .arg(firstReason);
    if (cancelled) {
        if (!text.isEmpty())
            text += QStringLiteral("; ");
        text += QStringLiteral("graphing was cancelled after row %1 of %2").arg(graphed + skipped).arg(rows);
    }
    return text;
}

QString listToGraph(const ListTable& table, ChartModel& chart, const KeepGoing& keepGoing, const QLocale& locale,
                    ListGraphReport* reportOut)
{
    ListGraphReport report;
    const int n = table.rowCount();
    report.rows = n;
    if (reportOut)
        *reportOut = report;
    if (n == 0)
        return QString::fromLatin1(kNoDataToGraph);
    if (n > ChartModel::kMaxPoints)
        return QStringLiteral("The list has %1 rows, more than the %2 points a graph holds.").arg(n).arg(ChartModel::kMaxPoints);
    TextRowReader reader(locale);
    const auto timeOf = [&](int row) { return reader.time(table.cellUtf8(row, 1), table.cellUtf8(row, 2)); };
    const std::optional<double> start = timeOf(0);
    if (!start)
        return notADateTime(table, 0);
    const std::optional<double> end = timeOf(n - 1);
    if (!end)
        return notADateTime(table, n - 1);

    const int levelColumn = table.header(4) == QLatin1String("LEQ") ? 4 : 3;
    std::vector<double> x;
    std::vector<float> y;
    x.reserve(static_cast<std::size_t>(n));
    y.reserve(static_cast<std::size_t>(n));
    const auto skip = [&](int r, const QString& why) {
        if (report.skipped++ == 0) {
            report.firstSkipped = r + 1;
            report.firstReason = why;
        }
    };
    for (int r = 0; r < n; ++r) {
        const std::optional<double> t = timeOf(r);
        if (!t) {
            skip(r, notADateTime(table, r));
        } else {
            const std::optional<float> v = reader.level(table.cellUtf8(r, levelColumn));
            if (!v)
                skip(r, QStringLiteral("'%1' is not a level").arg(table.cell(r, levelColumn)));
            else if (!(std::fabs(*v) <= ChartModel::kMaxPlausibleLevel)) // the null value 9999 included
                skip(r, QStringLiteral("%1 dB is not a plausible level").arg(table.cell(r, levelColumn).trimmed()));
            else {
                x.push_back(*t);
                y.push_back(*v);
            }
        }
        if (keepGoing && !keepGoing(r + 1)) {
            report.cancelled = r + 1 < n;
            break;
        }
    }
    report.graphed = static_cast<std::int64_t>(x.size());
    newChart(chart, 1, static_cast<int>(x.size()), *start, *end, 30.0f, 130.0f);
    chart.setBulkXData(x.data(), static_cast<qsizetype>(x.size()));
    chart.setBulkYData(y.data(), static_cast<qsizetype>(y.size()));
    if (reportOut)
        *reportOut = report;
    return {};
}

} // namespace quedral
