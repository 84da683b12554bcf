#include "logger/download.h"

#include <QStringList>
#include <algorithm>

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

DownloadResult downloadMemory(MeterLink& link, const DownloadProgress& progress)
{
    DownloadResult r;
    Transport& t = link.transport();
    // 'P' is a standard exchange (117 to 121); a failure leaves the device as it is.
    ExchangeOptions start;
    start.codes = Codes::DownloadStart;
    start.check = ReplyCheck::DownloadFrame;
    start.keepOpen = true;
    r.code = link.standardExchange(Letter::DownloadStart, start);
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
        if (link.writeMainCommand(Letter::DownloadNext) != 0) {
            t.usbClose();
            r.code = DownloadCode::BlockWriteFailed;
            break;
        }
        if (t.usbRead(kReplyLength, link.MainReply.data()) != 0) {
            t.usbClose();
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
        link.writeMainCommand(Letter::DownloadEnd);
        r.code = DownloadCode::Cancelled;
        r.image.clear();
        return r;
    }
    if (remaining == 0 && link.writeMainCommand(Letter::DownloadEnd) != 0)
        r.code = DownloadCode::EndWriteFailed;
    if (r.received < remaining)
        r.code = DownloadCode::FirstHalfFailed;
    if (r.code == DownloadCode::Ok) {
        r.problems = checkTransferredImage(r.image, r.lastAddress);
        if (!r.problems.empty())
            r.code = DownloadCode::Garbled;
    }
    if (r.code != DownloadCode::Ok)
        r.image.clear();
    return r;
}

std::vector<QString> checkTransferredImage(const MemoryImage& image, int lastAddress)
{
    std::vector<QString> problems;
    const DecodeResult d = decodeMemoryImage(image, lastAddress);
    if (!d.store)
        return problems;
    const DataSetStore& store = *d.store;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.constData());
    const qsizetype size = image.size();
    auto byteAt = [&](std::int64_t p) { return p >= 0 && p < size ? bytes[p] : 0; };
    // Sets whose markers are out of place or that run past the last address keep the decode's
    // codes (33, 34): where their header and samples lie is not known.
    auto damaged = [&](int n) {
        return std::any_of(d.problems.begin(), d.problems.end(), [n](const DecodeProblem& p) {
            return p.set == n + 1 && p.code != DecodeCode::StartUnreadable;
        });
    };
    const bool anyDamaged = std::any_of(d.problems.begin(), d.problems.end(), [](const DecodeProblem& p) {
        return p.code != DecodeCode::StartUnreadable;
    });

    if (lastAddress >= kMaxMemoryBytes)
        problems.push_back(QStringLiteral("last address %1 lies beyond the %2-byte memory").arg(lastAddress).arg(kMaxMemoryBytes));
    for (int n = 0; n < store.size(); ++n) {
        const std::int64_t H = store.info(n).headerOffset;
        const QString set = QStringLiteral("data set %1: ").arg(n + 1);
        if (damaged(n))
            continue;
        const std::int64_t announced = (byteAt(H + 11) << 16) | (byteAt(H + 12) << 8) | byteAt(H + 13);
        if (announced != store.info(n).count)
            problems.push_back(set + QStringLiteral("the header counts %1 samples, the end marker follows %2")
                                         .arg(announced)
                                         .arg(store.info(n).count));
        if (const int interval = byteAt(H + 10); interval > kMaxIntervalSeconds)
            problems.push_back(set + QStringLiteral("interval %1 s, above %2 s").arg(interval).arg(kMaxIntervalSeconds));
        // The name is text, or bytes never written (a quick record leaves the memory as it was).
        for (int i = 0; i < 8; ++i) {
            const int c = byteAt(H + 15 + i);
            if ((c < 0x20 || c > 0x7E) && c != 0x00 && c != 0xFF) {
                problems.push_back(set + QStringLiteral("wave file name byte %1 is 0x%2, not a character")
                                             .arg(i + 1)
                                             .arg(c, 2, 16, QLatin1Char('0')));
                break;
            }
        }
        const std::int32_t count = store.info(n).count;
        for (std::int32_t k = 0; k < count; ++k) {
            const std::int64_t p = H + 24 + 2 * static_cast<std::int64_t>(k);
            const int tenths = (byteAt(p) & 0x0F) * 256 + byteAt(p + 1);
            if (tenths > kHighestLevelTenths) {
                problems.push_back(set + QStringLiteral("sample %1 reads %2 dB, above %3 dB")
                                             .arg(k + 1)
                                             .arg(tenths / 10.0, 0, 'f', 1)
                                             .arg(kHighestLevelTenths / 10.0, 0, 'f', 1));
                break;
            }
        }
    }
    // The meter's last address is the last set's end marker: sets that end before it mean that
    // the set count or a header count arrived wrong (ending beyond it is the decode's code 34).
    const std::int64_t end = store.sets.back().endOffset;
    if (!anyDamaged && end < lastAddress && lastAddress < kMaxMemoryBytes)
        problems.push_back(QStringLiteral("the %1 data sets end at offset %2, the last address is %3")
                               .arg(store.size())
                               .arg(end)
                               .arg(lastAddress));
    return problems;
}

QString downloadProblemsText(const DownloadResult& result, int maxProblems)
{
    if (result.code != DownloadCode::Garbled)
        return {};
    QStringList lines;
    lines << QStringLiteral("The memory arrived garbled (code %1):").arg(result.code);
    const auto total = static_cast<int>(result.problems.size());
    const int shown = maxProblems >= 0 ? std::min(maxProblems, total) : total;
    for (int i = 0; i < shown; ++i)
        lines << result.problems[i];
    if (shown < total)
        lines << QStringLiteral("... and %1 more").arg(total - shown);
    return lines.join('\n');
}

int eraseMeterMemory(MeterLink& link)
{
    return link.echoedExchange(kEraseFrame, link.MainReply, Codes::Erase);
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

void recoverAfterFailedDownload(MeterLink& link)
{
    link.transport().usbPurge();
    link.writeMainCommand(Letter::Recover);
}

} // namespace quedral
