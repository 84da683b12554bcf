#pragma once
// The texts of the evidence report: levels, times, durations and counts as the report prints
// them. Pure functions; numbers always with a full stop.
#include <QString>
#include <cstdint>
#include <optional>

namespace quedral {

// "65.0 dB" (one decimal, the meter's resolution); "-" when there is no level.
QString reportLevelText(std::optional<double> level);
// A sample time (days since 30 Dec 1899, local): "2026-12-11 08:40:05", with ".5" (the
// milliseconds, trailing zeros dropped) when it falls inside a second; "-" for no date.
QString reportTimeText(double days);
// A span of time: "12 s" or "0.5 s" under a minute, else "H:MM:SS (N s)", with "D d " before
// the hours from a day on: "1:02:03 (3723 s)", "2 d 01:00:00 (176400 s)".
QString reportDurationText(double seconds);
// A count in groups of three digits: "1 000 000".
QString reportCountText(std::int64_t n);

} // namespace quedral
