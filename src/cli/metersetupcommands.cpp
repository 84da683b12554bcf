// The meter's setup and service commands: info, set-clock, interval, eeprom-read,
// eeprom-write and quick-rec, run as the setup window runs them.
#include "cli/metersetupcommands.h"
#include "cli/meterhelpers.h"

#include <QLocale>

#include "base/clock.h"
#include "meter/meterlink.h"
#include "setup/setupcommands.h"

namespace quedral::cli {

namespace {

// A setup command's failure: the message on stderr, and why the device could not be opened
// when that was the step that failed (the transport forgets the reason at every open that works).
int setupFailed(Context& ctx, const QString& message)
{
    ctx.err << message << "\n";
    printOpenProblem(ctx);
    return 1;
}
} // namespace

int cmdInfo(Context& ctx, const Arguments&)
{
    SetupBuffers buffers;
    const InformationResult r = readMeterInformation(ctx.link, buffers, QLocale::c());
    ctx.link.closeLink();
    if (r.code != Codes::Ok)
        return setupFailed(ctx, informationMessage(r));
    for (const MeterInfoField& f : meterInfoFields()) {
        QString label = QString::fromLatin1(f.label);
        if (!label.endsWith(QLatin1Char(':')))
            label += QLatin1Char(':');
        ctx.out << label << ' ' << r.info.*f.text << "\n";
    }
    if (r.info.serial.isEmpty())
        ctx.err << Msg::SerialFail << "\n";
    return 0;
}

int cmdSetClock(Context& ctx, const Arguments&)
{
    SetupBuffers buffers;
    const int code = setMeterClock(ctx.link, buffers, Clock::instance().now());
    ctx.link.closeLink();
    if (code != Codes::Ok)
        return setupFailed(ctx, setClockMessage(code) + QStringLiteral(" (error code=%1)").arg(code));
    ctx.out << setClockMessage(code);
    return 0;
}

int cmdInterval(Context& ctx, const Arguments& args)
{
    const QStringList parts = args.positional(0).split(QLatin1Char(':'));
    const std::optional<int> seconds =
        parts.size() == 2 ? parseRecordingInterval(parts[0], parts[1]) : std::nullopt;
    if (!seconds)
        return setupFailed(ctx, intervalMessage(Codes::InvalidInput));
    SetupBuffers buffers;
    const int code = setRecordingInterval(ctx.link, buffers, *seconds);
    if (code != Codes::Ok)
        return setupFailed(ctx, intervalMessage(code));
    ctx.out << intervalMessage(code) << "\n";
    return 0;
}

int cmdEepromRead(Context& ctx, const Arguments& args)
{
    const std::optional<int> address = parseSettingAddress(args.positional(0));
    if (!address)
        return setupFailed(ctx, SetupMsg::InvalidInput);
    SetupBuffers buffers;
    const ByteReadResult r = readSettingByte(ctx.link, buffers, *address);
    if (r.code != Codes::Ok)
        return setupFailed(ctx, serviceErrorMessage(r.code));
    ctx.out << *r.value << "\n";
    return 0;
}

int cmdEepromWrite(Context& ctx, const Arguments& args)
{
    const std::optional<int> address = parseSettingAddress(args.positional(0));
    const std::optional<int> value = parseSettingValue(args.positional(1));
    if (!address || !value)
        return setupFailed(ctx, SetupMsg::InvalidInput);
    SetupBuffers buffers;
    const int code = writeSettingByte(ctx.link, buffers, *address, *value);
    if (code != Codes::Ok)
        return setupFailed(ctx, serviceErrorMessage(code));
    return 0;
}

int cmdQuickRec(Context& ctx, const Arguments& args)
{
    const std::optional<int> n = parseQuickRecordSamples(args.positional(0));
    const std::optional<int> interval = parseQuickRecordInterval(args.positional(1));
    if (!n || !interval)
        return setupFailed(ctx, SetupMsg::InvalidInput);
    SetupBuffers buffers;
    const int code = quickRecord(ctx.link, buffers, *n, *interval);
    ctx.link.closeLink();
    if (code != Codes::Ok)
        return setupFailed(ctx, QString::fromLatin1(Msg::Fail) + QLatin1Char('\n') + serviceErrorMessage(code));
    ctx.out << SetupMsg::QuickRecordOk << "\n";
    return 0;
}
} // namespace quedral::cli
