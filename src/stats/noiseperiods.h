#pragma once
// Noise statistics per clock period: blocks aligned to the clock (a minute, five, fifteen, an
// hour, a day) and the day-evening-night level over whole days. Times are the series' own
// (local) clock; pure functions over the samples (see noisestats.h for which samples count).
#include <optional>
#include <vector>

#include "stats/noisestats.h"

namespace quedral {

enum class BlockLength { Minute1, Minutes5, Minutes15, Hour1, Day1 };

int blockSeconds(BlockLength length);
// "1min", "5min", "15min", "1h", "1d"; nullopt for any other text.
std::optional<BlockLength> blockLengthNamed(const char* name);

// One block: the samples whose time falls in [start, start + length). Levels are absent when
// none of them counts.
struct NoiseBlock {
    double start = 0; // days
    std::int64_t samples = 0;
    std::int64_t missing = 0;
    std::optional<double> leq, lmax, lmin, l10, l90;
};

// The blocks that hold at least one sample of the span, in time order.
std::vector<NoiseBlock> blockStatistics(const LevelSeries& series, SampleSpan span, BlockLength length);

// The periods of the day-evening-night level: the day from dayStart to eveningStart, the
// evening to nightStart, the night to the next day's dayStart (hours of the day), and the
// penalties added to each period's Leq.
struct LdenPeriods {
    double dayStart = 7, eveningStart = 19, nightStart = 23;
    double dayPenalty = 0, eveningPenalty = 5, nightPenalty = 10;

    // 0 <= dayStart < eveningStart <= nightStart <= 24, and the night not empty.
    bool valid() const;
};

// Lden from the periods' Leq: 10 log10(1/24 (hd 10^((Ld+Pd)/10) + he 10^((Le+Pe)/10)
// + hn 10^((Ln+Pn)/10))) with hd, he, hn the periods' hours. A period of no hours has no level.
double ldenOf(double ld, std::optional<double> le, double ln, const LdenPeriods& periods = {});

struct LdenResult {
    double firstDay = 0; // days, midnight of the first whole day
    int days = 0;        // whole days used
    std::optional<double> ld, le, ln; // Leq of each period over those days
    std::optional<double> lden;       // absent when a period of some hours has no sample
};

// Over the whole calendar days (midnight to midnight) the span covers: a day is whole when the
// span's first sample is at or before its midnight and the last sample ends at or after the
// next. nullopt when the span covers no whole day.
std::optional<LdenResult> ldenOverWholeDays(const LevelSeries& series, SampleSpan span,
                                            const LdenPeriods& periods = {});

} // namespace quedral
