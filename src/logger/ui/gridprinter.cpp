#include "logger/ui/gridprinter.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include "base/prompter.h"
#include "chart/ui/chartwidget.h"

namespace quedral {

QFont gridPrintFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(10);
    return font;
}

GridPageLayout gridPageLayout(QPrinter& printer)
{
    const QFontMetrics metrics(gridPrintFont(), &printer);
    return gridPageLayout(printer.height(), metrics.size(Qt::TextSingleLine, QLatin1StringView(kGridPrintMeasureText)).height());
}

bool printGrid(QPrinter& printer, const GridText& grid)
{
    const GridPageLayout layout = gridPageLayout(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(gridPrintFont());
    const QList<int> widths = gridPrintWidths(grid);
    for (int row = 0; row < grid.rows; ++row) {
        if (layout.startsPage(row))
            printer.newPage();
        // The position is the line's base line, so the page's last line stays on the page.
        painter.drawText(GridPageLayout::kX, layout.y(row), gridPrintLine(grid, row, widths));
    }
    return painter.end();
}

bool printGridDialog(const GridText& grid, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!Prompter::instance().choosePrinter(printer, parent))
        return false;
    if (printGrid(printer, grid))
        return true;
    Prompter::instance().message(printFailedMessage(printer));
    return false;
}

} // namespace quedral
