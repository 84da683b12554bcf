#pragma once
// The two coded bytes of a reading: the measuring range (byte 3) and the MAX/MIN
// mode (byte 4), one table each. The decoder, the panel's display rules, the
// simulated meter and quedral-cli all take what a code means from here.
// Header-only and standard library only, so the panel's rules can use it
// without the rest of the meter core.
#include <array>
#include <cstdint>

namespace quedral {

// --- Range (byte 3) --------------------------------------------------------

// The byte is the underlying type, so a code the table does not know is still
// held as the meter sent it (the panel then leaves its range display alone).
enum class Range : std::uint8_t {
    Db30To90 = 0x11,
    Db50To110 = 0x22,
    Db70To130 = 0x44,
    Db30To130 = 0x88,
};

struct RangeInfo {
    Range code;
    const char* label; // "30-90"
    int lowDb;         // lblRangeLow
    int highDb;        // lblRangeHigh
    // Level bar width for a display level D in tenths of a dB: LevelBarMinWidth
    // at or below the range floor (lowDb * 10), above it
    // (D - lowDb * 10) * barNumerator / barDenominator + LevelBarMinWidth,
    // integer division truncating. Not limited above.
    int barNumerator;
    int barDenominator;
};

inline constexpr int LevelBarMinWidth = 4;

// In the order the meter's level key steps through them.
inline constexpr std::array<RangeInfo, 4> kRanges{{
    // 1 pixel per 0.4 dB: 60 dB fill the bar's 150 pixels
    {Range::Db30To90, "30-90", 30, 90, 1, 4},
    {Range::Db50To110, "50-110", 50, 110, 1, 4},
    {Range::Db70To130, "70-130", 70, 130, 1, 4},
    // 0.15 pixel per 0.1 dB: 100 dB fill the same 150 pixels
    {Range::Db30To130, "30-130", 30, 130, 3, 20},
}};

// The row for a code; nullptr for a code the table does not know.
constexpr const RangeInfo* rangeInfo(Range code)
{
    for (const RangeInfo& r : kRanges)
        if (r.code == code)
            return &r;
    return nullptr;
}

constexpr int levelBarWidth(const RangeInfo& range, int displayLevel)
{
    const int floor = range.lowDb * 10;
    if (displayLevel <= floor)
        return LevelBarMinWidth;
    return (displayLevel - floor) * range.barNumerator / range.barDenominator + LevelBarMinWidth;
}

// The range after a press of the level key; an unknown code goes to the first.
constexpr Range nextRange(Range code)
{
    for (std::size_t i = 0; i < kRanges.size(); ++i)
        if (kRanges[i].code == code)
            return kRanges[(i + 1) % kRanges.size()].code;
    return kRanges.front().code;
}

constexpr std::uint8_t rawByte(Range code) { return static_cast<std::uint8_t>(code); }

// --- MAX/MIN mode (byte 4) -------------------------------------------------

enum class MaxMin : std::uint8_t {
    None = 0x00,
    Max = 0x11,
    Min = 0x22,
    Alternating = 0x44,
};

// What a reading does to the panel's MAX and MIN labels and to the blink timer.
enum class LabelAction { Unchanged, Show, Hide };
enum class BlinkAction { Unchanged, Start, Stop }; // Start: only if not already running
// Which value the meter's display shows.
enum class ShownLevel { Current, HeldMax, HeldMin };

struct MaxMinInfo {
    MaxMin code;
    // Panel rules while MAX/MIN is active (flag bit 2); inactive hides both
    // labels and stops the blink whatever the mode byte says.
    LabelAction maxLabel;
    LabelAction minLabel;
    BlinkAction blink;
    ShownLevel shows;  // while active
    bool maxLit;       // "MAX" appears on the meter's display (steadily or blinking)
    bool minLit;       // "MIN" likewise
    MaxMin nextOnKey;  // the mode after a press of the MAX/MIN key while active
};

inline constexpr std::array<MaxMinInfo, 4> kMaxMinModes{{
    {MaxMin::None, LabelAction::Unchanged, LabelAction::Unchanged, BlinkAction::Stop, ShownLevel::Current,
     false, false, MaxMin::Max},
    {MaxMin::Max, LabelAction::Show, LabelAction::Hide, BlinkAction::Stop, ShownLevel::HeldMax,
     true, false, MaxMin::Min},
    {MaxMin::Min, LabelAction::Hide, LabelAction::Show, BlinkAction::Stop, ShownLevel::HeldMin,
     false, true, MaxMin::Alternating},
    {MaxMin::Alternating, LabelAction::Unchanged, LabelAction::Unchanged, BlinkAction::Start,
     ShownLevel::Current, true, true, MaxMin::Max},
}};

// The row for a mode; nullptr for a mode byte the table does not know.
constexpr const MaxMinInfo* maxMinInfo(MaxMin code)
{
    for (const MaxMinInfo& m : kMaxMinModes)
        if (m.code == code)
            return &m;
    return nullptr;
}

constexpr std::uint8_t rawByte(MaxMin code) { return static_cast<std::uint8_t>(code); }

} // namespace quedral
