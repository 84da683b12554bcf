#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "meter/reading.h"

namespace quedral {

// A command to the meter, always 7 bytes:
//   byte 0     0x02 start of frame
//   byte 1     command letter (see Letter below)
//   bytes 2-5  arguments, meaning per command; the 'A' poll puts its sequence number in byte 5
//   byte 6     0x03 end of frame
using CommandFrame = std::array<std::uint8_t, 7>;
// A reply from the meter, always read whole as 32 bytes; its layout belongs to the command.
using ReplyFrame = ReplyBytes;

inline constexpr std::uint8_t kFrameStart = 0x02;
inline constexpr std::uint8_t kFrameEnd = 0x03;
inline constexpr int kCommandLength = 7;
inline constexpr int kReplyLength = 32;

// Every command letter the program sends (byte 1 of a CommandFrame).
namespace Letter {
inline constexpr std::uint8_t Identify = 'K';      // connect probe; reply bytes 23..25 = "323"
inline constexpr std::uint8_t Reading = 'A';       // live reading; reply framed 0x02 .. 0x03
inline constexpr std::uint8_t Recover = 'Q';       // recovery after an irregular exchange; no reply
inline constexpr std::uint8_t KeyRec = 'R';        // keys: no reply
inline constexpr std::uint8_t KeyLevel = 'L';
inline constexpr std::uint8_t KeyMaxMin = 'M';
inline constexpr std::uint8_t KeyMaxMinCancel = 'N';
inline constexpr std::uint8_t KeyWeighting = 'C';
inline constexpr std::uint8_t KeyFastSlow = 'F';
inline constexpr std::uint8_t DownloadStart = 'P'; // reply 0x04 .. 0x05, first memory block
inline constexpr std::uint8_t DownloadNext = 'p';  // next memory block
inline constexpr std::uint8_t DownloadEnd = 'q';   // no reply
inline constexpr std::uint8_t Erase = 'e';         // the constant erase frame; reply echoes it
inline constexpr std::uint8_t SetTime = 't';       // no reply; a 32-byte block follows
inline constexpr std::uint8_t Information = 'Y';
inline constexpr std::uint8_t WriteSetting = 'W';  // reply echoes bytes 0, 1
inline constexpr std::uint8_t ReadSetting = 'r';   // reply echoes bytes 0, 1
inline constexpr std::uint8_t CloseSettings = 'b'; // sent after setting writes; reply echoes
} // namespace Letter

// True for the six panel key letters R, L, M, N, C, F.
bool isKeyLetter(std::uint8_t letter);
// The meter key a letter stands for, as the user knows it ("REC", "MAX/MIN", ...); empty for
// other letters.
const char* keyName(std::uint8_t letter);

// 02 letter a2 a3 a4 a5 03
constexpr CommandFrame makeCommand(std::uint8_t letter, std::uint8_t a2 = 0, std::uint8_t a3 = 0,
                                   std::uint8_t a4 = 0, std::uint8_t a5 = 0)
{
    return {kFrameStart, letter, a2, a3, a4, a5, kFrameEnd};
}

// Constant frames, sent as stored.
inline constexpr CommandFrame kEraseFrame{0x02, 'e', 'r', 'a', 's', 'e', 0x03};
inline constexpr CommandFrame kInformationFrame{0x02, 'Y', 0, 0, 0, 0, 0x03};
inline constexpr CommandFrame kCloseSettingsFrame{0x02, 'b', 0, 0, 0, 0, 0x03};

// The initial main command buffer: 02 'K' 00 00 00 00 00.
inline constexpr CommandFrame kInitialMainCommand{0x02, 'K', 0, 0, 0, 0, 0};

// Result codes of one command family, by the step of the standard exchange that failed.
// Every family has codes for open, time-outs and write. Some have none for the reply
// steps (a command without a reply, or one whose reply is not checked); should such a
// step fail all the same, the family's code of the nearest earlier step stands in
// (wrong reply -> no reply -> write), so a failure never comes back as 0.
struct ExchangeCodes {
    int openFailed;
    int timeoutsFailed;
    int writeFailed;
    std::optional<int> noReply;
    std::optional<int> wrongReply;

    int noReplyCode() const { return noReply.value_or(writeFailed); }
    int wrongReplyCode() const { return wrongReply.value_or(noReplyCode()); }
};

namespace Codes {
inline constexpr int Ok = 0;

// Memory download.
inline constexpr ExchangeCodes DownloadStart{117, 118, 119, 120, 121}; // 'P'
inline constexpr ExchangeCodes DownloadNext{117, 118, 123, 124, 121};  // 'p'
inline constexpr ExchangeCodes DownloadEnd{117, 118, 125, std::nullopt, std::nullopt}; // 'q' (no reply)
inline constexpr int DownloadOther122 = 122;
inline constexpr int DownloadOther126 = 126;

// Erase and quick record.
inline constexpr ExchangeCodes Erase{803, 804, 805, 806, 807};
inline constexpr int QuickRecordOpenFailed = 9000;
inline constexpr int QuickRecordTimeoutsFailed = 9001;
inline constexpr int QuickRecordWriteFailed = 9002;
inline constexpr int QuickRecordClockUnread = 9003; // the meter's clock could not be read

// Recording interval and single setting bytes.
inline constexpr int InvalidInput = 701;
inline constexpr ExchangeCodes IntervalFirst{703, 704, 705, 706, 707}; // first command of the interval
inline constexpr ExchangeCodes Setting{703, 704, 708, 709, 707};       // every other command

// Meter information.
inline constexpr ExchangeCodes Information{903, 904, 905, 906, std::nullopt};

// Set meter time ('t' has no reply; the block write has its own code).
inline constexpr ExchangeCodes SetTime{201, 202, 203, std::nullopt, std::nullopt};
inline constexpr int SetTimeBlockFailed = 205;

// A family for tools that only need to know the failing step (quedral-cli raw).
inline constexpr ExchangeCodes Raw{1, 2, 3, 4, 5};
} // namespace Codes

// Message texts used around exchanges, exactly as the program shows them.
namespace Msg {
inline constexpr char OpenFailed[] = "fail to open device";
inline constexpr char TimeoutFailed[] = "fail to set timeout";
inline constexpr char WriteFailed[] = "fail to write command to device";
inline constexpr char NoResponse[] = "no response from device, error code="; // + code
inline constexpr char ErrorCode[] = "Error Code=";                             // + code
inline constexpr char TryAgain[] = "There was error,please try again!   error code="; // + code
inline constexpr char NoConnection[] = "There is no connection with meter !";
inline constexpr char RecordingLoad[] = "The meter is recording data, please stop recording before loading data.";
inline constexpr char RecordingErase[] = "The meter is recording data, please stop recording before erasing data.";
inline constexpr char RecordingLeq[] = "The meter is recording data, please stop recording first .";
inline constexpr char NoDataInMemory[] = "There was not any data recorded in momery of meter !";
inline constexpr char ConnectFail[] = "Connect fail";
inline constexpr char LeqFail[] = "LEQ fail , try to start again !!";
inline constexpr char Fail[] = "Fail"; // QUICK REC failed
inline constexpr char SerialFail[] = "can not read serail number";
} // namespace Msg

// Connection texts of the status bar (panel 1).
namespace Status {
inline constexpr char On[] = "On Connection";
inline constexpr char Off[] = "Off Connection";
inline constexpr char None[] = "No Connection";
// Why there is no connection, beside the connection text.
inline constexpr char NotFound[] = "No meter is connected";
inline constexpr char NoAnswer[] = "The meter does not answer";
inline constexpr char NotRecognised[] = "The meter's reply is not recognised";
} // namespace Status

} // namespace quedral
