#include "meter/simulatedmemory.h"
#include "meter/reading.h"

#include <algorithm>
#include <random>

namespace quedral {

QByteArray encodeMemoryImage(const std::vector<LoggedSet>& sets)
{
    QByteArray image(256, '\0');
    image[0] = char(0x04);
    image[31] = char(0x05);
    auto bcd = [](int v) { return static_cast<char>(toBcd(v)); };
    for (const LoggedSet& s : sets) {
        QByteArray h(24, '\0');
        h[0] = char(0xA5);
        h[1] = char(0x5A);
        h[3] = bcd(s.start.date().year() % 100);
        h[4] = bcd(s.start.date().month());
        h[5] = bcd(s.start.date().day());
        h[6] = bcd(s.start.time().hour());
        h[7] = bcd(s.start.time().minute());
        h[8] = bcd(s.start.time().second());
        h[10] = char(s.interval);
        const auto c = static_cast<std::uint32_t>(s.tenths.size());
        h[11] = char(c >> 16);
        h[12] = char(c >> 8);
        h[13] = char(c);
        h[14] = char(s.mode);
        const QByteArray wave = s.wave.leftJustified(8, '0', true);
        for (int i = 0; i < 8; ++i)
            h[15 + i] = wave[i];
        image += h;
        for (const std::uint16_t t : s.tenths) {
            image += char((t >> 8) & 0x0F);
            image += char(t & 0xFF);
        }
        image += char(0x5A);
        image += char(0xA5);
    }
    const int count = static_cast<int>(sets.size());
    image[9] = char(count >> 8);
    image[10] = char(count);
    const int last = image.size() - 1;
    image[11] = char(last >> 16);
    image[12] = char(last >> 8);
    image[13] = char(last);
    return image;
}


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
    const int perSet = (kMeterMemoryBytes - MemoryAddress::FirstSet) / 100 / 2 - 13;
    QDateTime start(QDate(2026, 10, 1), QTime(6, 0, 0));
    for (int s = 0; s < 100; ++s) {
        sets.push_back({start, 1 + s % 5, static_cast<std::uint8_t>(0x0F - (s % 4) * 4), "00000000",
                        levels(perSet, 100 + s, 500 + 10 * (s % 20))});
        start = start.addSecs(3600 * 5);
    }
    return sets;
}

} // namespace quedral
