#pragma once
// The commands that work on files without the meter: decode, graph-info, leq, export,
// wav-check and import.
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdDecode(Context& ctx, const Arguments& args);
int cmdGraphInfo(Context& ctx, const Arguments& args);
int cmdLeq(Context& ctx, const Arguments& args);
int cmdExport(Context& ctx, const Arguments& args);
int cmdWavCheck(Context& ctx, const Arguments& args);
int cmdImport(Context& ctx, const Arguments& args);

} // namespace quedral::cli
