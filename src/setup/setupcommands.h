#pragma once
// The meter setup commands and the service commands, without widgets: set the meter's clock,
// its recording interval, erase its memory, read its information, write and read one byte of
// its settings memory and prepare a quick recording. Each runs on whatever thread owns the link
// (the meter thread in the program, the caller's thread in quedral-cli) and returns a result
// code; the texts the user is shown come from the message functions below.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "meter/frames.h"

namespace quedral {

class MeterLink;

// The setup commands' own frame buffers. A command built in SetupCommand sets only the bytes
// it needs; the others keep what the previous setup command left there.
struct SetupBuffers {
    CommandFrame SetupCommand{kFrameStart, 0, 0, 0, 0, 0, kFrameEnd};
    ReplyFrame SetupReply{};
};

// Messages of the setup window, exactly as shown.
namespace SetupMsg {
inline constexpr char ClockOk[] = "Meter time updated successfully \n";
inline constexpr char ClockFail[] = "Meter time updated fail";
inline constexpr char IntervalOk[] = "Recording Interval Setup Successfully ";
inline constexpr char InvalidInput[] = "Invalid Input";
inline constexpr char EraseOk[] = "erase memory successfully";
inline constexpr char ReadOk[] = "read data successfully";
inline constexpr char QuickRecordOk[] = "OK";
} // namespace SetupMsg

// The meter's settings memory is addressed with 24 bits; a byte holds 0 to 255.
inline constexpr int kMaxSettingAddress = 0xFFFFFF;
inline constexpr int kMaxByteValue = 0xFF;
// The samples that fit an empty memory: (AvailableBase − 255) / 2, less the 13 samples' worth
// of header and end marker of the one set a quick recording prepares.
inline constexpr int AvailableBase = 0x3E900; // 256256
inline constexpr int kMaxQuickRecordSamples = (AvailableBase - 255) / 2 - 13; // 127987
// The interval goes out as minutes (one byte) and seconds.
inline constexpr int kMaxQuickRecordInterval = 255 * 60 + 59;

// --- Set clock ------------------------------------------------------------------------------

// Writes the time into the 32-byte clock block: BCD second, minute, hour, day, month at bytes 0
// to 4, the year within the century at byte 6, 0 at byte 7. The other bytes are left as they are.
void buildClockBlock(ReplyFrame& block, const QDateTime& time);

// close, open, time-outs 1000, 't' 'c' 0 (bytes 4 and 5 as SetupCommand held them), purge, the
// clock block of `time` built in SetupReply and written. No reply is read; the device is left
// open. 0, 201, 202, 203 or 205.
int setMeterClock(MeterLink& link, SetupBuffers& buffers, const QDateTime& time);
QString setClockMessage(int code);

// --- Recording interval ---------------------------------------------------------------------

// The interval in seconds from the minutes and seconds fields: each must be one or two digits
// with nothing else (a blank or partly blank field is refused), and the total at most 60 s.
// nullopt means "Invalid Input".
std::optional<int> parseRecordingInterval(const QString& minutes, const QString& seconds);

// 0 written at 14, `seconds` at 15, then the closing 'b'; every reply must echo bytes 0 and 1.
// The device is closed at the end. 0, 703 to 709.
int setRecordingInterval(MeterLink& link, SetupBuffers& buffers, int seconds);
QString intervalMessage(int code);

// --- Erase ----------------------------------------------------------------------------------

// The erase frame; the reply (in SetupReply) must echo its seven bytes. The device is left open.
// 0, 803 to 807.
int eraseFromSetup(MeterLink& link, SetupBuffers& buffers);
QString setupEraseMessage(int code);

// --- Read information -----------------------------------------------------------------------

// The meter's reply to 'Y', as the window shows it.
struct MeterInfo {
    QString version;         // "1.05"
    QString meterTime;       // "12/08/2024   13:05:07"
    QString interval;        // "2"
    QString dataSets;        // "3"
    QString memoryAvailable; // "128"
    QString cali94;          // "-0.5"
    QString cali70;          // "1.50  (384)"
    QString serial;          // from the serial number read
};
// The seven fields that come from the reply (serial stays empty); numbers in the locale given.
MeterInfo formatMeterInfo(const ReplyFrame& reply, const QLocale& locale = QLocale());

// The labels the window puts before the fields, in the window's order.
struct MeterInfoField {
    const char* label;
    QString MeterInfo::*text;
};
const std::vector<MeterInfoField>& meterInfoFields();

struct InformationResult {
    int code = Codes::Ok; // 0, 903 to 906
    MeterInfo info;       // filled when code is 0; its serial stays empty when it could not be read
};
// True when a reply to 'Y' holds what the meter can report: a valid BCD clock (bytes 25 to 30),
// at most 4000 data sets and a last address within its 256 KiB memory.
bool informationReplyPlausible(const ReplyFrame& reply);

// close, open, time-outs 1000, 'Y', purge, read into SetupReply; then the serial number. A reply
// that is not plausible (informationReplyPlausible) fails like one that did not arrive (906).
// The device is left open.
InformationResult readMeterInformation(MeterLink& link, SetupBuffers& buffers,
                                       const QLocale& locale = QLocale());
// The message for a read: "read data successfully", the failure's text, or when the serial
// number could not be read "can not read serail number".
QString informationMessage(const InformationResult& result);

// --- Service commands: one byte -------------------------------------------------------------

// 02 'W' A2 A1 A0 V 03 in SetupCommand.
void buildByteWrite(CommandFrame& command, int address, int value);
// 02 'r' A2 A1 A0 (byte 5 as it was) 03 in SetupCommand.
void buildByteRead(CommandFrame& command, int address);

// A whole decimal number within [low, high], or nullopt.
std::optional<int> parseServiceNumber(const QString& text, int low, int high);
// The service fields, each refused (nullopt) outside its range: an address 0 to 16777215, a
// byte value 0 to 255, a quick recording's sample count 1 to 127987 and interval 0 to 15359.
std::optional<int> parseSettingAddress(const QString& text);
std::optional<int> parseSettingValue(const QString& text);
std::optional<int> parseQuickRecordSamples(const QString& text);
std::optional<int> parseQuickRecordInterval(const QString& text);

// close, open, time-outs 1000, the byte write; the reply must echo all seven bytes. The device
// is closed at the end. 0, 703, 704, 707, 708 or 709.
int writeSettingByte(MeterLink& link, SetupBuffers& buffers, int address, int value);
struct ByteReadResult {
    int code = Codes::Ok;
    std::optional<int> value; // the reply's byte 6, once a reply arrived with 02 'r'
};
// close, open, time-outs 1000, the byte read; the reply's bytes 0, 1 must be 02 'r'. Closed at the end.
ByteReadResult readSettingByte(MeterLink& link, SetupBuffers& buffers, int address);
// "Error Code=" and the code; empty for 0.
QString serviceErrorMessage(int code);

// --- Quick recording ------------------------------------------------------------------------

// The byte a quick recording writes at a header's offset 2 (the decode does not read it).
inline constexpr int kQuickRecordTag = 20;

// The bytes a quick recording of n samples at `interval` seconds writes, in the order written:
// the set count and last address, then the header of one data set at 256 up to its count (the
// start time `start` in BCD as the meter writes its own headers, the interval as minutes and
// seconds), and the end marker. The mode, the wave file name and the samples are the meter's.
std::vector<std::pair<int, std::uint8_t>> quickRecordWrites(int n, int interval, const QDateTime& start);

// The meter's clock from its reply to 'Y' (BCD bytes 25 to 30: year within the century, month,
// day, hour, minute, second); nullopt when a byte is not BCD or the date or time is not valid.
std::optional<QDateTime> meterClockFromInformation(const ReplyFrame& reply);

// The question asked before a quick recording replaces the meter's data sets.
QString quickRecordQuestion(int n, int interval);

// One byte write on an open device: up to five writes and then up to five reads, 300 ms apart
// after each failure; true when the reply starts 02 'W'.
bool writeEepromByte(MeterLink& link, SetupBuffers& buffers, int address, int value);

// QUICK REC: at most five attempts to open the device with 100 ms time-outs (300 ms apart), the
// meter's clock read with 'Y' (each step tried five times like writeEepromByte), the writes of
// quickRecordWrites with writeEepromByte, then the closing 'b' exchange. A pass whose writes got
// through after an earlier attempt had failed sends 'Q' and starts again at the open as a further
// attempt. 0, 9000, 9001, 9002, 9003 (the meter's clock unread, nothing written) or a closing
// code 803 to 807. The start time is the meter's own clock, so the set reads back as the meter
// would have logged it.
int quickRecord(MeterLink& link, SetupBuffers& buffers, int n, int interval);

} // namespace quedral
