#pragma once
// The data sets of the meter's logged memory, decoded from its image (the layout, the
// encoder and the decoder of the bytes are meter/loggedmemory.h), and the table rows that list
// them. Pure functions, no widgets.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "meter/loggedmemory.h"

namespace quedral {

// One data set of the store.
struct DataSet {
    double start = 0; // days since 30 Dec 1899; 0 when the header's start cannot be read
    // The header's start date and time could not be read. Such a set's start is 0 and its
    // sample times count from there (the time since its first sample); it has no date until a
    // new start is given (setStartTime).
    bool startUnreadable = false;
    std::int32_t interval = 0; // seconds, 0 to 60
    std::int32_t count = 0;
    std::uint8_t mode = 0;
    std::int32_t headerOffset = 0;
    std::int32_t endOffset = 0; // the A5 of its end marker
    std::int32_t maxIndex = 0;  // within the set, the first sample with the highest level
    std::int32_t minIndex = 0;  // the same with the lowest
    double average = 0;         // mean level in dB
    WaveFileName wave;          // as the header holds it

    bool startReadable() const { return !startUnreadable; }
};
using DataSetInfo = DataSet;

// Where a data set's samples are in the store, and the time they span.
struct DataSetSpan {
    std::int64_t first = 0; // index in Levels and SampleTimes
    std::int64_t count = 0; // the set's count, cut to what the store holds
    double start = 0;       // the set's start
    double end = 0;         // start + count x interval
};

// The data sets of one decode: one record per set in memory order, and the samples of all sets,
// set after set.
struct DataSetStore {
    std::vector<DataSet> sets;
    std::vector<float> Levels;       // dB; 0.0 for a sample outside 20.0 .. 140.0
    std::vector<double> SampleTimes; // days

    int size() const { return static_cast<int>(sets.size()); }
    bool empty() const { return sets.empty(); }
    const DataSet& info(int n) const { return sets[static_cast<size_t>(n)]; }
    // Index in Levels and SampleTimes of set n's first sample.
    std::int64_t firstSample(int n) const;
    DataSetSpan Span(int n) const;
    bool startReadable(int n) const { return !sets[static_cast<size_t>(n)].startUnreadable; }
    // A new start for set n; its sample times follow, one interval apart. The start is then
    // known even where the header's could not be read.
    void setStartTime(int n, double start);
};

// What the decode produced. `store` is set when the store is to be replaced (codes 0, 33, 34,
// 35); with 31 and 32 it is empty and the caller keeps what it had.
struct DecodeResult {
    int code = DecodeCode::Ok;
    std::vector<DecodeProblem> problems; // in memory order, every problem of every set
    std::optional<DataSetStore> store;
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

// Decodes the image (decodeLoggedMemory, with its codes and problems) into a store: levels in
// dB, sample times and each set's extremes and mean. A set whose start cannot be read has its
// start marked unreadable (code 35); nothing is filled in for it.
DecodeResult decodeMemoryImage(const MemoryImage& image, int lastAddress);
// The same; the time is not used (no field is taken from it any more).
inline DecodeResult decodeMemoryImage(const MemoryImage& image, int lastAddress, const QDateTime&)
{
    return decodeMemoryImage(image, lastAddress);
}

// The texts of the data set table, for set n of a store and the image it came from.
QString rangeTextOfMode(std::uint8_t mode);
QString intervalText(int seconds); // "00:02", "01:00"

} // namespace quedral
