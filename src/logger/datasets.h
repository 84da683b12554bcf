#pragma once
// The meter's logged memory: the byte image as the meter delivers it, the data sets decoded
// from it, and the table rows that list them. Pure functions, no widgets.
//
// Image layout: bytes 9-10 the number of data sets, bytes 11-13 the last address (offset of the
// last valid byte), both big-endian; the first data set at offset 256. A data set at H:
//   H+0..1 A5 5A, H+3..8 year month day hour minute second (BCD), H+10 interval (s),
//   H+11..13 sample count, H+14 mode, H+15..22 wave file name, H+24.. two bytes per sample,
//   then 5A A5, whose A5 is the set's end offset E = H + 25 + 2 x count.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quedral {

using MemoryImage = QByteArray;

// The width of one sample in the image.
inline constexpr int BytesPerSample = 2;
// The first data set's header offset.
inline constexpr int kFirstHeaderOffset = 256;
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

// One data set, as the per-set arrays of the store hold it.
struct DataSetInfo {
    double StartTime = 0; // days since 30 Dec 1899; 0 when the header's start cannot be read
    bool StartReadable = true;
    std::int32_t Interval = 0; // seconds, 0 to 60
    std::int32_t Count = 0;
    std::uint8_t Mode = 0;
    std::int32_t HeaderOffset = 0;
    std::int32_t EndOffset = 0;
    std::int32_t MaxIndex = 0;
    std::int32_t MinIndex = 0;
    double Average = 0;
};

// Where a data set's samples are in the store, and the time they span.
struct DataSetSpan {
    std::int64_t first = 0; // index in Levels and SampleTimes
    std::int64_t count = 0; // Count, cut to what the store holds
    double start = 0;       // StartTime
    double end = 0;         // StartTime + Count x Interval
};

// The data sets of one decode: per-set arrays in memory order, and the samples of all sets,
// set after set.
struct DataSetStore {
    std::vector<float> Levels;       // dB; 0.0 for a sample outside 20.0 .. 140.0
    std::vector<double> SampleTimes; // days
    std::vector<double> StartTimes;
    // Per set: 1 when the header's start date and time could not be read. Such a set's
    // StartTime is 0 and its sample times count from there (the time since its first sample);
    // it has no date until a new start is given (SetStartTime).
    std::vector<std::uint8_t> StartUnreadable;
    std::vector<std::int32_t> Intervals;
    std::vector<std::int32_t> Counts;
    std::vector<std::uint8_t> Modes;
    std::vector<std::int32_t> HeaderOffsets;
    std::vector<std::int32_t> EndOffsets;
    std::vector<std::int32_t> MaxIndexes;
    std::vector<std::int32_t> MinIndexes;
    std::vector<double> Averages;

    int size() const { return static_cast<int>(Counts.size()); }
    bool empty() const { return Counts.empty(); }
    DataSetInfo info(int n) const;
    // Index in Levels and SampleTimes of set n's first sample.
    std::int64_t FirstSample(int n) const;
    DataSetSpan Span(int n) const;
    bool startReadable(int n) const { return n >= static_cast<int>(StartUnreadable.size()) || !StartUnreadable[n]; }
    // A new start for set n; its sample times follow, one interval apart. The start is then
    // known even where the header's could not be read.
    void SetStartTime(int n, double start);
};

// The wave file name of a set: the 8 header bytes from H + 15 (fewer when the image ends).
using WaveName = QByteArray;

// One damaged data set found by the decode: its number (from 1), the code it raised (33 to 35)
// and what is wrong, e.g. "unreadable start date and time (header bytes 26 02 31 08 15 00)".
struct DecodeProblem {
    int set = 0;
    int code = 0;
    QString what;
};

// What the decode produced. `store` and `waves` are set when the store is to be replaced
// (codes 0, 33, 34, 35); with 31 and 32 they are empty and the caller keeps what it had.
struct DecodeResult {
    int code = DecodeCode::Ok;
    std::vector<DecodeProblem> problems; // in memory order, every problem of every set
    std::optional<DataSetStore> store;
    std::vector<std::array<char, 8>> waves; // per set; missing bytes are 0
    std::vector<std::uint8_t> waveLengths;  // bytes of each name inside the image (8 normally)
};

// Row n of the data set table, nine texts: number, start date (short format), start time
// "hh:mm:ss", interval "mm:ss", count, "dBA"/"dBC", "FAST"/"SLOW", range, wave file name
// (empty when it begins with two zeros).
QStringList dataSetRow(const DecodeResult& result, int n);
// The wave column's text for set n.
QString waveText(const DecodeResult& result, int n);

// The sets a damaged decode (33 to 35) concerns and why, for a message:
// "decode code 35: data set 2: unreadable start date and time (header bytes ...)", one line a
// problem, the first line naming the code and the sets. Empty when there is no problem. With
// maxProblems >= 0, at most that many problem lines, then "... and N more".
QString decodeProblemsText(const DecodeResult& result, int maxProblems = -1);
// The numbers (from 1) of the sets with problems, in order, each once: "2, 4".
QString damagedSetsText(const DecodeResult& result);

// The last address, image bytes 11-13 (missing bytes count as 0).
int lastAddressOf(const MemoryImage& image);
// The number of data sets the image announces, bytes 9-10.
int dataSetCountOf(const MemoryImage& image);

// Decodes the image. Never reads outside it, whatever its bytes say: a set running past the
// image's end gets code 34 and only the samples that are in the image. A last address beyond
// the 256 KiB memory counts as the memory's last byte. A set whose six BCD date and time
// bytes do not all read as digits, or do not make a valid date and time, has its start marked
// unreadable (code 35); nothing is filled in for it.
DecodeResult DecodeMemoryImage(const MemoryImage& image, int lastAddress);
// The same; the time is not used (no field is taken from it any more).
inline DecodeResult DecodeMemoryImage(const MemoryImage& image, int lastAddress, const QDateTime&)
{
    return DecodeMemoryImage(image, lastAddress);
}

// The texts of the data set table, for set n of a store and the image it came from.
QString rangeTextOfMode(std::uint8_t mode);
QString intervalText(int seconds); // "00:02", "01:00"

} // namespace quedral
