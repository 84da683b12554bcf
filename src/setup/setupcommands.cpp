#include "setup/setupcommands.h"

#include <algorithm>

#include "base/clock.h"
#include "meter/loggedmemory.h"
#include "meter/meterlink.h"
#include "meter/reading.h"
#include "meter/transport.h"

namespace quedral {

namespace {

constexpr int kAttempts = 5;
constexpr int kRetryPauseMs = 300;

void putAddress(CommandFrame& command, int address)
{
    command[2] = static_cast<std::uint8_t>((address >> 16) & 0xFF);
    command[3] = static_cast<std::uint8_t>((address >> 8) & 0xFF);
    command[4] = static_cast<std::uint8_t>(address & 0xFF);
}

QString hexByte(std::uint8_t b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Set clock

void buildClockBlock(ReplyFrame& block, const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    block[0] = toBcd(t.second());
    block[1] = toBcd(t.minute());
    block[2] = toBcd(t.hour());
    block[3] = toBcd(d.day());
    block[4] = toBcd(d.month());
    block[6] = toBcd(d.year() % 100);
    block[7] = 0;
}

int setMeterClock(MeterLink& link, SetupBuffers& b, const QDateTime& time)
{
    Transport& usb = link.transport();
    int code = link.openLink(Codes::SetTime);
    if (code != Codes::Ok)
        return code;
    b.SetupCommand[0] = kFrameStart;
    b.SetupCommand[1] = Letter::SetTime;
    b.SetupCommand[2] = 'c';
    b.SetupCommand[3] = 0;
    b.SetupCommand[6] = kFrameEnd;
    if (usb.usbWrite(kCommandLength, b.SetupCommand.data()) != 0)
        return Codes::SetTime.writeFailed;
    usb.usbPurge();
    buildClockBlock(b.SetupReply, time);
    if (usb.usbWriteBlock(kReplyLength, b.SetupReply.data()) != 0)
        return Codes::SetTimeBlockFailed;
    return Codes::Ok;
}

QString setClockMessage(int code)
{
    return QString::fromLatin1(code == Codes::Ok ? SetupMsg::ClockOk : SetupMsg::ClockFail);
}

// ---------------------------------------------------------------------------------------------
// Recording interval

std::optional<int> parseRecordingInterval(const QString& minutes, const QString& seconds)
{
    auto field = [](const QString& text) -> std::optional<int> {
        if (text.isEmpty() || text.size() > 2)
            return std::nullopt;
        for (const QChar c : text)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        return text.toInt();
    };
    const std::optional<int> m = field(minutes);
    const std::optional<int> s = field(seconds);
    if (!m || !s)
        return std::nullopt;
    const int n = *m * 60 + *s;
    if (n > 60)
        return std::nullopt;
    return n;
}

int setRecordingInterval(MeterLink& link, SetupBuffers& b, int seconds)
{
    if (seconds < 0 || seconds > 60)
        return Codes::InvalidInput;
    int code = link.openLink(Codes::IntervalFirst);
    auto send = [&](const ExchangeCodes& codes) {
        return link.transact(b.SetupCommand, b.SetupReply, codes, ReplyCheck::EchoFirstTwo);
    };
    if (code == Codes::Ok) {
        b.SetupCommand = makeCommand(Letter::WriteSetting, 0, 0, 14, 0);
        code = send(Codes::IntervalFirst);
    }
    if (code == Codes::Ok) {
        b.SetupCommand = makeCommand(Letter::WriteSetting, 0, 0, 15, static_cast<std::uint8_t>(seconds));
        code = send(Codes::Setting);
    }
    if (code == Codes::Ok) {
        b.SetupCommand = kCloseSettingsFrame;
        code = send(Codes::Setting);
    }
    link.closeLink();
    return code;
}

QString intervalMessage(int code)
{
    if (code == Codes::Ok)
        return QString::fromLatin1(SetupMsg::IntervalOk);
    if (code == Codes::InvalidInput)
        return QString::fromLatin1(SetupMsg::InvalidInput);
    // The first command's write failure (705) reads as the later ones' (708).
    return exchangeFailureMessage(code, code == Codes::IntervalFirst.writeFailed ? Codes::IntervalFirst : Codes::Setting);
}

// ---------------------------------------------------------------------------------------------
// Erase

int eraseFromSetup(MeterLink& link, SetupBuffers& b)
{
    return link.echoedExchange(kEraseFrame, b.SetupReply, Codes::Erase);
}

QString setupEraseMessage(int code)
{
    if (code == Codes::Ok)
        return QString::fromLatin1(SetupMsg::EraseOk);
    return exchangeFailureMessage(code, Codes::Erase);
}

// ---------------------------------------------------------------------------------------------
// Read information

MeterInfo formatMeterInfo(const ReplyFrame& r, const QLocale& locale)
{
    MeterInfo info;
    const int sets = (r[9] << 8) | r[10];
    const int last = (r[11] << 16) | (r[12] << 8) | r[13];
    const int cali70 = (r[19] << 8) | r[20];
    info.dataSets = QString::number(sets);
    info.memoryAvailable = QString::number((AvailableBase - last) / 2);
    info.interval = QString::number(r[15]);
    info.cali94 = locale.toString(static_cast<std::int8_t>(r[18]) * 0.1, 'f', 1);
    info.cali70 = locale.toString(cali70 / 256.0, 'f', 2) + QStringLiteral("  (") + QString::number(cali70)
                  + QLatin1Char(')');
    info.meterTime = hexByte(r[26]) + QLatin1Char('/') + hexByte(r[27]) + QStringLiteral("/20") + hexByte(r[25])
                     + QStringLiteral("   ") + hexByte(r[28]) + QLatin1Char(':') + hexByte(r[29]) + QLatin1Char(':')
                     + hexByte(r[30]);
    info.version = locale.toString(r[31] * 0.01, 'f', 2);
    return info;
}

const std::vector<MeterInfoField>& meterInfoFields()
{
    static const std::vector<MeterInfoField> fields{
        {"FirmWare Version:", &MeterInfo::version},
        {"Meter Time:", &MeterInfo::meterTime},
        {"Recording Interval:", &MeterInfo::interval},
        {"Data Sets In Memory:", &MeterInfo::dataSets},
        {"Memory Available:", &MeterInfo::memoryAvailable},
        {"SN:", &MeterInfo::serial},
        {"94dB cali:", &MeterInfo::cali94},
        {"70dB cali", &MeterInfo::cali70},
    };
    return fields;
}

bool informationReplyPlausible(const ReplyFrame& r)
{
    // The meter keeps its clock in BCD and never announces more data sets than a download
    // accepts, nor a last address beyond its memory.
    constexpr int kMostDataSets = 4000;
    constexpr int kMemoryEnd = 0x40000;
    const int sets = (r[9] << 8) | r[10];
    const int last = (r[11] << 16) | (r[12] << 8) | r[13];
    return meterClockFromInformation(r).has_value() && sets <= kMostDataSets && last <= kMemoryEnd;
}

InformationResult readMeterInformation(MeterLink& link, SetupBuffers& b, const QLocale& locale)
{
    InformationResult result;
    ExchangeOptions options;
    options.codes = Codes::Information;
    options.check = ReplyCheck::None;
    options.keepOpen = true;
    result.code = link.standardExchange(kInformationFrame, b.SetupReply, options);
    if (result.code == Codes::Ok && !informationReplyPlausible(b.SetupReply))
        result.code = Codes::Information.wrongReplyCode(); // garbled: shown like a missing reply
    if (result.code != Codes::Ok)
        return result;
    result.info = formatMeterInfo(b.SetupReply, locale);
    result.info.serial = usbSerialText(link.transport());
    return result;
}

QString informationMessage(const InformationResult& result)
{
    if (result.code != Codes::Ok)
        return exchangeFailureMessage(result.code, Codes::Information);
    if (result.info.serial.isEmpty())
        return QString::fromLatin1(Msg::SerialFail);
    return QString::fromLatin1(SetupMsg::ReadOk);
}

// ---------------------------------------------------------------------------------------------
// One byte

void buildByteWrite(CommandFrame& command, int address, int value)
{
    command[0] = kFrameStart;
    command[1] = Letter::WriteSetting;
    putAddress(command, address);
    command[5] = static_cast<std::uint8_t>(value & 0xFF);
    command[6] = kFrameEnd;
}

void buildByteRead(CommandFrame& command, int address)
{
    command[0] = kFrameStart;
    command[1] = Letter::ReadSetting;
    putAddress(command, address);
    command[6] = kFrameEnd;
}

std::optional<int> parseServiceNumber(const QString& text, int low, int high)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok, 10);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return static_cast<int>(v);
}

std::optional<int> parseSettingAddress(const QString& text)
{
    return parseServiceNumber(text, 0, kMaxSettingAddress);
}

std::optional<int> parseSettingValue(const QString& text)
{
    return parseServiceNumber(text, 0, kMaxByteValue);
}

std::optional<int> parseQuickRecordSamples(const QString& text)
{
    return parseServiceNumber(text, 1, kMaxQuickRecordSamples);
}

std::optional<int> parseQuickRecordInterval(const QString& text)
{
    return parseServiceNumber(text, 0, kMaxQuickRecordInterval);
}

int writeSettingByte(MeterLink& link, SetupBuffers& b, int address, int value)
{
    int code = link.openLink(Codes::Setting);
    if (code == Codes::Ok) {
        buildByteWrite(b.SetupCommand, address, value);
        code = link.transact(b.SetupCommand, b.SetupReply, Codes::Setting, ReplyCheck::EchoAll);
    }
    link.closeLink();
    return code;
}

ByteReadResult readSettingByte(MeterLink& link, SetupBuffers& b, int address)
{
    ByteReadResult result;
    result.code = link.openLink(Codes::Setting);
    if (result.code == Codes::Ok) {
        buildByteRead(b.SetupCommand, address);
        result.code = link.transact(b.SetupCommand, b.SetupReply, Codes::Setting, ReplyCheck::EchoFirstTwo);
        if (result.code == Codes::Ok)
            result.value = b.SetupReply[6];
    }
    link.closeLink();
    return result;
}

QString serviceErrorMessage(int code)
{
    return code == Codes::Ok ? QString() : QString::fromLatin1(Msg::ErrorCode) + QString::number(code);
}

// ---------------------------------------------------------------------------------------------
// Quick recording

std::vector<std::pair<int, std::uint8_t>> quickRecordWrites(int n, int interval, const QDateTime& start)
{
    // One set at the first header offset; the meter fills in its samples, mode and wave name.
    const int H = MemoryAddress::FirstSet;
    const std::int64_t end = endOffsetOf(H, n);
    SetHeader header;
    header.start = start;
    header.count = n;
    header.interval = interval % 60;
    header.intervalMinutes = interval / 60;
    header.tag = kQuickRecordTag;
    const QByteArray bytes = encodeSetHeader(header);

    std::vector<std::pair<int, std::uint8_t>> writes = globalFieldWrites(1, end);
    for (int i = 0; i < SetField::Mode; ++i)
        writes.emplace_back(H + i, static_cast<std::uint8_t>(bytes[i]));
    writes.emplace_back(static_cast<int>(end) - 1, kEndMarker[0]);
    writes.emplace_back(static_cast<int>(end), kEndMarker[1]);
    return writes;
}

QString quickRecordQuestion(int n, int interval)
{
    return QStringLiteral("QUICK REC replaces all data sets logged in the meter's memory by one recording "
                          "of %1 %2 at %3 s. The data sets now in the meter are lost.\n\n"
                          "Replace the meter's data sets?")
        .arg(n)
        .arg(QLatin1String(n == 1 ? "sample" : "samples"))
        .arg(interval);
}

std::optional<QDateTime> meterClockFromInformation(const ReplyFrame& r)
{
    int v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = bcdValue(r[25 + i]);
        if (v[i] < 0)
            return std::nullopt;
    }
    const QDate date(2000 + v[0], v[1], v[2]);
    const QTime time(v[3], v[4], v[5]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

namespace {

// One step of a service exchange, tried up to five times with a pause after each failure.
template <class Step>
bool withRetries(const Step& step)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (step() == 0)
            return true;
        waitMilliseconds(kRetryPauseMs);
    }
    return false;
}

// 'Y' on the open device, each step retried like a byte write; the meter's clock, or nullopt.
std::optional<QDateTime> readMeterClock(MeterLink& link, SetupBuffers& b)
{
    Transport& usb = link.transport();
    if (!withRetries([&] { return usb.usbWrite(kCommandLength, kInformationFrame.data()); }))
        return std::nullopt;
    usb.usbPurge();
    if (!withRetries([&] { return usb.usbRead(kReplyLength, b.SetupReply.data()); }))
        return std::nullopt;
    return meterClockFromInformation(b.SetupReply);
}

} // namespace

bool writeEepromByte(MeterLink& link, SetupBuffers& b, int address, int value)
{
    Transport& usb = link.transport();
    buildByteWrite(b.SetupCommand, address, value);
    if (!withRetries([&] { return usb.usbWrite(kCommandLength, b.SetupCommand.data()); }))
        return false;
    usb.usbPurge();
    if (!withRetries([&] { return usb.usbRead(kReplyLength, b.SetupReply.data()); }))
        return false;
    return b.SetupReply[0] == kFrameStart && b.SetupReply[1] == Letter::WriteSetting;
}

int quickRecord(MeterLink& link, SetupBuffers& b, int n, int interval)
{
    Transport& usb = link.transport();
    int result = Codes::Ok;
    int attempts = 0;
    auto failedAttempt = [&](int code) {
        result = code;
        ++attempts;
        waitMilliseconds(kRetryPauseMs);
    };
    while (attempts < kAttempts) {
        if (usb.usbOpen(MeterLink::VendorId, MeterLink::ProductId) != 0) {
            failedAttempt(Codes::QuickRecordOpenFailed);
            continue;
        }
        if (usb.usbSetTimeouts(100, 100) != 0) {
            failedAttempt(Codes::QuickRecordTimeoutsFailed);
            continue;
        }
        // The set starts on the meter's clock, not the computer's.
        const std::optional<QDateTime> start = readMeterClock(link, b);
        if (!start) {
            result = Codes::QuickRecordClockUnread;
            break;
        }
        bool allWritten = true;
        for (const auto& [address, value] : quickRecordWrites(n, interval, *start)) {
            if (!writeEepromByte(link, b, address, value)) {
                allWritten = false;
                break;
            }
        }
        if (!allWritten) {
            result = Codes::QuickRecordWriteFailed;
            break;
        }
        if (result == Codes::Ok)
            break;
        // The writes got through only after an earlier attempt failed: tell the meter to
        // recover and write them all again, as one more attempt.
        waitMilliseconds(kRetryPauseMs);
        CommandFrame recover = b.SetupCommand;
        recover[0] = kFrameStart;
        recover[1] = Letter::Recover;
        recover[6] = kFrameEnd;
        usb.usbWrite(kCommandLength, recover.data());
        waitMilliseconds(kRetryPauseMs);
        ++attempts;
    }

    // Closing exchange: a failure here replaces the result, a success leaves it.
    const int closing = link.echoedExchange(kCloseSettingsFrame, b.SetupReply, Codes::Erase);
    if (closing != Codes::Ok)
        result = closing;
    return result;
}

} // namespace quedral
