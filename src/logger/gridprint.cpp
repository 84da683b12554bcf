#include "logger/gridprint.h"

#include <algorithm>

namespace quedral {

QList<int> gridPrintWidths(const GridText& grid)
{
    QList<int> widths(std::max(0, grid.columns - 1), 0);
    if (!grid.cell)
        return widths;
    for (int row = 0; row < grid.rows; ++row)
        for (int column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], int(grid.cell(row, column).size()));
    return widths;
}

QString gridPrintLine(const GridText& grid, int row, const QList<int>& widths)
{
    QString line;
    for (int column = 0; column + 1 < grid.columns; ++column) {
        if (column > 0)
            line += QLatin1StringView(kGridPrintGap);
        const QString text = grid.cell ? grid.cell(row, column) : QString();
        line += text.leftJustified(widths.value(column), QLatin1Char(' '));
    }
    return line;
}

GridPageLayout gridPageLayout(int pageHeight, int textHeight)
{
    GridPageLayout layout;
    layout.lineHeight = std::max(1, textHeight + 4);
    layout.linesPerPage = std::max(1, pageHeight / layout.lineHeight);
    return layout;
}

} // namespace quedral
