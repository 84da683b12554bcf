#pragma once
// `quedral-cli stats`: the noise statistics of a collection's data set, a graph file or a
// graph's text as one JSON object.
#include <QString>

#include <optional>
#include <vector>

#include "cli/cli.h"
#include "stats/noiseperiods.h"
#include "stats/noisestats.h"

namespace quedral::cli {

int cmdStats(Context& ctx, const Arguments& args);

// What `stats` prints, computed over one span of a series.
struct StatsReport {
    NoiseStatistics statistics;
    std::optional<double> timeAbove;          // with a threshold
    std::optional<std::vector<NoiseEvent>> events; // with a threshold
    std::optional<std::vector<NoiseBlock>> blocks; // with a block length
    std::optional<LdenResult> lden;           // when the span covers whole days
};

// The JSON object, on one line: "leq", "le", "lmax", "lmax_time", "lmin", "lmin_time", "mean",
// "l5", "l10", "l50", "l90", "l95", "samples", "missing", then "time_above" and "events",
// "blocks" and "lden" when there are. Levels are numbers (Leq, LE, mean and Lden with two
// decimals, the others with one), null when no sample counts; times are local ISO 8601
// "YYYY-MM-DDThh:mm:ss" (with ".zzz" when the time has milliseconds); durations in seconds.
QString statsJson(const StatsReport& report);

} // namespace quedral::cli
