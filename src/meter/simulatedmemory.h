#pragma once
// The simulated meter's logging memory: an image built from a list of data sets, laid out as
// the meter lays out its memory (header block with the set count and last address, the sets
// back to back from offset 256, each with its markers, BCD start time, interval, count, mode,
// wave file name and two bytes per sample).
#include <QByteArray>
#include <QDateTime>
#include <cstdint>
#include <vector>

namespace quedral {

// The meter's logging memory: 256 KiB, byte-addressed (24-bit addresses above it are not there).
inline constexpr int kMeterMemoryBytes = 0x40000;

// Where the meter keeps its global fields in that memory.
namespace MemoryAddress {
inline constexpr int SetCount = 9;       // 2 bytes, big-endian
inline constexpr int LastAddress = 11;   // 3 bytes, big-endian: the last valid byte
inline constexpr int Interval = 15;      // recording interval in seconds (14 is cleared with it)
inline constexpr int SettingsFirst = 14; // bytes 14..31 hold settings an erase keeps
inline constexpr int SettingsLast = 31;
inline constexpr int FirstSet = 256;     // the data sets follow each other from here
} // namespace MemoryAddress

struct LoggedSet {
    QDateTime start;
    int interval = 1;                  // seconds
    std::uint8_t mode = 0x0F;          // FAST, dBA, 30-130
    QByteArray wave = "00000000";      // 8 characters; two leading zeros: no wave file
    std::vector<std::uint16_t> tenths; // levels in tenths of a dB
};

// The image of these sets, as many bytes as they need (the last address is the last set's
// end marker). Byte 0 is 0x04 and byte 31 is 0x05, so its first 32 bytes answer 'P'.
// No sets give 256 bytes with count 0 and last address 255; the settings bytes are zero.
QByteArray encodeMemoryImage(const std::vector<LoggedSet>& sets);

// What a new simulated meter has logged: four sets of one day, a short one at 1 s, half an
// hour at 2 s with a wave file, a working day at 60 s with a series of wave files, and a
// minute at 1 s.
std::vector<LoggedSet> defaultLoggedSets();
// Sets that fill the whole 256 KiB memory (kMeterMemoryBytes).
std::vector<LoggedSet> fullMemoryLoggedSets();

} // namespace quedral
