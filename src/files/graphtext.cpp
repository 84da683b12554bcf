#include "files/graphtext.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTime>

#include "base/datetime.h"

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

// The short date format, with the two-digit year (if that is what it uses) put into 1950 .. 2049.
std::optional<QDate> parseDate(const QString& text, const QLocale& locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QDate d = locale.toDate(text, format);
    if (!d.isValid())
        return std::nullopt;
    if (!format.contains(QLatin1String("yyyy")) && d.year() < 1950)
        d = d.addYears(100);
    return d;
}

// "hh:mm:ss.z": two digits each, then the milliseconds as a plain number (0 .. 999).
std::optional<QTime> parseTime(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^(\\d\\d):(\\d\\d):(\\d\\d)(?:\\.(\\d{1,3}))?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                  m.captured(4).isEmpty() ? 0 : m.captured(4).toInt());
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<float> parseLevel(const QString& text, const QLocale& locale)
{
    bool ok = false;
    float v = locale.toFloat(text, &ok);
    if (!ok)
        v = QLocale::c().toFloat(text, &ok);
    if (!ok)
        return std::nullopt;
    return v;
}

// One line into a time and a level; the reason when it is not a graph line.
QString parseLine(const QString& line, QChar separator, const QLocale& locale, double& time, float& level)
{
    QStringList fields = line.split(separator);
    for (QString& f : fields)
        f = f.trimmed();
    if (fields.size() < 3)
        return QStringLiteral("expected date, time and level separated by %1")
            .arg(separator == QChar('\t') ? QStringLiteral("tabs") : QStringLiteral("commas"));
    QStringList levels = fields.mid(2);
    if (separator == locale.decimalPoint()) {
        // "65,3" was split at its decimal comma: put each level back together.
        if (levels.size() % 2 != 0)
            return QStringLiteral("a level without its decimals");
        QStringList joined;
        for (qsizetype i = 0; i < levels.size(); i += 2)
            joined << levels[i] + separator + levels[i + 1];
        levels = joined;
    }
    if (levels.size() > 2)
        return QStringLiteral("too many fields");
    const std::optional<QDate> d = parseDate(fields[0], locale);
    if (!d)
        return QStringLiteral("not a date: \"%1\"").arg(fields[0]);
    const std::optional<QTime> t = parseTime(fields[1]);
    if (!t)
        return QStringLiteral("not a time of day (hh:mm:ss.z): \"%1\"").arg(fields[1]);
    std::optional<float> first;
    for (const QString& l : levels) {
        const std::optional<float> v = parseLevel(l, locale);
        if (!v)
            return QStringLiteral("not a level: \"%1\"").arg(l);
        if (!first)
            first = v;
    }
    time = toDays(*d, *t);
    level = *first;
    return {};
}

} // namespace

GraphText readGraphText(const QByteArray& bytes, QChar separator, const QLocale& givenLocale)
{
    // Group separators would turn "65.3" into 653 where the full stop groups thousands.
    QLocale locale = givenLocale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);

    GraphText out;
    int lineNo = 0;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = bytes.size();
        QByteArray raw = bytes.mid(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.isEmpty())
            break;
        double time = 0;
        float level = 0;
        const QString why = parseLine(QString::fromLocal8Bit(raw), separator, locale, time, level);
        if (!why.isEmpty()) {
            out.error = why;
            out.errorLine = lineNo;
            return out;
        }
        out.times.push_back(time);
        out.levels.push_back(level);
    }
    return out;
}

} // namespace quedral
