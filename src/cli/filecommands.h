#pragma once
// The commands that work on files without the meter: decode, graph-info, leq, export,
// wav-check and import.
#include <QStringList>

#include "cli/cli.h"

namespace quedral::cli {

int cmdDecode(Context& ctx, const QStringList& args);
int cmdGraphInfo(Context& ctx, const QStringList& args);
int cmdLeq(Context& ctx, const QStringList& args);
int cmdExport(Context& ctx, const QStringList& args);
int cmdWavCheck(Context& ctx, const QStringList& args);
int cmdImport(Context& ctx, const QStringList& args);

} // namespace quedral::cli
