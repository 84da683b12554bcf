// `quedral-cli report`: the evidence report of a downloaded data set, a graph file and graph
// text, its argument errors, and the built program painting without a display.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include "base/clock.h"
#include "cli/reportcommands.h"
#include "clirunner.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

using Result = test::CliResult;

class CliReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const Result r = run({"--simulate", "download", "-o", rec});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
    }
    Result run(QStringList args) { return test::runCli(std::move(args), dataDir.path()); }

    // The report's text (pdftotext), whitespace runs made single blanks.
    static QString textOf(const QString& pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished(-1);
        return QString::fromUtf8(p.readAllStandardOutput()).simplified();
    }

    // Whether the text holds the words in this order, however pdftotext spaced them (a short
    // space, as in "2 s", may be read as none).
    static bool holds(QString text, QString words)
    {
        static const QRegularExpression space(QStringLiteral("\\s+"));
        return text.remove(space).contains(words.remove(space));
    }

    static QString sha256Of(const QString& file)
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
    }

    ManualClock clock{QDateTime(QDate(2026, 5, 1), QTime(8, 30, 5))};
    test::ScopedClock clockGuard{clock};
    test::ScopedDataDir dataDir;
    QString rec = dataDir.file("mem.rec");
    QString pdf = dataDir.file("report.pdf");
};

#define SKIP_WITHOUT_PDFTOTEXT()                                                                                   \
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())                                                     \
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: scripts/deps.sh installs it"

TEST_F(CliReportTest, ADownloadedDataSetWithItsMeterInformationAndChecksum)
{
    SKIP_WITHOUT_PDFTOTEXT();
    const Result r = run({"report", rec, "--set", "2", "-o", pdf, "--threshold", "65", "--min-duration", "10"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");

    const QString leq = run({"leq", rec, "--set", "2"}).out.trimmed();
    const QJsonObject set2 =
        QJsonDocument::fromJson(run({"decode", rec}).out.toUtf8()).object()["sets"].toArray()[1].toObject();
    const QString text = textOf(pdf);
    const QString expected[] = {
        "Graph mem.rec, data set 2", "Report made 2026-05-01 08:30:05", "Program Quedral " QUEDRAL_VERSION,
        "Data file mem.rec", "SHA-256 " + sha256Of(rec), "Leq " + leq + " dB", "Data set 2",
        "Weighting " + set2["weighting"].toString(), "Response " + set2["time_weighting"].toString(),
        "Range " + set2["range"].toString() + " dB", "Interval " + QString::number(set2["interval"].toInt()) + " s",
        "Start " + set2["start"].toString().replace('T', ' '), "Samples counted " + QString::number(set2["count"].toInt()),
        "Above 65.0 dB for at least 10 s, over the whole graph:",
    };
    for (const QString& e : expected)
        EXPECT_TRUE(holds(text, e)) << e.toStdString() << "\n" << text.toStdString();
}

TEST_F(CliReportTest, AGraphFileAndGraphTextGiveTheLeqThatLeqGives)
{
    SKIP_WITHOUT_PDFTOTEXT();
    for (const char* name : {"g.ghf", "g.txt", "g.csv"}) {
        const QString file = dataDir.file(name);
        ASSERT_EQ(run({"export", rec, "-o", file}).status, 0) << name;
        const Result r = run({"report", file, "-o", pdf, "--force"});
        ASSERT_EQ(r.status, 0) << name << r.err.toStdString();
        const QString text = textOf(pdf);
        const QString leq = run({"leq", file}).out.trimmed();
        EXPECT_TRUE(text.contains("Leq " + leq + " dB")) << name << "\n" << text.toStdString();
        EXPECT_TRUE(text.contains("SHA-256 " + sha256Of(file))) << name;
        EXPECT_TRUE(text.contains(QStringLiteral("Graph %1 Report made").arg(name))) << name;
        EXPECT_TRUE(text.contains("Meter Not known for this data.")) << name;
    }
}

TEST_F(CliReportTest, ArgumentErrorsAndFilesThatGiveNoReport)
{
    const QString ghf = dataDir.file("g.ghf");
    ASSERT_EQ(run({"export", rec, "-o", ghf}).status, 0);
    const QString usage = "usage: quedral-cli report FILE [--set N] -o OUT.pdf [--threshold DB] [--min-duration S] "
                          "[--force]   (FILE: .rec, .ghf, .txt or .csv)\n";
    const struct {
        QStringList args;
        int status;
        QString err;
    } cases[] = {
        {{"report", rec}, 2, usage},
        {{"report", "-o", pdf}, 2, usage},
        {{"report", rec, "-o", pdf, "--bogus"}, 2, usage},
        {{"report", rec, "-o", pdf, "--threshold"}, 2, usage},
        {{"report", rec, "-o", pdf, "--set", "x"}, 2, "--set needs a data set number, counting from 1\n"},
        {{"report", rec, "-o", pdf, "--threshold", "x"}, 2, "--threshold needs a level in dB\n"},
        {{"report", rec, "-o", pdf, "--min-duration", "5"}, 2, "--min-duration needs --threshold\n"},
        {{"report", rec, "-o", pdf, "--threshold", "60", "--min-duration", "-1"}, 2,
         "--min-duration needs a number of seconds, 0 or more\n"},
        {{"report", rec, "-o", pdf, "--threshold", "inf"}, 2, "--threshold needs a level in dB\n"},
        {{"report", rec, "-o", pdf, "--threshold", "60", "--min-duration", "nan"}, 2,
         "--min-duration needs a number of seconds, 0 or more\n"},
        {{"report", rec, "-o", dataDir.file("r.txt")}, 1, dataDir.file("r.txt") + ": the report is written as a PDF (.pdf)\n"},
        {{"report", rec, "-o", pdf, "--set", "9"}, 1, rec + ": no data set 9 (the file holds 4)\n"},
        {{"report", ghf, "-o", pdf, "--set", "1"}, 1, "--set applies to collection files (.rec) only\n"},
        {{"report", dataDir.file("gone.rec"), "-o", pdf}, 1, dataDir.file("gone.rec") + ": no such file\n"},
        {{"report", dataDir.file("x.bin"), "-o", pdf}, 1, dataDir.file("x.bin") + ": no such file\n"},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err, c.err) << c.args.join(' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(pdf)) << c.args.join(' ').toStdString();
    }
    // A folder that is not there: the writer's reason, nothing written.
    const QString nowhere = dataDir.file("missing/report.pdf");
    Result r = run({"report", rec, "-o", nowhere});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(nowhere + ": ")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dataDir.file("missing")));
    // An existing report is replaced only with --force.
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    r = run({"report", rec, "-o", pdf});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, pdf + " exists; give --force to replace it\n");
    EXPECT_EQ(QFileInfo(pdf).size(), 3);
    EXPECT_EQ(run({"report", rec, "-o", pdf, "--force"}).status, 0);
    EXPECT_GT(QFileInfo(pdf).size(), 3);
    // A threshold alone looks for events of any length.
    r = run({"report", rec, "-o", pdf, "--force", "--threshold", "60"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
}

TEST(CliReport, OnlyTheReportCommandNeedsQtGui)
{
    const struct {
        QStringList args;
        bool gui;
    } cases[] = {
        {{"report", "f.rec", "-o", "r.pdf"}, true},
        {{"report"}, true},
        {{"--simulate", "report"}, true},
        {{"--data-dir", "d", "report"}, true},
        {{"--data-dir=d", "report"}, true},
        {{"report", "f.rec", "--data-dir", "d"}, true},
        {{"--simulate", "--simulate-faults", "silent", "report"}, true},
        {{"--simulate-faults=silent", "report"}, true},
        {{"--simulate", "--simulate-serial", "SN-2", "report"}, true},
        {{"--simulate", "--simulate-serial=SN-2", "report"}, true},
        {{"--simulate-serial", "report"}, false},
        {{"--meter", "/dev/hidraw1", "report"}, true},
        {{"--meter=SN-2", "report"}, true},
        {{"--meter", "report"}, false},
        {{"--data-dir", "report", "leq"}, false},
        {{"--simulate-faults", "report"}, false},
        {{"leq", "report"}, false},
        {{"--version", "report"}, false},
        {{"--help", "report"}, false},
        {{"--bogus", "report"}, false},
        {{}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::commandNeedsGui(c.args), c.gui) << c.args.join(' ').toStdString();
}

TEST_F(CliReportTest, TheBuiltProgramPaintsWithoutADisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QUEDRAL_CLI_PATH, {"--data-dir", dataDir.path(), "report", rec, "-o", pdf});
    p.waitForFinished(-1);
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
}

} // namespace
