#pragma once
// The fields of a graph written as text: tab-separated (*.txt) or comma-separated (*.csv), one
// line per point, as the graph text export writes them:
//     date <sep> time <sep> level [<sep> level 2]
// The date is in the user's short date format, the time "hh:mm:ss.z" where z is the number of
// milliseconds without leading zeros (".5" is 5 ms, ".500" half a second), the level has one
// decimal in the user's number format. The comma variant puts a blank after its first two
// commas. Lines end with CR LF or LF.
#include <QChar>
#include <QDate>
#include <QTime>
#include <QStringView>
#include <QLocale>
#include <QString>

#include <optional>

namespace quedral {

// The separator a file's extension calls for: tab for .txt, comma for .csv, letter case
// ignored; nullopt for any other name.
std::optional<QChar> graphTextSeparator(const QString& fileName);

// The pieces of a graph line, as the text reader (files/textpoints.h) and the list window's
// Output to graph read them. Blanks around the text are ignored.
// A date in the locale's short format; a two-digit year is read as 1950 .. 2049.
std::optional<QDate> readShortDate(QStringView text, const QLocale& locale = QLocale());
// A time of day "hh:mm:ss" with optional milliseconds ".z" (1 to 3 digits, a plain number:
// ".5" is 5 ms); failing that, the locale's long or short time format.
std::optional<QTime> readTimeOfDay(QStringView text, const QLocale& locale = QLocale());
// A level in the locale's number format (no group separators) or with a full stop.
std::optional<float> readLevel(QStringView text, const QLocale& locale = QLocale());

} // namespace quedral
