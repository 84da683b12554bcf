#pragma once
// Display rules of the meter face: which glyph each LCD position shows, when
// the clock is redrawn, the range labels and the level bar width. No widgets.
#include <array>
#include <cstdint>
#include <optional>

#include "meter/readingcodes.h"

namespace quedral::panel {

// Indices into the large glyph table ("LCD0".."LCD15").
inline constexpr int GlyphBlank = 10;
inline constexpr int GlyphDash = 11;
inline constexpr int LargeGlyphCount = 16;

// Glyphs of MainD1..MainD4 for a display level in tenths of a dB; the decimal
// point sits between the third and fourth digit. Only the first digit is ever
// blanked (when its value is 0). Levels the table cannot show (negative, or
// 16000 and above) show four dashes.
std::array<int, 4> levelGlyphs(int displayLevel);

// Seconds byte the meter sends when its clock is not valid; any of the three
// clock bytes carrying it suppresses the clock.
inline constexpr std::uint8_t ClockInvalid = 0x5A;
// ClockShown after an invalid clock.
inline constexpr std::uint8_t ClockShownAfterInvalid = 2;

// A BCD byte as two decimal digits {tens, units}; nothing when a nibble is
// above 9.
std::optional<std::array<int, 2>> bcdDigits(std::uint8_t value);

struct ClockUpdate {
    // Small glyph index for LCDT3..LCDT8 (hour, minute, second), or -1 where
    // the position keeps what it shows.
    std::array<int, 6> digits{-1, -1, -1, -1, -1, -1};
    std::uint8_t clockShown = 0;  // new ClockShown
};

// The clock is redrawn only when the seconds byte differs from clockShown.
// An invalid byte (0x5A) anywhere draws nothing and leaves ClockShown at 2.
// Otherwise hour, minute and second are drawn in that order; a byte that is
// not BCD stops the drawing there (earlier digits stay) and ClockShown takes
// the seconds byte.
ClockUpdate clockUpdate(std::uint8_t clockShown, std::uint8_t second, std::uint8_t minute,
                        std::uint8_t hour);

struct RangeDisplay {
    int lowDb;     // lblRangeLow
    int highDb;    // lblRangeHigh
    int barWidth;  // imgColorBar width in pixels
};

// Width of the level bar picture.
inline constexpr int ColorBarWidth = 156;

// Range labels and bar width for a range code of the table (kRanges);
// nothing for any other code, which leaves the range display as it is.
// The width is not limited above: a level beyond the range top widens the
// bar past its picture.
std::optional<RangeDisplay> rangeDisplay(Range rangeCode, int displayLevel);

} // namespace quedral::panel
