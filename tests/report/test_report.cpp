// The evidence report: the texts it prints, the PDF it writes (read back as text) and a write
// that fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "report/evidencereport.h"
#include "report/reporttext.h"
#include "chart/chartmodel.h"
#include "logger/datasets.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

// The SHA-256 of "abc" (FIPS 180-2, appendix B.1).
const QString kAbcSha256 = QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

TEST(ReportText, LevelsTimesDurationsAndCounts)
{
    EXPECT_EQ(reportLevelText(65.0), "65.0 dB");
    EXPECT_EQ(reportLevelText(67.3979), "67.4 dB");
    EXPECT_EQ(reportLevelText(std::nullopt), "-");
    EXPECT_EQ(reportTimeText(test::days(2026, 12, 11, 8, 40, 5)), "2026-12-11 08:40:05");
    EXPECT_EQ(reportTimeText(test::days(2026, 12, 11, 8, 40, 5, 500)), "2026-12-11 08:40:05.5");
    EXPECT_EQ(reportTimeText(std::nan("")), "-");
    const struct {
        double seconds;
        const char* text;
    } durations[] = {{0, "0 s"},        {0.5, "0.5 s"},          {12, "12 s"},
                     {59.5, "59.5 s"},  {60, "0:01:00 (60 s)"},  {3723, "1:02:03 (3723 s)"},
                     {176400, "2 d 01:00:00 (176400 s)"},       {-1, "-"}};
    for (const auto& d : durations)
        EXPECT_EQ(reportDurationText(d.seconds), d.text) << d.seconds;
    EXPECT_EQ(reportCountText(0), "0");
    EXPECT_EQ(reportCountText(999), "999");
    EXPECT_EQ(reportCountText(1000), "1 000");
    EXPECT_EQ(reportCountText(1000000), "1 000 000");
}

TEST(ReportMeterInfo, FromADataSetHeader)
{
    DataSet set;
    set.mode = ModeFast | ModeAWeighting | 0x0C; // 30-130
    set.interval = 2;
    set.start = test::days(2026, 5, 1, 8, 30, 0);
    ReportMeterInfo info = reportMeterInfoOf(set, 3);
    EXPECT_EQ(info.dataSet, 3);
    EXPECT_EQ(info.weighting, "dBA");
    EXPECT_EQ(info.response, "FAST");
    EXPECT_EQ(info.range, "30-130 dB");
    EXPECT_EQ(info.interval, 2.0);
    EXPECT_EQ(info.start, set.start);
    set.mode = 0;
    set.startUnreadable = true;
    info = reportMeterInfoOf(set, 1);
    EXPECT_EQ(info.weighting, "dBC");
    EXPECT_EQ(info.response, "SLOW");
    EXPECT_EQ(info.range, "30-90 dB");
    EXPECT_FALSE(info.start.has_value()) << "an unreadable start is not shown as 1899";
}

TEST(ReportSamples, AreAChartsFirstSubset)
{
    ChartModel chart;
    chart.setSubsets(2);
    chart.setPoints(3);
    for (int i = 0; i < 3; ++i) {
        chart.setXDataII(0, i, 100.0 + i);
        chart.setYData(0, i, 60.0f + i);
        chart.setYData(1, i, 10.0f);
    }
    ReportInput in;
    setReportSamples(in, chart);
    EXPECT_EQ(in.times, (std::vector<double>{100, 101, 102}));
    EXPECT_EQ(in.levels, (std::vector<float>{60, 61, 62}));
}

TEST(ReportDigest, OfTheBytesOrOfTheFile)
{
    QString error;
    std::optional<SourceDigest> d = digestOf({"x", "abc", {}}, &error);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->sha256, kAbcSha256);
    EXPECT_EQ(d->size, 3);

    QTemporaryDir dir;
    const QString file = dir.filePath("data.rec");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    d = digestOf({"data.rec", {}, file}, &error);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->sha256, kAbcSha256);

    d = digestOf({"gone.rec", {}, dir.filePath("gone.rec")}, &error);
    EXPECT_FALSE(d);
    EXPECT_TRUE(error.contains("gone.rec")) << error.toStdString();
}

// Runs a poppler tool on a file; its output, or nullopt when the tool is missing.
std::optional<QString> poppler(const QString& tool, QStringList args)
{
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(-1);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Whether the text holds the words in this order, however pdftotext spaced them.
bool holds(QString text, QString words)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.remove(space).contains(words.remove(space));
}

#define SKIP_WITHOUT(tool)                                                                                         \
    if (QStandardPaths::findExecutable(tool).isEmpty())                                                            \
    GTEST_SKIP() << tool " (poppler-utils) is not installed: scripts/deps.sh installs it"

class ReportPdf : public ::testing::Test {
protected:
    // 60 and 70 dB in turn, one a second from 2026-12-11 08:00:00: Leq 67.4 dB.
    static ReportInput alternating(int count)
    {
        ReportInput in;
        in.caption = "Graph 1";
        in.madeAt = QDateTime(QDate(2026, 12, 11), QTime(9, 15, 0));
        for (int i = 0; i < count; ++i) {
            in.times.push_back(test::days(2026, 12, 11, 8, 0, 0) + i * kSecondInDays);
            in.levels.push_back(i % 2 == 0 ? 60.0f : 70.0f);
        }
        in.source = {"measure.rec", "abc", {}};
        return in;
    }

    // Writes the report; its text (pdftotext -layout), pages separated by form feeds.
    QString textOf(const ReportInput& in)
    {
        const QString error = writeEvidenceReport(in, pdf);
        EXPECT_EQ(error, QString());
        QFile f(pdf);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(5) == "%PDF-");
        return poppler("pdftotext", {"-layout", pdf, "-"}).value_or(QString());
    }

    QTemporaryDir dir;
    QString pdf = dir.filePath("report.pdf");
};

TEST_F(ReportPdf, ShowsTheFiguresTheSourceAndTheProgram)
{
    SKIP_WITHOUT("pdftotext");
    ReportInput in = alternating(100);
    in.levels[10] = 0.0f;    // out of the meter's range
    in.levels[11] = 9999.0f; // the chart's null
    ReportMeterInfo meter;
    meter.dataSet = 2;
    meter.weighting = "dBA";
    meter.response = "FAST";
    meter.range = "30-130 dB";
    meter.interval = 1;
    meter.start = in.times.front();
    meter.serialNumber = "SN 123456";
    in.meter = meter;
    const QString text = textOf(in);
    const QString expected[] = {
        "Noise measurement report", "Graph 1", "2026-12-11 09:15:00", "Quedral " QUEDRAL_VERSION, "measure.rec",
        kAbcSha256, "67.4 dB", // Leq
        "87.3 dB",             // LE: 67.4 + 10 log10(98)
        "Samples counted 98", "Samples missing 2", "Time of Lmax 2026-12-11 08:00:01", "L10", "L90",
        "Data set 2", "dBA", "FAST", "30-130 dB", "SN 123456", "No threshold was given",
    };
    const QString flat = text.simplified();
    for (const QString& e : expected)
        EXPECT_TRUE(flat.contains(e)) << e.toStdString() << "\n" << text.toStdString();
}

TEST_F(ReportPdf, BetweenTheCursorsAndTheEventsAboveAThreshold)
{
    SKIP_WITHOUT("pdftotext");
    ReportInput in = alternating(60);
    for (int i = 20; i < 30; ++i) // ten seconds at 80 dB: LE 90.0 dB
        in.levels[static_cast<std::size_t>(i)] = 80.0f;
    in.cursors = std::pair{in.times[29], in.times[20]}; // B before A
    in.events = ReportEventCriteria{75, 5};
    const QString flat = textOf(in).simplified();
    EXPECT_TRUE(flat.contains("Between cursors A and B")) << flat.toStdString();
    // The whole graph, then between the cursors.
    EXPECT_TRUE(flat.contains("Samples counted 60 10")) << flat.toStdString();
    EXPECT_TRUE(flat.contains("Lmin 60.0 dB 80.0 dB")) << flat.toStdString();
    EXPECT_TRUE(flat.contains("Above 75.0 dB for at least 5 s, over the whole graph: 1 event.")) << flat.toStdString();
    EXPECT_TRUE(flat.contains("1 2026-12-11 08:00:20 10 s 80.0 dB 80.0 dB 90.0 dB")) << flat.toStdString();
    EXPECT_TRUE(flat.contains("Time above 75.0 dB 10 s 10 s")) << flat.toStdString();

    in.events = ReportEventCriteria{85, 5};
    EXPECT_TRUE(textOf(in).simplified().contains("Above 85.0 dB for at least 5 s, over the whole graph: none."));
}

TEST_F(ReportPdf, ThePercentileLevelsEachInItsRow)
{
    SKIP_WITHOUT("pdftotext");
    ReportInput in = alternating(100);
    for (int i = 0; i < 100; ++i) // 40.0 to 49.9 dB in 0.1 dB steps, loudest first
        in.levels[static_cast<std::size_t>(i)] = 49.9f - 0.1f * static_cast<float>(i);
    const QString flat = textOf(in).simplified();
    for (const char* row : {"L5 49.4 dB", "L10 48.9 dB", "L50 44.9 dB", "L90 40.9 dB", "L95 40.4 dB",
                            "Lmax 49.9 dB", "Time of Lmax 2026-12-11 08:00:00", "Lmin 40.0 dB",
                            "Time of Lmin 2026-12-11 08:01:39", "Mean (arithmetic) 45.0 dB"})
        EXPECT_TRUE(flat.contains(row)) << row << "\n" << flat.toStdString();
}

TEST_F(ReportPdf, AHeadingStaysWithWhatItHeads)
{
    SKIP_WITHOUT("pdftotext");
    // Without meter information the statistics leave less room on the first page than the
    // plot takes: its heading goes over with it.
    ReportInput in = alternating(100);
    in.events = ReportEventCriteria{65, 1};
    const QStringList pages = textOf(in).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    for (const char* heading : {"Noise statistics", "Level over time", "Events"}) {
        const auto page = std::find_if(pages.begin(), pages.end(), [&](const QString& p) { return p.contains(heading); });
        ASSERT_NE(page, pages.end()) << heading;
        const QString under = QString::fromLatin1(heading) == "Level over time" ? "own clock time"
                              : QString::fromLatin1(heading) == "Events"         ? "Above 65.0 dB"
                                                                                 : "Samples counted";
        EXPECT_TRUE(page->contains(under)) << heading << "\n" << page->toStdString();
    }
}

TEST_F(ReportPdf, ALongEventListGoesOnOverPages)
{
    SKIP_WITHOUT("pdftotext");
    ReportInput in = alternating(400);
    in.events = ReportEventCriteria{65, 1}; // every 70 dB second is an event of its own
    const QString text = textOf(in);
    const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 4) << text.toStdString();
    EXPECT_TRUE(text.simplified().contains("200 events")) << text.toStdString();
    EXPECT_TRUE(holds(text, "200 2026-12-11 08:06:39 1 s 70.0 dB")) << text.toStdString();
    // The statistics table is never split: its heading, first and last row on one page.
    const auto statistics = std::find_if(pages.begin(), pages.end(), [](const QString& p) { return p.contains("Noise statistics"); });
    ASSERT_NE(statistics, pages.end());
    EXPECT_TRUE(statistics->contains("First sample") && statistics->contains("Time above")) << statistics->toStdString();
    // Every page after the first that lists events has the header again, and a footer.
    for (qsizetype p = 2; p < pages.size(); ++p) {
        EXPECT_TRUE(pages[p].simplified().contains("# Start Duration Lmax Leq LE")) << p;
        EXPECT_TRUE(pages[p].contains(QStringLiteral("page %1").arg(p + 1))) << p;
    }
}

TEST_F(ReportPdf, TheCallersChartIsThePictureShown)
{
    SKIP_WITHOUT("pdfimages");
    ReportInput in = alternating(10);
    writeEvidenceReport(in, pdf);
    const QRegularExpression image400x200(QStringLiteral("\\b400\\s+200\\b"));
    EXPECT_FALSE(poppler("pdfimages", {"-list", pdf})->contains(image400x200)) << "drawn, not a picture";
    in.chart = QImage(400, 200, QImage::Format_RGB32);
    in.chart.fill(Qt::darkGreen);
    ASSERT_EQ(writeEvidenceReport(in, pdf), QString());
    EXPECT_TRUE(poppler("pdfimages", {"-list", pdf})->contains(image400x200));
}

TEST_F(ReportPdf, AWriteThatFailsLeavesNothingBehind)
{
    const ReportInput in = alternating(10);
    // A missing folder, a folder in the way, a disk that fills up while the PDF is written.
    QDir(dir.path()).mkdir("taken.pdf");
    for (const QString& target : {dir.filePath("missing/report.pdf"), dir.filePath("taken.pdf")}) {
        const QString error = writeEvidenceReport(in, target);
        EXPECT_TRUE(error.startsWith(target + ": ")) << error.toStdString();
    }
    {
        test::ScopedFileSizeLimit full(2000);
        const QString error = writeEvidenceReport(in, pdf);
        EXPECT_TRUE(error.contains("File too large")) << error.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    // A source that cannot be read: no report.
    ReportInput unreadable = in;
    unreadable.source = {"gone.rec", {}, dir.filePath("gone.rec")};
    EXPECT_TRUE(writeEvidenceReport(unreadable, pdf).contains("gone.rec"));
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(ReportPdf, AnExistingFileIsReplacedOnlyByAWholeReport)
{
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    {
        test::ScopedFileSizeLimit full(2000);
        EXPECT_NE(writeEvidenceReport(alternating(10), pdf), QString());
    }
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
    f.close();
    EXPECT_EQ(writeEvidenceReport(alternating(10), pdf), QString());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
}

} // namespace
