#include "meter/meterlink.h"

#include <algorithm>

#include "base/clock.h"

namespace quedral {

bool replyPasses(ReplyCheck check, const CommandFrame& command, const ReplyFrame& reply)
{
    switch (check) {
    case ReplyCheck::None:
    case ReplyCheck::NoReply:
        return true;
    case ReplyCheck::Framed:
        return isFramedReading(reply);
    case ReplyCheck::DownloadFrame:
        /* 'P': byte 0 = 0x04, byte 31 = 0x05. */
        return reply[0] == 0x04 && reply[31] == 0x05;
    case ReplyCheck::Identify:
        /* 'K': bytes 23, 24, 25 = '3', '2', '3'. */
        return reply[23] == '3' && reply[24] == '2' && reply[25] == '3';
    case ReplyCheck::EchoAll:
        /* Bytes 0-6 repeat the command. */
        return std::equal(command.begin(), command.end(), reply.begin());
    case ReplyCheck::EchoFirstTwo:
        /* Bytes 0-1 repeat the command's start and letter. */
        return reply[0] == command[0] && reply[1] == command[1];
    }
    return false;
}

bool MeterLink::ExchangeCommand(std::uint8_t letter)
{
    m_transport.UsbClose();
    LastExchangeReached = Reached::Nothing;
    bool ok = m_transport.UsbOpen(VendorId, ProductId) == 0;
    if (ok)
        LastExchangeReached = Reached::Opened;
    ok = ok && m_transport.UsbSetTimeouts(1000, 1000) == 0;
    if (ok) {
        WriteMainCommand(letter);
        m_transport.UsbPurge();
        ok = m_transport.UsbRead(kReplyLength, MainReply.data()) == 0;
        if (ok)
            LastExchangeReached = Reached::Answered;
    }
    m_transport.UsbClose();
    return ok;
}

bool MeterLink::PollReading()
{
    m_transport.UsbClose();
    if (m_transport.UsbOpen(VendorId, ProductId) != 0 || m_transport.UsbSetTimeouts(1000, 1000) != 0) {
        m_transport.UsbClose();
        return false;
    }
    ++PollSequence; // unsigned 8-bit: 255 wraps to 0
    MainCommand[5] = PollSequence;
    WriteMainCommand(Letter::Reading);
    m_transport.UsbPurge();
    MainReply.fill(0);
    const bool ok = m_transport.UsbRead(kReplyLength, MainReply.data()) == 0;
    /* Byte 30 echoes the sequence number; after a mismatch the meter is told to recover. */
    if (MainReply[30] != PollSequence) {
        MainCommand[1] = Letter::Recover;
        m_transport.UsbWrite(kCommandLength, MainCommand.data());
    }
    m_transport.UsbClose();
    return ok;
}

bool MeterLink::SendKey(std::uint8_t letter)
{
    m_transport.UsbClose();
    if (m_transport.UsbOpen(VendorId, ProductId) != 0 || m_transport.UsbSetTimeouts(500, 500) != 0) {
        m_transport.UsbClose();
        return false;
    }
    // A key that did not go out is a failed key, not one the meter ignored.
    const bool sent = WriteMainCommand(letter) == 0;
    m_transport.UsbClose();
    return sent;
}

int MeterLink::OpenLink(const ExchangeCodes& codes, int timeoutMs)
{
    m_transport.UsbClose();
    if (m_transport.UsbOpen(VendorId, ProductId) != 0)
        return codes.openFailed;
    if (m_transport.UsbSetTimeouts(timeoutMs, timeoutMs) != 0)
        return codes.timeoutsFailed;
    return Codes::Ok;
}

int MeterLink::Transact(const CommandFrame& command, ReplyFrame& reply, const ExchangeCodes& codes,
                        ReplyCheck check)
{
    if (m_transport.UsbWrite(kCommandLength, command.data()) != 0)
        return codes.writeFailed;
    if (check == ReplyCheck::NoReply)
        return Codes::Ok;
    m_transport.UsbPurge();
    if (m_transport.UsbRead(kReplyLength, reply.data()) != 0)
        return codes.noReplyCode();
    if (!replyPasses(check, command, reply))
        return codes.wrongReplyCode();
    return Codes::Ok;
}

int MeterLink::StandardExchange(const CommandFrame& command, ReplyFrame& reply, const ExchangeOptions& options)
{
    int code = OpenLink(options.codes, options.timeoutMs);
    if (code == Codes::Ok)
        code = Transact(command, reply, options.codes, options.check);
    if (!options.keepOpen)
        m_transport.UsbClose();
    return code;
}

int MeterLink::StandardExchange(std::uint8_t letter, const ExchangeOptions& options)
{
    SetMainCommand(letter);
    return StandardExchange(MainCommand, MainReply, options);
}

int MeterLink::EchoedExchange(const CommandFrame& command, ReplyFrame& reply, const ExchangeCodes& codes)
{
    ExchangeOptions options;
    options.codes = codes;
    options.check = ReplyCheck::EchoAll;
    options.keepOpen = true;
    return StandardExchange(command, reply, options);
}

void MeterLink::SetMainCommand(std::uint8_t letter)
{
    MainCommand[0] = kFrameStart;
    MainCommand[1] = letter;
    MainCommand[6] = kFrameEnd;
}

int MeterLink::WriteMainCommand(std::uint8_t letter)
{
    SetMainCommand(letter);
    return m_transport.UsbWrite(kCommandLength, MainCommand.data());
}

const char* exchangeStepText(int code, const ExchangeCodes& codes)
{
    if (code == Codes::Ok)
        return "";
    if (code == codes.openFailed)
        return Msg::OpenFailed;
    if (code == codes.timeoutsFailed)
        return Msg::TimeoutFailed;
    if (code == codes.writeFailed)
        return Msg::WriteFailed;
    if (code == codes.noReply)
        return "no response from device";
    if (code == codes.wrongReply)
        return "wrong reply from device";
    return "";
}

QString exchangeFailureMessage(int code, const ExchangeCodes& codes)
{
    if (code == codes.openFailed || code == codes.timeoutsFailed || code == codes.writeFailed)
        return QString::fromLatin1(exchangeStepText(code, codes));
    return QString::fromLatin1(Msg::NoResponse) + QString::number(code);
}

void StopPolling(const bool& pollBusy, const std::function<void()>& stopTimer)
{
    Clock& clock = Clock::instance();
    const std::int64_t start = clock.tickMs();
    while (pollBusy && clock.tickMs() - start < 2500)
        clock.sleepMs(10);
    if (stopTimer)
        stopTimer();
}

} // namespace quedral
