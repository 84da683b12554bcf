#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>

#include <sys/stat.h>

#include "cli/cli.h"
#include "clirunner.h"
#include "files/collectionfile.h"
#include <QFileInfo>
#include <utility>
#include "base/datetime.h"
#include "files/graphfile.h"
#include "chart/chartmodel.h"
#include "meter/simulator/simulatedmemory.h"
#include "meter/simulator/simulatedtransport.h"
#include "base/clock.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

using Result = test::CliResult;

class CliTest : public ::testing::Test {
protected:
    // --simulate gives a seeded simulator, otherwise a meter that is not plugged in.
    Result run(QStringList args) { return test::runCli(std::move(args), dataDir.path()); }

    ManualClock clock{QDateTime(QDate(2026, 5, 1), QTime(8, 30, 5))};
    test::ScopedClock clockGuard{clock};
    test::ScopedDataDir dataDir;
};

} // namespace

TEST_F(CliTest, RawKPrintsTheIdentifyReply)
{
    const Result r = run({"--simulate", "raw", "K"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList bytes = r.out.trimmed().split(' ');
    ASSERT_EQ(bytes.size(), 32);
    EXPECT_EQ(bytes.mid(23, 3), (QStringList{"33", "32", "33"}));
    EXPECT_TRUE(r.out.endsWith('\n'));
}

TEST_F(CliTest, FailuresNameTheStepAndExitNonZero)
{
    // The transport's reason (lastOpenProblem) follows the failed step.
    Result r = run({"raw", "K"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "fail to open device\nsimulated meter unplugged\n");
    EXPECT_TRUE(r.out.isEmpty());

    r = run({"--simulate", "raw", "Q"}); // the meter does not answer Q
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "no response from device\n");

    r = run({"read"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "No Connection\nsimulated meter unplugged\n");

    r = run({"key", "R"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "Connect fail\nsimulated meter unplugged\n");
}

TEST_F(CliTest, RawArguments)
{
    EXPECT_EQ(cli::parseRawCommand({"W", "1", "0x2a", "ff", "00"}), (CommandFrame{2, 'W', 1, 0x2A, 0xFF, 0, 3}));
    EXPECT_EQ(cli::parseRawCommand({"Y"}), kInformationFrame);
    for (const QStringList& bad : {QStringList{}, QStringList{"KK"}, QStringList{"K", "100"}, QStringList{"K", "zz"},
                                   QStringList{"K", "1", "2", "3", "4", "5"}})
        EXPECT_FALSE(cli::parseRawCommand(bad)) << bad.join(' ').toStdString();
}

TEST_F(CliTest, ReadPrintsOneJsonObject)
{
    ASSERT_EQ(run({"--simulate", "key", "M"}).status, 0);
    const Result r = run({"--simulate", "read"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 1);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    const QStringList keys{"recording", "max_min_active", "weighting", "fast", "under", "over", "memory_full",
                           "range", "max_min_mode", "level", "max", "min", "display_level", "clock", "sequence_ok"};
    for (const QString& k : keys)
        EXPECT_TRUE(o.contains(k)) << k.toStdString();
    EXPECT_EQ(o.size(), keys.size());
    EXPECT_EQ(o["weighting"].toString(), "A");
    EXPECT_EQ(o["range"].toString(), "30-130");
    EXPECT_TRUE(o["max_min_active"].toBool());
    EXPECT_EQ(o["max_min_mode"].toInt(), 0x11);
    EXPECT_EQ(o["clock"].toString(), "08:30:05");
    EXPECT_TRUE(o["sequence_ok"].toBool());
    EXPECT_DOUBLE_EQ(o["display_level"].toDouble(), o["max"].toDouble());
}

TEST_F(CliTest, JsonFormatting)
{
    MeterReading m;
    m.Fast = true;
    m.Over = true;
    m.RangeCode = Range{0x12};
    m.LevelTenths = 945;
    m.MaxTenths = 1000;
    m.ClockSecond = 0x5A; // not BCD
    EXPECT_EQ(cli::readingJson(m, false).toStdString(),
              "{\"recording\":false,\"max_min_active\":false,\"weighting\":\"C\",\"fast\":true,\"under\":false,"
              "\"over\":true,\"memory_full\":false,\"range\":null,\"max_min_mode\":0,\"level\":94.5,\"max\":100.0,"
              "\"min\":0.0,\"display_level\":94.5,\"clock\":null,\"sequence_ok\":false}");
}

TEST_F(CliTest, MonitorLines)
{
    MeterReading m;
    m.WeightingA = true;
    m.Recording = true;
    m.MaxMinActive = true;
    m.MaxMinMode = MaxMin::Alternating;
    m.RangeCode = Range::Db70To130;
    m.LevelTenths = 705;
    m.MemoryFull = true;
    EXPECT_EQ(cli::monitorLine(QTime(9, 5, 7), m), "09:05:07  70.5 dBA SLOW 70-130 REC MAX MIN FULL");
}

TEST_F(CliTest, MonitorPollsEveryHalfSecond)
{
    const auto t0 = clock.tickMs();
    const Result r = run({"--simulate", "monitor", "--count", "4"});
    ASSERT_EQ(r.status, 0);
    const QStringList lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].left(8), "08:30:05"); // the probe tick, then the first poll 500 ms later
    EXPECT_EQ(lines[3].left(8), "08:30:07");
    EXPECT_EQ(clock.tickMs() - t0, 2000);
    EXPECT_EQ(r.err, "On Connection\n");
}

// A slow meter (600 ms per exchange) does not move a line's time on to when the reply arrived.
TEST_F(CliTest, MonitorTimesEachLineWhenItsPollBegan)
{
    const Result r = run({"--simulate", "--simulate-faults", "delay=600", "monitor", "--count", "3"});
    ASSERT_EQ(r.status, 0) << qPrintable(r.err);
    const QStringList lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    // Polls begin 0.6, 1.2 and 1.8 s after the probe; their replies arrive 0.6 s later.
    EXPECT_EQ(lines[0].left(8), "08:30:05");
    EXPECT_EQ(lines[1].left(8), "08:30:06");
    EXPECT_EQ(lines[2].left(8), "08:30:06");
}

TEST_F(CliTest, BuiltProgram)
{
    QProcess p;
    p.start(QUEDRAL_CLI_PATH, {"--data-dir", dataDir.path(), "--simulate", "raw", "K"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromLatin1(p.readAllStandardOutput()).contains(
        QRegularExpression("^02( [0-9A-F]{2}){22} 33 32 33( [0-9A-F]{2}){5} 03\n$")));
    p.start(QUEDRAL_CLI_PATH, {"--version"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(QString::fromLatin1(p.readAllStandardOutput()), QString("quedral-cli " QUEDRAL_VERSION "\n"));
}

TEST_F(CliTest, SimulatedFaultsShapeTheExchange)
{
    Result r = run({"--simulate", "--simulate-faults", "silent", "raw", "K"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "no response from device\n");
    EXPECT_TRUE(r.out.isEmpty());

    const auto t0 = clock.tickMs();
    r = run({"--simulate", "--simulate-faults", "delay=300", "raw", "K"});
    EXPECT_EQ(r.status, 0) << qPrintable(r.err);
    EXPECT_GE(clock.tickMs() - t0, 300);
    EXPECT_TRUE(r.out.contains(" 33 32 33 "));

    // The probe is exchange 1: the poll after it gets no reply.
    r = run({"--simulate", "--simulate-faults=silent-after=1", "read"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "no response from device\n");
}

TEST_F(CliTest, BadFaultListsAreRefusedBeforeAnythingRuns)
{
    const struct { QStringList args; const char* named; } cases[] = {
        {{"--simulate", "--simulate-faults", "silent,jitter=3", "raw", "K"}, "\"jitter=3\""},
        {{"--simulate", "--simulate-faults", "delay=soon", "raw", "K"}, "\"delay=soon\""},
        {{"--simulate-faults", "silent", "raw", "K"}, "--simulate"},
        {{"--simulate", "--simulate-faults"}, "LIST"},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 2) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(r.err.contains(c.named)) << qPrintable(r.err);
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(CliTest, SimulatedSerialNumberIsReportedAndRefusedWhenUnusable)
{
    Result r = run({"--simulate", "--simulate-serial", "SN-B", "info"});
    EXPECT_EQ(r.status, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.out.contains(QRegularExpression("^SN: SN-B$", QRegularExpression::MultilineOption))) << qPrintable(r.out);
    r = run({"--simulate", "info"});
    EXPECT_TRUE(r.out.contains(QRegularExpression("^SN: SIM-4471-0001$", QRegularExpression::MultilineOption)))
        << qPrintable(r.out);

    const struct { QStringList args; const char* named; } refused[] = {
        {{"--simulate-serial", "SN-B", "info"}, "--simulate-serial works only with --simulate"},
        {{"--simulate", "--simulate-serial", "a/b", "info"}, "--simulate-serial: "},
        {{"--simulate", "--simulate-serial=", "info"}, "--simulate-serial: "},
        {{"--simulate", "--simulate-serial"}, "--simulate-serial needs a serial number SN"},
    };
    for (const auto& c : refused) {
        r = run(c.args);
        EXPECT_EQ(r.status, 2) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(r.err.contains(c.named)) << qPrintable(r.err);
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(CliTest, BuiltProgramKeepsEachSimulatedSerialNumbersState)
{
    const auto cli = [this](const QStringList& args) {
        QProcess p;
        p.start(QUEDRAL_CLI_PATH, QStringList{"--data-dir", dataDir.path(), "--simulate"} + args);
        EXPECT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        return QString::fromLatin1(p.readAllStandardOutput());
    };
    const QString before = cli({"eeprom-read", "300"}).trimmed();
    const QString changed = QString::number((before.toInt() + 1) % 256);
    cli({"--simulate-serial", "SN-B", "eeprom-write", "300", changed});
    EXPECT_TRUE(QFile::exists(dataDir.file("simulated-meter-SN-B.json")));
    EXPECT_EQ(cli({"--simulate-serial=SN-B", "eeprom-read", "300"}).trimmed(), changed);
    EXPECT_EQ(cli({"eeprom-read", "300"}).trimmed(), before);
    EXPECT_TRUE(cli({"--simulate-serial", "SN-B", "info"}).contains("SN: SN-B\n"));
}

TEST_F(CliTest, ListShowsTheSimulatedMeterAndMeterMustNameIt)
{
    const struct {
        QStringList args;
        int status;
        QString out; // exactly; with status 0 only
        const char* err; // contained
    } cases[] = {
        {{"--simulate", "list"}, 0, "simulated\tSIM-4471-0001\n", ""},
        {{"--simulate", "--simulate-serial", "SN-B", "list"}, 0, "simulated\tSN-B\n", ""},
        {{"--simulate", "--simulate-serial", "SN-B", "--meter", "SN-B", "list"}, 0, "simulated\tSN-B\n", ""},
        {{"--simulate", "--meter=simulated", "raw", "K"}, 0, {}, ""},
        {{"--simulate", "--simulate-serial", "SN-B", "--meter", "SN-B", "raw", "K"}, 0, {}, ""},
        {{"--simulate", "--simulate-serial", "SN-B", "--meter", "SN-C", "raw", "K"}, 1, {},
         "no attached meter is \"SN-C\"; attached:\nsimulated\tSN-B\n"},
        {{"--simulate", "--meter"}, 2, {}, "--meter needs a meter's SERIAL|PATH"},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, c.status) << qPrintable(c.args.join(' ')) << qPrintable(r.err);
        if (!c.out.isNull())
            EXPECT_EQ(r.out, c.out) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(r.err.contains(c.err)) << qPrintable(r.err);
        if (c.status != 0)
            EXPECT_TRUE(r.out.isEmpty()) << qPrintable(r.out);
    }
}

TEST_F(CliTest, BuiltProgramWithSimulatedFaults)
{
    QProcess p;
    p.start(QUEDRAL_CLI_PATH, {"--data-dir", dataDir.path(), "--simulate", "--simulate-faults", "silent", "raw", "K"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromLatin1(p.readAllStandardError()).contains("no response from device"));

    QElapsedTimer elapsed;
    elapsed.start();
    p.start(QUEDRAL_CLI_PATH, {"--data-dir", dataDir.path(), "--simulate", "--simulate-faults", "delay=300", "raw", "K"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_GE(elapsed.elapsed(), 300);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();

    p.start(QUEDRAL_CLI_PATH, {"--data-dir", dataDir.path(), "--simulate", "--simulate-faults", "bogus", "raw", "K"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromLatin1(p.readAllStandardError()).contains("\"bogus\""));
}

#ifdef QUEDRAL_GUI_PATH
TEST_F(CliTest, MainProgramRefusesBadFaultListsBeforeShowingAWindow)
{
    const struct { QStringList args; const char* named; } cases[] = {
        {{"--simulate", "--simulate-faults", "silent,bogus"}, "\"bogus\""},
        {{"--simulate", "--simulate-faults", "wrong-byte=40"}, "\"wrong-byte=40\""},
        {{"--simulate-faults", "silent"}, "--simulate"},
        {{"--simulate-serial", "SN-B"}, "--simulate-serial works only with --simulate"},
        {{"--simulate", "--simulate-serial", "a/b"}, "\"a/b\""},
        {{"--simulate", "--simulate-serial", "SN-B", "--meter", "SN-C"}, "no attached meter is \"SN-C\""},
    };
    for (const auto& c : cases) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(QUEDRAL_GUI_PATH, QStringList{"--data-dir", dataDir.path()} + c.args);
        ASSERT_TRUE(p.waitForFinished(20000)) << qPrintable(c.args.join(' '));
        EXPECT_NE(p.exitCode(), 0) << qPrintable(c.args.join(' '));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_TRUE(err.contains(c.named)) << qPrintable(err);
    }
}
#endif

TEST_F(CliTest, RecordReplacesAnExistingFileOnlyWithForce)
{
    const QString file = dataDir.file("kept.ghf");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    auto content = [&file] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const auto t0 = clock.tickMs();
    const Result refused = run({"--simulate", "record", "--points", "2", "--rate", "0.5", "-o", file});
    EXPECT_NE(refused.status, 0);
    EXPECT_TRUE(refused.err.contains(file) && refused.err.contains("--force")) << qPrintable(refused.err);
    EXPECT_TRUE(refused.out.isEmpty()) << "refused before recording";
    EXPECT_EQ(clock.tickMs(), t0);
    EXPECT_EQ(content(), "keep me");

    const Result forced = run({"--simulate", "record", "--points", "2", "--rate", "0.5", "-o", file, "--force"});
    EXPECT_EQ(forced.status, 0) << qPrintable(forced.err);
    EXPECT_NE(content(), "keep me");
}

TEST_F(CliTest, RecordWritesAGraphFileThatGraphInfoReadsBack)
{
    const QString file = dataDir.file("r.ghf");
    const auto t0 = clock.tickMs();
    const Result rec = run({"--simulate", "record", "--points", "6", "--rate", "0.5", "-o", file});
    ASSERT_EQ(rec.status, 0) << qPrintable(rec.err);
    const QStringList lines = rec.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith("2026-05-01T08:30:")) << qPrintable(lines[0]);
    EXPECT_LE(clock.tickMs() - t0, 3500);  // one point per poll tick

    const Result info = run({"graph-info", file});
    ASSERT_EQ(info.status, 0) << qPrintable(info.err);
    const QJsonObject o = QJsonDocument::fromJson(info.out.toUtf8()).object();
    EXPECT_EQ(o["points"].toInt(), 6);
    EXPECT_EQ(o["data_no"].toInt(), 6);
    EXPECT_EQ(o["subsets"].toInt(), 1);
    // The average is the mean of the printed levels (to their one decimal).
    double sum = 0;
    for (const QString& l : lines)
        sum += l.section('\t', 1).toDouble();
    EXPECT_NEAR(o["average"].toDouble(), sum / 6, 0.05);

    // A damaged file: its error on standard error, exit non-zero.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(f.size() / 2);
    f.close();
    const Result bad = run({"graph-info", file});
    EXPECT_NE(bad.status, 0);
    EXPECT_FALSE(bad.err.isEmpty());
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_NE(run({"record", "--points", "x"}).status, 0);
}

TEST_F(CliTest, DownloadWritesACollectionThatDecodeReadsBack)
{
    const QString file = dataDir.file("logged.rec");
    Result r = run({"--simulate", "download", "-o", file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("4 data sets in")) << r.err.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const int last = (uchar(bytes[11]) << 16) | (uchar(bytes[12]) << 8) | uchar(bytes[13]);
    EXPECT_EQ(bytes.size(), last + 257);

    r = run({"decode", file, "--samples"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["code"].toInt(), 0);
    EXPECT_EQ(o["last_address"].toInt(), last);
    const QJsonArray sets = o["sets"].toArray();
    ASSERT_EQ(sets.size(), 4);
    const QJsonObject second = sets[1].toObject();
    EXPECT_EQ(second["set"].toInt(), 2);
    EXPECT_EQ(second["start"].toString(), "2026-11-23T09:00:00");
    EXPECT_EQ(second["interval"].toInt(), 2);
    EXPECT_EQ(second["count"].toInt(), 900);
    EXPECT_EQ(second["wave"].toString(), "WAV00012");
    EXPECT_EQ(second["time_weighting"].toString(), "SLOW");
    EXPECT_EQ(sets[0].toObject()["levels"].toArray().size(), 120);
    EXPECT_TRUE(r.out.contains(QRegularExpression("\"levels\":\\[\\d+\\.\\d,")));

    // Never over an existing file without --force.
    r = run({"--simulate", "download", "-o", file});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("--force"));
    EXPECT_EQ(run({"--simulate", "download", "-o", file, "--force"}).status, 0);
}

TEST_F(CliTest, DownloadAndEraseReportTheMetersRefusals)
{
    const QString file = dataDir.file("x.rec");
    Result r = run({"download", "-o", file});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.startsWith("There is no connection with meter !\n")) << r.err.toStdString();

    // The meter falls silent at the fourth block ('K' and 'A' come first).
    r = run({"--simulate", "--simulate-faults", "silent-after=5", "download", "-o", file});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("There was error,please try again!   error code=126\n")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(file));

    EXPECT_EQ(run({"--simulate", "erase"}).status, 2);
    r = run({"--simulate", "erase", "--yes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Please power off and power on meter before recording data or loading again.\n");
    r = run({"--simulate", "download", "-o", file});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("There was not any data recorded in momery of meter !")) << r.err.toStdString();

    // A collection without data sets decodes to its code and no sets.
    QFile empty(dataDir.file("empty.rec"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write(QByteArray(300, '\0'));
    empty.close();
    r = run({"decode", empty.fileName()});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "{\"code\":31,\"last_address\":0,\"sets\":[]}\n");
}

TEST_F(CliTest, LeqLiveMeasuresSecondsAndSavesTheTable)
{
    const QString table = dataDir.file("leq.txt");
    Result r = run({"--simulate", "leq-live", "--seconds", "3", "-o", table});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    const QStringList first = lines[0].split('\t');
    ASSERT_EQ(first.size(), 5);
    EXPECT_EQ(first[0], "1");
    EXPECT_EQ(first[3], first[4]) << "the first second's Leq is its SPL";
    QFile f(table);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> saved = f.readAll().split('\n');
    ASSERT_EQ(saved.size(), 4);
    EXPECT_EQ(saved[0], (QStringList(first.mid(1)).join('\t') + "\t\r").toLocal8Bit());
    // About 25 readings a second went to the log.
    QFile log(dataDir.file("temp/LEQ.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_GE(log.readAll().count('\n'), 50);

    r = run({"--simulate", "leq-live", "--seconds", "3", "-o", table});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("--force"));

    r = run({"--simulate", "--simulate-faults", "silent-after=2", "leq-live", "--seconds", "5"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "LEQ fail , try to start again !!\n");
}

TEST_F(CliTest, LongMeasurementsRefuseAnUnwritableOutputBeforeMeasuring)
{
    // A path under a regular file cannot be created, not even by root.
    QFile blocker(dataDir.file("plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString out = dataDir.file("plain/out.txt");
    const std::int64_t before = clock.tickMs();
    for (const QStringList& args : {QStringList{"--simulate", "leq-live", "--seconds", "60", "-o", out},
                                    QStringList{"--simulate", "record", "--points", "100", "--rate", "1", "-o", out}}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(out + " cannot be written")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "nothing measured";
    }
    EXPECT_EQ(clock.tickMs(), before) << "no time spent measuring";
    EXPECT_TRUE(QDir(dataDir.path()).entryList({".quedral-*"}, QDir::Hidden | QDir::Files).isEmpty());
}

// A clock that lets a test act while a command waits between ticks.
class HookedClock final : public Clock {
public:
    explicit HookedClock(ManualClock& inner) : m_inner(inner) {}
    QDateTime now() const override { return m_inner.now(); }
    std::int64_t tickMs() const override { return m_inner.tickMs(); }
    void sleepMs(int ms) override
    {
        if (onSleep)
            std::exchange(onSleep, {})();
        m_inner.sleepMs(ms);
    }
    std::function<void()> onSleep;

private:
    ManualClock& m_inner;
};

TEST_F(CliTest, MeasuredDataIsKeptWhenTheFinalWriteFails)
{
    HookedClock hooked(clock);
    Clock::install(&hooked);
    const QString folder = dataDir.file("campaign");
    for (const QString& command : {QString("leq-live"), QString("record")}) {
        SCOPED_TRACE(command.toStdString());
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString out = folder + (command == "record" ? "/day.ghf" : "/day.txt");
        // The folder goes away while measuring (a USB stick pulled out): a file takes its place.
        hooked.onSleep = [folder] {
            QDir(folder).removeRecursively();
            QFile f(folder);
            f.open(QIODevice::WriteOnly);
        };
        const QStringList args = command == "record"
                                     ? QStringList{"--simulate", "record", "--points", "4", "--rate", "1", "-o", out}
                                     : QStringList{"--simulate", "leq-live", "--seconds", "2", "-o", out};
        const Result r = run(args);
        EXPECT_EQ(r.status, 1);
        const QString kept = dataDir.file(command == "record" ? "temp/day-unsaved.ghf" : "temp/day-unsaved.txt");
        EXPECT_TRUE(r.err.contains(out + " was not written: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("the measured data is kept in " + QDir::toNativeSeparators(kept))) << r.err.toStdString();
        QFile f(kept);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_GT(f.size(), 0);
        QFile::remove(folder);
    }
    Clock::install(&clock);
}

TEST_F(CliTest, LeqLiveSavesTheTableAsTheWindowDoesInTheUsersNumberFormat)
{
    test::ScopedDefaultLocale de(test::kDe);
    const QString table = dataDir.file("leq.txt");
    const Result r = run({"--simulate", "leq-live", "--seconds", "2", "-o", table});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile f(table);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> saved = f.readAll().split('\n');
    const QStringList printed = r.out.trimmed().split('\n');
    ASSERT_EQ(printed.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QStringList cells = printed[i].split('\t').mid(1);
        // Printed with a full stop for scripts; saved with the user's decimal comma.
        cells[2].replace('.', ',');
        cells[3].replace('.', ',');
        EXPECT_EQ(saved[i], (cells.join('\t') + "\t\r").toLocal8Bit());
        EXPECT_TRUE(cells[2].contains(',')) << cells[2].toStdString();
    }
}

TEST_F(CliTest, AGarbledLastAddressNeverMakesACollectionLargerThanTheMemory)
{
    const QString file = dataDir.file("garbled.rec");
    run({"--simulate", "--simulate-faults", "wrong-byte=11", "download", "-o", file});
    if (QFileInfo::exists(file))
        EXPECT_LE(QFileInfo(file).size(), kLoggedMemoryBytes);
    EXPECT_FALSE(QFileInfo::exists(dataDir.file("temp/DataSetsTemp.tmp")) &&
                 QFileInfo(dataDir.file("temp/DataSetsTemp.tmp")).size() > kLoggedMemoryBytes);
}

// ---------------------------------------------------------------------------
// leq

namespace {
const QDateTime kStart(QDate(2026, 11, 23), QTime(9, 0, 0));

QString writeBytes(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return file;
}

// A graph file of one subset: the levels one second apart from kStart, the rest of its points
// never written (X = 0, Y = null).
QString writeGraph(const QString& file, const std::vector<float>& levels, int points)
{
    ChartModel chart;
    chart.setSubsets(1);
    chart.setPoints(points);
    for (size_t i = 0; i < levels.size(); ++i) {
        chart.setXDataII(0, static_cast<int>(i), toDays(kStart) + static_cast<double>(i) * kSecondInDays);
        chart.setYData(0, static_cast<int>(i), levels[i]);
    }
    EXPECT_TRUE(saveChartState(chart, file));
    return file;
}

// Graph text as the export writes it, in the user's formats, with CR LF.
QByteArray graphText(const std::vector<std::pair<QDateTime, float>>& points, bool csv)
{
    QByteArray text;
    const QLocale loc;
    for (const auto& [t, level] : points) {
        const QString time = t.toString("hh:mm:ss") + "." + QString::number(t.time().msec());
        const QString sep = csv ? ", " : "\t";
        text += (loc.toString(t.date(), QLocale::ShortFormat) + sep + time + sep + loc.toString(level, 'f', 1) + "\r\n")
                    .toLocal8Bit();
    }
    return text;
}
} // namespace

TEST_F(CliTest, LeqOfEachKindOfFile)
{
    // Set 1: 60, 70 dB; set 2: 80, 80, 80 dB, two seconds apart.
    LoggedSet first{kStart, 1, 0x0F, "00000000", {600, 700}};
    LoggedSet second{kStart.addSecs(3600), 2, 0x0F, "00000000", {800, 800, 800}};
    const QString rec = writeBytes(dataDir.file("two.rec"), encodeMemoryImage({first, second}));
    const QString ghf = writeGraph(dataDir.file("g.GHF"), {60, 70, kDefaultNullDataValueY, 90}, 10);
    const QString txt = writeBytes(dataDir.file("g.txt"), graphText({{kStart, 60}, {kStart.addSecs(1), 70}}, false));
    const QString csv = writeBytes(dataDir.file("g.CSV"), graphText({{kStart, 60}, {kStart.addSecs(1), 70}}, true));

    const QString twoSeries = "2026-11-23T09:00:00\t60.0\t60.0\n2026-11-23T09:00:01\t70.0\t67.4\n";
    const struct {
        QStringList args;
        QString out;
    } cases[] = {
        {{rec}, "67.4\n"},
        {{rec, "--set", "1", "--series"}, twoSeries + "67.4\n"},
        {{"--series", rec, "--set", "2"},
         "2026-11-23T10:00:00\t80.0\t80.0\n2026-11-23T10:00:02\t80.0\t80.0\n2026-11-23T10:00:04\t80.0\t80.0\n80.0\n"},
        // The null at index 2 ends the data; the 90 dB after it does not count.
        {{ghf, "--series"}, twoSeries + "67.4\n"},
        {{txt, "--series"}, twoSeries + "67.4\n"},
        {{csv}, "67.4\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = run(QStringList{"leq"} + c.args);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, c.out);
        EXPECT_TRUE(r.err.isEmpty());
    }
}

TEST_F(CliTest, LeqSeriesShowsMillisecondsOnlyWhenTheTimesHaveThem)
{
    const QString txt = writeBytes(dataDir.file("half.txt"),
                                   graphText({{kStart, 60}, {kStart.addMSecs(500), 60}, {kStart.addSecs(1), 60}}, false));
    const Result r = run({"leq", txt, "--series"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2026-11-23T09:00:00.000\t60.0\t60.0\n"
                     "2026-11-23T09:00:00.500\t60.0\t60.0\n"
                     "2026-11-23T09:00:01.000\t60.0\t60.0\n"
                     "60.0\n");
}

TEST_F(CliTest, LeqRefusesWhatItCannotAverage)
{
    const QString rec = writeBytes(dataDir.file("one.rec"), encodeMemoryImage({LoggedSet{kStart, 1, 0x0F, "00000000", {600}}}));
    const QString empty = writeBytes(dataDir.file("empty.rec"), QByteArray(300, '\0'));
    const QString nullFirst = writeGraph(dataDir.file("null.ghf"), {kDefaultNullDataValueY, 60}, 5);
    const QString fresh = writeGraph(dataDir.file("fresh.ghf"), {}, 500);
    const QString badText = writeBytes(dataDir.file("bad.txt"), graphText({{kStart, 60}}, false) + "x\ty\tz\r\n");
    const QString other = writeBytes(dataDir.file("levels.dat"), "60\n70\n");
    const struct {
        QStringList args;
        int status;
        QString errContains;
    } cases[] = {
        {{dataDir.file("missing.rec")}, 1, "missing.rec: no such file"},
        {{other}, 1, "unknown file type"},
        {{rec, "--set", "2"}, 1, "no data set 2 (the file holds 1)"},
        {{rec, "--set", "0"}, 1, "no data set 0"},
        {{nullFirst, "--set", "1"}, 1, "--set applies to collection files"},
        {{empty}, 1, "no data sets (decode code 31)"},
        {{nullFirst}, 1, "no data"},
        {{fresh, "--series"}, 1, "no data"},
        {{badText}, 1, "bad.txt:2: "},
        {{}, 2, "usage: quedral-cli leq"},
        {{rec, "--set"}, 2, "usage: quedral-cli leq"},
        {{rec, "--set", "x"}, 2, "--set needs a data set number"},
        {{rec, rec}, 2, "usage: quedral-cli leq"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = run(QStringList{"leq"} + c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.err.contains(c.errContains)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

// ---------------------------------------------------------------------------
// export and import

TEST_F(CliTest, ExportWritesADataSetOrAGraphByTheOutputsExtension)
{
    test::ScopedDefaultLocale us(QLocale(QLocale::English, QLocale::UnitedStates));
    LoggedSet first{kStart, 1, 0x0F, "00000000", {600, 700}};
    LoggedSet second{kStart.addSecs(3600), 2, 0x0F, "00000000", {800, 815, 799}};
    const QString rec = writeBytes(dataDir.file("two.rec"), encodeMemoryImage({first, second}));
    const QByteArray setTwo = "11/23/26\t10:00:00.0\t80.0\r\n11/23/26\t10:00:02.0\t81.5\r\n11/23/26\t10:00:04.0\t79.9\r\n";

    Result r = run({"export", rec, "--set", "2", "-o", dataDir.file("set2.TXT")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile txt(dataDir.file("set2.TXT"));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(txt.readAll(), setTwo);

    // Through a graph file: the same chart, then the same text as CSV.
    r = run({"export", rec, "--set", "2", "-o", dataDir.file("set2.ghf")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ChartModel chart;
    ASSERT_TRUE(loadChartState(chart, dataDir.file("set2.ghf")));
    ASSERT_EQ(chart.points(), 3);
    EXPECT_NEAR(chart.xDataII(0, 2), toDays(kStart.addSecs(3604)), 1e-9);
    EXPECT_FLOAT_EQ(chart.yData(0, 1), 81.5f);
    EXPECT_NEAR(chart.manualMaxX, toDays(kStart.addSecs(3606)), 1e-9); // start + count × interval
    r = run({"export", dataDir.file("set2.ghf"), "-o", dataDir.file("set2.Csv")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile csv(dataDir.file("set2.Csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(), QByteArray(setTwo).replace("\t", ", "));

    // Set 1 by default.
    r = run({"export", rec, "-o", dataDir.file("set1.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile one(dataDir.file("set1.txt"));
    ASSERT_TRUE(one.open(QIODevice::ReadOnly));
    EXPECT_EQ(one.readAll(), "11/23/26\t09:00:00.0\t60.0\r\n11/23/26\t09:00:01.0\t70.0\r\n");
}

TEST_F(CliTest, ExportAndImportRefuseBeforeWriting)
{
    const QString rec = writeBytes(dataDir.file("one.rec"), encodeMemoryImage({LoggedSet{kStart, 1, 0x0F, "00000000", {600}}}));
    const QString kept = writeBytes(dataDir.file("kept.txt"), "keep me");
    const QString list = writeBytes(dataDir.file("list.txt"), "a\tb\tc\r\n");
    const QString ghf = writeGraph(dataDir.file("g.ghf"), {60}, 1);
    const struct {
        QStringList args;
        int status;
        QString errContains;
    } cases[] = {
        {{"export", rec, "-o", dataDir.file("out.dat")}, 1, "unknown file type"},
        {{"export", rec, "-o", kept}, 1, "give --force"},
        {{"export", rec, "--set", "2", "-o", dataDir.file("x.txt")}, 1, "no data set 2"},
        {{"export", ghf, "--set", "1", "-o", dataDir.file("x.txt")}, 1, "--set applies to collection files"},
        {{"export", dataDir.file("missing.rec"), "-o", dataDir.file("x.txt")}, 1, "no such file"},
        {{"export", rec}, 2, "usage: quedral-cli export"},
        {{"import", list, "-o", dataDir.file("x.ghf")}, 1, "is not a valid date and time"},
        {{"import", ghf, "-o", dataDir.file("x.ghf")}, 1, "unknown file type"},
        {{"import", list, "-o", dataDir.file("x.txt")}, 1, "graph file (.ghf)"},
        {{"import", list, "-o", ghf}, 1, "give --force"},
        {{"import", list}, 2, "usage: quedral-cli import"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.err.contains(c.errContains)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dataDir.file("out.dat")));
    EXPECT_FALSE(QFile::exists(dataDir.file("x.txt")));
    EXPECT_FALSE(QFile::exists(dataDir.file("x.ghf")));
    QFile k(kept);
    ASSERT_TRUE(k.open(QIODevice::ReadOnly));
    EXPECT_EQ(k.readAll(), "keep me");
    k.close();

    const Result forced = run({"export", rec, "-o", kept, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
    ASSERT_TRUE(k.open(QIODevice::ReadOnly));
    EXPECT_NE(k.readAll(), "keep me");
}

TEST_F(CliTest, ImportGraphsWhatExportWrote)
{
    for (const QLocale& loc : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany)}) {
        test::ScopedDefaultLocale user(loc);
        LoggedSet set{kStart, 1, 0x0F, "00000000", {600, 655, 701, 452}};
        const QString rec = writeBytes(dataDir.file("set.rec"), encodeMemoryImage({set}));
        for (const char* ext : {"txt", "csv"}) {
            SCOPED_TRACE(loc.name().toStdString() + " " + ext);
            const QString text = dataDir.file(QStringLiteral("set.%1").arg(ext));
            ASSERT_EQ(run({"export", rec, "-o", text, "--force"}).status, 0);
            const Result r = run({"import", text, "-o", dataDir.file("back.ghf"), "--force"});
            ASSERT_EQ(r.status, 0) << r.err.toStdString();
            ChartModel chart;
            ASSERT_TRUE(loadChartState(chart, dataDir.file("back.ghf")));
            ASSERT_EQ(chart.points(), 4);
            const bool splitLevels = QString(ext) == "csv" && loc.decimalPoint() == ",";
            const float want[4] = {60.0f, 65.5f, 70.1f, 45.2f};
            for (int i = 0; i < 4; ++i) {
                EXPECT_NEAR(chart.xDataII(0, i), toDays(kStart.addSecs(i)), 1e-9);
                // A German CSV splits each level at its decimal comma: column 3 holds the whole part.
                EXPECT_FLOAT_EQ(chart.yData(0, i), splitLevels ? std::trunc(want[i]) : want[i]);
            }
        }
    }
}

// A row that cannot be read never becomes a point (30 Dec 1899 at 9999 dB): it is left out and
// stderr says how many and which first; where a rule ended reading early, stderr says where.
TEST_F(CliTest, ImportLeavesOutUnreadableRowsAndSaysSo)
{
    test::ScopedDefaultLocale user(QLocale(QLocale::English, QLocale::UnitedStates));
    const struct {
        const char* what;
        QByteArray text;
        int status;
        int points; // -1: no file written
        QStringList errContains;
    } cases[] = {
        {"a bad date, time and level in the middle",
         "11/23/26\t09:00:00.0\t60.0\r\nbad\t09:00:01.0\t61.0\r\n11/23/26\tnoon\t62.0\r\n"
         "11/23/26\t09:00:03.0\tloud\r\n11/23/26\t09:00:04.0\t64.0\r\n",
         0, 2, {"3 of 5 rows could not be read", "the first is row 2"}},
        {"reading stops at a line without a separator",
         "11/23/26\t09:00:00.0\t60.0\r\n11/23/26\t09:00:01.0\t61.0\r\nnotes\r\n11/23/26\t09:00:02.0\t62.0\r\n",
         0, 2, {"reading stopped at line 3: it has no tab"}},
        {"no row reads as a point",
         "11/23/26\t09:00:00.0\tx\r\n11/23/26\t09:00:01.0\ty\r\n", 1, -1,
         {"2 of 2 rows could not be read", "nothing was written"}},
        {"every row reads: nothing said", "11/23/26\t09:00:00.0\t60.0\r\n11/23/26\t09:00:01.0\t61.0\r\n", 0, 2, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString in = writeBytes(dataDir.file("rows.txt"), c.text);
        const QString out = dataDir.file("rows.ghf");
        QFile::remove(out);
        const Result r = run({"import", in, "-o", out});
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        for (const QString& part : c.errContains)
            EXPECT_TRUE(r.err.contains(part)) << r.err.toStdString();
        if (c.errContains.isEmpty())
            EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        if (c.points < 0) {
            EXPECT_FALSE(QFile::exists(out));
            continue;
        }
        const Result info = run({"graph-info", out});
        ASSERT_EQ(info.status, 0) << info.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(info.out.toUtf8()).object();
        EXPECT_EQ(o["points"].toInt(), c.points);
        EXPECT_LT(o["maximum"].toDouble(), 100.0) << "a made-up point at 9999 dB";
        EXPECT_GT(QDateTime::fromString(o["start_time"].toString(), Qt::ISODate).date().year(), 2000);
    }
}

// What is not a regular file is refused before a byte is read: a link to /dev/zero would never
// end, a FIFO nobody writes to would never open; a line that never ends is an error at once.
TEST_F(CliTest, ReadersRefuseWhatIsNotARegularFileAndEndlessLines)
{
    ASSERT_TRUE(QFile::link("/dev/zero", dataDir.file("zero.rec")));
    ASSERT_TRUE(QFile::link("/dev/zero", dataDir.file("zero.txt")));
    ASSERT_TRUE(QFile::link("/dev/zero", dataDir.file("zero.ghf")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dataDir.file("fifo.csv")).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dataDir.file("fifo.rec")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dataDir.path()).mkdir("folder.txt"));
    const QString endless = writeBytes(dataDir.file("endless.txt"), "11/23/26\t09:00:00.0\t" + QByteArray(5000, '6'));
    const struct {
        QStringList args;
        const char* errContains;
    } cases[] = {
        {{"decode", dataDir.file("zero.rec")}, "not a regular file"},
        {{"decode", dataDir.file("fifo.rec")}, "not a regular file"},
        {{"wav-check", dataDir.file("zero.rec"), "--set", "1"}, "not a regular file"},
        {{"import", dataDir.file("zero.txt"), "-o", dataDir.file("x.ghf")}, "not a regular file"},
        {{"import", dataDir.file("fifo.csv"), "-o", dataDir.file("x.ghf")}, "not a regular file"},
        {{"import", dataDir.file("folder.txt"), "-o", dataDir.file("x.ghf")}, "folder"},
        {{"leq", dataDir.file("zero.txt")}, "not a regular file"},
        {{"leq", dataDir.file("fifo.csv")}, "not a regular file"},
        {{"leq", dataDir.file("fifo.rec")}, "not a regular file"},
        {{"graph-info", dataDir.file("zero.ghf")}, "not a regular file"},
        {{"leq", endless}, "endless.txt:1: the line is longer than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(c.errContains)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dataDir.file("x.ghf")));
}

// ---------------------------------------------------------------------------
// wav-check

TEST_F(CliTest, WavCheckListsTheSeriesWithSegmentsAndPresence)
{
    const QString rec = writeBytes(dataDir.file("sets.rec"), encodeMemoryImage(defaultLoggedSets()));
    Result r = run({"wav-check", rec, "--set", "2", "--dir", dataDir.path()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "WAV00012.WAV\t0\t899\tmissing\n");

    // An hour and a bit at 1 s: three files, the counter carrying from Z; the last is clamped.
    const LoggedSet longSet{kStart, 1, 0x0F, "WAV0001Y", std::vector<std::uint16_t>(3700, 600)};
    const QString longRec = writeBytes(dataDir.file("long.rec"), encodeMemoryImage({longSet}));
    const QString card = dataDir.file("card");
    ASSERT_TRUE(QDir().mkpath(card));
    writeBytes(card + "/WAV0001Y.WAV", "RIFF");
    writeBytes(card + "/WAV00020.WAV", "RIFF");
    r = run({"wav-check", longRec, "--set", "1", "--dir", card});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "WAV0001Y.WAV\t0\t1800\tpresent\n"
                     "WAV0001Z.WAV\t1800\t3600\tmissing\n"
                     "WAV00020.WAV\t3600\t3699\tpresent\n");
}

TEST_F(CliTest, WavCheckRefusesSetsWithoutASeries)
{
    const QString rec = writeBytes(dataDir.file("sets.rec"), encodeMemoryImage(defaultLoggedSets()));
    const QString still = writeBytes(dataDir.file("still.rec"),
                                     encodeMemoryImage({LoggedSet{kStart, 0, 0x0F, "WAV00001", {600, 610}}}));
    const struct {
        QStringList args;
        int status;
        QString errContains;
    } cases[] = {
        {{rec, "--set", "1"}, 1, "no related WAV file"},
        {{rec, "--set", "5"}, 1, "no data set 5"},
        {{still, "--set", "1"}, 1, "no recording interval"},
        {{dataDir.file("missing.rec"), "--set", "1"}, 1, "missing.rec"},
        {{rec}, 2, "usage: quedral-cli wav-check"},
        {{rec, "--set", "x"}, 2, "usage: quedral-cli wav-check"},
        {{rec, "--set", "1", "--dir"}, 2, "usage: quedral-cli wav-check"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Result r = run(QStringList{"wav-check"} + c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.err.contains(c.errContains)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

TEST_F(CliTest, SetupCommandsOnTheSimulatedMeter)
{
    Result r = run({"--simulate", "info"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8) << r.out.toStdString();
    const QStringList labels{"FirmWare Version: ", "Meter Time: ", "Recording Interval: ", "Data Sets In Memory: ",
                             "Memory Available: ", "SN: ", "94dB cali: ", "70dB cali: "};
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(lines[i].startsWith(labels[i])) << lines[i].toStdString();
    EXPECT_EQ(lines[1], "Meter Time: 05/01/2026   08:30:05");
    EXPECT_EQ(lines[2], "Recording Interval: 2");
    EXPECT_EQ(lines[3], "Data Sets In Memory: 4");
    EXPECT_EQ(lines[5], "SN: SIM-4471-0001");
    EXPECT_TRUE(lines[7].contains(QRegularExpression("^70dB cali: \\d+\\.\\d\\d  \\(\\d+\\)$"))) << lines[7].toStdString();

    r = run({"--simulate", "interval", "00:05"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Recording Interval Setup Successfully \n");
    EXPECT_TRUE(run({"--simulate", "info"}).out.contains("Recording Interval: 5\n"));

    r = run({"--simulate", "eeprom-write", "300", "165"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "");
    r = run({"--simulate", "eeprom-read", "300"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "165\n");

    r = run({"--simulate", "set-clock"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Meter time updated successfully \n");

    // A quick recording is what a download then finds.
    r = run({"--simulate", "quick-rec", "10", "75"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "OK\n");
    const QString file = dataDir.file("quick.rec");
    ASSERT_EQ(run({"--simulate", "download", "-o", file}).status, 0);
    r = run({"decode", file});
    const QJsonArray sets = QJsonDocument::fromJson(r.out.toUtf8()).object()["sets"].toArray();
    ASSERT_EQ(sets.size(), 1) << r.out.toStdString();
    EXPECT_EQ(sets[0].toObject()["count"].toInt(), 10);
    EXPECT_EQ(sets[0].toObject()["interval"].toInt(), 15);
}

TEST_F(CliTest, SetupCommandsRefuseBadInputAndReportFailures)
{
    const struct {
        QStringList args;
        int status;
        const char* err;
    } cases[] = {
        {{"--simulate", "interval", "01:01"}, 1, "Invalid Input\n"},
        {{"--simulate", "interval", "5"}, 1, "Invalid Input\n"},
        {{"--simulate", "eeprom-write", "1", "300"}, 1, "Invalid Input\n"},
        {{"--simulate", "eeprom-read", "-1"}, 1, "Invalid Input\n"},
        {{"--simulate", "quick-rec", "0", "2"}, 1, "Invalid Input\n"},
        {{"--simulate", "eeprom-write", "1"}, 2, "usage: "},
        {{"info"}, 1, "fail to open device\n"},
        {{"quick-rec", "1", "2"}, 1, "Fail\nError Code=803\n"},
        {{"--simulate", "--simulate-faults", "wrong-byte=1", "interval", "00:02"}, 1,
         "no response from device, error code=707\n"},
        {{"--simulate", "--simulate-faults", "wrong-byte=5", "eeprom-write", "15", "2"}, 1, "Error Code=707\n"},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(c.err)) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        if (QString(c.err) == "Invalid Input\n")
            EXPECT_EQ(r.out, "");
    }
}

// ---------------------------------------------------------------------------
// Damaged data sets and garbled transfers

namespace {
// Three sets of two samples; set 2's header lies at 256 + 30.
const int kSecondHeader = 256 + 30;
QByteArray threeSets()
{
    return encodeMemoryImage({LoggedSet{kStart, 1, 0x0F, "00000000", {600, 700}},
                              LoggedSet{kStart.addSecs(3600), 2, 0x0F, "00000000", {800, 810}},
                              LoggedSet{kStart.addSecs(7200), 1, 0x0F, "00000000", {650, 660}}});
}
} // namespace

TEST_F(CliTest, DecodeFailsOnDamagedSetsAndStillPrintsWhatItRead)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> bytes; // offset, value
        int code;
        const char* problem; // in the stderr line of set 2
    };
    const int last = threeSets().size() - 1;
    const Case cases[] = {
        {"start marker", {{kSecondHeader, 0x00}}, 33, "data set 2: no start marker"},
        {"beyond the last address", {{13, (last - 3) & 0xFF}}, 34, "data set 3: ends at offset"},
        {"year 2A", {{kSecondHeader + 3, 0x2A}}, 35, "data set 2: unreadable start date and time (header bytes 2A 11 23 10 00 00)"},
        {"month 1A", {{kSecondHeader + 4, 0x1A}}, 35, "data set 2: unreadable start"},
        {"31 February", {{kSecondHeader + 4, 0x02}, {kSecondHeader + 5, 0x31}}, 35, "data set 2: unreadable start"},
        {"second 60", {{kSecondHeader + 8, 0x60}}, 35, "data set 2: unreadable start"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray image = threeSets();
        for (const auto& [offset, value] : c.bytes)
            image[offset] = char(value);
        const QString file = writeBytes(dataDir.file("damaged.rec"), image);
        const Result r = run({"decode", file});
        EXPECT_EQ(r.status, 1);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        EXPECT_EQ(o["code"].toInt(), c.code);
        const QJsonArray sets = o["sets"].toArray();
        ASSERT_EQ(sets.size(), 3);
        EXPECT_EQ(sets[0].toObject()["start"].toString(), "2026-11-23T09:00:00");
        EXPECT_EQ(sets[2].toObject()["start"].toString(), "2026-11-23T11:00:00");
        if (c.code == 35) {
            EXPECT_TRUE(sets[1].toObject()["start"].isNull()) << r.out.toStdString();
            EXPECT_EQ(sets[1].toObject()["count"].toInt(), 2);
        }
        EXPECT_TRUE(r.err.contains(QStringLiteral("decode code %1: damaged data sets").arg(c.code))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.problem)) << r.err.toStdString();
    }
    // A whole file decodes with 0 and says nothing.
    const Result clean = run({"decode", writeBytes(dataDir.file("clean.rec"), threeSets())});
    EXPECT_EQ(clean.status, 0);
    EXPECT_TRUE(clean.err.isEmpty()) << clean.err.toStdString();
}

TEST_F(CliTest, ExportAndLeqRefuseASetWhoseStartCannotBeRead)
{
    QByteArray image = threeSets();
    image[kSecondHeader + 4] = char(0x02); // 31 February
    image[kSecondHeader + 5] = char(0x31);
    const QString rec = writeBytes(dataDir.file("feb31.rec"), image);
    const QString out = dataDir.file("set2.txt");
    for (const QStringList& args : {QStringList{"export", rec, "--set", "2", "-o", out},
                                    QStringList{"export", rec, "--set", "2", "-o", dataDir.file("set2.ghf")},
                                    QStringList{"leq", rec, "--set", "2"}, QStringList{"leq", rec, "--set", "2", "--series"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(rec + ": data set 2 has an unreadable start date and time (header bytes 26 02 31 10 00 00)"))
            << r.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_FALSE(QFileInfo::exists(dataDir.file("set2.ghf")));
    // The sets around it have their times.
    EXPECT_EQ(run({"export", rec, "--set", "3", "-o", dataDir.file("set3.txt")}).status, 0);
    const Result leq = run({"leq", rec, "--set", "1"});
    EXPECT_EQ(leq.status, 0) << leq.err.toStdString();
}

TEST_F(CliTest, AGarbledDownloadFailsWith122AndWritesNothing)
{
    for (const char* fault : {"wrong-byte=10", "wrong-byte=2", "wrong-byte=17"}) {
        SCOPED_TRACE(fault);
        const QString file = dataDir.file("garbled.rec");
        const Result r = run({"--simulate", "--simulate-faults", fault, "download", "-o", file});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains("The memory arrived garbled (code 122):\ndata set 1: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("There was error,please try again!   error code=122")) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file));
    }
}
