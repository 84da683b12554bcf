// What quedral-cli leaves on disk when a write or the command fails: the target as it was (or a
// whole new one), never an empty or truncated file reported as success.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <sys/mount.h>

#include "base/clock.h"
#include "cli/cli.h"
#include "clirunner.h"
#include "chart/chartmodel.h"
#include "files/graphfile.h"
#include "meter/simulator/simulatedmeter.h"
#include "meter/simulator/simulatedtransport.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

using Result = test::CliResult;

QByteArray contentOf(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void put(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A clock that runs a hook at its n-th nap (counting from 1): a signal arriving while a command
// waits between ticks.
class NapHookClock final : public Clock {
public:
    explicit NapHookClock(ManualClock& inner) : m_inner(inner) {}
    QDateTime now() const override { return m_inner.now(); }
    std::int64_t tickMs() const override { return m_inner.tickMs(); }
    void sleepMs(int ms) override
    {
        if (++m_naps == hookAt && hook)
            hook();
        m_inner.sleepMs(ms);
    }
    int hookAt = 0;
    std::function<void()> hook;

private:
    ManualClock& m_inner;
    int m_naps = 0;
};

class CliWritesTest : public ::testing::Test {
protected:
    Result run(QStringList args) { return test::runCli(std::move(args), dataDir.path()); }

    // The files in a folder, hidden ones included.
    static QStringList filesIn(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    ManualClock clock{QDateTime(QDate(2026, 5, 1), QTime(8, 30, 5))};
    test::ScopedClock clockGuard{clock};
    test::ScopedDataDir dataDir;
};

} // namespace

// A disk that fills up while the result is written: every command that writes a file fails
// with the system's reason, and an existing target (given --force) is still the old file.
TEST_F(CliWritesTest, AFullDiskFailsTheCommandAndKeepsTheOldFile)
{
    // Inputs, written while there is room.
    const QString rec = dataDir.file("logged.rec");
    ASSERT_EQ(run({"--simulate", "download", "-o", rec}).status, 0);
    ASSERT_EQ(run({"export", rec, "-o", dataDir.file("graph.txt")}).status, 0);
    ASSERT_EQ(run({"export", rec, "-o", dataDir.file("graph.ghf")}).status, 0);

    struct Case {
        const char* name;
        QStringList args; // the output follows
        const char* ext;
    };
    const Case cases[] = {
        {"import", {"import", dataDir.file("graph.txt"), "--force", "-o"}, "ghf"},
        {"export .ghf", {"export", dataDir.file("graph.ghf"), "--force", "-o"}, "ghf"},
        {"export .csv", {"export", rec, "--force", "-o"}, "csv"},
        {"export .txt", {"export", rec, "--force", "-o"}, "txt"},
        {"record", {"--simulate", "record", "--points", "4", "--rate", "0.5", "--force", "-o"}, "ghf"},
        {"leq-live", {"--simulate", "leq-live", "--seconds", "3", "--force", "-o"}, "txt"},
        {"download", {"--simulate", "download", "--force", "-o"}, "rec"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = dataDir.file(QStringLiteral("out-%1").arg(QString::fromLatin1(c.name).replace(' ', '-')));
        const QString target = folder + "/result." + c.ext;
        put(target, "old");
        Result r;
        {
            test::ScopedFileSizeLimit full(64);
            r = run(c.args + QStringList{target});
        }
        EXPECT_NE(r.status, 0);
        EXPECT_TRUE(r.err.contains("File too large")) << r.err.toStdString();
        EXPECT_EQ(contentOf(target), "old");
        EXPECT_EQ(filesIn(folder), QStringList{"result." + QString::fromLatin1(c.ext)}) << "nothing half-written left";
    }
    // The log of the Leq measurement stopped at a whole line.
    const QByteArray log = contentOf(dataDir.file("temp/LEQ.txt"));
    EXPECT_TRUE(log.isEmpty() || log.endsWith("\r\n")) << log.toStdString();
}

// The log takes lines until the disk is full, then ends at the last whole line and says so,
// while the measurement and its table go on.
TEST_F(CliWritesTest, TheLeqLogEndsAtAWholeLine)
{
    const QString table = dataDir.file("leq.txt");
    put(dataDir.file("temp/LEQ.txt"), "");
    Result r;
    {
        // The log's lines are about 15 bytes: 1000 bytes cut one in the middle.
        test::ScopedFileSizeLimit full(1000);
        r = run({"--simulate", "leq-live", "--seconds", "4", "-o", table});
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(dataDir.file("temp/LEQ.txt")) + ": File too large; the log ends at the last whole line"))
        << r.err.toStdString();
    EXPECT_EQ(r.err.count("the log ends"), 1) << "said once";
    EXPECT_EQ(r.out.trimmed().split('\n').size(), 4) << "the measurement went on";
    EXPECT_EQ(contentOf(table).count('\n'), 4);
    const QByteArray log = contentOf(dataDir.file("temp/LEQ.txt"));
    EXPECT_GT(log.size(), 900);
    EXPECT_LE(log.size(), 1000);
    EXPECT_TRUE(log.endsWith("\r\n")) << log.right(20).toStdString();
    for (const QByteArray& line : log.split('\n').mid(0, log.count('\n')))
        EXPECT_TRUE(line.endsWith('\r') && line.count('\t') == 1) << line.toStdString();
}

// A command that fails leaves its target as it was; what is worth keeping goes beside it under a
// name that says so.
TEST_F(CliWritesTest, AFailedCommandLeavesTheTargetAsItWas)
{
    // A meter whose first data set starts on 31 February: the decode ends with code 35.
    QByteArray memory = SimulatedMeter::defaultMemory();
    memory[256 + 4] = char(0x02);
    memory[256 + 5] = char(0x31);
    const auto damagedMeter = [&] {
        QJsonObject state;
        state["memory"] = QString::fromLatin1(memory.toBase64());
        put(SimulatedMeter::defaultStateFile(), QJsonDocument(state).toJson());
    };
    const auto defaultMeter = [] { QFile::remove(SimulatedMeter::defaultStateFile()); };

    struct Case {
        const char* name;
        std::function<void()> meter;
        QStringList args; // the output follows
        const char* ext;
        const char* said;
        const char* keptAs; // beside the target, or null for nothing
    };
    const Case cases[] = {
        {"download decodes with code 35", damagedMeter, {"--simulate", "download", "--force", "-o"}, "rec",
         "There was error,please try again!   error code=35\n", "result-damaged.rec"},
        {"leq-live fails", defaultMeter, {"--simulate", "--simulate-faults", "silent-after=60", "leq-live", "--seconds", "9", "--force", "-o"},
         "txt", "LEQ fail , try to start again !!\n", "result-partial.txt"},
        {"record loses the meter", defaultMeter,
         {"--simulate", "--simulate-faults", "unplug-after=8", "record", "--points", "50", "--rate", "0.5", "--force", "-o"},
         "ghf", "the meter does not answer: the recording is given up after ", "result-partial.ghf"},
        {"record on a silent meter", defaultMeter,
         {"--simulate", "--simulate-faults", "silent", "record", "--points", "50", "--rate", "0.5", "--force", "-o"}, "ghf",
         "no points were recorded; ", nullptr},
        {"leq-live on a silent meter", defaultMeter,
         {"--simulate", "--simulate-faults", "silent", "leq-live", "--seconds", "9", "--force", "-o"}, "txt",
         "LEQ fail , try to start again !!\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.meter();
        const QString folder = dataDir.file(QStringLiteral("out-%1").arg(QString::fromLatin1(c.name).replace(' ', '-')));
        const QString target = folder + "/result." + c.ext;
        put(target, "old");
        const Result r = run(c.args + QStringList{target});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.said))) << r.err.toStdString();
        EXPECT_EQ(contentOf(target), "old");
        QStringList expected{"result." + QString::fromLatin1(c.ext)};
        if (c.keptAs) {
            expected << c.keptAs;
            const QString kept = folder + "/" + c.keptAs;
            EXPECT_TRUE(r.err.contains(" is kept in " + QDir::toNativeSeparators(kept))) << r.err.toStdString();
            EXPECT_GT(QFileInfo(kept).size(), 3);
        }
        expected.sort();
        EXPECT_EQ(filesIn(folder), expected);
    }

    // What is kept is whole: the damaged image decodes to its code, the cut-short recording
    // holds the points it printed.
    const Result decoded = run({"decode", dataDir.file("out-download-decodes-with-code-35/result-damaged.rec")});
    EXPECT_TRUE(decoded.out.startsWith("{\"code\":35,")) << decoded.out.toStdString();
    const QString partial = dataDir.file("out-record-loses-the-meter/result-partial.ghf");
    const Result info = run({"graph-info", partial});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_GE(QJsonDocument::fromJson(info.out.toUtf8()).object()["points"].toInt(), 2);
}

// A recording stopped from outside by Ctrl+C, kill or a closed terminal saves what it has, as
// Stop does; stopped before its first point it writes nothing and fails.
TEST_F(CliWritesTest, StopSignalsSaveTheRecording)
{
    struct Case {
        int signal;
        const char* name;
        int napsBefore; // about ten naps per 500 ms tick
        bool points;
    };
    const Case cases[] = {
        {SIGINT, "SIGINT", 40, true},
        {SIGTERM, "SIGTERM", 40, true},
        {SIGHUP, "SIGHUP", 40, true},
        {SIGTERM, "SIGTERM", 1, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString target = dataDir.file(QStringLiteral("rec%1.ghf").arg(++n));
        NapHookClock napping(clock);
        napping.hookAt = c.napsBefore;
        napping.hook = [&c] { std::raise(c.signal); };
        Clock::install(&napping);
        const Result r = run({"--simulate", "record", "--points", "100", "--rate", "0.5", "-o", target});
        Clock::install(&clock);
        EXPECT_TRUE(r.err.contains(QStringLiteral("stopped by %1 after ").arg(c.name))) << r.err.toStdString();
        const int printed = r.out.isEmpty() ? 0 : static_cast<int>(r.out.trimmed().split('\n').size());
        if (!c.points) {
            EXPECT_EQ(printed, 0);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.err.contains("no points were recorded; " + target + " was not written")) << r.err.toStdString();
            EXPECT_FALSE(QFile::exists(target));
            continue;
        }
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_GE(printed, 2);
        const Result info = run({"graph-info", target});
        ASSERT_EQ(info.status, 0) << info.err.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(info.out.toUtf8()).object()["points"].toInt(), printed);
    }
}

// Killed at any moment while it writes, the command leaves the old file or the whole new one.
TEST_F(CliWritesTest, AKillMidWriteLeavesTheOldFileOrTheWholeNewOne)
{
    // A graph big enough that its text takes a while to write.
    ChartModel chart;
    chart.setSubsets(1);
    const int points = 400000;
    chart.setPoints(points);
    for (int i = 0; i < points; ++i) {
        chart.setXDataII(0, i, 46000.0 + i * kSecondInDays);
        chart.setYData(0, i, 40.0f + static_cast<float>(i % 600) / 10.0f);
    }
    const QString graph = dataDir.file("big.ghf");
    ASSERT_TRUE(saveChartState(chart, graph));
    const QString whole = dataDir.file("whole.csv");
    ASSERT_EQ(run({"export", graph, "-o", whole}).status, 0);
    const QByteArray wholeText = contentOf(whole);
    ASSERT_EQ(wholeText.count('\n'), points);

    const QString folder = dataDir.file("killed");
    const QString target = folder + "/out.csv";
    int killedMidWrite = 0;
    for (int attempt = 0; attempt < 5 && killedMidWrite < 2; ++attempt) {
        put(target, "old");
        QProcess p;
        p.start(QUEDRAL_CLI_PATH, {"--data-dir", dataDir.path(), "export", graph, "-o", target, "--force"});
        ASSERT_TRUE(p.waitForStarted());
        // Killed as soon as the new file is on its way: the child holds a file open in the
        // target's folder (possibly one without a name yet).
        const QString fds = QStringLiteral("/proc/%1/fd").arg(p.processId());
        const auto writing = [&] {
            for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::Files | QDir::System))
                if (fd.symLinkTarget().startsWith(folder + "/"))
                    return true;
            return false;
        };
        bool seen = false;
        while (!seen && !p.waitForFinished(0))
            seen = writing();
        if (seen) {
            ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
            ++killedMidWrite;
        }
        p.waitForFinished();
        const QByteArray now = contentOf(target);
        EXPECT_TRUE(now == "old" || now == wholeText) << now.size() << " bytes";
        // What the killed writer left beside the target is never taken for the target.
        for (const QString& name : filesIn(folder))
            if (name != "out.csv")
                QFile::remove(folder + "/" + name);
    }
    EXPECT_GT(killedMidWrite, 0) << "the write was never caught in progress";
}

// On a real full file system (a 64 KiB tmpfs; needs the right to mount, else skipped) the reason
// is the system's "No space left on device".
TEST_F(CliWritesTest, ARealFullDiskSaysNoSpaceLeft)
{
    QTemporaryDir mountPoint;
    if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount2(QFile::encodeName(path).constData(), MNT_DETACH); }
    } unmount{mountPoint.path()};

    const QString rec = dataDir.file("logged.rec");
    ASSERT_EQ(run({"--simulate", "download", "-o", rec}).status, 0);
    const QString target = mountPoint.path() + "/b.csv";
    put(target, "old");
    // Fill the rest of the file system.
    {
        QFile filler(mountPoint.path() + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
    }
    const Result r = run({"export", rec, "-o", target, "--force"});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("No space left on device")) << r.err.toStdString();
    EXPECT_EQ(contentOf(target), "old");
    EXPECT_EQ(filesIn(mountPoint.path()), (QStringList{"b.csv", "filler"}));
}
