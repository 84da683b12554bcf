// The decode of the meter's memory image, on small hand-built images.
#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <optional>

#include "base/datetime.h"
#include "logger/datasets.h"
#include "meter/simulator/simulatedmemory.h"

using namespace quedral;

namespace {

const QDateTime kStart(QDate(2026, 3, 14), QTime(13, 5, 9));

LoggedSet set(std::vector<std::uint16_t> tenths, int interval = 1, std::uint8_t mode = 0x0F,
              QByteArray wave = "00000000")
{
    return LoggedSet{kStart, interval, mode, std::move(wave), std::move(tenths)};
}

DecodeResult decode(const MemoryImage& image) { return decodeMemoryImage(image, lastAddressOf(image)); }

void setByte(MemoryImage& image, int offset, int value) { image[offset] = char(value); }

// One field of every set of the store, in order.
template <typename T>
std::vector<T> column(const DataSetStore& s, T DataSet::*field)
{
    std::vector<T> out;
    for (const DataSet& set : s.sets)
        out.push_back(set.*field);
    return out;
}

TEST(decodeMemoryImage, TwoCleanSetsFillTheStoreAndTheTable)
{
    const MemoryImage image = encodeMemoryImage(
        {set({650, 700, 660}, 2, 0x0B, "REC00001"), set({800, 810}, 60, 0x04)});
    const DecodeResult r = decode(image);
    ASSERT_EQ(r.code, DecodeCode::Ok);
    ASSERT_TRUE(r.store);
    const DataSetStore& s = *r.store;
    ASSERT_EQ(s.size(), 2);
    EXPECT_EQ(column(s, &DataSet::count), (std::vector<std::int32_t>{3, 2}));
    EXPECT_EQ(s.info(0).headerOffset, 256);
    EXPECT_EQ(s.info(0).endOffset, 256 + 25 + 6);
    EXPECT_EQ(s.info(1).headerOffset, s.info(0).endOffset + 1);
    EXPECT_EQ(s.info(1).endOffset, lastAddressOf(image));
    EXPECT_EQ(s.Levels, (std::vector<float>{65.0f, 70.0f, 66.0f, 80.0f, 81.0f}));
    EXPECT_EQ(s.firstSample(1), 3);
    EXPECT_DOUBLE_EQ(s.info(0).start, toDays(kStart));
    EXPECT_DOUBLE_EQ(s.SampleTimes[2], toDays(kStart) + 2 * 2 / 86400.0);
    EXPECT_EQ(s.info(0).maxIndex, 1);
    EXPECT_EQ(s.info(0).minIndex, 0);
    EXPECT_NEAR(s.info(0).average, (65.0 + 70.0 + 66.0) / 3, 1e-5);

    const QStringList expected{"1", QLocale().toString(kStart.date(), QLocale::ShortFormat), "13:05:09", "00:02",
                               "3", "dBA", "FAST", "70-130", "REC00001"};
    EXPECT_EQ(dataSetRow(r, 0), expected);
    EXPECT_EQ(dataSetRow(r, 1).mid(3), QStringList({"01:00", "2", "dBC", "SLOW", "50-110", ""}));
}

TEST(decodeMemoryImage, SetCountOutsideOneToFourThousandLeavesTheStoreAlone)
{
    MemoryImage image = encodeMemoryImage({set({500})});
    setByte(image, 9, 0);
    setByte(image, 10, 0);
    DecodeResult r = decode(image);
    EXPECT_EQ(r.code, DecodeCode::NoDataSets);
    EXPECT_FALSE(r.store);
    // The wave file names live in the store's sets: none without a store.

    setByte(image, 9, 4001 >> 8);
    setByte(image, 10, 4001 & 0xFF);
    r = decode(image);
    EXPECT_EQ(r.code, DecodeCode::TooManyDataSets);
    EXPECT_FALSE(r.store);

    // 4000 announced: decoded, the missing ones run past the image and have no start.
    setByte(image, 9, 4000 >> 8);
    setByte(image, 10, 4000 & 0xFF);
    r = decode(image);
    ASSERT_TRUE(r.store);
    EXPECT_EQ(r.store->size(), 4000);
    EXPECT_EQ(r.code, DecodeCode::StartUnreadable);
    EXPECT_TRUE(r.store->startReadable(0));
    EXPECT_FALSE(r.store->startReadable(3999));
    EXPECT_EQ(r.problems[0].set, 2);
    EXPECT_EQ(r.problems[0].code, DecodeCode::MarkerMisplaced);
}

TEST(decodeMemoryImage, CountsComeFromTheEndMarkerWhenTheHeaderDisagrees)
{
    // A header count too large, the marker after three samples: the count from the marker.
    MemoryImage image = encodeMemoryImage({set({600, 610, 620}), set({700})});
    setByte(image, 256 + 13, 9);
    DecodeResult r = decode(image);
    EXPECT_EQ(r.code, DecodeCode::Ok);
    EXPECT_EQ(column(*r.store, &DataSet::count), (std::vector<std::int32_t>{3, 1}));
    EXPECT_EQ(r.store->Levels.back(), 70.0f);

    // No end marker anywhere: the header's count stays and the set is reported.
    image = encodeMemoryImage({set({600, 610, 620})});
    const int e = lastAddressOf(image);
    setByte(image, e, 0x00);
    r = decode(image);
    EXPECT_EQ(r.code, DecodeCode::MarkerMisplaced);
    EXPECT_EQ(r.store->info(0).count, 3);

    // A broken start marker is reported, the decode goes on.
    image = encodeMemoryImage({set({600}), set({610})});
    setByte(image, 256, 0x00);
    r = decode(image);
    EXPECT_EQ(r.code, DecodeCode::MarkerMisplaced);
    EXPECT_EQ(r.store->size(), 2);
}

TEST(decodeMemoryImage, LevelsIntervalsAndExtremesFollowTheRules)
{
    const DecodeResult r = decode(encodeMemoryImage({
        set({199, 200, 1400, 1401, 0xF320 & 0x0FFF}, 61),
        set({700, 900, 800, 900, 650, 650}, 0),
        set({100, 1500}, 60),
    }));
    ASSERT_EQ(r.code, DecodeCode::Ok);
    const DataSetStore& s = *r.store;
    EXPECT_EQ(std::vector<float>(s.Levels.begin(), s.Levels.begin() + 5),
              (std::vector<float>{0.0f, 20.0f, 140.0f, 0.0f, 80.0f}));
    EXPECT_EQ(column(s, &DataSet::interval), (std::vector<std::int32_t>{2, 0, 60}));
    // Equal extremes: the first wins.
    EXPECT_EQ(s.info(1).maxIndex, 1);
    EXPECT_EQ(s.info(1).minIndex, 4);
    // Interval 0: every sample at the start time.
    EXPECT_EQ(s.SampleTimes[5], s.SampleTimes[10]);
    // All out of range.
    EXPECT_EQ(s.info(2).maxIndex, 0);
    EXPECT_EQ(s.info(2).minIndex, 0);
    EXPECT_EQ(s.info(2).average, 0.0);
    EXPECT_EQ(dataSetRow(r, 2)[3], "01:00");
}

TEST(decodeMemoryImage, UpperNibbleOfTheFirstSampleByteIsIgnored)
{
    MemoryImage image = encodeMemoryImage({set({800})});
    setByte(image, 256 + 24, 0xF3);
    setByte(image, 256 + 25, 0x20);
    EXPECT_EQ(decode(image).store->Levels[0], 80.0f);
}

TEST(decodeMemoryImage, DatesFromBcdAndUnreadableStarts)
{
    // Header offsets 3 to 8: year, month, day, hour, minute, second. A field that is not two
    // decimal digits, or a date or time that does not exist, leaves the start unknown: code
    // 35 for that set, no date filled in from the clock, the samples kept.
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> bytes; // header offset, value
        std::optional<QDateTime> expected;      // nullopt: unreadable
    };
    const Case cases[] = {
        {"year 07", {{3, 0x07}}, QDateTime(QDate(2007, 3, 14), QTime(13, 5, 9))},
        {"year 99", {{3, 0x99}}, QDateTime(QDate(2099, 3, 14), QTime(13, 5, 9))},
        {"29 February of a leap year", {{3, 0x24}, {4, 0x02}, {5, 0x29}}, QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9))},
        {"23:59:59", {{6, 0x23}, {7, 0x59}, {8, 0x59}}, QDateTime(QDate(2026, 3, 14), QTime(23, 59, 59))},
        {"year 2A", {{3, 0x2A}}, std::nullopt},
        {"year F0", {{3, 0xF0}}, std::nullopt},
        {"month 1A", {{4, 0x1A}}, std::nullopt},
        {"day 3B", {{5, 0x3B}}, std::nullopt},
        {"hour 0C", {{6, 0x0C}}, std::nullopt},
        {"minute D0", {{7, 0xD0}}, std::nullopt},
        {"second 5F", {{8, 0x5F}}, std::nullopt},
        {"month 13", {{4, 0x13}}, std::nullopt},
        {"month 00", {{4, 0x00}}, std::nullopt},
        {"day 00", {{5, 0x00}}, std::nullopt},
        {"day 32", {{5, 0x32}}, std::nullopt},
        {"31 February", {{4, 0x02}, {5, 0x31}}, std::nullopt},
        {"29 February of 2026", {{4, 0x02}, {5, 0x29}}, std::nullopt},
        {"hour 24", {{6, 0x24}}, std::nullopt},
        {"minute 60", {{7, 0x60}}, std::nullopt},
        {"second 60", {{8, 0x60}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The damaged set is the second of three, between two good ones.
        MemoryImage image = encodeMemoryImage({set({600}), set({700, 710}, 2), set({800})});
        const int H = 256 + 25 + 2 + 1;
        for (const auto& [offset, value] : c.bytes)
            setByte(image, H + offset, value);
        const DecodeResult r = decodeMemoryImage(image, lastAddressOf(image));
        ASSERT_TRUE(r.store);
        const DataSetStore& s = *r.store;
        EXPECT_TRUE(s.startReadable(0));
        EXPECT_TRUE(s.startReadable(2));
        EXPECT_EQ(s.Levels, (std::vector<float>{60.0f, 70.0f, 71.0f, 80.0f}));
        if (c.expected) {
            EXPECT_EQ(r.code, DecodeCode::Ok);
            EXPECT_TRUE(r.problems.empty());
            EXPECT_TRUE(s.startReadable(1));
            EXPECT_DOUBLE_EQ(s.info(1).start, toDays(*c.expected));
            continue;
        }
        EXPECT_EQ(r.code, DecodeCode::StartUnreadable);
        EXPECT_FALSE(s.startReadable(1));
        EXPECT_FALSE(s.info(1).startReadable());
        // No date at all: the samples count from 0, one interval apart.
        EXPECT_EQ(s.info(1).start, 0.0);
        EXPECT_DOUBLE_EQ(s.SampleTimes[2], 2 / 86400.0);
        ASSERT_EQ(r.problems.size(), 1u);
        EXPECT_EQ(r.problems[0].set, 2);
        EXPECT_EQ(r.problems[0].code, DecodeCode::StartUnreadable);
        EXPECT_TRUE(r.problems[0].what.startsWith("unreadable start date and time (header bytes "));
        EXPECT_EQ(dataSetRow(r, 1).mid(0, 5), QStringList({"2", "unreadable", "--:--:--", "00:02", "2"}));
        EXPECT_EQ(damagedSetsText(r), "2");
        // A start given later makes the set whole again.
        DataSetStore given = s;
        given.setStartTime(1, toDays(kStart));
        EXPECT_TRUE(given.startReadable(1));
        EXPECT_DOUBLE_EQ(given.SampleTimes[2], toDays(kStart) + 2 / 86400.0);
    }
}

TEST(decodeMemoryImage, ProblemsNameEverySetAndTheLastCodeWins)
{
    MemoryImage image = encodeMemoryImage({set({600}), set({700}), set({800}), set({900})});
    setByte(image, 256 + 4, 0x13);                 // set 1: month 13
    setByte(image, 256 + 2 * 28 + 1, 0x00);        // set 3: start marker
    const DecodeResult r = decodeMemoryImage(image, lastAddressOf(image));
    EXPECT_EQ(r.code, DecodeCode::MarkerMisplaced);
    ASSERT_EQ(r.problems.size(), 2u);
    EXPECT_EQ(r.problems[0].set, 1);
    EXPECT_EQ(r.problems[0].code, DecodeCode::StartUnreadable);
    EXPECT_EQ(r.problems[1].set, 3);
    EXPECT_EQ(r.problems[1].code, DecodeCode::MarkerMisplaced);
    EXPECT_EQ(damagedSetsText(r), "1, 3");
    const QStringList lines = decodeProblemsText(r).split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "decode code 33: damaged data sets 1, 3");
    EXPECT_TRUE(lines[1].startsWith("data set 1: unreadable start date and time (header bytes 26 13 14 13 05 09)"));
    EXPECT_TRUE(lines[2].startsWith("data set 3: no start marker"));
    EXPECT_EQ(decodeProblemsText(r, 1).split('\n').last(), "... and 1 more");
    const MemoryImage clean = encodeMemoryImage({set({600})});
    EXPECT_TRUE(decodeProblemsText(decodeMemoryImage(clean, lastAddressOf(clean))).isEmpty());
}

TEST(decodeMemoryImage, WaveNameShownUnlessItStartsWithTwoZeros)
{
    const DecodeResult r = decode(encodeMemoryImage(
        {set({700}, 1, 0x0F, "00000000"), set({700}, 1, 0x0F, "0A123456"), set({700}, 1, 0x0F, "WAV00012")}));
    EXPECT_EQ(waveText(r, 0), "");
    EXPECT_EQ(waveText(r, 1), "0A123456");
    EXPECT_EQ(waveText(r, 2), "WAV00012");
}

TEST(decodeMemoryImage, ASetEndingBeyondTheLastAddressIsReported)
{
    MemoryImage image = encodeMemoryImage({set({600, 610}), set({700, 710})});
    const int last = lastAddressOf(image);
    // The last address stops short of the second set's end marker.
    const DecodeResult r = decodeMemoryImage(image, last - 1);
    EXPECT_EQ(r.code, DecodeCode::BeyondLastAddress);
    EXPECT_EQ(column(*r.store, &DataSet::count), (std::vector<std::int32_t>{2, 2}));
}

// A last address beyond the 256 KiB memory is no address of the meter's: the memory's end
// bounds the data, and a set running past it is reported.
TEST(decodeMemoryImage, ALastAddressBeyondTheMemoryEndsTheDataAtTheMemorysEnd)
{
    const MemoryImage small = encodeMemoryImage({set({600, 610}), set({700, 710})});
    const DecodeResult inside = decodeMemoryImage(small, 0xFF0123);
    EXPECT_EQ(inside.code, DecodeCode::Ok);
    EXPECT_EQ(column(*inside.store, &DataSet::count), (std::vector<std::int32_t>{2, 2}));

    // One set of 131,000 samples ends at 0x40089, past the memory's last byte 0x3FFFF.
    const MemoryImage big = encodeMemoryImage({set(std::vector<std::uint16_t>(131000, 650))});
    ASSERT_GT(lastAddressOf(big), kMeterMemoryBytes - 1);
    const DecodeResult beyond = decodeMemoryImage(big, lastAddressOf(big));
    EXPECT_EQ(beyond.code, DecodeCode::BeyondLastAddress);
    EXPECT_EQ(column(*beyond.store, &DataSet::count), (std::vector<std::int32_t>{131000}));
}

// An image cut short anywhere: never a read outside it, every set accounted for.
TEST(decodeMemoryImage, ImagesCutShortAtEveryOffsetAreReadOnlyWithinThemselves)
{
    const MemoryImage full = encodeMemoryImage({set({600, 610, 620}, 1, 0x0F, "WAVE0001"), set({700, 710})});
    const int last = lastAddressOf(full);
    for (int length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        // A copy of exactly `length` bytes, so that the sanitizers see any read past it.
        const QByteArray cut(full.constData(), length);
        const DecodeResult r = decodeMemoryImage(cut, last);
        if (length < 11) {
            EXPECT_EQ(r.code, DecodeCode::NoDataSets);
            continue;
        }
        ASSERT_TRUE(r.store);
        const DataSetStore& s = *r.store;
        EXPECT_EQ(s.size(), 2);
        std::int64_t total = 0;
        for (int n = 0; n < s.size(); ++n)
            total += s.info(n).count;
        EXPECT_EQ(total, static_cast<std::int64_t>(s.Levels.size()));
        EXPECT_EQ(s.Levels.size(), s.SampleTimes.size());
        if (length < full.size()) {
            // 34 for the set cut short; 35 after it when its date bytes are cut off as well.
            ASSERT_FALSE(r.problems.empty());
            EXPECT_EQ(r.code, r.problems.back().code);
            EXPECT_TRUE(std::any_of(r.problems.begin(), r.problems.end(), [](const DecodeProblem& p) {
                return p.code == DecodeCode::BeyondLastAddress;
            }));
            for (const DecodeProblem& p : r.problems)
                if (p.code == DecodeCode::StartUnreadable)
                    EXPECT_LT(length, s.info(p.set - 1).headerOffset + 9);
        } else {
            EXPECT_EQ(r.code, DecodeCode::Ok);
        }
    }
}

TEST(decodeMemoryImage, HugeHeaderCountsInASmallImageCostNothing)
{
    MemoryImage image = encodeMemoryImage({set({600})});
    setByte(image, 9, 0x0F);
    setByte(image, 10, 0xA0); // 4000 sets
    setByte(image, 256 + 11, 0xFF);
    setByte(image, 256 + 12, 0xFF);
    setByte(image, 256 + 13, 0xFF);
    setByte(image, lastAddressOf(image), 0); // no end marker to find
    const DecodeResult r = decodeMemoryImage(image, 0xFFFFFF);
    ASSERT_TRUE(r.store);
    EXPECT_EQ(r.store->size(), 4000);
    EXPECT_LE(r.store->Levels.size(), static_cast<size_t>(image.size()));
    EXPECT_EQ(r.code, DecodeCode::StartUnreadable); // the sets beyond the image have no date
}

TEST(decodeMemoryImage, SecondDecodeHoldsOnlyItsOwnSets)
{
    const DecodeResult first = decode(encodeMemoryImage({set({600}), set({610}), set({620})}));
    const DecodeResult second = decode(encodeMemoryImage({set({700, 710})}));
    EXPECT_EQ(first.store->size(), 3);
    EXPECT_EQ(second.store->size(), 1);
    EXPECT_EQ(second.store->sets.size(), 1u);
    EXPECT_EQ(second.store->Levels.size(), 2u);
}

} // namespace
