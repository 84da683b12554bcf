#pragma once
// The WAV files recorded with a data set: their names, how much of the set each covers,
// where the play line stands, and the copy into a measurement project folder. No widgets.
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace quedral::wav {

// Each file of a series covers at most this many seconds of the data set.
inline constexpr int kSecondsPerFile = 1800;
// The longest track the play line's lead is reckoned for (30 minutes).
inline constexpr std::int64_t kMaxTrackMs = 1'800'000;

// The two-character counter of a series file name: characters 7 and 8 (from 1).
struct Counter {
    char counterHigh = '0';
    char counterLow = '0';
    bool operator==(const Counter&) const = default;
};

// One step of a counter character: '0'..'9', then 'A'..'Z' (lower case 'a'..'z' alike).
// Returns true when the character wrapped to '0' (a carry).
bool stepCounterChar(char& c);
// The counter advanced `times` times: character 8 steps, carrying into character 7, which
// wraps from 'Z' to '0' by itself.
Counter advance(Counter c, int times = 1);
// Characters 7 and 8 of a file name ('0' where the name is shorter).
Counter counterOf(const QString& fileName);
// The name with characters 7 and 8 replaced (a name shorter than 8 is padded with '0').
QString withCounter(const QString& fileName, Counter c);
// The name of file `fileNo` (from 0) of the series that starts with `firstName`.
QString seriesFileName(const QString& firstName, int fileNo);

// Whether the data set table's "wave file" text names a series: not empty, and not
// starting with two '0'.
bool namesWaveFile(const QString& waveText);

// The number of files of a set: total = interval × (count − 1) seconds (0 for one sample or
// none); total / 1800, plus one when total mod 1800 is more than 3.
int FileCount(int interval, int count);

// The samples a file covers: start = s × file, end = start + s clamped to points − 1, with
// s = 1800 / interval. nullopt when the interval is not positive (no division).
struct Segment {
    int start = 0;
    int end = 0;
    bool operator==(const Segment&) const = default;
};
std::optional<Segment> segmentOf(int fileNo, int interval, int points);
// The file the sample at `index` falls in: interval × index / 1800; nullopt for interval 0.
std::optional<int> fileNoAt(int interval, int index);

// Where in the open file (0..1) the sample X `x` lies between the segment's ends
// (0 for a segment of one point).
double fractionInSegment(double x, double startX, double endX);
// Where the player seeks for a fraction of a track: length × fraction, truncated, once the
// rounding noise of day-valued X (far below a millisecond) is taken off.
std::int64_t seekMs(std::int64_t lengthMs, double fraction);
// The play line's X (days) for a player at `positionMs` of `lengthMs`: the segment's start plus
// its span times the played fraction, plus a lead of min(length, 30 min) / 900000 seconds, and
// never past `lastX`.
double playLineX(double startX, double endX, std::int64_t positionMs, std::int64_t lengthMs, double lastX);
// The offset box's text as milliseconds; 0 when it is not an integer.
int playOffsetMs(const QString& text);
// Milliseconds as days.
inline double msToDays(double ms) { return ms / 86'400'000.0; }

// ---- The measurement project folder ----

// The project folder of a series: `baseDir` + the first 8 characters of the first name.
QString projectFolder(const QString& baseDir, const QString& firstName);

struct CopyResult {
    bool folderMade = false; // false: the folder could not be made, nothing was copied
    int copied = 0;          // files written
    int kept = 0;            // targets that existed already and were left as they are
    int failed = 0;          // missing sources and failed copies
};
// Copies the series that starts with the file `firstFile` (fileCount files, taken from its
// folder) into `folder`, making the folder when missing. `progress(m)` is called before file m
// (1 .. fileCount − 1). An existing target is never written over, a source is never touched,
// and a copy that fails leaves no partial target behind.
CopyResult copyProject(const QString& firstFile, int fileCount, const QString& folder,
                       const std::function<void(int)>& progress = {});

} // namespace quedral::wav
