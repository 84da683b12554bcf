#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "meter/readingcodes.h"

namespace quedral {

using ReplyBytes = std::array<std::uint8_t, 32>;

// The decoded reply to the 'A' poll.
struct MeterReading {
    // Byte 1 flags
    bool Recording = false;     // bit 0
    bool MaxMinActive = false;  // bit 2
    bool WeightingA = false;    // bit 3: 1 = dBA, 0 = dBC
    bool Fast = false;          // bit 4: 1 = FAST, 0 = SLOW
    bool Under = false;         // bit 6
    bool Over = false;          // bit 7
    // Byte 2
    bool MemoryFull = false;    // bit 4
    Range RangeCode{};             // byte 3, as sent: rangeInfo() is nullptr for an unknown code
    MaxMin MaxMinMode{};           // byte 4, as sent: maxMinInfo() is nullptr for an unknown mode
    std::uint16_t LevelTenths = 0; // bytes 5,6 big-endian
    std::uint16_t MaxTenths = 0;   // bytes 11,12
    std::uint16_t MinTenths = 0;   // bytes 13,14
    std::uint8_t ClockSecond = 0;  // byte 15, BCD
    std::uint8_t ClockMinute = 0;  // byte 16, BCD
    std::uint8_t ClockHour = 0;    // byte 17, BCD
    std::uint8_t ClockMonth = 0;   // byte 19, BCD
    std::uint8_t ClockDay = 0;     // byte 20, BCD
    std::uint8_t ClockYear = 0;    // byte 21, BCD years in the 2000s
    std::uint8_t SequenceEcho = 0; // byte 30
};

// True when byte 0 is 0x02 and byte 31 is 0x03: the one check of a reading's
// framing (the standard exchange's ReplyCheck::Framed uses it too).
bool isFramedReading(const ReplyBytes& reply);
// Decodes the fields; does not check the framing.
MeterReading decodeReading(const ReplyBytes& reply);

// The levels the meter can show, in tenths of a dB: from 0.0 up to 140.0 dB, the top of its
// highest range (130 dB) with the margin its own logged memory is read with. Anything above is
// not a level the meter made but a garbled reply.
inline constexpr int kHighestMeterTenths = 1400;
inline constexpr bool isPossibleLevel(int tenths) { return tenths >= 0 && tenths <= kHighestMeterTenths; }

// True when a reply to 'A' can be used as a reading: it is framed (isFramedReading) and the level
// it shows (DisplayLevel) is one the meter can show. The poll, the real-time recording and the
// live Leq use no other reply.
bool isUsableReading(const ReplyBytes& reply);
// The level the meter displays, in tenths of a dB (MAX or MIN when held).
int DisplayLevel(const MeterReading& r);
// DisplayLevel in dB, as the panel and the recording use it.
float displayLevelDb(const MeterReading& r);

// The value of a two-digit BCD byte (0x47 -> 47), or -1 when a nibble is above 9.
int bcdValue(std::uint8_t b);
// The binary value 0..99 as a BCD byte.
std::uint8_t toBcd(int value);

// What a reading does to the MAX and MIN labels and the blink timer.
struct MaxMinDisplay {
    LabelAction max = LabelAction::Unchanged;
    LabelAction min = LabelAction::Unchanged;
    BlinkAction blink = BlinkAction::Unchanged;
    bool operator==(const MaxMinDisplay&) const = default;
};
MaxMinDisplay maxMinDisplay(const MeterReading& r);

} // namespace quedral
