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

bool MeterLink::exchangeCommand(std::uint8_t letter)
{
    m_transport.usbClose();
    LastExchangeReached = Reached::Nothing;
    bool ok = m_transport.usbOpen(VendorId, ProductId) == 0;
    if (ok)
        LastExchangeReached = Reached::Opened;
    ok = ok && m_transport.usbSetTimeouts(1000, 1000) == 0;
    if (ok) {
        writeMainCommand(letter);
        m_transport.usbPurge();
        ok = m_transport.usbRead(kReplyLength, MainReply.data()) == 0;
        if (ok)
            LastExchangeReached = Reached::Answered;
    }
    m_transport.usbClose();
    return ok;
}

bool MeterLink::pollReading()
{
    m_transport.usbClose();
    if (m_transport.usbOpen(VendorId, ProductId) != 0 || m_transport.usbSetTimeouts(1000, 1000) != 0) {
        m_transport.usbClose();
        return false;
    }
    ++PollSequence; // unsigned 8-bit: 255 wraps to 0
    MainCommand[5] = PollSequence;
    writeMainCommand(Letter::Reading);
    m_transport.usbPurge();
    MainReply.fill(0);
    const bool ok = m_transport.usbRead(kReplyLength, MainReply.data()) == 0;
    /* Byte 30 echoes the sequence number; after a mismatch the meter is told to recover. */
    if (MainReply[30] != PollSequence) {
        MainCommand[1] = Letter::Recover;
        m_transport.usbWrite(kCommandLength, MainCommand.data());
    }
    m_transport.usbClose();
    return ok;
}

bool MeterLink::sendKey(std::uint8_t letter)
{
    m_transport.usbClose();
    if (m_transport.usbOpen(VendorId, ProductId) != 0 || m_transport.usbSetTimeouts(500, 500) != 0) {
        m_transport.usbClose();
        return false;
    }
    // A key that did not go out is a failed key, not one the meter ignored.
    const bool sent = writeMainCommand(letter) == 0;
    m_transport.usbClose();
    return sent;
}

int MeterLink::openLink(const ExchangeCodes& codes, int timeoutMs)
{
    m_transport.usbClose();
    if (m_transport.usbOpen(VendorId, ProductId) != 0)
        return codes.openFailed;
    if (m_transport.usbSetTimeouts(timeoutMs, timeoutMs) != 0)
        return codes.timeoutsFailed;
    return Codes::Ok;
}

int MeterLink::transact(const CommandFrame& command, ReplyFrame& reply, const ExchangeCodes& codes,
                        ReplyCheck check)
{
    if (m_transport.usbWrite(kCommandLength, command.data()) != 0)
        return codes.writeFailed;
    if (check == ReplyCheck::NoReply)
        return Codes::Ok;
    m_transport.usbPurge();
    if (m_transport.usbRead(kReplyLength, reply.data()) != 0)
        return codes.noReplyCode();
    if (!replyPasses(check, command, reply))
        return codes.wrongReplyCode();
    return Codes::Ok;
}

int MeterLink::standardExchange(const CommandFrame& command, ReplyFrame& reply, const ExchangeOptions& options)
{
    int code = openLink(options.codes, options.timeoutMs);
    if (code == Codes::Ok)
        code = transact(command, reply, options.codes, options.check);
    if (!options.keepOpen)
        m_transport.usbClose();
    return code;
}

int MeterLink::standardExchange(std::uint8_t letter, const ExchangeOptions& options)
{
    setMainCommand(letter);
    return standardExchange(MainCommand, MainReply, options);
}

int MeterLink::echoedExchange(const CommandFrame& command, ReplyFrame& reply, const ExchangeCodes& codes)
{
    ExchangeOptions options;
    options.codes = codes;
    options.check = ReplyCheck::EchoAll;
    options.keepOpen = true;
    return standardExchange(command, reply, options);
}

void MeterLink::setMainCommand(std::uint8_t letter)
{
    MainCommand[0] = kFrameStart;
    MainCommand[1] = letter;
    MainCommand[6] = kFrameEnd;
}

int MeterLink::writeMainCommand(std::uint8_t letter)
{
    setMainCommand(letter);
    return m_transport.usbWrite(kCommandLength, MainCommand.data());
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

void haltPolling(const bool& pollBusy, const std::function<void()>& stopTimer)
{
    Clock& clock = Clock::instance();
    const std::int64_t start = clock.tickMs();
    while (pollBusy && clock.tickMs() - start < 2500)
        clock.sleepMs(10);
    if (stopTimer)
        stopTimer();
}

} // namespace quedral
