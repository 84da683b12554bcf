#include "cli/listcommand.h"

#include <QLocale>

#include "meter/hidtransport.h"
#include "meter/meterlink.h"
#include "setup/setupcommands.h"

namespace quedral::cli {

namespace {

// The serial number the meter on this transport reports through the information exchange;
// empty when it does not answer or has none.
QString reportedSerial(Transport& transport)
{
    MeterLink link(transport);
    SetupBuffers buffers;
    const InformationResult r = readMeterInformation(link, buffers, QLocale::c());
    link.closeLink();
    return r.code == Codes::Ok ? r.info.serial : QString();
}

} // namespace

std::vector<AttachedMeter> attachedMeters(Context& ctx)
{
    if (ctx.request.simulate)
        return {{QStringLiteral("simulated"), reportedSerial(ctx.transport)}};
    std::vector<AttachedMeter> meters = attachedHidMeters();
    for (AttachedMeter& m : meters) {
        if (m.serial.isEmpty()) {
            const std::unique_ptr<Transport> transport = makeHidTransport(m.path);
            m.serial = reportedSerial(*transport);
        }
    }
    return meters;
}

int cmdList(Context& ctx, const Arguments&)
{
    ctx.out << attachedMetersText(attachedMeters(ctx));
    return 0;
}

} // namespace quedral::cli
