#include "meter/simulator/simulatedmeter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "base/clock.h"
#include "base/datadir.h"
#include "base/filewrite.h"
#include "meter/simulator/simulatedmemory.h"

namespace quedral {

namespace {
ReplyBytes framedReply()
{
    ReplyBytes r{};
    r[0] = kFrameStart;
    r[31] = kFrameEnd;
    return r;
}

// The reply that starts with the 7 command bytes.
ReplyBytes echo(const CommandFrame& c)
{
    ReplyBytes r{};
    std::copy(c.begin(), c.end(), r.begin());
    return r;
}

// Bytes 2..4 of a 'W' or 'r' frame: a 24-bit big-endian address.
int commandAddress(const CommandFrame& c)
{
    return (c[2] << 16) | (c[3] << 8) | c[4];
}

// An empty memory that keeps the settings bytes of `from`.
QByteArray withSettingsOf(QByteArray memory, const QByteArray& from)
{
    for (int a = MemoryAddress::SettingsFirst; a <= MemoryAddress::SettingsLast && a < from.size(); ++a)
        memory[a] = from[a];
    return memory;
}

// The memory as saved: up to its last non-zero byte, at least one reply long.
QByteArray trimmedMemory(const QByteArray& memory)
{
    qsizetype n = memory.size();
    while (n > kReplyLength && memory[n - 1] == '\0')
        --n;
    QByteArray out = memory.left(n);
    if (out.size() < kReplyLength)
        out.append(kReplyLength - out.size(), '\0');
    return out;
}
} // namespace

QByteArray SimulatedMeter::defaultMemory()
{
    QByteArray m = encodeMemoryImage(defaultLoggedSets());
    m[MemoryAddress::Interval] = char(2);
    return m;
}

QString SimulatedMeter::serialProblem(const QString& serial)
{
    constexpr qsizetype kMaxSerialLength = 32;
    const auto allowed = [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-'
               || c == u'_' || c == u'.';
    };
    if (serial.isEmpty() || serial.size() > kMaxSerialLength || !std::all_of(serial.begin(), serial.end(), allowed))
        return QStringLiteral("a serial number is 1 to %1 letters, digits, '-', '_' or '.', not \"%2\"")
            .arg(kMaxSerialLength)
            .arg(serial);
    return {};
}

QString SimulatedMeter::defaultStateFile(const QString& serial)
{
    if (serial.isEmpty() || serial == QLatin1String(kDefaultSerial))
        return DataDir::file(QStringLiteral("simulated-meter.json"));
    return DataDir::file(QStringLiteral("simulated-meter-%1.json").arg(serial));
}

SimulatedMeter::SimulatedMeter(QString stateFile, std::uint32_t seed, QString serial)
    : m_file(std::move(stateFile)), m_serial(serial.isEmpty() ? QString::fromLatin1(kDefaultSerial) : std::move(serial)),
      m_rng(seed)
{
    load();
    std::uniform_real_distribution<double> start(520.0, 680.0);
    m_background = m_smoothed = start(m_rng);
    m_level = static_cast<int>(m_smoothed);

    // Identify: bytes 23..25 carry the model code "323".
    addCommand(Letter::Identify, [](const CommandFrame&) -> std::optional<ReplyBytes> {
        ReplyBytes r = framedReply();
        r[23] = '3';
        r[24] = '2';
        r[25] = '3';
        return r;
    });
    addCommand(Letter::Reading, [this](const CommandFrame& c) -> std::optional<ReplyBytes> {
        return readingReply(nextLevel(), c[5]);
    });
    addCommand(Letter::Recover, [](const CommandFrame&) { return std::optional<ReplyBytes>(); });

    // Keys: no reply; the change shows in the next reading.
    auto key = [this](std::function<void(State&)> change) {
        return [this, change](const CommandFrame&) -> std::optional<ReplyBytes> {
            update(change);
            return std::nullopt;
        };
    };
    addCommand(Letter::KeyRec, key([](State& s) { s.recording = !s.recording; }));
    addCommand(Letter::KeyLevel, key([](State& s) { s.range = nextRange(s.range); }));
    addCommand(Letter::KeyMaxMin, key([this](State& s) {
        if (!s.maxMinActive) {
            s.maxMinActive = true;
            s.maxMinMode = MaxMin::Max;
            s.heldMaxTenths = s.heldMinTenths = nextLevel();
        } else {
            const MaxMinInfo* mode = maxMinInfo(s.maxMinMode);
            s.maxMinMode = mode ? mode->nextOnKey : MaxMin::Max;
        }
    }));
    addCommand(Letter::KeyMaxMinCancel, key([](State& s) {
        s.maxMinActive = false;
        s.maxMinMode = MaxMin::None;
    }));
    addCommand(Letter::KeyWeighting, key([](State& s) { s.weightingA = !s.weightingA; }));
    addCommand(Letter::KeyFastSlow, key([](State& s) { s.fast = !s.fast; }));

    // The logging memory: 'P' answers with its first 32 bytes framed by 0x04 .. 0x05, each
    // 'p' with the next 32 (zeros past its end), 'q' ends the transfer. The erase frame sets
    // the set count to 0 and the last address to 255, clears the data sets from 256 on and
    // keeps the rest below 256 (the recording interval survives); it is echoed.
    addCommand(Letter::DownloadStart, [this](const CommandFrame&) -> std::optional<ReplyBytes> {
        m_readOffset = kReplyLength;
        ReplyBytes r = memoryBlock(0);
        r[0] = 0x04;
        r[kReplyLength - 1] = 0x05;
        return r;
    });
    addCommand(Letter::DownloadNext, [this](const CommandFrame&) -> std::optional<ReplyBytes> {
        const ReplyBytes r = memoryBlock(m_readOffset);
        m_readOffset += kReplyLength;
        return r;
    });
    addCommand(Letter::DownloadEnd, [this](const CommandFrame&) -> std::optional<ReplyBytes> {
        m_readOffset = 0;
        return std::nullopt;
    });
    addCommand(Letter::Erase, [this](const CommandFrame& c) -> std::optional<ReplyBytes> {
        if (c != kEraseFrame)
            return std::nullopt;
        update([](State& s) {
            QByteArray m = s.memory.left(MemoryAddress::FirstSet);
            const QByteArray empty = encodeMemoryImage({});
            if (m.size() < empty.size())
                m.append(empty.size() - m.size(), '\0');
            for (int a = MemoryAddress::SetCount; a < MemoryAddress::SettingsFirst; ++a)
                m[a] = empty[a];
            s.memory = m;
            s.memoryFull = false;
        });
        return echo(c);
    });

    // Byte access: 'W' writes byte 5 at the address in bytes 2..4 and echoes the command;
    // 'r' echoes the command with the byte read in reply byte 6; 'b' closes a series of
    // writes and is echoed.
    addCommand(Letter::WriteSetting, [this](const CommandFrame& c) -> std::optional<ReplyBytes> {
        writeMemoryByte(commandAddress(c), c[5]);
        return echo(c);
    });
    addCommand(Letter::ReadSetting, [this](const CommandFrame& c) -> std::optional<ReplyBytes> {
        ReplyBytes r = echo(c);
        r[6] = memoryByte(commandAddress(c));
        return r;
    });
    addCommand(Letter::CloseSettings, [](const CommandFrame& c) -> std::optional<ReplyBytes> { return echo(c); });

    // The clock: 02 't' 'c' 00 .. 03 has no reply; the 32-byte block written next sets it.
    addCommand(Letter::SetTime, [this](const CommandFrame& c) -> std::optional<ReplyBytes> {
        if (c[2] == 'c' && c[3] == 0)
            m_blockPending = Letter::SetTime;
        return std::nullopt;
    });
    addCommand(Letter::Information, [this](const CommandFrame&) -> std::optional<ReplyBytes> {
        return informationReply();
    });
}

std::uint8_t SimulatedMeter::memoryByte(int address) const
{
    const QByteArray& m = m_state.memory;
    if (address < 0 || address >= kMeterMemoryBytes || address >= m.size())
        return 0;
    return static_cast<std::uint8_t>(m[address]);
}

void SimulatedMeter::writeMemoryByte(int address, std::uint8_t value)
{
    if (address < 0 || address >= kMeterMemoryBytes)
        return;
    if (address >= m_state.memory.size() && value == 0)
        return; // already reads as zero
    update([&](State& s) {
        if (address >= s.memory.size())
            s.memory.append(address + 1 - s.memory.size(), '\0');
        s.memory[address] = static_cast<char>(value);
    });
}

QDateTime SimulatedMeter::meterTime() const
{
    return Clock::instance().now().addSecs(m_state.clockOffsetSeconds);
}

// 'Y': set count (9, 10), last address (11..13) and interval (15) from the memory, the
// 94 dB calibration (18, signed tenths), the 70 dB calibration (19, 20, raw, big-endian),
// the clock in BCD (25..30: year, month, day, hour, minute, second) and the firmware
// version times 100 (31).
ReplyBytes SimulatedMeter::informationReply() const
{
    ReplyBytes r{};
    r[0] = kFrameStart;
    r[1] = Letter::Information;
    for (int a = MemoryAddress::SetCount; a < MemoryAddress::SettingsFirst; ++a)
        r[a] = memoryByte(a);
    r[15] = memoryByte(MemoryAddress::Interval);
    r[18] = static_cast<std::uint8_t>(static_cast<std::int8_t>(std::clamp(m_state.calibration94Tenths, -128, 127)));
    const int raw70 = std::clamp(m_state.calibration70Raw, 0, 0xFFFF);
    r[19] = static_cast<std::uint8_t>(raw70 >> 8);
    r[20] = static_cast<std::uint8_t>(raw70 & 0xFF);
    const QDateTime t = meterTime();
    r[25] = toBcd(t.date().year() % 100);
    r[26] = toBcd(t.date().month());
    r[27] = toBcd(t.date().day());
    r[28] = toBcd(t.time().hour());
    r[29] = toBcd(t.time().minute());
    r[30] = toBcd(t.time().second());
    r[31] = static_cast<std::uint8_t>(std::clamp(m_state.firmwareHundredths, 0, 255));
    return r;
}

bool SimulatedMeter::setClockFromBlock(const ReplyBytes& block)
{
    const int second = bcdValue(block[0]);
    const int minute = bcdValue(block[1]);
    const int hour = bcdValue(block[2]);
    const int day = bcdValue(block[3]);
    const int month = bcdValue(block[4]);
    const int year = bcdValue(block[6]);
    if (second < 0 || minute < 0 || hour < 0 || day < 0 || month < 0 || year < 0)
        return false;
    const QDate date(2000 + year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return false;
    const QDateTime now = Clock::instance().now();
    QDateTime set = now; // the same kind of time (local, UTC, zone) as the computer's clock
    set.setDate(date);
    set.setTime(time);
    if (!set.isValid())
        return false; // a local time that does not exist (skipped by a clock change)
    update([&](State& s) { s.clockOffsetSeconds = now.secsTo(set); });
    return true;
}

ReplyBytes SimulatedMeter::memoryBlock(qsizetype offset) const
{
    ReplyBytes r{};
    for (int i = 0; i < kReplyLength && offset + i < kMeterMemoryBytes; ++i)
        r[i] = memoryByte(static_cast<int>(offset + i));
    return r;
}

void SimulatedMeter::setMemory(const std::vector<LoggedSet>& sets)
{
    update([&](State& s) { s.memory = withSettingsOf(encodeMemoryImage(sets), s.memory); });
}

std::optional<ReplyBytes> SimulatedMeter::handleCommand(const CommandFrame& command)
{
    if (command[0] != kFrameStart || command[6] != kFrameEnd)
        return std::nullopt; // not a frame: the meter ignores it
    m_blockPending = 0;
    auto it = m_commands.find(command[1]);
    if (it == m_commands.end())
        return std::nullopt;
    return it->second(command);
}

bool SimulatedMeter::handleBlock(const ReplyBytes& block)
{
    const std::uint8_t pending = m_blockPending;
    m_blockPending = 0;
    if (pending == Letter::SetTime)
        return setClockFromBlock(block);
    return false;
}

void SimulatedMeter::update(const std::function<void(State&)>& change)
{
    change(m_state);
    save();
}

int SimulatedMeter::nextLevel()
{
    if (m_levelOverride) {
        m_level = *m_levelOverride;
        return m_level;
    }
    std::normal_distribution<double> step(0.0, 4.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // A slowly wandering background between 45 and 75 dB, pulled gently towards 60 dB.
    m_background += step(m_rng) + (600.0 - m_background) * 0.01;
    m_background = std::clamp(m_background, 450.0, 750.0);
    // Now and then a louder event of a few seconds.
    if (m_eventTicks > 0) {
        --m_eventTicks;
    } else if (unit(m_rng) < 0.03) {
        m_eventTicks = 2 + static_cast<int>(unit(m_rng) * 8);
        m_eventBoost = 100.0 + unit(m_rng) * 250.0;
    } else {
        m_eventBoost = 0.0;
    }
    double target = m_background + m_eventBoost + step(m_rng) * 0.5;
    if (!m_state.weightingA)
        target += 20.0; // C weighting lets more low-frequency noise through
    // SLOW follows changes more lazily than FAST.
    m_smoothed += (target - m_smoothed) * (m_state.fast ? 0.8 : 0.3);
    m_level = std::clamp(static_cast<int>(m_smoothed + 0.5), 0, 1400);
    return m_level;
}

ReplyBytes SimulatedMeter::readingReply(int levelTenths, std::uint8_t sequence)
{
    State& s = m_state;
    if (s.maxMinActive) {
        const int mx = std::max(s.heldMaxTenths, levelTenths);
        const int mn = std::min(s.heldMinTenths, levelTenths);
        if (mx != s.heldMaxTenths || mn != s.heldMinTenths) {
            s.heldMaxTenths = mx;
            s.heldMinTenths = mn;
            save();
        }
    }
    const RangeInfo* range = rangeInfo(s.range);
    const int low = range ? range->lowDb : kRanges.back().lowDb;
    const int high = range ? range->highDb : kRanges.back().highDb;

    ReplyBytes r = framedReply();
    r[1] = static_cast<std::uint8_t>((s.recording ? 0x01 : 0) | (s.maxMinActive ? 0x04 : 0)
                                     | (s.weightingA ? 0x08 : 0) | (s.fast ? 0x10 : 0)
                                     | (levelTenths < low * 10 ? 0x40 : 0) | (levelTenths > high * 10 ? 0x80 : 0));
    r[2] = s.memoryFull ? 0x10 : 0x00;
    r[3] = rawByte(s.range);
    r[4] = rawByte(s.maxMinActive ? s.maxMinMode : MaxMin::None);
    auto put16 = [&r](int at, int v) {
        v = std::clamp(v, 0, 0xFFFF);
        r[at] = static_cast<std::uint8_t>(v >> 8);
        r[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
    };
    put16(5, levelTenths);
    put16(11, s.heldMaxTenths);
    put16(13, s.heldMinTenths);
    const QDateTime t = meterTime();
    r[15] = toBcd(t.time().second());
    r[16] = toBcd(t.time().minute());
    r[17] = toBcd(t.time().hour());
    r[19] = toBcd(t.date().month());
    r[20] = toBcd(t.date().day());
    r[21] = toBcd(t.date().year() - 2000);
    r[30] = sequence;
    return r;
}

void SimulatedMeter::load()
{
    if (m_file.isEmpty())
        return;
    QFile f(m_file);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    State d;
    m_state.recording = o.value("recording").toBool(d.recording);
    m_state.weightingA = o.value("weighting_a").toBool(d.weightingA);
    m_state.fast = o.value("fast").toBool(d.fast);
    // Codes the tables do not know (a hand-edited file) fall back to the defaults.
    const auto range = static_cast<Range>(o.value("range_code").toInt(rawByte(d.range)));
    m_state.range = rangeInfo(range) ? range : d.range;
    m_state.maxMinActive = o.value("max_min_active").toBool(d.maxMinActive);
    const auto mode = static_cast<MaxMin>(o.value("max_min_mode").toInt(rawByte(d.maxMinMode)));
    m_state.maxMinMode = maxMinInfo(mode) ? mode : d.maxMinMode;
    m_state.heldMaxTenths = o.value("held_max").toInt(d.heldMaxTenths);
    m_state.heldMinTenths = o.value("held_min").toInt(d.heldMinTenths);
    m_state.clockOffsetSeconds = o.value("clock_offset_s").toInteger(d.clockOffsetSeconds);
    m_state.memoryFull = o.value("memory_full").toBool(d.memoryFull);
    m_state.memory = QByteArray::fromBase64(o.value("memory").toString().toLatin1()).left(kMeterMemoryBytes);
    if (m_state.memory.size() < kReplyLength)
        m_state.memory = d.memory;
    m_state.calibration94Tenths = o.value("calibration_94db_tenths").toInt(d.calibration94Tenths);
    m_state.calibration70Raw = o.value("calibration_70db_raw").toInt(d.calibration70Raw);
    m_state.firmwareHundredths = o.value("firmware_hundredths").toInt(d.firmwareHundredths);
}

void SimulatedMeter::save() const
{
    if (m_file.isEmpty())
        return;
    QJsonObject o;
    o["recording"] = m_state.recording;
    o["weighting_a"] = m_state.weightingA;
    o["fast"] = m_state.fast;
    o["range_code"] = rawByte(m_state.range);
    o["max_min_active"] = m_state.maxMinActive;
    o["max_min_mode"] = rawByte(m_state.maxMinMode);
    o["held_max"] = m_state.heldMaxTenths;
    o["held_min"] = m_state.heldMinTenths;
    o["clock_offset_s"] = m_state.clockOffsetSeconds;
    o["memory_full"] = m_state.memoryFull;
    o["memory"] = QString::fromLatin1(trimmedMemory(m_state.memory).toBase64());
    o["calibration_94db_tenths"] = m_state.calibration94Tenths;
    o["calibration_70db_raw"] = m_state.calibration70Raw;
    o["firmware_hundredths"] = m_state.firmwareHundredths;
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    // Whole or not at all: a full disk keeps the last state that was saved.
    writeFileWhole(m_file, QJsonDocument(o).toJson(), nullptr);
}

} // namespace quedral
