#pragma once
// Reading back a graph written as text: tab-separated (*.txt) or comma-separated (*.csv), one
// line per point, as the graph text export writes them:
//     date <sep> time <sep> level [<sep> level 2]
// The date is in the user's short date format, the time "hh:mm:ss.z" where z is the number of
// milliseconds without leading zeros (".5" is 5 ms, ".500" half a second), the level has one
// decimal in the user's number format. The comma variant puts a blank after its first two
// commas. Lines end with CR LF or LF.
#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QTime>
#include <QStringView>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;

namespace quedral {

struct GraphText {
    std::vector<double> times; // days since 30 Dec 1899
    std::vector<float> levels; // dB, the first level of each line
    QString error;             // empty when every line was read
    std::int64_t errorLine = 0; // 1-based line of the error
    // 1-based line of an empty line that ended reading while more text followed; 0 when reading
    // went to the end (empty lines at the very end lose nothing).
    std::int64_t emptyLine = 0;
    bool ok() const { return error.isEmpty(); }
};

// The longest graph line read, in bytes (179 characters of any encoding); a longer one is an
// error found as soon as that many bytes have come without a line end.
inline constexpr qsizetype kMaxGraphTextLineBytes = 4 * 179 + 2;
// The most lines a graph text may hold: as many points as a chart holds.
inline constexpr std::int64_t kMaxGraphTextLines = 16777216;

struct GraphTextLimits {
    qsizetype maxLineBytes = kMaxGraphTextLineBytes;
    std::int64_t maxLines = kMaxGraphTextLines;
};

// The separator a file's extension calls for: tab for .txt, comma for .csv, letter case
// ignored; nullopt for any other name.
std::optional<QChar> graphTextSeparator(const QString& fileName);

// Reads the lines of a graph text file (8-bit text in the local encoding). Reading ends at the
// first empty line, as it does when such a file is opened as a list; a line that is not a
// graph line stops it with the line's number and what is wrong. Fields are taken with blanks
// around them trimmed. A two-digit year in the date is read as 1950 .. 2049. Levels in the
// user's format or with a full stop; when the user's decimal separator is the file's separator
// (a CSV file written with comma decimals) each level spans two fields, joined again here.
// Over-long lines and more lines than the limits are errors too, so memory stays bounded
// whatever the device delivers.
GraphText readGraphText(QIODevice& in, QChar separator, const QLocale& locale = QLocale(),
                        const GraphTextLimits& limits = {});
GraphText readGraphText(const QByteArray& bytes, QChar separator, const QLocale& locale = QLocale(),
                        const GraphTextLimits& limits = {});

// The pieces of a graph line, as readGraphText reads them (the list window's Output to graph
// reads its cells the same way). Blanks around the text are ignored.
// A date in the locale's short format; a two-digit year is read as 1950 .. 2049.
std::optional<QDate> readShortDate(QStringView text, const QLocale& locale = QLocale());
// A time of day "hh:mm:ss" with optional milliseconds ".z" (1 to 3 digits, a plain number:
// ".5" is 5 ms); failing that, the locale's long or short time format.
std::optional<QTime> readTimeOfDay(QStringView text, const QLocale& locale = QLocale());
// A level in the locale's number format (no group separators) or with a full stop.
std::optional<float> readLevel(QStringView text, const QLocale& locale = QLocale());

} // namespace quedral
