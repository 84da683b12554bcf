#include "logger/download.h"

#include "meter/frames.h"
#include "meter/meterlink.h"
#include "meter/transport.h"

namespace quedral {

namespace {
// Sets bytes 0, 1 and 6 of the main command buffer and writes it; bytes 2 to 5 stay as they are.
int writeMainCommand(MeterLink& link, std::uint8_t letter)
{
    link.MainCommand[0] = kFrameStart;
    link.MainCommand[1] = letter;
    link.MainCommand[6] = kFrameEnd;
    return link.transport().UsbWrite(kCommandLength, link.MainCommand.data());
}
} // namespace

int downloadTotal(int lastAddress)
{
    std::int64_t total = static_cast<std::int64_t>(lastAddress) + 1;
    if (total > kMaxMemoryBytes || total < 256)
        total = kMaxMemoryBytes;
    if (total % kBlockBytes != 0)
        total += kBlockBytes - total % kBlockBytes;
    return static_cast<int>(total);
}

DownloadResult DownloadMemory(MeterLink& link, const DownloadProgress& progress)
{
    DownloadResult r;
    Transport& t = link.transport();
    t.UsbClose();
    if (t.UsbOpen(MeterLink::VendorId, MeterLink::ProductId) != 0) {
        r.code = DownloadCode::OpenFailed;
        return r;
    }
    if (t.UsbSetTimeouts(1000, 1000) != 0) {
        r.code = DownloadCode::TimeoutsFailed;
        return r;
    }
    if (writeMainCommand(link, Letter::DownloadStart) != 0) {
        r.code = DownloadCode::StartWriteFailed;
        return r;
    }
    t.UsbPurge();
    if (t.UsbRead(kReplyLength, link.MainReply.data()) != 0) {
        r.code = DownloadCode::StartNoReply;
        return r;
    }
    const ReplyFrame& first = link.MainReply;
    if (first[0] != 0x04 || first[31] != 0x05) {
        r.code = DownloadCode::StartWrongReply;
        return r;
    }
    r.lastAddress = (first[11] << 16) | (first[12] << 8) | first[13];
    r.total = downloadTotal(r.lastAddress);
    if (progress.started)
        progress.started(r.total);

    r.image.reserve(r.total);
    r.image.append(reinterpret_cast<const char*>(first.data()), kReplyLength);
    r.received = kReplyLength;
    int remaining = r.total - kReplyLength;
    bool cancelled = false;
    while (remaining > 0) {
        if (progress.cancel && progress.cancel->load()) {
            cancelled = true;
            break;
        }
        if (writeMainCommand(link, Letter::DownloadNext) != 0) {
            t.UsbClose();
            r.code = DownloadCode::BlockWriteFailed;
            break;
        }
        if (t.UsbRead(kReplyLength, link.MainReply.data()) != 0) {
            t.UsbClose();
            r.code = DownloadCode::BlockNoReply;
            break;
        }
        r.image.append(reinterpret_cast<const char*>(link.MainReply.data()), kReplyLength);
        remaining -= kReplyLength;
        r.received += kReplyLength;
        if (progress.received)
            progress.received(r.received);
    }
    if (cancelled) {
        // The meter is told the transfer is over; what arrived is not used.
        writeMainCommand(link, Letter::DownloadEnd);
        r.code = DownloadCode::Cancelled;
        r.image.clear();
        return r;
    }
    if (remaining == 0 && writeMainCommand(link, Letter::DownloadEnd) != 0)
        r.code = DownloadCode::EndWriteFailed;
    if (r.received < remaining)
        r.code = DownloadCode::FirstHalfFailed;
    if (r.code != DownloadCode::Ok)
        r.image.clear();
    return r;
}

int EraseMeterMemory(MeterLink& link)
{
    const CommandFrame frame = kEraseFrame;
    ExchangeOptions options;
    options.codes = Codes::Erase;
    options.check = ReplyCheck::EchoAll;
    options.keepOpen = true;
    return link.StandardExchange(frame, link.MainReply, options);
}

QString eraseMessage(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Please power off and power on meter before recording data or loading again.");
    case 803:
        return QString::fromLatin1(Msg::OpenFailed);
    case 804:
        return QString::fromLatin1(Msg::TimeoutFailed);
    case 805:
        return QString::fromLatin1(Msg::WriteFailed);
    case 806:
        return {};
    default:
        return QString::fromLatin1(Msg::NoResponse) + QString::number(code);
    }
}

QString loadErrorMessage(int code)
{
    return QString::fromLatin1(Msg::TryAgain) + QString::number(code);
}

void RecoverAfterFailedDownload(MeterLink& link)
{
    link.transport().UsbPurge();
    writeMainCommand(link, Letter::Recover);
}

} // namespace quedral
