// The table printout's lines and pages.
#include <gtest/gtest.h>

#include <QList>
#include <QStringList>
#include <cctype>
#include <string>
#include <vector>

#include "logger/gridprint.h"

using namespace quedral;

namespace {

// A table of these rows (the first being the header row).
GridText tableOf(const QList<QStringList>& rows)
{
    const int columns = rows.isEmpty() ? 0 : int(rows.first().size());
    return GridText{int(rows.size()), columns, [rows](int r, int c) { return rows.value(r).value(c); }};
}

QStringList printed(const QList<QStringList>& rows)
{
    const GridText grid = tableOf(rows);
    const QList<int> widths = gridPrintWidths(grid);
    QStringList lines;
    for (int r = 0; r < grid.rows; ++r)
        lines << gridPrintLine(grid, r, widths);
    return lines;
}

struct TableCase {
    const char* what;
    QList<QStringList> rows;
    QStringList lines;
};

class PrintedTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(PrintedTable, PadsEachCellToItsColumnsLongestCell)
{
    const TableCase& c = GetParam();
    EXPECT_EQ(printed(c.rows), c.lines) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintedTable,
    ::testing::Values(
        TableCase{"rows 10 and up start their columns where rows 1 to 9 do",
                  {{"No", "Date", "x"}, {"9", "d9", "x"}, {"10", "d10", "x"}, {"100", "d100", "x"}},
                  {"No   Date", "9    d9  ", "10   d10 ", "100  d100"}},
        TableCase{"a header wider than its cells sets the width",
                  {{"Value", "Time", "x"}, {"1", "t", "x"}},
                  {"Value  Time", "1      t   "}},
        // The Leq table: "No", "Date", "TIME", "SPL" printed, "Leq" (the last) not, and a date
        // that fills its column is still parted from the time.
        TableCase{"a Leq table",
                  {{"No", "Date", "TIME", "SPL", "Leq"}, {"1", "10/12/2026", "12:00:00", "80.0", "80.0"}},
                  {"No  Date        TIME      SPL ", "1   10/12/2026  12:00:00  80.0"}},
        // A list window's seven columns: 0 .. 5 printed, 6 not, and its width plays no part.
        TableCase{"a list row",
                  {{"No", "Date", "Time", "Value", "e", "f", "a very long last header"},
                   {"1", "d", "t", "v", "e", "f", "last"}},
                  {"No  Date  Time  Value  e  f", "1   d     t     v      e  f"}},
        TableCase{"an empty column keeps its gaps",
                  {{"a", "", "b", "x"}, {"c", "", "d", "x"}},
                  {"a    b", "c    d"}},
        TableCase{"one column prints nothing", {{"only"}, {"one"}}, {"", ""}}),
    [](const ::testing::TestParamInfo<TableCase>& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

TEST(GridPrint, EveryPrintedColumnStartsAtTheSamePlaceOnEveryLine)
{
    // Cells of every length from 0 to 12 in every column, the header row the shortest.
    const GridText grid{40, 5, [](int r, int c) {
                            return r == 0 ? QString("h%1").arg(c) : QString((r * (c + 3)) % 13, QLatin1Char('a' + c));
                        }};
    const QList<int> widths = gridPrintWidths(grid);
    ASSERT_EQ(widths, QList<int>({12, 12, 12, 12}));
    for (int r = 0; r < grid.rows; ++r) {
        const QString line = gridPrintLine(grid, r, widths);
        EXPECT_EQ(line.size(), 4 * 12 + 3 * 2) << r;
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(line.mid(c * 14, 12).trimmed(), grid.cell(r, c)) << r << " " << c;
    }
}

TEST(GridPrint, PageLayoutFromPageAndTextHeight)
{
    struct Case {
        int pageHeight, textHeight, lineHeight, linesPerPage;
    };
    for (const Case c : std::vector<Case>{{1000, 16, 20, 50}, {1019, 16, 20, 50}, {1020, 16, 20, 51},
                                          {10, 16, 20, 1}, {0, 0, 4, 1}}) {
        const GridPageLayout l = gridPageLayout(c.pageHeight, c.textHeight);
        EXPECT_EQ(l.lineHeight, c.lineHeight) << c.pageHeight << " " << c.textHeight;
        EXPECT_EQ(l.linesPerPage, c.linesPerPage) << c.pageHeight << " " << c.textHeight;
    }
}

TEST(GridPrint, FiftyLinesPerPage)
{
    const GridPageLayout l = gridPageLayout(1000, 16);
    ASSERT_EQ(l.linesPerPage, 50);
    const int h = l.lineHeight;
    // Rows 0 .. 49 fill the first page from one line height down to fifty.
    EXPECT_FALSE(l.startsPage(0));
    EXPECT_EQ(l.y(0), 1 * h);
    EXPECT_EQ(l.y(49), 50 * h);
    EXPECT_EQ(l.page(49), 0);
    for (int r = 1; r < 50; ++r)
        EXPECT_FALSE(l.startsPage(r)) << r;
    // Row 50 starts the second page on its top line; row 100 the third.
    EXPECT_TRUE(l.startsPage(50));
    EXPECT_EQ(l.page(50), 1);
    EXPECT_EQ(l.y(50), h);
    EXPECT_EQ(l.y(99), 50 * h);
    EXPECT_TRUE(l.startsPage(100));
    EXPECT_EQ(l.page(100), 2);
    EXPECT_EQ(GridPageLayout::kX, 1);
}

} // namespace
