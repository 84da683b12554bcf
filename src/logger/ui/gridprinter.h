#pragma once
// Printing a table (the list window's, the Leq window's) onto a printer as plain text lines in
// a fixed-pitch font: the print dialog through the prompts seam, then gridprint.h's lines and
// pages. A PDF printer (outputFormat PdfFormat with a file name) takes the same path.
#include <QString>

#include "logger/gridprint.h"

class QFont;
class QPrinter;
class QWidget;

namespace quedral {

// The printout's font: the system's fixed-pitch font at 10 points.
QFont gridPrintFont();

// The line height and lines per page on this printer: the font's height of "String Grid
// Printout" + 4 device units, and the printer's page height over it.
GridPageLayout gridPageLayout(QPrinter& printer);

// Prints rows 0 .. rows - 1 of the table; false when the document could not be started.
bool printGrid(QPrinter& printer, const GridText& grid);

// The print dialog (Prompter::choosePrinter), then printGrid(). False when the dialog was
// cancelled (nothing printed) or printing failed (the user is told, with
// printFailedMessage).
bool printGridDialog(const GridText& grid, QWidget* parent = nullptr);

} // namespace quedral
