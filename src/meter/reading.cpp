#include "meter/reading.h"

#include "meter/frames.h"

namespace quedral {

namespace {
std::uint16_t bigEndian(const ReplyBytes& r, int at)
{
    return static_cast<std::uint16_t>((r[at] << 8) | r[at + 1]);
}
} // namespace

bool isFramedReading(const ReplyBytes& reply)
{
    /* Byte 0: start of frame; byte 31: end of frame. */
    return reply[0] == kFrameStart && reply[31] == kFrameEnd;
}

MeterReading decodeReading(const ReplyBytes& reply)
{
    MeterReading r;
    /* Byte 1 [0]: REC, [2]: MAX/MIN active, [3]: 1 = dBA / 0 = dBC, [4]: 1 = FAST / 0 = SLOW,
       [6]: UNDER, [7]: OVER; bits 1 and 5 unused. */
    const std::uint8_t f = reply[1];
    r.Recording = f & 0x01;
    r.MaxMinActive = f & 0x04;
    r.WeightingA = f & 0x08;
    r.Fast = f & 0x10;
    r.Under = f & 0x40;
    r.Over = f & 0x80;
    /* Byte 2 [4]: memory full; other bits unused. */
    r.MemoryFull = reply[2] & 0x10;
    /* Byte 3: range, byte 4: MAX/MIN mode; their codes are tabled in readingcodes.h.
       Unknown codes are kept as sent. */
    r.RangeCode = static_cast<Range>(reply[3]);
    r.MaxMinMode = static_cast<MaxMin>(reply[4]);
    /* Bytes 5-6, 11-12, 13-14: level, held max, held min; tenths of a dB, high byte first.
       Bytes 7-10 unused. */
    r.LevelTenths = bigEndian(reply, 5);
    r.MaxTenths = bigEndian(reply, 11);
    r.MinTenths = bigEndian(reply, 13);
    /* Bytes 15, 16, 17: second, minute, hour (BCD); 18 unused;
       19, 20, 21: month, day, year in the 2000s (BCD); 22-29 unused. */
    r.ClockSecond = reply[15];
    r.ClockMinute = reply[16];
    r.ClockHour = reply[17];
    r.ClockMonth = reply[19];
    r.ClockDay = reply[20];
    r.ClockYear = reply[21];
    /* Byte 30: the sequence number of the poll being answered. */
    r.SequenceEcho = reply[30];
    return r;
}

int DisplayLevel(const MeterReading& r)
{
    const MaxMinInfo* mode = maxMinInfo(r.MaxMinMode);
    if (!r.MaxMinActive || !mode)
        return r.LevelTenths;
    switch (mode->shows) {
    case ShownLevel::HeldMax: return r.MaxTenths;
    case ShownLevel::HeldMin: return r.MinTenths;
    case ShownLevel::Current: break;
    }
    return r.LevelTenths;
}

bool isUsableReading(const ReplyBytes& reply)
{
    return isFramedReading(reply) && isPossibleLevel(DisplayLevel(decodeReading(reply)));
}

float displayLevelDb(const MeterReading& r)
{
    return static_cast<float>(DisplayLevel(r)) * 0.1f;
}

int bcdValue(std::uint8_t b)
{
    const int hi = b >> 4, lo = b & 0x0F;
    if (hi > 9 || lo > 9)
        return -1;
    return hi * 10 + lo;
}

std::uint8_t toBcd(int value)
{
    value = ((value % 100) + 100) % 100;
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

MaxMinDisplay maxMinDisplay(const MeterReading& r)
{
    if (!r.MaxMinActive)
        return {LabelAction::Hide, LabelAction::Hide, BlinkAction::Stop};
    if (const MaxMinInfo* mode = maxMinInfo(r.MaxMinMode))
        return {mode->maxLabel, mode->minLabel, mode->blink};
    return {}; // an unknown mode changes nothing
}

} // namespace quedral
