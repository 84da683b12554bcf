#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>

#include "meter/frames.h"
#include "meter/simulator/simulatedmemory.h"

namespace quedral {

// A sound level meter in software: answers command frames the way the meter does.
// Its settings persist in a small JSON file so successive runs talk to the same meter.
//
// The logging memory is one byte-addressed memory of kMeterMemoryBytes: 'P'/'p' download it,
// 'W'/'r' write and read single bytes of it, 'Y' reports its set count, last address and
// interval byte, and the erase frame empties its data sets. Only the part up to the highest
// byte ever set is held; the rest reads as zeros.
class SimulatedMeter {
public:
    struct State {
        bool recording = false;
        bool weightingA = true;
        bool fast = true;
        Range range = Range::Db30To130;
        bool maxMinActive = false;
        MaxMin maxMinMode = MaxMin::None;
        int heldMaxTenths = 0;
        int heldMinTenths = 0;
        qint64 clockOffsetSeconds = 0; // meter clock = computer clock + offset
        bool memoryFull = false;
        // The logging memory from address 0; addresses past its end read as zero.
        QByteArray memory = defaultMemory();
        // What 'Y' reports besides the memory.
        int calibration94Tenths = -5;   // signed, tenths of a dB
        int calibration70Raw = 0x0180;  // 16-bit raw value
        int firmwareHundredths = 105;   // version 1.05
    };
    // The memory a new meter has logged (a few realistic data sets), recording interval 2 s.
    static QByteArray defaultMemory();

    // The serial number a simulated meter reports unless given another.
    static constexpr char kDefaultSerial[] = "SIM-4471-0001";
    // Why serial cannot be a simulated meter's serial number (1 to 32 letters, digits, '-', '_'
    // or '.'), or empty when it can.
    static QString serialProblem(const QString& serial);

    // The state file of the meter with this serial number: DataDir::file("simulated-meter.json")
    // for kDefaultSerial (or an empty serial), "simulated-meter-SERIAL.json" for any other, so
    // meters with different serial numbers keep apart.
    static QString defaultStateFile(const QString& serial = {});

    // Loads the state from stateFile when it exists; an empty name keeps the state in memory only.
    // The seed makes the level generator repeatable. An empty serial is kDefaultSerial.
    explicit SimulatedMeter(QString stateFile = defaultStateFile(), std::uint32_t seed = std::random_device{}(),
                            QString serial = {});

    // The reply to one 7-byte command, or nullopt when the command has none.
    std::optional<ReplyBytes> handleCommand(const CommandFrame& command);
    // A 32-byte data block written after a command that expects one; false when none does.
    // After 't' the block sets the clock (BCD second, minute, hour, day, month in bytes 0..4,
    // year modulo 100 in byte 6); a block with a field that is not a valid BCD date or time
    // leaves the clock and gives false.
    bool handleBlock(const ReplyBytes& block);
    QString serialNumber() const { return m_serial; }

    const State& state() const { return m_state; }
    // Changes the state and saves it.
    void update(const std::function<void(State&)>& change);

    // Replaces the logged memory by these data sets (and saves it); the settings bytes
    // (MemoryAddress::SettingsFirst..SettingsLast) stay.
    void setMemory(const std::vector<LoggedSet>& sets);

    // One byte of the logging memory: zero past the part held and at or beyond kMeterMemoryBytes.
    std::uint8_t memoryByte(int address) const;
    // Writes one byte (and saves); an address outside the memory is ignored.
    void writeMemoryByte(int address, std::uint8_t value);
    // The meter's clock: the computer's clock (Clock seam) plus the offset.
    QDateTime meterTime() const;

    // Pins the live level (tenths of a dB) instead of the generator; nullopt releases it.
    void setLevelOverride(std::optional<int> tenths) { m_levelOverride = tenths; }
    int lastLevelTenths() const { return m_level; }

    // Builds the 'A' reply for the level given (no state change beyond the held MAX/MIN).
    ReplyBytes readingReply(int levelTenths, std::uint8_t sequence);

private:
    using Handler = std::function<std::optional<ReplyBytes>(const CommandFrame&)>;
    void addCommand(std::uint8_t letter, Handler handler) { m_commands[letter] = std::move(handler); }
    int nextLevel();
    ReplyBytes memoryBlock(qsizetype offset) const;
    ReplyBytes informationReply() const;
    bool setClockFromBlock(const ReplyBytes& block);
    void load();
    void save() const;

    QString m_file;
    QString m_serial;
    State m_state;
    std::map<std::uint8_t, Handler> m_commands;
    // A command that expects a 32-byte block next ('t'); 0 when none.
    std::uint8_t m_blockPending = 0;
    qsizetype m_readOffset = 0; // the next memory block a 'p' reads

    std::mt19937 m_rng;
    std::optional<int> m_levelOverride;
    double m_background = 600.0; // tenths of a dB
    double m_smoothed = 600.0;
    int m_eventTicks = 0;
    double m_eventBoost = 0.0;
    int m_level = 600;
};

} // namespace quedral
