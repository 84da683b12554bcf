#include "shell/meterchooser.h"

#include <QStringList>

#include "base/prompter.h"
#include "meter/hidtransport.h"

namespace quedral {

QString meterChosenAtStart(const std::vector<AttachedMeter>& attached, Prompter& prompter)
{
    if (attached.size() < 2)
        return {};
    QStringList items;
    for (const AttachedMeter& m : attached)
        items << QStringLiteral("%1   %2").arg(m.serial.isEmpty() ? QStringLiteral("-") : m.serial, m.path);
    const int chosen = prompter.chooseItem(QStringLiteral("Several meters are attached. Which one?"), items);
    if (chosen < 0 || chosen >= static_cast<int>(attached.size()))
        return {};
    return attached[static_cast<std::size_t>(chosen)].path;
}

std::unique_ptr<Transport> transportAtStart(TransportRequest request, Prompter& prompter)
{
    if (!request.simulate && request.meter.isEmpty())
        request.meter = meterChosenAtStart(attachedHidMeters(), prompter);
    return makeTransport(request);
}

} // namespace quedral
