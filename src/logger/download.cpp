#include "logger/download.h"

#include "meter/frames.h"
#include "meter/meterlink.h"
#include "meter/transport.h"

namespace quedral {

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
    // 'P' is a standard exchange (117 to 121); a failure leaves the device as it is.
    ExchangeOptions start;
    start.codes = Codes::DownloadStart;
    start.check = ReplyCheck::DownloadFrame;
    start.keepOpen = true;
    r.code = link.StandardExchange(Letter::DownloadStart, start);
    if (r.code != DownloadCode::Ok)
        return r;
    const ReplyFrame& first = link.MainReply;
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
        if (link.WriteMainCommand(Letter::DownloadNext) != 0) {
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
        link.WriteMainCommand(Letter::DownloadEnd);
        r.code = DownloadCode::Cancelled;
        r.image.clear();
        return r;
    }
    if (remaining == 0 && link.WriteMainCommand(Letter::DownloadEnd) != 0)
        r.code = DownloadCode::EndWriteFailed;
    if (r.received < remaining)
        r.code = DownloadCode::FirstHalfFailed;
    if (r.code != DownloadCode::Ok)
        r.image.clear();
    return r;
}

int EraseMeterMemory(MeterLink& link)
{
    return link.EchoedExchange(kEraseFrame, link.MainReply, Codes::Erase);
}

QString eraseMessage(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Please power off and power on meter before recording data or loading again.");
    case 806:
        return {};
    default:
        return exchangeFailureMessage(code, Codes::Erase);
    }
}

LoadOutcome loadOutcome(int code)
{
    LoadOutcome o;
    if (code == DecodeCode::Ok || code == DecodeCode::MarkerMisplaced || code == DecodeCode::BeyondLastAddress) {
        o.accepted = true;
    } else if (code == DecodeCode::NoDataSets) {
        o.message = QString::fromLatin1(Msg::NoDataInMemory);
    } else {
        o.message = loadErrorMessage(code);
        o.recover = true;
    }
    return o;
}

QString loadErrorMessage(int code)
{
    return QString::fromLatin1(Msg::TryAgain) + QString::number(code);
}

void RecoverAfterFailedDownload(MeterLink& link)
{
    link.transport().UsbPurge();
    link.WriteMainCommand(Letter::Recover);
}

} // namespace quedral
