#include "graph/graphformat.h"

#include <QLocale>
#include <QStringList>

#include "base/datetime.h"

namespace quedral {

namespace {
QLocale numberLocale()
{
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc;
}

// The long time format without a time-zone part, which the boxes have no room for.
QString longTimeFormat()
{
    QString f = QLocale().timeFormat(QLocale::LongFormat);
    f.remove(QLatin1Char('t'));
    return f.trimmed();
}
} // namespace

QString formatLevel(double value)
{
    return numberLocale().toString(value, 'f', 1);
}

QString formatLevel(const std::optional<double>& value)
{
    return value ? formatLevel(*value) : QString();
}

QString formatDateTime(double days)
{
    const QDateTime dt = fromDays(days);
    const QLocale loc;
    return loc.toString(dt.date(), QLocale::ShortFormat) + QLatin1Char(' ') + loc.toString(dt.time(), longTimeFormat());
}

QString formatShortDate(const QDate& date)
{
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString formatLongTime(const QTime& time)
{
    return QLocale().toString(time, longTimeFormat());
}

QString formatTimeOfDay(double days)
{
    return QLocale().toString(fromDays(days).time(), longTimeFormat());
}

bool parseNumber(const QString& text, double& value)
{
    const QString t = text.trimmed();
    bool ok = false;
    double v = numberLocale().toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    if (ok)
        value = v;
    return ok;
}

QStringList samplingRateItems()
{
    QStringList items;
    for (double r : kSamplingRates)
        items << formatLevel(r);
    return items;
}

int samplingRateItem(double rate)
{
    static constexpr double bounds[7] = {0.55, 1.5, 2.5, 5.5, 10.5, 20.5, 30.5};
    for (int i = 0; i < 7; ++i)
        if (rate < bounds[i])
            return i;
    return -1;
}

} // namespace quedral
