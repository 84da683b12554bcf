#pragma once
// A table printed as plain text: one line per grid row (row 0 being the header row), every
// column but the last printed in a fixed-pitch font and lined up under its header, with simple
// pagination. Pure; the printer side is in gridprinter.h.
#include <QList>
#include <QString>
#include <functional>

namespace quedral {

// The cell text of grid row `row` (0 the header row), column `column`.
using GridCell = std::function<QString(int row, int column)>;

// A table as the printout reads it.
struct GridText {
    int rows = 0;     // the header row included
    int columns = 0;  // the last one is not printed
    GridCell cell;
};

// The text measured for the line height; it is never printed.
inline constexpr char kGridPrintMeasureText[] = "String Grid Printout";
// What parts two printed columns.
inline constexpr char kGridPrintGap[] = "  ";

// The printed columns' widths in characters: for each of columns 0 .. columns - 2, the length
// of its longest cell over all rows, the header row included.
QList<int> gridPrintWidths(const GridText& grid);

// The printed line of a grid row: columns 0 .. columns - 2, each cell text followed by blanks
// up to its column's width (widths from gridPrintWidths), the columns parted by "  ". In a
// fixed-pitch font every column starts at the same place on every line.
QString gridPrintLine(const GridText& grid, int row, const QList<int>& widths);

// Where the rows go: lines of lineHeight device units, linesPerPage of them on a page.
struct GridPageLayout {
    int lineHeight = 1;
    int linesPerPage = 1;

    // The page (from 0) row i is printed on.
    int page(int row) const { return row / linesPerPage; }
    // True when row i starts a new page (every page after the first).
    bool startsPage(int row) const { return row > 0 && row % linesPerPage == 0; }
    // The position a row's line is drawn at.
    static constexpr int kX = 1;
    int y(int row) const { return (row % linesPerPage) * lineHeight + lineHeight; }
};

// Line height = textHeight + 4; lines per page = pageHeight / line height, rounded down (at
// least one, so a tiny page still prints a line per page).
GridPageLayout gridPageLayout(int pageHeight, int textHeight);

} // namespace quedral
