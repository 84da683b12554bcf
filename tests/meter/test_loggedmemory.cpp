// The logged-memory encoder and decoder: what one writes the other reads back, and the encoder
// writes the bytes the simulated meter has always written.
#include <gtest/gtest.h>

#include "meter/loggedmemory.h"
#include "meter/simulator/simulatedmemory.h"

using namespace quedral;

namespace {

const QDateTime kStart(QDate(2026, 3, 4), QTime(10, 20, 30));

LoggedSet set(std::vector<std::uint16_t> tenths, int interval = 1, std::uint8_t mode = 0x0F,
              QByteArray wave = "00000000", QDateTime start = kStart)
{
    return {start, interval, mode, wave, std::move(tenths)};
}

std::vector<std::uint16_t> ramp(int count)
{
    std::vector<std::uint16_t> t;
    for (int k = 0; k < count; ++k)
        t.push_back(static_cast<std::uint16_t>(300 + k % 1000));
    return t;
}

// The samples of a record as the image holds them.
std::vector<std::uint16_t> samplesOf(const QByteArray& image, const SetRecord& r)
{
    std::vector<std::uint16_t> out;
    const auto* data = reinterpret_cast<const std::uint8_t*>(image.constData());
    for (int k = 0; k < r.count; ++k)
        out.push_back(static_cast<std::uint16_t>(sampleTenths(data + r.headerOffset + SetField::Samples + 2 * k)));
    return out;
}

} // namespace

TEST(LoggedMemory, WhatTheEncoderWritesTheDecoderReadsBack)
{
    struct Case {
        const char* name;
        std::vector<LoggedSet> sets;
        int unreadableSet = -1; // a set whose month byte is spoiled after encoding
    };
    const std::vector<Case> cases{
        {"no sets", {}},
        {"one set", {set({650, 700, 660}, 2, 0x0B, "REC00001")}},
        {"odd counts", {set(ramp(1), 60, 0x04), set(ramp(7), 0, 0x02, "WAV00012"), set(ramp(333), 5)}},
        {"empty set between others", {set(ramp(3)), set({}), set(ramp(2))}},
        {"unreadable start", {set(ramp(4)), set(ramp(5), 2, 0x0E, "WAV00001"), set(ramp(1))}, 1},
        {"full memory", fullMemoryLoggedSets()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray image = encodeMemoryImage(c.sets);
        const int count = static_cast<int>(c.sets.size());
        EXPECT_EQ(dataSetCountOf(image), count);
        EXPECT_EQ(lastAddressOf(image), image.size() - 1);
        EXPECT_EQ(std::uint8_t(image[0]), kFrameStartByte);
        EXPECT_EQ(std::uint8_t(image[31]), kFrameEndByte);
        if (c.unreadableSet >= 0) {
            std::int64_t H = kFirstHeaderOffset;
            for (int s = 0; s < c.unreadableSet; ++s)
                H = endOffsetOf(H, static_cast<std::int64_t>(c.sets[s].tenths.size())) + 1;
            image[H + SetField::Start + 1] = char(0x13); // month 13
        }

        const LoggedMemory m = decodeLoggedMemory(image, lastAddressOf(image));
        if (count == 0) {
            EXPECT_EQ(m.code, DecodeCode::NoDataSets);
            EXPECT_TRUE(m.sets.empty());
            continue;
        }
        EXPECT_EQ(m.code, c.unreadableSet >= 0 ? DecodeCode::StartUnreadable : DecodeCode::Ok);
        EXPECT_EQ(m.problems.size(), c.unreadableSet >= 0 ? 1u : 0u);
        ASSERT_EQ(m.sets.size(), c.sets.size());
        std::int64_t H = kFirstHeaderOffset;
        for (int s = 0; s < count; ++s) {
            SCOPED_TRACE(s);
            const LoggedSet& in = c.sets[s];
            const SetRecord& out = m.sets[s];
            EXPECT_EQ(out.headerOffset, H);
            EXPECT_EQ(out.endOffset, endOffsetOf(H, static_cast<std::int64_t>(in.tenths.size())));
            EXPECT_EQ(out.count, static_cast<int>(in.tenths.size()));
            EXPECT_EQ(out.interval, in.interval);
            EXPECT_EQ(out.mode, in.mode);
            EXPECT_EQ(QByteArray(out.wave.bytes.data(), out.wave.length), in.wave);
            EXPECT_EQ(samplesOf(image, out), in.tenths);
            if (s == c.unreadableSet) {
                EXPECT_FALSE(out.startReadable());
                EXPECT_EQ(m.problems.front().set, s + 1);
            } else {
                EXPECT_EQ(QDateTime(out.startDate, out.startTime), in.start);
            }
            H = out.endOffset + 1;
        }
        EXPECT_EQ(H, image.size());
    }
}

// The bytes the simulated meter's memory has always had, captured from the encoder as it was
// before the layout got its own module.
TEST(LoggedMemory, EncoderWritesTheBytesTheSimulatedMeterAlwaysWrote)
{
    const QByteArray image = encodeMemoryImage(
        {set({650, 700, 660}, 2, 0x0B, "REC00001"), set({0xFFFF, 5}, 60, 0x04, "WAV", kStart.addSecs(3600))});
    ASSERT_EQ(image.size(), 318);
    EXPECT_EQ(image.left(32).toHex(), QByteArray("040000000000000000000200013d000000000000000000000000000000000005"));
    EXPECT_EQ(image.mid(32, 224), QByteArray(224, '\0'));
    EXPECT_EQ(image.mid(256).toHex(),
              QByteArray("a55a0026030410203000020000030b524543303030303100028a02bc02945aa5"
                         "a55a00260304112030003c000002045741563030303030000fff00055aa5"));
    EXPECT_EQ(encodeMemoryImage({}).toHex(),
              QByteArray("04000000000000000000000000ff000000000000000000000000000000000005") + QByteArray(448, '0'));
}
