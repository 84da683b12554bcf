// The WAV series rules and the project folder copy.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "wav/wavseries.h"
#include "wavfiles.h"

using namespace quedral::wav;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(WavSeries, CounterStepsThroughDigitsThenLettersWithCarry)
{
    struct Case {
        const char* from;
        int times;
        const char* to;
    };
    for (const Case& c : {Case{"00", 1, "01"}, Case{"09", 1, "0A"}, Case{"0Z", 1, "10"}, Case{"ZZ", 1, "00"},
                          Case{"9Z", 1, "A0"}, Case{"12", 0, "12"}, Case{"0Y", 3, "11"}, Case{"00", 36, "10"},
                          Case{"00", 36 * 36, "00"}}) {
        const Counter got = advance(Counter{c.from[0], c.from[1]}, c.times);
        EXPECT_EQ(QString("%1%2").arg(got.counterHigh).arg(got.counterLow), QString(c.to)) << c.from << " + " << c.times;
    }
}

TEST(WavSeries, FileNamesOfTheSeriesChangeCharactersSevenAndEight)
{
    EXPECT_EQ(seriesFileName("WAV00012.WAV", 0), "WAV00012.WAV");
    EXPECT_EQ(seriesFileName("WAV00012.WAV", 1), "WAV00013.WAV");
    EXPECT_EQ(seriesFileName("WAV00019.WAV", 1), "WAV0001A.WAV");
    EXPECT_EQ(seriesFileName("WAV0001Z.WAV", 1), "WAV00020.WAV");
    EXPECT_EQ(seriesFileName("ABCDEFZZ.WAV", 1), "ABCDEF00.WAV");
    EXPECT_EQ(seriesFileName("WAV00012.wav", 2), "WAV00014.wav");
    EXPECT_EQ(counterOf("WAV0001Z.WAV"), (Counter{'1', 'Z'}));
}

TEST(WavSeries, WaveTextNamesASeriesUnlessItStartsWithTwoZeros)
{
    EXPECT_TRUE(namesWaveFile("WAV00012"));
    EXPECT_TRUE(namesWaveFile("0A000001"));
    EXPECT_FALSE(namesWaveFile("00012345"));
    EXPECT_FALSE(namesWaveFile(""));
}

TEST(WavSeries, FileCountAddsAFileForARemainderOfMoreThanThreeSeconds)
{
    struct Case {
        int interval, count, files;
    };
    for (const Case& c : {Case{1, 5400, 3}, Case{1, 3602, 2}, Case{1, 1804, 1}, Case{1, 1805, 2}, Case{2, 900, 1},
                          Case{2, 901, 1}, Case{60, 31, 1}, Case{60, 32, 2}, Case{1, 1, 0}, Case{1, 0, 0},
                          Case{0, 500, 0}, Case{1, 3, 0}}) {
        EXPECT_EQ(FileCount(c.interval, c.count), c.files) << c.interval << " s x " << c.count;
    }
}

TEST(WavSeries, SegmentOfAFileIsClampedToTheLastSample)
{
    struct Case {
        int fileNo, interval, points;
        Segment seg;
    };
    for (const Case& c : {Case{0, 2, 2000, {0, 900}}, Case{1, 2, 2000, {900, 1800}}, Case{1, 2, 1500, {900, 1499}},
                          Case{0, 2, 900, {0, 899}}, Case{2, 1, 5400, {3600, 5399}}, Case{0, 60, 31, {0, 30}},
                          Case{0, 7, 1000, {0, 257}}}) {
        const auto got = segmentOf(c.fileNo, c.interval, c.points);
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, c.seg) << "file " << c.fileNo << " at " << c.interval << " s of " << c.points;
    }
    EXPECT_FALSE(segmentOf(0, 0, 100).has_value());
}

TEST(WavSeries, FileOfThePlayLine)
{
    EXPECT_EQ(fileNoAt(2, 1000), 1);
    EXPECT_EQ(fileNoAt(1, 1799), 0);
    EXPECT_EQ(fileNoAt(1, 1800), 1);
    EXPECT_EQ(fileNoAt(60, 65), 2);
    EXPECT_FALSE(fileNoAt(0, 10).has_value());
}

TEST(WavSeries, PlayLineFollowsThePlayerWithItsLeadAndStopsAtTheGraphsEnd)
{
    const double day = 1.0 / 86400; // one second in days
    const double start = 45000.0, end = start + 1800 * day, farEnd = start + 10000 * day;
    // A full 30-minute file leads by 2 s, a 4-second one by 4/900 s; longer tracks lead no more.
    EXPECT_NEAR(playLineX(start, end, 0, 1'800'000, farEnd), start + 2 * day, 1e-12);
    EXPECT_NEAR(playLineX(start, end, 900'000, 1'800'000, farEnd), start + 902 * day, 1e-12);
    EXPECT_NEAR(playLineX(start, end, 0, 4000, farEnd), start + 4.0 / 900 * day, 1e-12);
    EXPECT_NEAR(playLineX(start, end, 0, 3'600'000, farEnd), start + 2 * day, 1e-12);
    EXPECT_DOUBLE_EQ(playLineX(start, end, 1'800'000, 1'800'000, end), end);
    EXPECT_NEAR(fractionInSegment(start + 450 * day, start, end), 0.25, 1e-9);
    EXPECT_DOUBLE_EQ(fractionInSegment(start, start, start), 0.0);
}

TEST(WavSeries, SeekPositionIsTruncatedButNotByTheNoiseOfDayValues)
{
    EXPECT_EQ(seekMs(4000, 0.49999999999), 2000); // half way between two X values in days
    EXPECT_EQ(seekMs(4000, 0.4999), 1999);
    EXPECT_EQ(seekMs(3000, 1.0 / 9), 333);
    EXPECT_EQ(seekMs(0, 0.5), 0);
}

TEST(WavSeries, OffsetBoxReadsAsWholeMillisecondsOrNothing)
{
    EXPECT_EQ(playOffsetMs("0"), 0);
    EXPECT_EQ(playOffsetMs("-22000"), -22000);
    EXPECT_EQ(playOffsetMs(" 300 "), 300);
    EXPECT_EQ(playOffsetMs("1.5"), 0);
    EXPECT_EQ(playOffsetMs("abc"), 0);
    EXPECT_EQ(playOffsetMs(""), 0);
}

class ProjectCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        source = tmp.filePath("card");
        ASSERT_TRUE(QDir().mkpath(source));
        for (const char* name : {"WAV00012.WAV", "WAV00013.WAV", "WAV00014.WAV"})
            ASSERT_TRUE(quedral::test::writeWav(source + "/" + name, 1, 8));
    }
    QTemporaryDir tmp;
    QString source;
};

TEST_F(ProjectCopy, CopiesTheSeriesWithProgressAndKeepsExistingCopies)
{
    const QString project = projectFolder(tmp.path(), "WAV00012.WAV");
    EXPECT_EQ(project, tmp.filePath("WAV00012"));
    ASSERT_TRUE(QDir().mkpath(project));
    ASSERT_TRUE(quedral::test::writeText(project + "/WAV00013.WAV", "an earlier copy"));
    const QByteArray original = readAll(source + "/WAV00012.WAV");

    std::vector<int> steps;
    const CopyResult r = copyProject(source + "/WAV00012.WAV", 4, project, [&](int m) { steps.push_back(m); });

    EXPECT_TRUE(r.folderMade);
    EXPECT_EQ(r.copied, 2);
    EXPECT_EQ(r.kept, 1);
    EXPECT_EQ(r.failed, 1); // WAV00015.WAV is not on the card
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(readAll(project + "/WAV00012.WAV"), original);
    EXPECT_EQ(readAll(project + "/WAV00014.WAV"), readAll(source + "/WAV00014.WAV"));
    EXPECT_EQ(readAll(project + "/WAV00013.WAV"), "an earlier copy");
    EXPECT_FALSE(QFile::exists(project + "/WAV00015.WAV"));
    EXPECT_EQ(readAll(source + "/WAV00012.WAV"), original);
    EXPECT_EQ(QDir(project).entryList(QDir::Files).size(), 3); // no temporary files left
}

TEST_F(ProjectCopy, CopyOntoItsOwnFolderTouchesNothing)
{
    const QByteArray original = readAll(source + "/WAV00012.WAV");
    const CopyResult r = copyProject(source + "/WAV00012.WAV", 3, source);
    EXPECT_EQ(r.copied, 0);
    EXPECT_EQ(r.kept, 3);
    EXPECT_EQ(readAll(source + "/WAV00012.WAV"), original);
}

TEST_F(ProjectCopy, AFolderThatCannotBeMadeCopiesNothing)
{
    ASSERT_TRUE(quedral::test::writeText(tmp.filePath("WAV00012"), "a file in the way"));
    const CopyResult r = copyProject(source + "/WAV00012.WAV", 3, tmp.filePath("WAV00012"));
    EXPECT_FALSE(r.folderMade);
    EXPECT_EQ(r.copied + r.kept + r.failed, 0);
    EXPECT_EQ(readAll(tmp.filePath("WAV00012")), "a file in the way");
}
