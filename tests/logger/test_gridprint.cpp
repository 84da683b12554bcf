// The table printout's lines and pages.
#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "logger/gridprint.h"

using namespace quedral;

namespace {

// A one-row table of these cells.
GridText rowOf(const QStringList& cells)
{
    return GridText{1, int(cells.size()), [cells](int, int c) { return cells.value(c); }};
}

QString spaces(int n) { return QString(n, QLatin1Char(' ')); }

struct LineCase {
    const char* what;
    QStringList cells;
    QString line;
};

class PrintedLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(PrintedLine, PadsEveryColumnButTheLast)
{
    const LineCase& c = GetParam();
    EXPECT_EQ(gridPrintLine(rowOf(c.cells), 0), c.line) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintedLine,
    ::testing::Values(
        // (10 - 4) steps of two spaces after column 0, (17 - 4) after column 2.
        LineCase{"4 characters in column 0", {"abcd", "x"}, "abcd" + spaces(12)},
        LineCase{"4 characters in column 2", {"", "", "abcd", "x"}, spaces(20) + spaces(20) + "abcd" + spaces(26)},
        LineCase{"a cell as long as its width", {"abcdefghij", "x"}, "abcdefghij"},
        LineCase{"a cell longer than its width", {"abcdefghijkl", "x"}, "abcdefghijkl"},
        LineCase{"16 characters in column 2", {"", "", "0123456789abcdef", "x"}, spaces(40) + "0123456789abcdef" + spaces(2)},
        LineCase{"an empty cell is a whole column of padding", {"", "x"}, spaces(20)},
        LineCase{"one column prints nothing", {"only"}, ""},
        // The Leq table: "No", "Date", "TIME", "SPL" printed, "Leq" (the last) not.
        LineCase{"a Leq table's header",
                 {"No", "Date", "TIME", "SPL", "Leq"},
                 "No" + spaces(16) + "Date" + spaces(12) + "TIME" + spaces(26) + "SPL" + spaces(14)},
        LineCase{"a Leq table's row",
                 {"1", "10/12/2026", "12:00:00", "80.0", "80.0"},
                 "1" + spaces(18) + "10/12/2026" + "12:00:00" + spaces(18) + "80.0" + spaces(12)},
        // A list window's seven columns: 0 .. 5 printed, 6 not.
        LineCase{"a list row",
                 {"1", "d", "t", "v", "e", "f", "last"},
                 "1" + spaces(18) + "d" + spaces(18) + "t" + spaces(32) + "v" + spaces(18) + "e" + spaces(18) + "f" +
                     spaces(18)}));

TEST(GridPrint, EachRowHasItsOwnLine)
{
    const GridText grid{3, 2, [](int r, int c) { return QString("r%1c%2").arg(r).arg(c); }};
    EXPECT_EQ(gridPrintLine(grid, 0), "r0c0" + spaces(12));
    EXPECT_EQ(gridPrintLine(grid, 2), "r2c0" + spaces(12));
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
