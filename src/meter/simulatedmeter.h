#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>

#include "meter/frames.h"
#include "meter/simulatedmemory.h"

namespace quedral {

// A sound level meter in software: answers command frames the way the meter does.
// Its settings persist in a small JSON file so successive runs talk to the same meter.
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
        QByteArray memory = defaultMemory(); // the logging memory image
    };
    // The memory a new meter has logged (a few realistic data sets).
    static QByteArray defaultMemory();

    // DataDir::file("simulated-meter.json")
    static QString defaultStateFile();

    // Loads the state from stateFile when it exists; an empty name keeps the state in memory only.
    // The seed makes the level generator repeatable.
    explicit SimulatedMeter(QString stateFile = defaultStateFile(), std::uint32_t seed = std::random_device{}());

    // The reply to one 7-byte command, or nullopt when the command has none.
    std::optional<ReplyBytes> handleCommand(const CommandFrame& command);
    // A 32-byte data block written after a command that expects one; false when none does.
    bool handleBlock(const ReplyBytes& block);
    QString serialNumber() const { return QStringLiteral("SIM-4471-0001"); }

    const State& state() const { return m_state; }
    // Changes the state and saves it.
    void update(const std::function<void(State&)>& change);

    // Replaces the logged memory by these data sets (and saves it).
    void setMemory(const std::vector<LoggedSet>& sets);

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
    void load();
    void save() const;

    QString m_file;
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
