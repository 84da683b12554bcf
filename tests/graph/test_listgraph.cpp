// Output to graph from a list table, and the whole road: a chart exported as text or CSV,
// imported into a list table and graphed again gives the same times and levels.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>
#include <QTime>

#include <cmath>

#include "base/datetime.h"
#include "files/textfiles.h"
#include "chart/chartmodel.h"
#include "graph/listgraph.h"
#include "support/testenv.h"

using namespace quedral;

namespace {
using test::kUs;
using test::kDe;
using test::days;

ListTable tableOf(const std::vector<QStringList>& rows)
{
    ListTable t;
    for (const QStringList& r : rows)
        t.appendRow(r);
    return t;
}

ListTable importText(QByteArray bytes, QChar separator)
{
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    return importListTable(in, separator);
}

QByteArray exportText(const ChartModel& chart, QChar separator)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    writeGraphText(out, chart, {1, chart.points()}, separator);
    return out.data();
}
} // namespace

TEST(ListToGraph, PointsScalesAndUnreadableRows)
{
    test::ScopedDataDir dir; // no chart template
    const ListTable t = tableOf({
        {"3/14/24", "13:05:07.0", "65.3"},
        {"3/14/24", "13:05:08.5", "dB"},      // unreadable level
        {"3/14/24", "noon", "70.0"},          // unreadable time
        {"x/y/z", "13:05:09.0", "70.0"},      // unreadable date
        {"3/14/24", "13:05:09.5", "9999.0"},  // the null value, as the export writes a gap
        {"3/14/24", "13:05:10.0", "6485.0"},  // no level sound can have
        {"3/14/24", "13:05:10.5", "inf"},
        {"3/15/24", " 00:00:01.250", " 40"},  // blanks as the CSV leaves them
    });
    ChartModel chart;
    ListGraphReport report;
    ASSERT_EQ(listToGraph(t, chart, {}, kUs, &report), QString());
    // Unreadable rows are left out, never made into points at 30 Dec 1899 or 9999 dB.
    ASSERT_EQ(chart.subsets(), 1);
    ASSERT_EQ(chart.points(), 2);
    const double start = days(2024, 3, 14, 13, 5, 7), end = days(2024, 3, 15, 0, 0, 1, 250);
    EXPECT_NEAR(chart.xDataII(0, 0), start, 1e-9);
    EXPECT_FLOAT_EQ(chart.yData(0, 0), 65.3f);
    EXPECT_NEAR(chart.xDataII(0, 1), end, 1e-9); // ".250" is a quarter second
    EXPECT_FLOAT_EQ(chart.yData(0, 1), 40.0f);
    for (int p = 0; p < chart.points(); ++p)
        EXPECT_NE(chart.xDataII(0, p), 0.0) << p;
    // ... and said: how many and which first.
    EXPECT_EQ(report.rows, 8);
    EXPECT_EQ(report.graphed, 2);
    EXPECT_EQ(report.skipped, 6);
    EXPECT_EQ(report.firstSkipped, 2);
    EXPECT_FALSE(report.cancelled);
    EXPECT_TRUE(report.message().contains("6 of 8 rows could not be read")) << report.message().toStdString();
    EXPECT_TRUE(report.message().contains("row 2: 'dB' is not a level")) << report.message().toStdString();
    // newChart's set-up over the list's first to last time.
    EXPECT_EQ(chart.manualScaleControlX, sgManualMinAndMax);
    EXPECT_NEAR(chart.manualMinX, start, 1e-9);
    EXPECT_NEAR(chart.manualMaxX, end, 1e-9);
    EXPECT_EQ(chart.manualMinY, 30.0);
    EXPECT_EQ(chart.manualMaxY, 130.0);
    EXPECT_NEAR(chart.vertLines[1].x, start + (end - start) / 3, 1e-9);

    // A list whose every row reads says nothing.
    ASSERT_EQ(listToGraph(tableOf({{"3/14/24", "13:05:07.0", "65.3"}}), chart, {}, kUs, &report), QString());
    EXPECT_EQ(report.skipped, 0);
    EXPECT_TRUE(report.message().isEmpty());
}

TEST(ListToGraph, LevelColumnByTheHeader)
{
    test::ScopedDataDir dir;
    struct Case {
        const char* header4;
        float want;
    };
    // Only "LEQ" exactly takes column 4; the import's "Leq" keeps column 3.
    for (const Case& c : {Case{"", 60.0f}, Case{"Leq", 60.0f}, Case{"LEQ", 61.5f}, Case{"leq", 60.0f}}) {
        SCOPED_TRACE(c.header4);
        ListTable t = tableOf({{"3/14/24", "13:05:07", "60.0", "61.5"}});
        t.setHeader(4, c.header4);
        ChartModel chart;
        ASSERT_EQ(listToGraph(t, chart, {}, kUs), QString());
        EXPECT_FLOAT_EQ(chart.yData(0, 0), c.want);
        // One row: start and end are the same time.
        EXPECT_EQ(chart.manualMinX, chart.manualMaxX);
    }
}

TEST(ListToGraph, UnreadableFirstOrLastTimeIsAnErrorAndTheChartIsUntouched)
{
    test::ScopedDataDir dir;
    for (const ListTable& t : {tableOf({{"3/14/24", "bad", "1"}, {"3/14/24", "13:05:07", "1"}}),
                               tableOf({{"3/14/24", "13:05:07", "1"}, {"3/14/24", "13:05:08", "1"}, {"3/14/24", "", "1"}}),
                               ListTable()}) {
        ChartModel chart;
        chart.setPoints(7);
        const QString error = listToGraph(t, chart, {}, kUs);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(chart.points(), 7);
    }
    ChartModel chart;
    EXPECT_EQ(listToGraph(ListTable(), chart, {}, kUs), "No data to graph !");
}

TEST(ListToGraph, CancelKeepsThePointsSoFar)
{
    test::ScopedDataDir dir;
    std::vector<QStringList> rows;
    for (int i = 0; i < 10; ++i)
        rows.push_back({"3/14/24", QStringLiteral("13:05:%1.0").arg(10 + i), "50.0"});
    ChartModel chart;
    ListGraphReport report;
    EXPECT_EQ(listToGraph(tableOf(rows), chart, [](std::int64_t done) { return done < 4; }, kUs, &report), QString());
    // The points graphed so far; the rest are not made up as unfilled points.
    EXPECT_EQ(chart.points(), 4);
    EXPECT_NE(chart.xDataII(0, 3), 0.0);
    EXPECT_TRUE(report.cancelled);
    EXPECT_TRUE(report.message().contains("cancelled after row 4 of 10")) << report.message().toStdString();
}

// Export, import and Output to graph under the user's locale, for both separators and one or
// two subsets: the times (to the millisecond) and the levels (to the written decimal) come back.
TEST(ListRoundTrip, ExportImportGraphGivesTheSameTimesAndLevels)
{
    test::ScopedDataDir dir;
    ChartModel source;
    source.setSubsets(2);
    const int n = 400;
    source.setPoints(n);
    for (int i = 0; i < n; ++i) {
        // Across midnight, with every kind of millisecond count.
        source.setXDataII(0, i, days(2025, 12, 31, 23, 59, 0) + i * 0.337 * kSecondInDays);
        source.setYData(0, i, 30.0f + 0.1f * static_cast<float>(i % 1000));
        source.setYData(1, i, 80.0f - 0.1f * static_cast<float>(i % 300));
    }
    for (const QLocale& loc : {kUs, kDe}) {
        for (const QChar sep : {QChar('\t'), QChar(',')}) {
            for (int subsets : {1, 2}) {
                SCOPED_TRACE(loc.name().toStdString() + (sep == ',' ? " csv " : " tab ") + std::to_string(subsets));
                test::ScopedDefaultLocale user(loc);
                ChartModel chart = source;
                chart.setSubsets(subsets);
                const ListTable table = importText(exportText(chart, sep), sep);
                ASSERT_EQ(table.rowCount(), n);
                // A German CSV splits each level at its decimal comma, so the fourth column is
                // there even with one subset.
                const bool splitLevels = sep == ',' && loc.decimalPoint() == ",";
                EXPECT_EQ(table.header(4), subsets == 2 || splitLevels ? "Leq" : "");
                ChartModel back;
                ASSERT_EQ(listToGraph(table, back), QString());
                ASSERT_EQ(back.points(), n);
                for (int i = 0; i < n; ++i) {
                    const double ms = (back.xDataII(0, i) - chart.xDataII(0, i)) * 86400000.0;
                    ASSERT_NEAR(ms, 0.0, 0.5) << "point " << i;
                    // The level's whole part only, when its decimal went into the next column.
                    const float want = splitLevels ? std::trunc(std::round(chart.yData(0, i) * 10.0f) / 10.0f)
                                                   : std::round(chart.yData(0, i) * 10.0f) / 10.0f;
                    ASSERT_NEAR(back.yData(0, i), want, 1e-4) << "point " << i;
                }
            }
        }
    }
}
