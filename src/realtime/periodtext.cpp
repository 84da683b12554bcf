#include "realtime/periodtext.h"

#include <QLocale>
#include <cmath>

#include "graph/graphformat.h"

namespace quedral {

namespace {
long long wholeSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return 0;
    return static_cast<long long>(std::floor(seconds + 0.5));
}
} // namespace

QString recordingPeriodText(long long count, double rate)
{
    const long long t = wholeSeconds(static_cast<double>(count) * rate);
    return QStringLiteral("%1:%2:%3")
        .arg(t / 3600)
        .arg((t % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(t % 60, 2, 10, QLatin1Char('0'));
}

QString presetPeriodText(double rate)
{
    const long long t = wholeSeconds(rate * 2000);
    return QStringLiteral("%1:%2:%3").arg(t / 3600).arg((t % 3600) / 60).arg(t % 60);
}

bool parseCount(const QString& text, int& count)
{
    QString t = text;
    t.replace(QLatin1Char('_'), QLatin1Char(' '));
    bool ok = false;
    const int v = t.trimmed().toInt(&ok);
    if (ok)
        count = v;
    return ok;
}

QString invalidCountMessage(const QString& text)
{
    QString shown = text;
    if (shown.trimmed().isEmpty()) {
        shown.replace(QLatin1Char(' '), QLatin1Char('_'));
        if (shown.isEmpty())
            shown = QStringLiteral("_____");
    }
    return shown + QStringLiteral(" is not valid.\n");
}

bool parseRate(const QString& text, double& rate)
{
    double v = 0;
    if (!parseNumber(text, v))
        return false;
    const float kept = static_cast<float>(v);
    if (!std::isfinite(kept) || !(kept > 0))
        return false;
    rate = v;
    return true;
}

QString presetRateText(const QString& boxText, double rate)
{
    if (!boxText.isEmpty())
        return boxText;
    const QString oneDecimal = formatLevel(rate);
    double back = 0;
    if (parseNumber(oneDecimal, back) && static_cast<float>(back) == static_cast<float>(rate))
        return oneDecimal;
    QLocale loc;
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(rate, 'g', 7);
}

} // namespace quedral
