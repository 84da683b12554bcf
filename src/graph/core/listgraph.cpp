#include "graph/core/listgraph.h"

#include <QDate>
#include <QTime>

#include <vector>

#include "base/datetime.h"
#include "files/graphtext.h"
#include "graph/chartmodel.h"
#include "graph/core/chartsetup.h"

namespace quedral {

namespace {

// Reads the rows' date and time cells; the date text of the last row read is kept with its
// value, as a list's rows share few days.
class RowTimes {
public:
    RowTimes(const ListTable& table, const QLocale& locale)
        : m_table(table)
        , m_locale(locale)
    {
    }

    std::optional<double> read(int row)
    {
        const QByteArrayView date = m_table.cellUtf8(row, 1);
        if (!m_haveDate || date != QByteArrayView(m_dateText)) {
            m_dateText = date.toByteArray();
            m_date = readShortDate(QString::fromUtf8(date), m_locale);
            m_haveDate = true;
        }
        if (!m_date)
            return std::nullopt;
        const std::optional<QTime> t = readTimeOfDay(QString::fromUtf8(m_table.cellUtf8(row, 2)), m_locale);
        if (!t)
            return std::nullopt;
        return toDays(*m_date, *t);
    }

private:
    const ListTable& m_table;
    QLocale m_locale;
    bool m_haveDate = false;
    QByteArray m_dateText;
    std::optional<QDate> m_date;
};

QString notADateTime(const ListTable& table, int row)
{
    return QStringLiteral("'%1' is not a valid date and time").arg(table.cell(row, 1) + QChar(' ') + table.cell(row, 2));
}

} // namespace

QString listToGraph(const ListTable& table, ChartModel& chart, const KeepGoing& keepGoing, const QLocale& locale)
{
    const int n = table.rowCount();
    if (n == 0)
        return QString::fromLatin1(kNoDataToGraph);
    RowTimes times(table, locale);
    const std::optional<double> start = times.read(0);
    if (!start)
        return notADateTime(table, 0);
    const std::optional<double> end = times.read(n - 1);
    if (!end)
        return notADateTime(table, n - 1);

    NewChart(chart, 1, n, *start, *end, 30.0f, 130.0f);
    const int levelColumn = table.header(4) == QLatin1String("LEQ") ? 4 : 3;

    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    std::vector<float> y(static_cast<std::size_t>(n), chart.nullDataValueY);
    for (int r = 0; r < n; ++r) {
        if (const std::optional<double> t = times.read(r)) {
            x[static_cast<std::size_t>(r)] = *t;
            if (const std::optional<float> v = readLevel(QString::fromUtf8(table.cellUtf8(r, levelColumn)), locale))
                y[static_cast<std::size_t>(r)] = *v;
        }
        if (keepGoing && !keepGoing(r + 1))
            break;
    }
    chart.setBulkXData(x.data(), static_cast<qsizetype>(x.size()));
    chart.setBulkYData(y.data(), static_cast<qsizetype>(y.size()));
    return {};
}

} // namespace quedral
