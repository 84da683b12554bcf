#pragma once
// Everything the noise statistics give for one span, in one call: the statistics, and as asked
// the time above a threshold with its events, the clock-aligned blocks, and Lden when the span
// covers whole days. What `quedral-cli stats` prints and a statistics panel or report shows.
#include <optional>
#include <vector>

#include "stats/noiseperiods.h"
#include "stats/noisestats.h"

namespace quedral {

struct NoiseReportOptions {
    std::optional<double> n;         // a user's Ln
    std::optional<double> threshold; // dB: time above and events
    double minDuration = 0;          // seconds an event lasts at least
    std::optional<BlockLength> blocks;
    LdenPeriods periods;
};

struct NoiseReport {
    NoiseStatistics statistics;
    std::optional<double> timeAbove;               // with a threshold
    std::optional<std::vector<NoiseEvent>> events; // with a threshold
    std::optional<std::vector<NoiseBlock>> blocks; // with a block length
    std::optional<LdenResult> lden;                // when the span covers whole days
};

NoiseReport computeNoiseReport(const LevelSeries& series, SampleSpan span = {}, const NoiseReportOptions& options = {});

} // namespace quedral
