#pragma once
// The one reader of graph text and CSV files (`*.txt` tab-separated, `*.csv` comma-separated,
// as the graph text export writes them: date, time, level and an optional second level per
// line). Lines are read as the import reads them (importListTable: at most 179 characters,
// reading ends at the first line without a separator); each row's date, time and level are
// read as Output to graph reads them (listToGraph), by TextRowReader, which takes the common
// case straight from the bytes.
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "files/textfiles.h"

class QIODevice;

namespace quedral {

// Reads a row's cells (UTF-8, blanks around them ignored) as readShortDate, readTimeOfDay and
// readLevel do, with the same results; the date text of the last row is kept with its value,
// as the rows of a file share few days.
class TextRowReader {
public:
    explicit TextRowReader(const QLocale& locale = QLocale());

    // The row's date and time as days since 30 Dec 1899; nullopt when either is unreadable.
    std::optional<double> time(QByteArrayView date, QByteArrayView timeOfDay);
    // A level in the locale's number format or with a full stop.
    std::optional<float> level(QByteArrayView text) const;

private:
    QLocale m_locale;
    char m_point; // the locale's decimal point when it is one ASCII character, else '.'
    bool m_haveDate = false;
    QByteArray m_dateText;
    std::optional<QDate> m_date;
    double m_day = 0; // m_date in days
};

// The rows a reading left out because a cell could not be read.
struct TextRowReport {
    std::int64_t rows = 0;         // rows read
    std::int64_t skipped = 0;      // rows left out
    std::int64_t firstSkipped = 0; // 1-based line of the first of them
    QString firstReason;

    // What was left out; empty when every row became a point.
    QString message() const;
};

// The points of a graph text: one per row whose date, time and level read, in the file's order.
// Levels are kept as written, the chart's null (9999) included; what to make of them is the
// caller's. A CSV file written with the user's decimal comma splits each level in two fields:
// they are joined again.
struct TextPoints {
    std::vector<double> times; // days since 30 Dec 1899
    std::vector<float> levels; // dB, the first level of each row
    ImportStop stop;           // where and why reading ended
    TextRowReport report;      // rows left out

    // For a reader that takes a file whole or not at all (`leq`, `stats`): the first line that
    // keeps the points from being the whole file and why (a row left out, a line without a
    // separator or too long, too many lines, a read error, Cancel); line 0 and no reason when
    // they are whole. An empty line ends the file without a problem: emptyLine() tells where.
    struct Problem {
        std::int64_t line = 0;
        QString why;
    };
    Problem wholeFileProblem() const;
    // The line of an empty line that ended reading while more text followed; 0 when none did.
    std::int64_t emptyLine() const { return stop.reason == ImportStop::EmptyLine ? stop.line : 0; }
};

TextPoints readTextPoints(QIODevice& in, QChar separator, const QLocale& locale = QLocale(),
                          const KeepGoing& keepGoing = {}, const ImportLimits& limits = {});
TextPoints readTextPoints(const QByteArray& bytes, QChar separator, const QLocale& locale = QLocale(),
                          const ImportLimits& limits = {});

} // namespace quedral
