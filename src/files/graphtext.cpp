#include "files/graphtext.h"

#include <QDate>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quedral {

std::optional<QChar> graphTextSeparator(const QString& fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("txt"))
        return QChar('\t');
    if (ext == QLatin1String("csv"))
        return QChar(',');
    return std::nullopt;
}

namespace {
bool isBlank(QChar c) { return c == QChar(' ') || c == QChar('\t'); }

QStringView trimBlanks(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return text.sliced(b, e - b);
}

int asciiDigit(QChar c) { return (c >= QChar('0') && c <= QChar('9')) ? c.unicode() - '0' : -1; }
int twoDigits(QStringView t, qsizetype at)
{
    const int a = asciiDigit(t[at]), b = asciiDigit(t[at + 1]);
    return (a < 0 || b < 0) ? -1 : a * 10 + b;
}
} // namespace

std::optional<QDate> readShortDate(QStringView text, const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QDate d = locale.toDate(trimBlanks(text).toString(), format);
    if (!d.isValid())
        return std::nullopt;
    if (!format.contains(QLatin1String("yyyy")) && d.year() < 1950)
        d = d.addYears(100);
    return d;
}

std::optional<QTime> readTimeOfDay(QStringView text, const QLocale& locale)
{
    const QStringView t = trimBlanks(text);
    // "hh:mm:ss" and an optional ".z": two digits each, then the milliseconds as a plain number.
    if (t.size() >= 8 && t[2] == QChar(':') && t[5] == QChar(':')) {
        const int h = twoDigits(t, 0), m = twoDigits(t, 3), s = twoDigits(t, 6);
        int ms = 0;
        bool ok = h >= 0 && m >= 0 && s >= 0;
        if (ok && t.size() > 8) {
            ok = t[8] == QChar('.') && t.size() >= 10 && t.size() <= 12;
            for (qsizetype i = 9; ok && i < t.size(); ++i) {
                const int d = asciiDigit(t[i]);
                ok = d >= 0;
                ms = ms * 10 + d;
            }
        }
        if (ok && QTime::isValid(h, m, s, ms))
            return QTime(h, m, s, ms);
        if (ok)
            return std::nullopt;
    }
    // A time written in the user's own format (a Leq table, say).
    // The long format as the windows write it: without its time-zone part.
    QString longFormat = locale.timeFormat(QLocale::LongFormat);
    longFormat.remove(QLatin1Char('t'));
    for (const QString& f : {longFormat.trimmed(), locale.timeFormat(QLocale::LongFormat),
                             locale.timeFormat(QLocale::ShortFormat)}) {
        const QTime lt = locale.toTime(t.toString(), f);
        if (lt.isValid())
            return lt;
    }
    return std::nullopt;
}

std::optional<float> readLevel(QStringView text, const QLocale& givenLocale)
{
    const QStringView t = trimBlanks(text);
    // The common case by hand: [-]digits[.digits], the point being a full stop or the user's.
    const QString point = givenLocale.decimalPoint();
    const QChar userPoint = point.size() == 1 ? point[0] : QChar('.');
    char buf[32];
    qsizetype n = 0;
    bool simple = !t.isEmpty() && t.size() < qsizetype(sizeof buf);
    bool seenPoint = false, digitBefore = false, digitAfter = false;
    for (qsizetype i = 0; simple && i < t.size(); ++i) {
        const QChar c = t[i];
        if (asciiDigit(c) >= 0) {
            buf[n++] = char(c.unicode());
            (seenPoint ? digitAfter : digitBefore) = true;
        } else if (c == QChar('-') && i == 0) {
            buf[n++] = '-';
        } else if ((c == QChar('.') || c == userPoint) && !seenPoint) {
            buf[n++] = '.';
            seenPoint = true;
        } else {
            simple = false;
        }
    }
    if (simple && digitBefore && (!seenPoint || digitAfter) && n <= 17) {
        double v = 0;
        const auto r = std::from_chars(buf, buf + n, v);
        if (r.ec == std::errc() && r.ptr == buf + n)
            return static_cast<float>(v);
    }
    // Group separators would turn "65.3" into 653 where the full stop groups thousands.
    QLocale locale = givenLocale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    float v = locale.toFloat(t, &ok);
    if (!ok)
        v = QLocale::c().toFloat(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt; // "inf" and "nan" are no levels
    return v;
}

} // namespace quedral
