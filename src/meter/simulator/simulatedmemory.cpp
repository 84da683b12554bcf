#include "meter/simulator/simulatedmemory.h"

#include <algorithm>
#include <random>

namespace quedral {

namespace {
// A level that wanders like street noise, with louder passages.
std::vector<std::uint16_t> levels(int count, std::uint32_t seed, double base)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> step(0.0, 6.0);
    std::uniform_int_distribution<int> event(0, 99);
    std::vector<std::uint16_t> out;
    out.reserve(count);
    double level = base;
    int boost = 0;
    for (int i = 0; i < count; ++i) {
        level = std::clamp(level + step(rng) - (level - base) * 0.1, 350.0, 950.0);
        if (boost == 0 && event(rng) < 3)
            boost = 8;
        const double shown = level + (boost > 0 ? 150.0 : 0.0);
        boost = std::max(0, boost - 1);
        out.push_back(static_cast<std::uint16_t>(std::lround(shown)));
    }
    return out;
}
} // namespace

std::vector<LoggedSet> defaultLoggedSets()
{
    const QDate day(2026, 11, 23);
    return {
        {QDateTime(day, QTime(8, 15, 0)), 1, 0x0F, "00000000", levels(120, 1, 620)},
        {QDateTime(day, QTime(9, 0, 0)), 2, 0x0E, "WAV00012", levels(900, 2, 580)},
        {QDateTime(day, QTime(9, 45, 30)), 60, 0x06, "REC00001", levels(480, 3, 550)},
        {QDateTime(day, QTime(17, 50, 10)), 1, 0x0D, "00000000", levels(60, 4, 700)},
    };
}

std::vector<LoggedSet> fullMemoryLoggedSets()
{
    // 100 sets of equal length fill the memory up to its last block.
    std::vector<LoggedSet> sets;
    const int perSet = (kMeterMemoryBytes - MemoryAddress::FirstSet) / 100 / BytesPerSample
                       - (kSetHeaderBytes + int(sizeof kEndMarker)) / BytesPerSample;
    QDateTime start(QDate(2026, 10, 1), QTime(6, 0, 0));
    for (int s = 0; s < 100; ++s) {
        sets.push_back({start, 1 + s % 5, static_cast<std::uint8_t>(0x0F - (s % 4) * 4), "00000000",
                        levels(perSet, 100 + s, 500 + 10 * (s % 20))});
        start = start.addSecs(3600 * 5);
    }
    return sets;
}

} // namespace quedral
