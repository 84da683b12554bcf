#pragma once
// The meter's logged memory: its layout, the encoder (data sets to bytes, as the simulated meter
// and QUICK REC write them) and the decoder (bytes to one record per data set, with the
// problems found). Pure functions over Qt Core; no statistics and no levels in dB, which the
// logger derives from the records.
//
// Memory layout: byte 0 is 0x04 and byte 31 is 0x05 (the download's first reply frame), bytes
// 9-10 the number of data sets, bytes 11-13 the last address (offset of the last valid byte),
// both big-endian; the first data set at offset 256, the others following without gaps. A data
// set at H:
//   H+0..1 A5 5A, H+3..8 year month day hour minute second (BCD), H+10 interval (s),
//   H+11..13 sample count, H+14 mode, H+15..22 wave file name, H+24.. two bytes per sample,
//   then 5A A5, whose A5 is the set's end offset E = H + 25 + 2 x count.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quedral {

using MemoryImage = QByteArray;

// The meter's logging memory: 256 KiB, byte-addressed (24-bit addresses above it are not there).
inline constexpr int kMeterMemoryBytes = 0x40000;

// Where the meter keeps its global fields in that memory.
namespace MemoryAddress {
inline constexpr int FrameStart = 0;     // 0x04
inline constexpr int SetCount = 9;       // 2 bytes, big-endian
inline constexpr int LastAddress = 11;   // 3 bytes, big-endian: the last valid byte
inline constexpr int Interval = 15;      // recording interval in seconds (14 is cleared with it)
inline constexpr int SettingsFirst = 14; // bytes 14..31 hold settings an erase keeps
inline constexpr int SettingsLast = 31;
inline constexpr int FrameEnd = 31;      // 0x05
inline constexpr int FirstSet = 256;     // the data sets follow each other from here
} // namespace MemoryAddress

inline constexpr std::uint8_t kFrameStartByte = 0x04;
inline constexpr std::uint8_t kFrameEndByte = 0x05;

// A data set's header fields, as offsets from its header offset H.
namespace SetField {
inline constexpr int StartMarker = 0;     // A5 5A
inline constexpr int Tag = 2;             // not read by the decode (QUICK REC writes 20)
inline constexpr int Start = 3;           // six BCD bytes: year within the century .. second
inline constexpr int StartBytes = 6;
inline constexpr int IntervalMinutes = 9; // not read by the decode (QUICK REC writes I div 60)
inline constexpr int Interval = 10;       // seconds, plain binary
inline constexpr int Count = 11;          // 3 bytes, big-endian
inline constexpr int Mode = 14;
inline constexpr int Wave = 15;           // 8 single-byte characters
inline constexpr int Samples = 24;        // two bytes per sample, then the end marker 5A A5
} // namespace SetField

inline constexpr std::uint8_t kStartMarker[2] = {0xA5, 0x5A};
inline constexpr std::uint8_t kEndMarker[2] = {0x5A, 0xA5};
// The bytes of a header before its samples.
inline constexpr int kSetHeaderBytes = SetField::Samples;
// The length of a wave file name.
inline constexpr int kWaveNameBytes = 8;

// The width of one sample in the image.
inline constexpr int BytesPerSample = 2;
// The first data set's header offset.
inline constexpr int kFirstHeaderOffset = MemoryAddress::FirstSet;
// The most data sets an image may announce.
inline constexpr int kMaxDataSets = 4000;
// The longest recording interval, in seconds (a larger header byte is read as 2).
inline constexpr int kMaxIntervalSeconds = 60;
// The highest level a sample can hold, in tenths of a dB (a higher one is read as 0.0).
inline constexpr int kHighestLevelTenths = 1400;

// Mode byte bits.
inline constexpr std::uint8_t ModeFast = 0x01;       // FAST, else SLOW
inline constexpr std::uint8_t ModeAWeighting = 0x02; // dBA, else dBC
inline constexpr std::uint8_t ModeRangeMask = 0x0C;  // 0 "30-90", 1 "50-110", 2 "70-130", 3 "30-130"

// The offset of the end marker's A5 of a set with its header at H and `count` samples.
constexpr std::int64_t endOffsetOf(std::int64_t headerOffset, std::int64_t count)
{
    return headerOffset + SetField::Samples + BytesPerSample * count + 1;
}

// A sample's level in tenths of a dB: the low 12 bits of its two bytes (the upper four bits
// of the first are not read).
inline int sampleTenths(const std::uint8_t* sample)
{
    return (sample[0] & 0x0F) * 256 + sample[1];
}

// --- Encoder ---------------------------------------------------------------------------------

// One data set to be written.
struct LoggedSet {
    QDateTime start;
    int interval = 1;                  // seconds
    std::uint8_t mode = 0x0F;          // FAST, dBA, 30-130
    QByteArray wave = "00000000";      // 8 characters; two leading zeros: no wave file
    std::vector<std::uint16_t> tenths; // levels in tenths of a dB
};

// A data set header as written: every byte of the first 24 that anything writes.
struct SetHeader {
    QDateTime start;                  // written in BCD (year within the century)
    int count = 0;
    int interval = 0;                 // byte H+10 (its low 8 bits)
    int intervalMinutes = 0;          // byte H+9
    int tag = 0;                      // byte H+2
    std::uint8_t mode = 0;
    QByteArray wave = "00000000";     // cut or padded with '0' to 8 characters
};

// The 24 header bytes of a set.
QByteArray encodeSetHeader(const SetHeader& header);

// The global fields the meter writes for `setCount` sets ending at `lastAddress`: the pairs of
// address and byte, set count then last address.
std::vector<std::pair<int, std::uint8_t>> globalFieldWrites(int setCount, std::int64_t lastAddress);

// The image of these sets, as many bytes as they need (the last address is the last set's
// end marker). Byte 0 is 0x04 and byte 31 is 0x05, so its first 32 bytes answer 'P'.
// No sets give 256 bytes with count 0 and last address 255; the other bytes are zero.
QByteArray encodeMemoryImage(const std::vector<LoggedSet>& sets);

// --- Decoder ---------------------------------------------------------------------------------

// The decode's result codes.
namespace DecodeCode {
inline constexpr int Ok = 0;
inline constexpr int NoDataSets = 31;        // bytes 9 and 10 are both 0
inline constexpr int TooManyDataSets = 32;   // more than 4000 announced
inline constexpr int MarkerMisplaced = 33;   // a start or end marker is not where expected
inline constexpr int BeyondLastAddress = 34; // a set ends beyond the last address, the memory or the image
inline constexpr int StartUnreadable = 35;   // a set's start date or time cannot be read
} // namespace DecodeCode

// Whether a decode code says that data sets were read but some are damaged (33 to 35).
inline bool isDamagedDecode(int code)
{
    return code >= DecodeCode::MarkerMisplaced && code <= DecodeCode::StartUnreadable;
}

// Whether a decode that ended with this code replaced the data sets (0 and 33 to 35; 31 and
// 32 leave what was there).
inline bool replacesDataSets(int code)
{
    return code == DecodeCode::Ok || isDamagedDecode(code);
}

// One damaged data set found by the decode: its number (from 1), the code it raised (33 to 35)
// and what is wrong, e.g. "unreadable start date and time (header bytes 26 02 31 08 15 00)".
struct DecodeProblem {
    int set = 0;
    int code = 0;
    QString what;
};

// The wave file name of a set: the 8 header bytes from H + 15 (fewer when the image ends;
// missing bytes are 0).
struct WaveFileName {
    std::array<char, kWaveNameBytes> bytes{};
    std::uint8_t length = 0; // bytes of the name inside the image (8 normally)
};

// One data set as its header and markers give it.
struct SetRecord {
    std::int32_t headerOffset = 0;
    std::int32_t endOffset = 0;        // the A5 of its end marker, as found
    std::int32_t count = 0;            // samples, cut to those in the image
    std::int32_t interval = 0;         // seconds, 0 to 60
    std::uint8_t mode = 0;
    // The BCD start; both invalid when it cannot be read.
    QDate startDate;
    QTime startTime;
    WaveFileName wave;

    bool startReadable() const { return startDate.isValid(); }
};

// What the decoder found: the code (0, 31 to 35), the problems in memory order, and with codes
// 0 and 33 to 35 one record per announced set.
struct LoggedMemory {
    int code = DecodeCode::Ok;
    std::vector<DecodeProblem> problems;
    std::vector<SetRecord> sets;
};

// The last address, image bytes 11-13 (missing bytes count as 0).
int lastAddressOf(const MemoryImage& image);
// The number of data sets the image announces, bytes 9-10.
int dataSetCountOf(const MemoryImage& image);

// Decodes the image's layout. Never reads outside it, whatever its bytes say: a set running past
// the image's end gets code 34 and only the samples that are in the image. A last address beyond
// the 256 KiB memory counts as the memory's last byte. A set whose six BCD date and time bytes do
// not all read as digits, or do not make a valid date and time, has no start (code 35).
LoggedMemory decodeLoggedMemory(const MemoryImage& image, int lastAddress);

} // namespace quedral
