// One meter's feed: readings and failed polls in, metrics and each closed period out to the
// sinks in order; the daily local log's whole lines.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "serve/dailylog.h"
#include "serve/meterfeed.h"

using namespace quedral;

namespace {

const QDateTime kStart(QDate(2026, 1, 1), QTime(23, 59, 58), Qt::UTC);

MeterReading reading(int tenths, bool a = true, bool fast = true)
{
    MeterReading r;
    r.LevelTenths = static_cast<std::uint16_t>(tenths);
    r.WeightingA = a;
    r.Fast = fast;
    return r;
}

struct RecordingSink final : ReadingSink {
    QStringList events;
    void secondClosed(const MeterMetrics& m, const PeriodFigures& s) override
    {
        events << QStringLiteral("s %1 %2 %3 %4").arg(s.start.time().toString(), weightingText(m.weightingA))
                      .arg(s.readings).arg(s.lmax);
    }
    void minuteClosed(const MeterMetrics&, const PeriodFigures& m) override
    {
        events << QStringLiteral("m %1 %2").arg(m.start.time().toString()).arg(m.readings);
    }
    void upChanged(const MeterMetrics& m) override { events << (m.up ? "up" : "down"); }
};

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {"<missing>"};
    return QString::fromUtf8(f.readAll()).split('\n');
}

} // namespace

TEST(MeterFeed, ReadingsFailuresAndWhatTheSinksGet)
{
    MeterFeed feed("SN9");
    RecordingSink first, second;
    feed.addSink(&first);
    feed.addSink(&second);
    EXPECT_FALSE(feed.metrics().up);

    feed.reading(kStart, reading(600));
    feed.reading(kStart.addMSecs(500), reading(655));
    EXPECT_TRUE(feed.metrics().up);
    EXPECT_EQ(feed.metrics().readings, 2u);
    EXPECT_DOUBLE_EQ(*feed.metrics().level, 65.5);

    feed.failure(kStart.addMSecs(1000)); // the second has ended: it closes without a reading
    EXPECT_FALSE(feed.metrics().up);
    EXPECT_EQ(feed.metrics().failures, 1u);
    EXPECT_EQ(feed.metrics().readings, 2u);
    EXPECT_DOUBLE_EQ(*feed.metrics().level, 65.5) << "the last reading stays";

    feed.reading(kStart.addMSecs(1500), reading(700, false));
    EXPECT_TRUE(feed.metrics().up);
    feed.reading(kStart.addMSecs(2000), reading(710, false)); // next minute (and day)
    EXPECT_EQ(feed.metrics().minute->readings, 1) << "the minute of the C readings";
    feed.finish();

    // The weighting changed at 23:59:59.5: the minute so far (A) closed before the C readings.
    // Up and down are told once each time they change, after the periods a failure closed.
    const QStringList expectedWithModeChange{"up", "s 23:59:58 A 2 65.5", "down", "m 23:59:00 2", "up",
                                             "s 23:59:59 C 1 70", "m 23:59:00 1", "s 00:00:00 C 1 71", "m 00:00:00 1"};
    EXPECT_EQ(first.events, expectedWithModeChange);
    EXPECT_EQ(second.events, first.events);
}

TEST(DailyLog, HeaderOnceWholeLinesAndAFileADay)
{
    QTemporaryDir dir;
    MeterFeed feed("SN/1"); // a character a file name cannot hold
    LogSink log(dir.path(), [](const QString& why) { ADD_FAILURE() << why.toStdString(); });
    feed.addSink(&log);
    for (int i = 0; i < 8; ++i)
        feed.reading(kStart.addMSecs(i * 500), reading(500 + i));
    feed.finish();
    log.close();

    const QStringList day1 = fileLines(dir.filePath("SN_1-2026-01-01.csv"));
    const QStringList day2 = fileLines(dir.filePath("SN_1-2026-01-02.csv"));
    EXPECT_EQ(day1, (QStringList{"time,meter,weighting,response,leq,lmax,lmin,readings",
                                 "2026-01-01T23:59:58Z,SN/1,A,FAST,50.05,50.1,50.0,2",
                                 "2026-01-01T23:59:59Z,SN/1,A,FAST,50.25,50.3,50.2,2", ""}));
    ASSERT_EQ(day2.size(), 4);
    EXPECT_EQ(day2[0], "time,meter,weighting,response,leq,lmax,lmin,readings");
    EXPECT_TRUE(day2[1].startsWith("2026-01-02T00:00:00Z,")) << day2[1].toStdString();

    // Started again the same day: appended, no second header.
    DailyLog again(dir.path(), "SN/1");
    PeriodFigures s{kStart.addSecs(4), 1, 1, 40.0, 40.0, 40.0, {}, {}};
    ASSERT_TRUE(again.append(QDate(2026, 1, 2), logLine("SN/1", true, true, s), nullptr));
    again.close();
    const QStringList after = fileLines(dir.filePath("SN_1-2026-01-02.csv"));
    EXPECT_EQ(after.count("time,meter,weighting,response,leq,lmax,lmin,readings"), 1);
    EXPECT_EQ(after.size(), 5);
}

TEST(DailyLog, AWriteThatFailsIsReportedAndLeavesNoPartOfALine)
{
    QTemporaryDir dir;
    const QDate day(2026, 1, 1);
    struct Case {
        const char* name;
        QString logDir;
        bool fullDevice; // the day's file is a link to a device that is always full
    };
    QFile::link("/dev/full", dir.filePath("SNF-2026-01-01.csv"));
    QFile blocker(dir.filePath("not-a-dir"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Case cases[] = {
        {"folder is a file", dir.filePath("not-a-dir"), false},
        {"folder missing", dir.filePath("missing/deeper"), false},
        {"disk full", dir.path(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList reports;
        LogSink sink(c.logDir, [&](const QString& why) { reports << why; });
        MeterMetrics m;
        m.serial = c.fullDevice ? "SNF" : "SN1";
        PeriodFigures s{QDateTime(day, QTime(1, 0, 0), Qt::UTC), 1, 2, 60.0, 61.0, 59.0, {}, {}};
        sink.secondClosed(m, s);
        sink.secondClosed(m, s);
        EXPECT_EQ(sink.failures(), 2);
        ASSERT_EQ(reports.size(), 2);
        EXPECT_TRUE(reports[0].startsWith("cannot ")) << reports[0].toStdString();
    }
}
