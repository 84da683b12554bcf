#pragma once
// Reading the meter's logged memory: 'P' (memory information, also the first block), one 'p'
// per further 32-byte block, then 'q'. Runs wherever the link is owned (the meter thread in the
// program, the caller's thread in quedral-cli); reports progress through a callback and stops
// after the current block when asked to.
#include <atomic>
#include <QString>
#include <functional>
#include <vector>

#include "files/collectionfile.h"
#include "logger/datasets.h"
#include "meter/frames.h"

namespace quedral {

class MeterLink;

namespace DownloadCode {
inline constexpr int Ok = Codes::Ok;
inline constexpr int OpenFailed = Codes::DownloadStart.openFailed;         // 117
inline constexpr int TimeoutsFailed = Codes::DownloadStart.timeoutsFailed; // 118
inline constexpr int StartWriteFailed = Codes::DownloadStart.writeFailed;  // 119, 'P' not written
inline constexpr int StartNoReply = *Codes::DownloadStart.noReply;         // 120, no reply to 'P'
inline constexpr int StartWrongReply = *Codes::DownloadStart.wrongReply;   // 121, not framed 0x04 .. 0x05
inline constexpr int BlockWriteFailed = Codes::DownloadNext.writeFailed;   // 123, a 'p' not written
inline constexpr int BlockNoReply = *Codes::DownloadNext.noReply;          // 124, a block not read
inline constexpr int EndWriteFailed = Codes::DownloadEnd.writeFailed;      // 125, 'q' not written
inline constexpr int FirstHalfFailed = Codes::DownloadOther126; // a block failure while less had arrived than remained
// The whole memory arrived, but it holds what the meter cannot have written: a count that does
// not lead to its set's end marker, data sets that end before the last address, a last address
// beyond the memory, an interval above 60 s, a level above 140.0 dB, a wave name that is no
// text. Bytes garbled on the way; nothing of the transfer is used.
inline constexpr int Garbled = Codes::DownloadOther122;
// Not a code of the meter's: the user stopped the transfer ('q' was sent).
inline constexpr int Cancelled = -1;
} // namespace DownloadCode

// The largest memory, and the block size.
inline constexpr int kMaxMemoryBytes = static_cast<int>(kLoggedMemoryBytes);
inline constexpr int kBlockBytes = 32;

// The bytes to read for a last address: last + 1, replaced by the whole memory when below 256
// or above it, rounded up to whole blocks.
int downloadTotal(int lastAddress);

struct DownloadResult {
    int code = DownloadCode::Ok;
    MemoryImage image;    // what arrived; emptied on failure
    int lastAddress = 0;  // from the reply to 'P' (set once it arrived)
    int total = 0;        // bytes the transfer meant to read
    int received = 0;
    // With Garbled: what does not hold, one line each ("data set 2: interval 254 s, above 60 s").
    std::vector<QString> problems;
};

struct DownloadProgress {
    // Called with the total once 'P' has been answered, then with the bytes received after
    // every block. May be empty.
    std::function<void(int total)> started;
    std::function<void(int received)> received;
    // Set to end the transfer after the current block; 'q' is sent and the result is Cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

// The transfer. Uses the link's MainCommand and MainReply buffers, as every command of the main
// window does. The device is left open after a complete transfer.
DownloadResult downloadMemory(MeterLink& link, const DownloadProgress& progress = {});

// What a whole transfer shows that no meter writes: the checks behind Garbled, on the image and
// its last address as they arrived. Empty when everything holds, and when the image announces
// no data set or more than 4000 (the decode reports those). Damage the decode reports itself
// (markers, sets beyond the last address, unreadable dates: codes 33 to 35) is left to it.
std::vector<QString> checkTransferredImage(const MemoryImage& image, int lastAddress);
// The problems of a Garbled download as lines for a message; empty for any other result. With
// maxProblems >= 0, at most that many, then "... and N more".
QString downloadProblemsText(const DownloadResult& result, int maxProblems = -1);

// After a failed download: purge, then 'Q', its result ignored.
void recoverAfterFailedDownload(MeterLink& link);

// Erasing the meter's memory: the erase frame, whose first seven bytes the meter echoes.
// 0, or 803 (open), 804 (time-outs), 805 (write), 806 (no reply), 807 (not echoed). The reply
// lands in MainReply; the device is left open.
int eraseMeterMemory(MeterLink& link);
// The message for an erase result; empty for 806, which is not reported.
QString eraseMessage(int code);
// What the end of a load means, for Load Data and `quedral-cli download` alike. The code is the
// download's, or after a complete transfer the decode's.
struct LoadOutcome {
    bool accepted = false; // 0, 33, 34: the data sets stand (and are not saved yet)
    QString message;       // what the user is told; empty for nothing
    bool recover = false;  // 'Q' follows (every failure but "no data")
};
LoadOutcome loadOutcome(int code);

// The message for a load that failed with code: "There was error,please try again!   error
// code=" and the code.
QString loadErrorMessage(int code);

} // namespace quedral
