// Every usage and argument error quedral-cli printed when usage-table.txt was recorded (by
// cli_transcript.sh on the program), run again in-process: the texts and exit statuses cannot drift.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "clirunner.h"

namespace quedral {
namespace {

struct RecordedRun {
    QStringList args;
    int status = 0;
    QString out, err;
};

// The table's runs: "=== ARGS", "status N", "--- stdout", its lines, "--- stderr", its lines
// (the transcript drops trailing newlines).
std::vector<RecordedRun> recordedRuns()
{
    QFile f(QStringLiteral(QUEDRAL_CLI_USAGE_TABLE));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(f.readAll());
    static const QRegularExpression run(
        QStringLiteral("^=== ([^\n]*)\nstatus (\\d+)\n--- stdout\n(.*?)\n--- stderr\n(.*?)\n(?==== |\\z)"),
        QRegularExpression::MultilineOption | QRegularExpression::DotMatchesEverythingOption);
    std::vector<RecordedRun> runs;
    for (auto it = run.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        runs.push_back({m.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts), m.captured(2).toInt(),
                        m.captured(3), m.captured(4)});
    }
    return runs;
}

QString withoutTrailingNewlines(QString s)
{
    while (s.endsWith(QLatin1Char('\n')))
        s.chop(1);
    return s;
}

TEST(CliUsage, EveryRecordedUsageAndArgumentErrorIsPrintedAsRecorded)
{
    const std::vector<RecordedRun> runs = recordedRuns();
    ASSERT_GE(runs.size(), 80u) << "usage-table.txt not read";
    for (const RecordedRun& r : runs) {
        QTemporaryDir dataDir;
        const test::CliResult got = test::runCli(r.args, dataDir.path());
        const QString what = r.args.join(QLatin1Char(' '));
        EXPECT_EQ(got.status, r.status) << what.toStdString();
        EXPECT_EQ(withoutTrailingNewlines(got.out).toStdString(), r.out.toStdString()) << what.toStdString();
        EXPECT_EQ(withoutTrailingNewlines(got.err).toStdString(), r.err.toStdString()) << what.toStdString();
    }
}

} // namespace
} // namespace quedral
