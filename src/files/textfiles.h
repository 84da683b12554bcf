#pragma once
// Text and CSV files, without widgets: the graph export (one line per point), the table
// export (one line per row, every cell followed by the separator), the import into a list
// table and the export range rules.
//
// Files are 8-bit text in the local encoding; every line written ends with CR LF; a line read
// ends at LF, a CR before it is dropped. Dates are in the user's short date format, numbers in
// the user's number format (QLocale() unless a locale is given).
#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace quedral {

class ChartModel;

// ---------------------------------------------------------------------------
// List tables

// The table of a list window: data rows of six text columns (1 to 6), column 0 being the row
// number. The texts are kept in one buffer, so a million imported rows cost little memory.
class ListTable {
public:
    static constexpr int kColumns = 7; // 0 (row number) .. 6

    ListTable();
    // Data rows (the header row not counted).
    int rowCount() const;
    // The text of a data row (0-based) in column 0 .. 6; column 0 is row + 1.
    QString cell(int row, int column) const;
    // Header texts of columns 0 .. 6: "No", "Date", "Time", "Value", then empty.
    QString header(int column) const;
    void setHeader(int column, const QString& text);
    // Appends a row of up to six fields (columns 1 ..); more are dropped.
    void appendRow(const QStringList& fields);
    // The same from UTF-8 texts, without copies on the way (the import's own path). False, and
    // nothing added, when the table's text would pass 4 GiB.
    bool appendRowUtf8(const QByteArrayView* fields, int count);
    // A data cell's UTF-8 bytes (columns 1 .. 6), valid until the table changes; empty
    // outside the table.
    QByteArrayView cellUtf8(int row, int column) const;
    void reserve(int rows, qsizetype textBytes);
    // The bytes of text the table keeps.
    qint64 textBytes() const { return m_text.size(); }
    // Gives back the room reserve() took and the rows did not use.
    void squeeze();

private:
    QString m_headers[kColumns];
    QByteArray m_text;                   // all fields, UTF-8, back to back
    std::vector<std::uint32_t> m_starts; // per row, kColumns - 1 field starts, then one end
};

// Keeps a long job going; returns false to stop it (Cancel). Receives what was done so far.
using KeepGoing = std::function<bool(std::int64_t done)>;

// The most rows an import reads: as many as a graph holds, so that every imported list can
// become a graph. A file with more is refused, never cut silently.
inline constexpr std::int64_t kMaxImportRows = 16777216;
// The most text an import keeps (the fields, without separators and line ends).
inline constexpr qint64 kMaxImportTextBytes = qint64(1) << 30;
// The longest line an import reads, in characters; a longer one is cut there.
inline constexpr qsizetype kMaxImportLineChars = 179;

struct ImportLimits {
    std::int64_t maxRows = kMaxImportRows;
    qint64 maxTextBytes = kMaxImportTextBytes;
};

// Where and why an import stopped reading.
struct ImportStop {
    enum Reason {
        EndOfFile,   // every line was read (empty lines at the very end are no loss)
        NoSeparator, // line `line` has no separator: it and the lines after it are not read
        EmptyLine,   // line `line` is empty and more follows: the lines after it are not read
        LongLine,    // line `line` is longer than 179 characters: its row (if it has a separator) was cut,
                     // the rest not read
        Cancelled,   // Cancel after line `line`
        TooManyRows, // line `line` would be one row more than the limit: refused
        TooMuchText, // line `line` would pass the text limit: refused
        ReadError,   // the file could not be read at line `line` (detail says why): refused
    };
    Reason reason = EndOfFile;
    std::int64_t line = 0; // 1-based
    QString detail;        // the device's error for ReadError
    QChar separator;
    ImportLimits limits;

    // Rows were left out and the table is not to be used.
    bool refused() const { return reason == TooManyRows || reason == TooMuchText || reason == ReadError; }
    // What was left out and why; empty when every line was read.
    QString message() const;
};

// Reads a text file into a list table as the import does: lines of at most 179 characters
// (a longer line is cut there and the next read is empty), reading ends at the first line
// without a separator (an empty line included); each line's fields fill columns 1 to 6, with no
// trimming and no quoting; a trailing separator makes no extra column. When the first row
// has a fourth field that is not empty, the headers of columns 3 and 4 become "SPL" and "Leq".
// keepGoing is asked after each row with the rows read so far. Where and why reading stopped
// goes to *stop. Memory stays bounded whatever the device delivers: no more than a few hundred
// bytes of a line are looked at before it counts as too long, and reading stops at the limits.
ListTable importListTable(QIODevice& in, QChar separator, const KeepGoing& keepGoing = {},
                          ImportStop* stop = nullptr, const ImportLimits& limits = {});

// The import's reading of lines, whatever becomes of the rows (a list table, points): the same
// rules as importListTable. row is called with each row's fields (UTF-8, at most six) and its
// 1-based line number, and returns false when the row would pass the text limit (reading then
// stops with TooMuchText); keepGoing is asked after each row with the rows read so far.
using ImportRow = std::function<bool(const QByteArrayView* fields, int count, std::int64_t line)>;
ImportStop readImportLines(QIODevice& in, QChar separator, const ImportRow& row, const KeepGoing& keepGoing = {},
                           const ImportLimits& limits = {});

// ---------------------------------------------------------------------------
// Export ranges

struct TextRange {
    int from = 1; // 1-based, inclusive
    int to = 0;
};

// The range dialog's rules: with all, 1 .. last; otherwise the absolute values of the two
// integers, swapped when to < from, to no more than last, from 0 read as 1. nullopt when a
// field is not an integer ("invalid integer").
std::optional<TextRange> resolveTextRange(bool all, const QString& fromText, const QString& toText, int last);

// ---------------------------------------------------------------------------
// Graph text

// One point's line, without the line end: date, time "hh:mm:ss.z" (milliseconds without
// leading zeros), level with one decimal, and the second level when given. Tab variant: the
// fields joined by tabs. Comma variant: ", " after the first two commas, "," before level 2.
QByteArray graphTextLine(double time, float level, std::optional<float> level2, QChar separator,
                         const QLocale& locale = QLocale());

// Writes points from .. to (1-based) of the chart's subset 0 (and subset 1 when the chart has
// exactly two), stopping early at a point whose time is exactly 0. Returns the lines written.
std::int64_t writeGraphText(QIODevice& out, const ChartModel& chart, TextRange range, QChar separator,
                            const KeepGoing& keepGoing = {}, const QLocale& locale = QLocale());

// Writes rows from .. to (1-based) of a table: for each, the texts of columns 1 .. lastColumn,
// each followed by the separator. cell() is asked with the 1-based row (the grid's row, row 0
// being its header row). Returns the lines written.
std::int64_t writeGridText(QIODevice& out, const std::function<QString(int row, int column)>& cell, int lastColumn,
                           TextRange range, QChar separator, const KeepGoing& keepGoing = {});

// The separator of a grid export's file name: comma when it ends in "csv" (any case), else tab.
QChar gridTextSeparator(const QString& fileName);

// Reads a list row's date and time ("date" + " " + "time", the time with optional
// milliseconds, blanks around the fields as the CSV writes them); nullopt when unreadable.
std::optional<double> readListDateTime(const QString& date, const QString& time, const QLocale& locale = QLocale());

} // namespace quedral
