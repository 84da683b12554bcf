#pragma once
// The live Leq measurement without any window or link: each 40 ms tick hands over one 'A'
// reply (or a failed read); readings of one meter-clock second are averaged into the second's
// SPL, and the running Leq is carried over the seconds. What a tick produced comes back as a
// LeqTick: the log line, a finished table row, the time left, and whether the measurement ended.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;

namespace quedral {

using LeqReply = std::array<std::uint8_t, 32>;

// The measurement's state, as the table and the status fields need it.
struct LeqState {
    std::int32_t Row = 1;            // table row the next finished second goes to
    std::int32_t SecondReadings = 0; // readings counted in the current second
    std::int32_t SecondTotal = 0;    // their raw levels summed (tenths of a dB)
    bool Started = false;            // the first reading has been seen
    float LastLeq = 0;               // Leq after the last finished second
    std::int32_t SecondsLeft = 0;
    std::int32_t ReadFailures = 0;   // failed reads since the start
    std::int32_t SecondsCounted = 0; // new seconds since the start, empty ones included
    std::uint8_t LastSecondTag = 0;  // clock-seconds byte of the reply that opened the second
    QString LastDateText, LastTimeText;
    double LastWhen = 0; // the same as a date/time value (days since 30 Dec 1899)
};

// One finished second, as a row of the table.
struct LeqRow {
    int row = 0;
    QString date, time;
    double when = 0;        // the second's date and time as a date/time value
    bool hasLevels = false; // false: a second without counted readings (empty SPL and Leq)
    float spl = 0;
    float leq = 0;
    int readings = 0;       // readings averaged into it
};

struct LeqTick {
    bool readFailed = false;
    bool failedOut = false;       // the 51st failed read: stop, "LEQ fail , try to start again !!"
    QString logLine;              // "time<TAB>level" for the log, empty when nothing was read
    std::optional<LeqRow> row;    // a second finished
    std::optional<int> secondsLeft;
    bool durationReached = false; // the last second is done: stop
    QString logProblem;           // the log failed at this tick (set by leqExchange): why
};

class LeqMeasurement {
public:
    // Failed reads a measurement survives; one more ends it.
    static constexpr int kFailureLimit = 50;
    static constexpr int kTickMs = 40;

    // Start: the state afresh, the duration in seconds.
    void start(int durationSeconds);
    // One tick: a reply read (readOk) or not. A reply whose level the meter cannot show
    // (isPossibleLevel) counts as a failed read. `now` stands in for an unreadable meter clock.
    LeqTick tick(bool readOk, const LeqReply& reply, const QDateTime& now);
    const LeqState& state() const { return m_state; }

    // The reading's date and time texts from the meter clock (BCD bytes 21, 19, 20 and
    // 17, 16, 15), or both from now when a byte is not BCD or the date or time is not valid.
    // The date/time value goes to *when.
    static void readingTexts(const LeqReply& reply, const QDateTime& now, QString& date, QString& time,
                             double* when = nullptr);
    // "h:m:s" of a number of seconds, each without leading zeros.
    static QString timeLeftText(int seconds);

private:
    LeqState m_state;
};

class ChartModel;

// A row's cell as the Leq table shows it: 0 the number, 1 the date, 2 the time, 3 the SPL and
// 4 the Leq with one decimal in the locale's number format (empty for a second without
// readings).
QString leqRowText(const LeqRow& row, int column, const QLocale& locale = QLocale());
// The Leq window's Save: per row its date, time, SPL and Leq, each followed by a tab, then CR LF.
std::int64_t writeLeqTable(QIODevice& out, const std::vector<LeqRow>& rows, const QLocale& locale = QLocale());
// The same into a file that takes the place of an old one only once it is whole. False with the
// reason in *error when it cannot be written.
bool saveLeqTable(const QString& fileName, const std::vector<LeqRow>& rows, QString* error = nullptr);

// The Leq window's Graph: a fresh SPL/Leq chart with one point per row at the row's time; a
// second without readings keeps its times and the null levels.
void putLeqTable(ChartModel& chart, const std::vector<LeqRow>& rows);

// The durations of the Leq window's choices: "10 sec" .. "24 hours", "Manual".
inline constexpr int kLeqDurations[10] = {10, 60, 300, 600, 900, 1800, 3600, 28800, 86400, 86400};
inline constexpr const char* kLeqDurationItems[10] = {"10 sec",     "1 minute", "5 minutes", "10 minutes",
                                                      "15 minutes", "30 minutes", "1 hour",  "8 hour",
                                                      "24 hours",   "Manual"};

} // namespace quedral
