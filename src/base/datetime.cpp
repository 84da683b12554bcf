#include "base/datetime.h"

#include <cmath>

namespace quedral {

namespace {
const QDate kEpoch(1899, 12, 30);
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
    double whole = std::floor(days);
    qint64 ms = std::llround((days - whole) * 86400000.0);
    if (ms >= 86400000) {
        whole += 1;
        ms -= 86400000;
    }
    const QDate d = kEpoch.addDays(static_cast<qint64>(whole));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

} // namespace quedral
