#include "meter/meterchoice.h"

#include <algorithm>

namespace quedral {

QString attachedMetersText(const std::vector<AttachedMeter>& meters)
{
    QString text;
    for (const AttachedMeter& m : meters)
        text += m.path + QLatin1Char('\t') + (m.serial.isEmpty() ? QStringLiteral("-") : m.serial) + QLatin1Char('\n');
    return text;
}

std::optional<AttachedMeter> chooseMeter(const std::vector<AttachedMeter>& attached, const QString& wanted,
                                         QString& problem)
{
    problem.clear();
    if (wanted.isEmpty()) {
        if (attached.size() == 1)
            return attached.front();
        if (attached.size() > 1)
            problem = QStringLiteral("%1 meters are attached; choose one with --meter SERIAL|PATH:\n%2")
                          .arg(attached.size())
                          .arg(attachedMetersText(attached).chopped(1));
        return std::nullopt;
    }
    const auto named = [&wanted](const AttachedMeter& m) { return m.path == wanted || m.serial == wanted; };
    const auto it = std::find_if(attached.begin(), attached.end(), named);
    if (it != attached.end())
        return *it;
    problem = attached.empty()
                  ? QStringLiteral("no meter is attached, so none is \"%1\"").arg(wanted)
                  : QStringLiteral("no attached meter is \"%1\"; attached:\n%2")
                        .arg(wanted, attachedMetersText(attached).chopped(1));
    return std::nullopt;
}

} // namespace quedral
