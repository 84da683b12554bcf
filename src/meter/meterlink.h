#pragma once
#include <cstdint>
#include <functional>

#include "meter/frames.h"
#include "meter/transport.h"

namespace quedral {

// What a standard exchange checks in the reply after reading it.
enum class ReplyCheck {
    None,          // any reply is accepted
    NoReply,       // the command has no reply: nothing is purged or read
    Framed,        // byte 0 = 0x02, byte 31 = 0x03 ('A')
    DownloadFrame, // byte 0 = 0x04, byte 31 = 0x05 ('P')
    Identify,      // bytes 23..25 = "323" ('K')
    EchoAll,       // bytes 0..6 equal the command (erase, closing 'b', single setting write)
    EchoFirstTwo,  // bytes 0..1 equal the command ('W', 'b' of the interval, 'r')
};

// True when the reply passes the check for the command just sent.
bool replyPasses(ReplyCheck check, const CommandFrame& command, const ReplyFrame& reply);

struct ExchangeOptions {
    ExchangeCodes codes = Codes::Raw;
    int timeoutMs = 1000;
    ReplyCheck check = ReplyCheck::None;
    bool keepOpen = false; // leave the device open; the next exchange's leading usbClose closes it
};

// The link to the meter: the transport, the main command and reply buffers and the
// link-busy flag. One object per main window (and one for the CLI).
class MeterLink {
public:
    static constexpr std::uint16_t VendorId = 0x04D9;
    static constexpr std::uint16_t ProductId = 0xE000;

    explicit MeterLink(Transport& transport) : m_transport(transport) {}
    Transport& transport() { return m_transport; }

    // Not cleared between commands: senders set bytes 0, 1 and 6; the poll also sets byte 5,
    // which therefore carries the last poll sequence into later commands.
    CommandFrame MainCommand = kInitialMainCommand;
    ReplyFrame MainReply{};
    std::uint8_t PollSequence = 0;
    bool PollBusy = false; // set for the whole poll tick (the Poller sets it)

    // close, open, time-outs 1000, write letter (result not examined), purge, read, close.
    // True when open, time-outs and read succeeded. MainReply is not cleared first.
    bool exchangeCommand(std::uint8_t letter);
    // How far the last exchangeCommand got: Opened once the device was opened, Answered once
    // the read succeeded as well.
    enum class Reached { Nothing, Opened, Answered };
    Reached LastExchangeReached = Reached::Nothing;

    // One 'A' poll: sequence + 1 (wrapping) into byte 5, reply zero-filled before the read,
    // 'Q' written when the echo in byte 30 differs. True when open, time-outs and read succeeded.
    bool pollReading();

    // A key press: close, open, time-outs 500, write, close. No reply read. False when the
    // device cannot be opened, the time-outs cannot be set or the command cannot be written.
    bool sendKey(std::uint8_t letter);

    // --- Standard exchange, for the command handlers outside the poll ---
    // Opening: usbClose, usbOpen, usbSetTimeouts(ms, ms). 0 or the family's code.
    int openLink(const ExchangeCodes& codes, int timeoutMs = 1000);
    // One command inside an open link: write, purge, read, check. 0 or the family's code.
    int transact(const CommandFrame& command, ReplyFrame& reply, const ExchangeCodes& codes,
                 ReplyCheck check);
    // The whole exchange: openLink, transact, then usbClose unless keepOpen.
    int standardExchange(const CommandFrame& command, ReplyFrame& reply, const ExchangeOptions& options);
    // The same with the main buffers: MainCommand bytes 0, 1, 6 are set to 02 letter 03.
    int standardExchange(std::uint8_t letter, const ExchangeOptions& options);
    // A command whose reply must repeat its seven bytes (erase, the closing 'b'): the whole
    // exchange into reply, the device left open. 0 or the family's code.
    int echoedExchange(const CommandFrame& command, ReplyFrame& reply, const ExchangeCodes& codes);
    void closeLink() { m_transport.usbClose(); }

    // MainCommand bytes 0, 1 and 6 set to 02, letter, 03 (bytes 2 to 5 stay as they are).
    void setMainCommand(std::uint8_t letter);
    // The same, then written as it stands: the transport's status (0 = written).
    int writeMainCommand(std::uint8_t letter);

private:
    Transport& m_transport;
};

// The fixed text for the step a code of `codes` stands for: "fail to open device",
// "fail to set timeout", "fail to write command to device", "no response from device",
// "wrong reply from device"; empty for 0 or an unknown code.
const char* exchangeStepText(int code, const ExchangeCodes& codes);

// The message boxes' text for a failed exchange: "fail to open device", "fail to set timeout"
// or "fail to write command to device" for those steps, "no response from device, error
// code=" and the code for any later step.
QString exchangeFailureMessage(int code, const ExchangeCodes& codes);

// Waits while pollBusy is set, at most 2.5 s (by the clock seam), then calls stopTimer.
// The caller restarts its poll timer when it is done with the link.
void haltPolling(const bool& pollBusy, const std::function<void()>& stopTimer);

} // namespace quedral
