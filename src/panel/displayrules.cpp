#include "panel/displayrules.h"

namespace quedral::panel {

std::array<int, 4> levelGlyphs(int d)
{
    if (d < 0 || d / 1000 >= LargeGlyphCount)
        return {GlyphDash, GlyphDash, GlyphDash, GlyphDash};
    const int first = d / 1000;
    return {first != 0 ? first : GlyphBlank, (d % 1000) / 100, (d % 100) / 10, d % 10};
}

std::optional<std::array<int, 2>> bcdDigits(std::uint8_t value)
{
    const int tens = value >> 4;
    const int units = value & 0x0F;
    if (tens > 9 || units > 9)
        return std::nullopt;
    return std::array<int, 2>{tens, units};
}

ClockUpdate clockUpdate(std::uint8_t clockShown, std::uint8_t second, std::uint8_t minute,
                        std::uint8_t hour)
{
    ClockUpdate update;
    update.clockShown = clockShown;
    if (second == clockShown)
        return update;
    if (second == ClockInvalid || minute == ClockInvalid || hour == ClockInvalid) {
        update.clockShown = ClockShownAfterInvalid;
        return update;
    }
    const std::uint8_t bytes[3] = {hour, minute, second};
    for (int i = 0; i < 3; ++i) {
        const auto digits = bcdDigits(bytes[i]);
        if (!digits)
            break;
        update.digits[2 * i] = (*digits)[0];
        update.digits[2 * i + 1] = (*digits)[1];
    }
    update.clockShown = second;
    return update;
}

std::optional<RangeDisplay> rangeDisplay(Range rangeCode, int d)
{
    const RangeInfo* range = rangeInfo(rangeCode);
    if (!range)
        return std::nullopt;
    return RangeDisplay{range->lowDb, range->highDb, levelBarWidth(*range, d)};
}

} // namespace quedral::panel
