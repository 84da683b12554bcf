#include "base/filefilter.h"

#include <QRegularExpression>

namespace quedral {

QStringList filterEntries(const QString& filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        entries << parts[i] + QLatin1Char('|') + parts[i + 1];
    return entries;
}

QString filterExtension(const QString& entry)
{
    QString patterns;
    if (const qsizetype bar = entry.indexOf(QLatin1Char('|')); bar >= 0) {
        patterns = entry.mid(bar + 1);
    } else {
        const qsizetype close = entry.lastIndexOf(QLatin1Char(')'));
        const qsizetype open = close < 0 ? -1 : entry.lastIndexOf(QLatin1Char('('), close);
        if (open < 0)
            return {};
        patterns = entry.mid(open + 1, close - open - 1);
    }
    const QStringList list = patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    if (list.isEmpty() || !list.first().startsWith(QStringLiteral("*.")))
        return {};
    const QString ext = list.first().mid(2);
    if (ext.isEmpty() || ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?')))
        return {};
    return ext.toLower();
}

QString savedFileName(const QString& name, const QString& chosenEntry, const QString& defaultSuffix)
{
    if (name.isEmpty())
        return name;
    const QString last = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    if (last.isEmpty() || last.contains(QLatin1Char('.')))
        return name;
    QString ext = filterExtension(chosenEntry);
    if (ext.isEmpty())
        ext = defaultSuffix.toLower();
    return ext.isEmpty() ? name : name + QLatin1Char('.') + ext;
}

} // namespace quedral
