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

// The times and levels `leq` and `stats` work on: a collection's data set N (with its interval),
// a graph file's subset 0, or a graph's text read whole by the one text reader. False with the
// message when the file gives none; notes (an empty line that ended the text early) for stderr.
bool loadLeqSeries(const QString& file, std::optional<int> set, LeqSeries& series, QString& error,
                   QStringList* notes = nullptr);
// The same for a command: the message or the notes go to stderr; false when there is no series.
bool loadSeriesForCommand(Context& ctx, const QString& file, std::optional<int> set, LeqSeries& series);

} // namespace quedral::cli
