// The meter information (reply to 'Y') as the setup window and `quedral-cli info` show it, in
// a full-stop and a decimal-comma locale; the meter's clock read from it (QUICK REC's start);
// the whole information read over the link, serial number included; and the single byte read
// and QUICK REC, whose replies come from the same tape of 32-byte replies.
#include <QLocale>

#include "fuzz/support/fuzzsupport.h"
#include "meter/meterlink.h"
#include "setup/setupcommands.h"

using namespace quedral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::fuzzClock();
    static const QLocale comma(QLocale::German, QLocale::Germany);

    ReplyFrame reply{};
    std::memcpy(reply.data(), data, std::min<std::size_t>(32, size));
    for (const QLocale& locale : {QLocale::c(), comma}) {
        const MeterInfo info = formatMeterInfo(reply, locale);
        for (const MeterInfoField& field : meterInfoFields())
            if (field.label == nullptr || (info.*(field.text)).size() > 200)
                fuzz::violated("an information field without a label or with a runaway text");
    }
    if (const auto clock = meterClockFromInformation(reply); clock && !clock->isValid())
        fuzz::violated("the meter's clock read as an invalid date and time");

    {
        fuzz::ReplayTransport tape(data, size);
        MeterLink link(tape);
        SetupBuffers buffers;
        const InformationResult result = readMeterInformation(link, buffers, QLocale::c());
        (void)informationMessage(result);
        const ByteReadResult byte = readSettingByte(link, buffers, 0x100);
        if (byte.value && (*byte.value < 0 || *byte.value > 255))
            fuzz::violated("a setting byte outside 0..255");
        (void)serviceErrorMessage(byte.code);
    }
    {
        fuzz::ReplayTransport tape(data, size);
        MeterLink link(tape);
        SetupBuffers buffers;
        (void)quickRecord(link, buffers, 10, 2);
    }
    return 0;
}
