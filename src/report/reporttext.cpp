#include "report/reporttext.h"

#include <cmath>

#include "base/datetime.h"

namespace quedral {

QString reportLevelText(std::optional<double> level)
{
    if (!level || !std::isfinite(*level))
        return QStringLiteral("-");
    return QString::number(*level, 'f', 1) + QStringLiteral(" dB");
}

QString reportTimeText(double days)
{
    const QDateTime t = fromDays(days);
    if (!t.isValid())
        return QStringLiteral("-");
    const QString format = t.time().msec() != 0 ? QStringLiteral("yyyy-MM-dd hh:mm:ss.z")
                                                : QStringLiteral("yyyy-MM-dd hh:mm:ss");
    return t.toString(format);
}

QString reportDurationText(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("-");
    if (seconds < 60)
        return secondsText(seconds) + QStringLiteral(" s");
    const auto whole = static_cast<std::int64_t>(std::llround(seconds));
    const std::int64_t days = whole / 86400;
    const std::int64_t rest = whole % 86400;
    QString clock = QStringLiteral("%1:%2:%3")
                        .arg(rest / 3600, days > 0 ? 2 : 1, 10, QLatin1Char('0'))
                        .arg(rest / 60 % 60, 2, 10, QLatin1Char('0'))
                        .arg(rest % 60, 2, 10, QLatin1Char('0'));
    if (days > 0)
        clock = QStringLiteral("%1 d %2").arg(days).arg(clock);
    return QStringLiteral("%1 (%2 s)").arg(clock, secondsText(seconds));
}

QString reportCountText(std::int64_t n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace quedral
