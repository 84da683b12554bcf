#include "base/datetime.h"

#include <cmath>

namespace quedral {

namespace {
const QDate kEpoch(1899, 12, 30);
// About 270,000 years either side of the epoch: far beyond any date and time a file means, well
// within what the integer day and millisecond counts hold.
constexpr double kMaxDays = 1e8;
}

double toDays(const QDateTime& t)
{
    return toDays(t.date(), t.time());
}

double toDays(const QDate& d, const QTime& t)
{
    const double day = static_cast<double>(kEpoch.daysTo(d));
    const double frac = t.msecsSinceStartOfDay() / 86400000.0;
    return day + frac;
}

QDateTime fromDays(double days)
{
    // A file may hold any double; a value no date can have (NaN, infinite, or millions of
    // years away) gives no date and time rather than an integer conversion out of range.
    if (!(std::fabs(days) < kMaxDays))
        return {};
    double whole = std::floor(days);
    qint64 ms = std::llround((days - whole) * 86400000.0);
    if (ms >= 86400000) {
        whole += 1;
        ms -= 86400000;
    }
    const QDate d = kEpoch.addDays(static_cast<qint64>(whole));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

QString secondsText(double seconds)
{
    QString s = QString::number(seconds, 'f', 3);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

} // namespace quedral
