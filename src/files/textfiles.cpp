#include "files/textfiles.h"

#include "files/linereader.h"

#include <QDate>
#include <QIODevice>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/datetime.h"
#include "files/graphtext.h"
#include "chart/chartmodel.h"

namespace quedral {

// ---------------------------------------------------------------------------
// ListTable

ListTable::ListTable()
{
    m_headers[0] = QStringLiteral("No");
    m_headers[1] = QStringLiteral("Date");
    m_headers[2] = QStringLiteral("Time");
    m_headers[3] = QStringLiteral("Value");
}

int ListTable::rowCount() const { return static_cast<int>(m_starts.size() / kColumns); }

QByteArrayView ListTable::cellUtf8(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 1 || column >= kColumns)
        return {};
    const std::size_t at = static_cast<std::size_t>(row) * kColumns + (column - 1);
    const std::uint32_t begin = m_starts[at];
    const std::uint32_t end = m_starts[at + 1];
    return QByteArrayView(m_text.constData() + begin, end - begin);
}

QString ListTable::cell(int row, int column) const
{
    if (column == 0)
        return (row >= 0 && row < rowCount()) ? QString::number(row + 1) : QString();
    return QString::fromUtf8(cellUtf8(row, column));
}

QString ListTable::header(int column) const
{
    return (column >= 0 && column < kColumns) ? m_headers[column] : QString();
}

void ListTable::setHeader(int column, const QString& text)
{
    if (column >= 0 && column < kColumns)
        m_headers[column] = text;
}

bool ListTable::appendRowUtf8(const QByteArrayView* fields, int count)
{
    count = std::clamp(count, 0, kColumns - 1);
    qsizetype bytes = 0;
    for (int c = 0; c < count; ++c)
        bytes += fields[c].size();
    if (static_cast<quint64>(m_text.size()) + static_cast<quint64>(bytes) > std::numeric_limits<std::uint32_t>::max())
        return false; // the offsets are 32 bits
    for (int c = 0; c < kColumns - 1; ++c) {
        m_starts.push_back(static_cast<std::uint32_t>(m_text.size()));
        if (c < count)
            m_text.append(fields[c]);
    }
    m_starts.push_back(static_cast<std::uint32_t>(m_text.size()));
    return true;
}

void ListTable::appendRow(const QStringList& fields)
{
    QByteArray utf8[kColumns - 1];
    QByteArrayView views[kColumns - 1];
    const int count = static_cast<int>(std::min<qsizetype>(fields.size(), kColumns - 1));
    for (int c = 0; c < count; ++c) {
        utf8[c] = fields[c].toUtf8();
        views[c] = utf8[c];
    }
    appendRowUtf8(views, count);
}

void ListTable::reserve(int rows, qsizetype textBytes)
{
    m_starts.reserve(static_cast<std::size_t>(std::max(rows, 0)) * kColumns);
    m_text.reserve(textBytes);
}

void ListTable::squeeze()
{
    m_starts.shrink_to_fit();
    m_text.squeeze();
}

// ---------------------------------------------------------------------------
// Import

namespace {

bool isAscii(QByteArrayView bytes)
{
    unsigned char all = 0; // no early exit, so that the loop runs many bytes at a time
    for (const char ch : bytes)
        all |= static_cast<unsigned char>(ch);
    return all < 0x80;
}

// Splits a line (UTF-8) into at most six fields: before each separator a field; what follows
// the last separator is one more field unless it is empty.
int splitFields(QByteArrayView line, QByteArrayView separator, QByteArrayView* fields)
{
    int count = 0;
    QByteArrayView rest = line;
    while (count < ListTable::kColumns - 1) {
        const qsizetype at = separator.size() == 1
            ? rest.indexOf(separator[0])
            : rest.indexOf(separator);
        if (at >= 0) {
            fields[count++] = rest.first(at);
            rest = rest.sliced(at + separator.size());
        } else {
            if (!rest.isEmpty())
                fields[count++] = rest;
            break;
        }
    }
    return count;
}

} // namespace

// A line longer than this many bytes has more than kMaxImportLineChars characters in any 8-bit
// or UTF-8 text (a character takes at most four bytes), with its carriage return.
constexpr qsizetype kMaxImportLineBytes = 4 * kMaxImportLineChars + 2;

QString ImportStop::message() const
{
    const QString sep = separator == QChar('\t') ? QStringLiteral("tab") : QStringLiteral("separator '%1'").arg(separator);
    switch (reason) {
    case EndOfFile:
        return {};
    case NoSeparator:
        return QStringLiteral("reading stopped at line %1: it has no %2; the lines from there on were not read")
            .arg(line)
            .arg(sep);
    case EmptyLine:
        return QStringLiteral("reading stopped at line %1: it is empty; the lines after it were not read").arg(line);
    case LongLine:
        return QStringLiteral("reading stopped at line %1: it is longer than %2 characters and was cut there; "
                              "the lines after it were not read")
            .arg(line)
            .arg(kMaxImportLineChars);
    case Cancelled:
        return QStringLiteral("reading was cancelled after line %1").arg(line);
    case TooManyRows:
        return QStringLiteral("the file has more than %1 lines, more than a list takes (reading stopped at line %2)")
            .arg(limits.maxRows)
            .arg(line);
    case TooMuchText:
        return QStringLiteral("the file holds more than %1 bytes of text, more than a list takes (reading stopped "
                              "at line %2)")
            .arg(limits.maxTextBytes)
            .arg(line);
    case ReadError:
        return QStringLiteral("reading failed at line %1: %2").arg(line).arg(detail);
    }
    return {};
}

ImportStop readImportLines(QIODevice& in, QChar separator, const ImportRow& row, const KeepGoing& keepGoing,
                           const ImportLimits& limits)
{
    ImportStop stop;
    stop.separator = separator;
    stop.limits = limits;
    const QByteArray sep = QString(separator).toUtf8();
    LineReader reader(in, kMaxImportLineBytes);
    std::int64_t rows = 0;
    std::int64_t lineNo = 0;
    QByteArrayView fields[ListTable::kColumns - 1];
    QByteArray converted;

    for (;;) {
        QByteArrayView line;
        const LineReader::Result r = reader.next(line);
        if (r == LineReader::Result::ReadError) {
            stop.reason = ImportStop::ReadError;
            stop.detail = reader.errorString();
            stop.line = lineNo + 1;
            break;
        }
        if (r == LineReader::Result::End)
            break; // the file is at its end
        ++lineNo;
        // A line longer than any import line comes cut: only its start is needed, and the rest
        // of the file is never read.
        const bool tooLongToEnd = r == LineReader::Result::Cut;

        // At most 179 characters; a longer line is cut and is the last one read.
        bool last = tooLongToEnd;
        if (isAscii(line)) {
            if (line.size() > kMaxImportLineChars) {
                line = line.first(kMaxImportLineChars);
                last = true;
            }
        } else {
            QString text = QString::fromLocal8Bit(line);
            if (text.size() > kMaxImportLineChars) {
                text.truncate(kMaxImportLineChars);
                last = true;
            }
            converted = text.toUtf8();
            line = converted;
        }
        if (line.indexOf(sep) < 0) {
            // An over-long line says so first: a file with no line ends at all is mostly that.
            stop.reason = last ? ImportStop::LongLine
                               : (line.isEmpty() ? ImportStop::EmptyLine : ImportStop::NoSeparator);
            stop.line = lineNo;
            if (stop.reason == ImportStop::EmptyLine) {
                // Only empty lines up to the end lose nothing; a read error while looking stands.
                if (reader.onlyLineEndsFollow()) {
                    stop.reason = ImportStop::EndOfFile;
                } else if (reader.failed()) {
                    stop.reason = ImportStop::ReadError;
                    stop.detail = reader.errorString();
                }
            }
            break;
        }
        if (rows >= limits.maxRows) {
            stop.reason = ImportStop::TooManyRows;
            stop.line = lineNo;
            break;
        }
        const int count = splitFields(line, sep, fields);
        if (!row(fields, count, lineNo)) {
            stop.reason = ImportStop::TooMuchText;
            stop.line = lineNo;
            break;
        }
        ++rows;
        if (last) {
            stop.reason = ImportStop::LongLine;
            stop.line = lineNo;
            break;
        }
        if (keepGoing && !keepGoing(rows)) {
            stop.reason = ImportStop::Cancelled;
            stop.line = lineNo;
            break;
        }
    }
    return stop;
}

ListTable importListTable(QIODevice& in, QChar separator, const KeepGoing& keepGoing, ImportStop* stopOut,
                          const ImportLimits& limits)
{
    ListTable table;
    // Big files: room for the text as it comes (a little more than the file, within the limit)
    // and a row per twenty bytes, trimmed at the end.
    const qint64 size = in.isSequential() ? 0 : std::min(in.size() - in.pos(), limits.maxTextBytes);
    if (size > 0 && size < std::numeric_limits<std::uint32_t>::max())
        table.reserve(static_cast<int>(std::min<qint64>({size / 20 + 16, limits.maxRows, std::numeric_limits<int>::max() / 8})),
                      static_cast<qsizetype>(size));
    const auto append = [&](const QByteArrayView* fields, int count, std::int64_t) {
        qint64 bytes = 0;
        for (int c = 0; c < count; ++c)
            bytes += fields[c].size();
        return table.textBytes() + bytes <= limits.maxTextBytes && table.appendRowUtf8(fields, count);
    };
    const ImportStop stop = readImportLines(in, separator, append, keepGoing, limits);
    table.squeeze();
    if (!table.cell(0, 4).isEmpty()) {
        table.setHeader(3, QStringLiteral("SPL"));
        table.setHeader(4, QStringLiteral("Leq"));
    }
    if (stopOut)
        *stopOut = stop;
    return table;
}

// ---------------------------------------------------------------------------
// Ranges

std::optional<TextRange> resolveTextRange(bool all, const QString& fromText, const QString& toText, int last)
{
    if (all)
        return TextRange{1, last};
    bool okFrom = false, okTo = false;
    const qint64 from = fromText.trimmed().toInt(&okFrom);
    const qint64 to = toText.trimmed().toInt(&okTo);
    if (!okFrom || !okTo)
        return std::nullopt;
    qint64 a = std::llabs(from), b = std::llabs(to);
    if (b < a)
        std::swap(a, b);
    if (b > last)
        b = last;
    if (a == 0)
        a = 1;
    constexpr qint64 kMax = std::numeric_limits<int>::max();
    return TextRange{static_cast<int>(std::min(a, kMax)), static_cast<int>(std::min(b, kMax))};
}

// ---------------------------------------------------------------------------
// Graph text

namespace {

// Builds graph lines; keeps the last day's date text, as a graph's points share few days.
class GraphLineWriter {
public:
    GraphLineWriter(QChar separator, const QLocale& locale)
        : m_locale(locale)
        , m_csv(separator != QChar('\t'))
        , m_separator(QString(separator).toLocal8Bit())
        , m_point(locale.decimalPoint().toLocal8Bit())
    {
    }

    void append(QByteArray& out, double time, float level, const std::optional<float>& level2)
    {
        // Split into day and milliseconds of the day as the date/time helpers do.
        double whole = std::floor(time);
        qint64 ms = std::llround((time - whole) * 86400000.0);
        if (ms >= 86400000) {
            whole += 1;
            ms -= 86400000;
        }
        const qint64 day = static_cast<qint64>(whole);
        if (!m_haveDay || day != m_day) {
            m_day = day;
            m_haveDay = true;
            m_date = m_locale.toString(QDate(1899, 12, 30).addDays(day), QLocale::ShortFormat).toLocal8Bit();
        }
        // Levels the short way does not cover, formatted first so that the room is known.
        const QByteArray slow1 = fitsShortWay(level) ? QByteArray() : levelSlowly(level);
        const QByteArray slow2 = !level2 || fitsShortWay(*level2) ? QByteArray() : levelSlowly(*level2);

        // The line is written straight into the end of out.
        const qsizetype old = out.size();
        out.resize(old + m_date.size() + 3 * m_separator.size() + 2 * m_point.size() + slow1.size()
                   + slow2.size() + 96);
        char* const begin = out.data();
        char* p = begin + old;
        p = put(p, m_date);
        p = putSeparator(p, true);

        const int msInt = static_cast<int>(ms);
        const int h = msInt / 3600000, m = msInt / 60000 % 60, s = msInt / 1000 % 60, z = msInt % 1000;
        *p++ = char('0' + h / 10);
        *p++ = char('0' + h % 10);
        *p++ = ':';
        *p++ = char('0' + m / 10);
        *p++ = char('0' + m % 10);
        *p++ = ':';
        *p++ = char('0' + s / 10);
        *p++ = char('0' + s % 10);
        *p++ = '.';
        if (z >= 100)
            *p++ = char('0' + z / 100);
        if (z >= 10)
            *p++ = char('0' + z / 10 % 10);
        *p++ = char('0' + z % 10);
        p = putSeparator(p, true);

        p = slow1.isNull() ? putLevel(p, level) : put(p, slow1);
        if (level2) {
            p = putSeparator(p, false);
            p = slow2.isNull() ? putLevel(p, *level2) : put(p, slow2);
        }
        out.resize(p - begin);
    }

private:
    static char* put(char* p, const QByteArray& bytes)
    {
        const char* from = bytes.constData();
        for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
            *p++ = from[i];
        return p;
    }

    char* putSeparator(char* p, bool blankInCsv)
    {
        p = put(p, m_separator);
        if (m_csv && blankInCsv)
            *p++ = ' ';
        return p;
    }

    static bool fitsShortWay(float level)
    {
        const double v = level;
        return std::isfinite(v) && std::fabs(v) < 1e15;
    }

    // Fixed, one decimal, rounded half away from zero; no group separators.
    char* putLevel(char* p, float level)
    {
        const long long tenths = std::llround(static_cast<double>(level) * 10.0);
        const unsigned long long a = static_cast<unsigned long long>(tenths < 0 ? -tenths : tenths);
        if (tenths < 0)
            *p++ = '-';
        char digits[24];
        int n = 0;
        unsigned long long whole = a / 10;
        do {
            digits[n++] = char('0' + whole % 10);
            whole /= 10;
        } while (whole != 0);
        while (n > 0)
            *p++ = digits[--n];
        p = put(p, m_point);
        *p++ = char('0' + a % 10);
        return p;
    }

    QByteArray levelSlowly(float level) const
    {
        QLocale l = m_locale;
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l.toString(static_cast<double>(level), 'f', 1).toLocal8Bit();
    }

    QLocale m_locale;
    bool m_csv;
    QByteArray m_separator;
    QByteArray m_point;
    bool m_haveDay = false;
    qint64 m_day = 0;
    QByteArray m_date;
};

constexpr qsizetype kFlushAt = 1 << 16;

// Collects whole lines and hands them to the device in large writes; what is left goes out when
// the writer is done with (Cancel keeps every complete line before it).
class LineSink {
public:
    explicit LineSink(QIODevice& out) : m_out(out) { m_buffer.reserve(kFlushAt + 256); }
    ~LineSink() { m_out.write(m_buffer); }
    QByteArray& buffer() { return m_buffer; }
    // Ends the line being built; returns the lines so far.
    std::int64_t endLine()
    {
        m_buffer.append("\r\n", 2);
        if (m_buffer.size() >= kFlushAt) {
            m_out.write(m_buffer);
            m_buffer.resize(0); // keeps its room
        }
        return ++m_lines;
    }
    std::int64_t lines() const { return m_lines; }

private:
    QIODevice& m_out;
    QByteArray m_buffer;
    std::int64_t m_lines = 0;
};

} // namespace

QByteArray graphTextLine(double time, float level, std::optional<float> level2, QChar separator,
                         const QLocale& locale)
{
    QByteArray out;
    GraphLineWriter(separator, locale).append(out, time, level, level2);
    return out;
}

std::int64_t writeGraphText(QIODevice& out, const ChartModel& chart, TextRange range, QChar separator,
                            const KeepGoing& keepGoing, const QLocale& locale)
{
    GraphLineWriter writer(separator, locale);
    const bool twoLevels = chart.subsets() == 2;
    const std::span<const double> x = chart.xValues(0);
    const std::span<const float> y = chart.yValues(0);
    const std::span<const float> y2 = twoLevels ? chart.yValues(1) : std::span<const float>();
    const qint64 last = std::min<qint64>(range.to, static_cast<qint64>(x.size()));

    LineSink sink(out);
    for (qint64 i = std::max(range.from, 1) - 1; i < last; ++i) {
        const double t = x[static_cast<std::size_t>(i)];
        if (t == 0.0)
            break;
        const std::size_t k = static_cast<std::size_t>(i);
        writer.append(sink.buffer(), t, y[k],
                      twoLevels ? std::optional<float>(k < y2.size() ? y2[k] : chart.nullDataValueY) : std::nullopt);
        const std::int64_t lines = sink.endLine();
        if (keepGoing && !keepGoing(lines))
            break;
    }
    return sink.lines();
}

std::int64_t writeGridText(QIODevice& out, const std::function<QString(int row, int column)>& cell, int lastColumn,
                           TextRange range, QChar separator, const KeepGoing& keepGoing)
{
    const QByteArray sep = QString(separator).toLocal8Bit();
    LineSink sink(out);
    for (qint64 r = std::max(range.from, 1); r <= range.to; ++r) {
        for (int c = 1; c <= lastColumn; ++c) {
            sink.buffer().append(cell(static_cast<int>(r), c).toLocal8Bit());
            sink.buffer().append(sep);
        }
        const std::int64_t lines = sink.endLine();
        if (keepGoing && !keepGoing(lines))
            break;
    }
    return sink.lines();
}

QChar gridTextSeparator(const QString& fileName)
{
    return fileName.right(3).toLower() == QLatin1String("csv") ? QChar(',') : QChar('\t');
}

std::optional<double> readListDateTime(const QString& date, const QString& time, const QLocale& locale)
{
    const std::optional<QDate> d = readShortDate(date, locale);
    if (!d)
        return std::nullopt;
    const std::optional<QTime> t = readTimeOfDay(time, locale);
    if (!t)
        return std::nullopt;
    return toDays(*d, *t);
}

} // namespace quedral
