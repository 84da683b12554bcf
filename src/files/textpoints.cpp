#include "files/textpoints.h"

#include <QBuffer>
#include <QTime>

#include <charconv>

#include "base/datetime.h"
#include "files/graphtext.h"

namespace quedral {

namespace {

QByteArrayView trimBlanks(QByteArrayView t)
{
    qsizetype b = 0, e = t.size();
    while (b < e && (t[b] == ' ' || t[b] == '\t'))
        ++b;
    while (e > b && (t[e - 1] == ' ' || t[e - 1] == '\t'))
        --e;
    return t.sliced(b, e - b);
}

int digit(char c) { return (c >= '0' && c <= '9') ? c - '0' : -1; }

enum class Quick { Read, Invalid, NotSimple };

// "hh:mm:ss" with an optional ".z" of 1 to 3 digits (a plain count of milliseconds), as
// readTimeOfDay takes it before it tries the locale's formats.
Quick quickTime(QByteArrayView t, int& msOfDay)
{
    if (t.size() < 8 || t[2] != ':' || t[5] != ':')
        return Quick::NotSimple;
    const int h = digit(t[0]) * 10 + digit(t[1]), m = digit(t[3]) * 10 + digit(t[4]), s = digit(t[6]) * 10 + digit(t[7]);
    if (digit(t[0]) < 0 || digit(t[1]) < 0 || digit(t[3]) < 0 || digit(t[4]) < 0 || digit(t[6]) < 0 || digit(t[7]) < 0)
        return Quick::NotSimple;
    int ms = 0;
    if (t.size() > 8) {
        if (t[8] != '.' || t.size() < 10 || t.size() > 12)
            return Quick::NotSimple;
        for (qsizetype i = 9; i < t.size(); ++i) {
            if (digit(t[i]) < 0)
                return Quick::NotSimple;
            ms = ms * 10 + digit(t[i]);
        }
    }
    if (!QTime::isValid(h, m, s, ms))
        return Quick::Invalid;
    msOfDay = ((h * 60 + m) * 60 + s) * 1000 + ms;
    return Quick::Read;
}

// [-]digits[.digits] with a full stop or the user's point, as readLevel takes it first.
std::optional<float> quickLevel(QByteArrayView t, char userPoint)
{
    char buf[32];
    qsizetype n = 0;
    if (t.isEmpty() || t.size() >= qsizetype(sizeof buf))
        return std::nullopt;
    bool seenPoint = false, digitBefore = false, digitAfter = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (digit(c) >= 0) {
            buf[n++] = c;
            (seenPoint ? digitAfter : digitBefore) = true;
        } else if (c == '-' && i == 0) {
            buf[n++] = '-';
        } else if ((c == '.' || c == userPoint) && !seenPoint) {
            buf[n++] = '.';
            seenPoint = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digitBefore || (seenPoint && !digitAfter) || n > 17)
        return std::nullopt;
    // Up to 15 digits the number is an exact integer over an exact power of ten, and the
    // division rounds as the conversion of the text does: the same double, found faster.
    static constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = buf[0] == '-';
    std::int64_t mantissa = 0;
    int digits = 0, decimals = 0;
    bool afterPoint = false;
    for (qsizetype i = negative ? 1 : 0; i < n; ++i) {
        if (buf[i] == '.') {
            afterPoint = true;
            continue;
        }
        mantissa = mantissa * 10 + (buf[i] - '0');
        ++digits;
        decimals += afterPoint;
    }
    if (digits <= 15) {
        const double magnitude = static_cast<double>(mantissa) / kTens[decimals];
        return static_cast<float>(negative ? -magnitude : magnitude);
    }
    double v = 0;
    const auto r = std::from_chars(buf, buf + n, v);
    if (r.ec != std::errc() || r.ptr != buf + n)
        return std::nullopt;
    return static_cast<float>(v);
}

} // namespace

TextRowReader::TextRowReader(const QLocale& locale)
    : m_locale(locale)
{
    const QString point = locale.decimalPoint();
    m_point = point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

std::optional<double> TextRowReader::time(QByteArrayView date, QByteArrayView timeOfDay)
{
    if (!m_haveDate || date != QByteArrayView(m_dateText)) {
        m_dateText = date.toByteArray();
        m_date = readShortDate(QString::fromUtf8(date), m_locale);
        m_haveDate = true;
        if (m_date)
            m_day = toDays(*m_date, QTime(0, 0));
    }
    if (!m_date)
        return std::nullopt;
    int ms = 0;
    switch (quickTime(trimBlanks(timeOfDay), ms)) {
    case Quick::Read:
        return m_day + ms / 86400000.0; // as toDays adds the time of day
    case Quick::Invalid:
        return std::nullopt;
    case Quick::NotSimple:
        break;
    }
    const std::optional<QTime> t = readTimeOfDay(QString::fromUtf8(timeOfDay), m_locale);
    if (!t)
        return std::nullopt;
    return toDays(*m_date, *t);
}

std::optional<float> TextRowReader::level(QByteArrayView text) const
{
    if (const std::optional<float> v = quickLevel(trimBlanks(text), m_point))
        return v;
    return readLevel(QString::fromUtf8(text), m_locale);
}

QString TextRowReport::message() const
{
    if (skipped == 0)
        return {};
    return QStringLiteral("%1 of %2 rows could not be read and were left out; the first is line %3: %4")
        .arg(skipped)
        .arg(rows)
        .arg(firstSkipped)
        .arg(firstReason);
}

TextPoints::Problem TextPoints::wholeFileProblem() const
{
    Problem p;
    switch (stop.reason) {
    case ImportStop::EndOfFile:
    case ImportStop::EmptyLine:
        break;
    case ImportStop::NoSeparator:
        p = {stop.line, QStringLiteral("expected date, time and level separated by %1")
                            .arg(stop.separator == QChar('\t') ? QStringLiteral("tabs") : QStringLiteral("commas"))};
        break;
    case ImportStop::LongLine:
        p = {stop.line, QStringLiteral("the line is longer than %1 characters, far longer than a graph line")
                            .arg(kMaxImportLineChars)};
        break;
    default:
        p = {stop.line, stop.message()};
        break;
    }
    if (report.skipped > 0 && (p.line == 0 || report.firstSkipped < p.line)) {
        p = {report.firstSkipped, report.firstReason};
        if (report.skipped > 1)
            p.why += QStringLiteral(" (and %1 more rows that could not be read)").arg(report.skipped - 1);
    }
    return p;
}

TextPoints readTextPoints(QIODevice& in, QChar separator, const QLocale& locale, const KeepGoing& keepGoing,
                          const ImportLimits& limits)
{
    TextPoints out;
    TextRowReader reader(locale);
    // A decimal comma in a comma-separated file: each level came in two fields.
    const bool splitLevels = locale.decimalPoint() == QString(separator);
    const qint64 size = in.isSequential() ? 0 : in.size() - in.pos();
    if (size > 0) {
        const auto rows = static_cast<std::size_t>(std::min<qint64>(size / 20 + 16, limits.maxRows));
        out.times.reserve(rows);
        out.levels.reserve(rows);
    }
    TextRowReport& report = out.report;
    const auto skip = [&](std::int64_t line, const QString& why) {
        if (report.skipped++ == 0) {
            report.firstSkipped = line;
            report.firstReason = why;
        }
    };
    QByteArray joined;
    const auto row = [&](const QByteArrayView* fields, int count, std::int64_t line) {
        ++report.rows;
        const QByteArrayView date = fields[0], timeOfDay = count > 1 ? fields[1] : QByteArrayView();
        const std::optional<double> t = reader.time(date, timeOfDay);
        if (!t) {
            skip(line, QStringLiteral("'%1 %2' is not a valid date and time")
                           .arg(QString::fromUtf8(date), QString::fromUtf8(timeOfDay)));
            return true;
        }
        QByteArrayView text = count > 2 ? fields[2] : QByteArrayView();
        if (splitLevels && count == 3) {
            skip(line, QStringLiteral("'%1' is a level without its decimals").arg(QString::fromUtf8(text)));
            return true;
        }
        if (splitLevels && count > 3) {
            joined = text.toByteArray() + ',' + fields[3].toByteArray();
            text = joined;
        }
        const std::optional<float> v = reader.level(text);
        if (!v) {
            skip(line, QStringLiteral("'%1' is not a level").arg(QString::fromUtf8(text)));
            return true;
        }
        out.times.push_back(*t);
        out.levels.push_back(*v);
        return true;
    };
    out.stop = readImportLines(in, separator, row, keepGoing, limits);
    return out;
}

TextPoints readTextPoints(const QByteArray& bytes, QChar separator, const QLocale& locale, const ImportLimits& limits)
{
    QByteArray copy = bytes; // shares the data
    QBuffer in(&copy);
    in.open(QIODevice::ReadOnly);
    return readTextPoints(in, separator, locale, {}, limits);
}

} // namespace quedral
