#include "logger/gridprint.h"

#include <algorithm>

namespace quedral {

int gridPrintWidth(int column) { return column == 2 ? 17 : 10; }

QString gridPrintLine(const GridText& grid, int row)
{
    QString line;
    for (int column = 0; column + 1 < grid.columns; ++column) {
        const QString text = grid.cell ? grid.cell(row, column) : QString();
        line += text;
        const auto pads = gridPrintWidth(column) - text.size();
        if (pads > 0)
            line += QString(QLatin1StringView(kGridPrintPad)).repeated(pads);
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
