#pragma once
// `quedral-cli stats`: the noise statistics of a collection's data set, a graph file or a
// graph's text as one JSON object.
#include <QString>

#include "cli/cli.h"
#include "stats/noisereport.h"

namespace quedral::cli {

int cmdStats(Context& ctx, const Arguments& args);

// The JSON object, on one line: "leq", "le", "lmax", "lmax_time", "lmin", "lmin_time", "mean",
// "l5", "l10", "l50", "l90", "l95", "samples", "missing", then "time_above" and "events",
// "blocks" and "lden" when there are. Levels are numbers (Leq, LE, mean and Lden with two
// decimals, the others with one), null when no sample counts; times are local ISO 8601
// "YYYY-MM-DDThh:mm:ss" (with ".zzz" when the time has milliseconds); durations in seconds.
QString statsJson(const NoiseReport& report);

} // namespace quedral::cli
