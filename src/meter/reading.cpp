#include "meter/reading.h"

namespace quedral {

namespace {
std::uint16_t bigEndian(const ReplyBytes& r, int at)
{
    return static_cast<std::uint16_t>((r[at] << 8) | r[at + 1]);
}
} // namespace

bool isFramedReading(const ReplyBytes& reply)
{
    /* Byte 0: 0x02 start of frame; byte 31: 0x03 end of frame. */
    return reply[0] == 0x02 && reply[31] == 0x03;
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
    /* Byte 3: range 0x11 30-90, 0x22 50-110, 0x44 70-130, 0x88 30-130. */
    r.RangeCode = reply[3];
    /* Byte 4: MAX/MIN mode 0x00 none, 0x11 MAX, 0x22 MIN, 0x44 alternating. */
    r.MaxMinMode = reply[4];
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
    if (r.MaxMinActive && r.MaxMinMode == 0x11)
        return r.MaxTenths;
    if (r.MaxMinActive && r.MaxMinMode == 0x22)
        return r.MinTenths;
    return r.LevelTenths;
}

float DisplayLevelDb(const MeterReading& r)
{
    return static_cast<float>(DisplayLevel(r)) * 0.1f;
}

const char* rangeText(std::uint8_t rangeCode)
{
    switch (rangeCode) {
    case 0x11: return "30-90";
    case 0x22: return "50-110";
    case 0x44: return "70-130";
    case 0x88: return "30-130";
    default: return nullptr;
    }
}

bool rangeBounds(std::uint8_t rangeCode, int& lowDb, int& highDb)
{
    switch (rangeCode) {
    case 0x11: lowDb = 30; highDb = 90; return true;
    case 0x22: lowDb = 50; highDb = 110; return true;
    case 0x44: lowDb = 70; highDb = 130; return true;
    case 0x88: lowDb = 30; highDb = 130; return true;
    default: return false;
    }
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
    using L = LabelAction;
    using B = BlinkAction;
    if (!r.MaxMinActive)
        return {L::Hide, L::Hide, B::Stop};
    switch (r.MaxMinMode) {
    case 0x00: return {L::Unchanged, L::Unchanged, B::Stop};
    case 0x11: return {L::Show, L::Hide, B::Stop};
    case 0x22: return {L::Hide, L::Show, B::Stop};
    case 0x44: return {L::Unchanged, L::Unchanged, B::Start};
    default: return {L::Unchanged, L::Unchanged, B::Unchanged};
    }
}

} // namespace quedral
