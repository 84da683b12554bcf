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

// The times and levels `leq` works on: graph text as it stands, a collection's data set or a
// graph file through its chart. False with the reason when the file gives none; a note (where
// reading stopped early) in *note.
bool loadLeqSeries(const QString& file, std::optional<int> set, LeqSeries& series, QString& error,
                   QString* note = nullptr);

} // namespace quedral::cli
