#pragma once
// `report`: the evidence report of a file's data as a PDF. The only command that paints, so
// the only one run under a QGuiApplication (see commandNeedsGui).
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdReport(Context& ctx, const Arguments& args);

// Whether the command line (the program's arguments without its name) runs a command that
// needs Qt Gui (fonts, painting): `report`. The program's own options before the command and
// --data-dir anywhere are passed over, as run() does.
bool commandNeedsGui(QStringList args);

} // namespace quedral::cli
