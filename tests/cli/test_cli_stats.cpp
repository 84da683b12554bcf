// quedral-cli stats: the JSON object of each kind of file, the span, blocks, events and Lden,
// and its argument errors. tests/data/stats/evening.txt: ten seconds from 18:59:55 on
// 1 Dec 2026 (US dates), 50 60 70 72 dB, the chart's null, an out-of-range 0.0, 75 80 55 50 dB.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <map>
#include <variant>

#include "base/datetime.h"
#include "chart/chartmodel.h"
#include "clirunner.h"
#include "files/graphfile.h"
#include "meter/loggedmemory.h"
#include "support/testenv.h"

using namespace quedral;

namespace {

class CliStats : public ::testing::Test {
protected:
    test::CliResult run(QStringList args) { return test::runCli(std::move(args), dataDir.path()); }
    QString evening() const { return test::fixturePath("stats/evening.txt"); }

    test::ScopedDefaultLocale us{QLocale(QLocale::English, QLocale::UnitedStates)};
    test::ScopedDataDir dataDir;
};

// A key's expected value: a number (to the printed decimals), a text, or null.
using Expected = std::variant<double, const char*, std::nullptr_t>;

void expectFields(const QJsonObject& o, const std::map<QString, Expected>& fields)
{
    for (const auto& [key, value] : fields) {
        SCOPED_TRACE(key.toStdString());
        ASSERT_TRUE(o.contains(key));
        if (const double* d = std::get_if<double>(&value)) {
            ASSERT_TRUE(o[key].isDouble());
            EXPECT_NEAR(o[key].toDouble(), *d, 0.0051);
        } else if (const char* const* s = std::get_if<const char*>(&value)) {
            EXPECT_EQ(o[key].toString().toStdString(), *s);
        } else {
            EXPECT_TRUE(o[key].isNull());
        }
    }
}

QJsonObject parse(const test::CliResult& r)
{
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith('\n'));
    EXPECT_EQ(r.out.count('\n'), 1) << "one JSON object on one line";
    QJsonParseError error;
    const QJsonDocument d = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
    return d.object();
}

} // namespace

TEST_F(CliStats, TheWholeFile)
{
    const QJsonObject o = parse(run({"stats", evening()}));
    expectFields(o, {{"leq", 72.98},
                     {"le", 82.01},
                     {"lmax", 80.0},
                     {"lmax_time", "2026-12-01T19:00:02"},
                     {"lmin", 50.0},
                     {"lmin_time", "2026-12-01T18:59:55"},
                     {"mean", 64.0},
                     {"l5", 80.0},
                     {"l10", 80.0},
                     {"l50", 60.0},
                     {"l90", 50.0},
                     {"l95", 50.0},
                     {"samples", 8.0},
                     {"missing", 2.0}});
    const QStringList keys{"leq", "le", "lmax", "lmax_time", "lmin", "lmin_time", "mean", "l5",
                           "l10", "l50", "l90", "l95", "samples", "missing"};
    EXPECT_EQ(o.keys().size(), keys.size()) << "no time_above, events, blocks or lden unasked or without whole days";
    for (const QString& k : keys)
        EXPECT_TRUE(o.contains(k)) << k.toStdString();
}

TEST_F(CliStats, SpansBlocksAndEvents)
{
    struct Case {
        const char* what;
        QStringList options;
        std::map<QString, Expected> fields;
    };
    const Case cases[] = {
        {"from 19:00", {"--from", "2026-12-01T19:00:00"}, {{"samples", 4.0}, {"missing", 1.0}, {"leq", 75.19}, {"lmin", 50.0}}},
        {"to 19:00, excluded", {"--to", "2026-12-01T19:00:00"}, {{"samples", 4.0}, {"missing", 1.0}, {"leq", 68.28}}},
        {"a span without samples", {"--from", "2026-12-02", "--to", "2026-12-03"},
         {{"samples", 0.0}, {"missing", 0.0}, {"leq", nullptr}, {"lmax_time", nullptr}, {"l50", nullptr}}},
        {"threshold", {"--threshold", "65"}, {{"time_above", 4.0}}},
        {"threshold and a duration no run lasts", {"--threshold", "65", "--min-duration", "3"}, {{"time_above", 4.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectFields(parse(run(QStringList{"stats", evening()} + c.options)), c.fields);
    }

    // Runs above 65 dB: 70 72 (ended by the null) and 75 80, two seconds each.
    QJsonObject o = parse(run({"stats", evening(), "--threshold", "65", "--min-duration", "2"}));
    QJsonArray events = o["events"].toArray();
    ASSERT_EQ(events.size(), 2);
    expectFields(events[0].toObject(),
                 {{"start", "2026-12-01T18:59:57"}, {"duration", 2.0}, {"lmax", 72.0}, {"leq", 71.11}, {"le", 74.12}});
    expectFields(events[1].toObject(),
                 {{"start", "2026-12-01T19:00:01"}, {"duration", 2.0}, {"lmax", 80.0}, {"leq", 78.18}, {"le", 81.19}});
    EXPECT_TRUE(parse(run({"stats", evening(), "--threshold", "65", "--min-duration", "3"}))["events"].toArray().isEmpty());

    o = parse(run({"stats", evening(), "--blocks", "1min"}));
    const QJsonArray blocks = o["blocks"].toArray();
    ASSERT_EQ(blocks.size(), 2);
    expectFields(blocks[0].toObject(), {{"start", "2026-12-01T18:59:00"}, {"leq", 68.28}, {"lmax", 72.0}, {"lmin", 50.0},
                                        {"l10", 72.0}, {"l90", 50.0}});
    expectFields(blocks[1].toObject(), {{"start", "2026-12-01T19:00:00"}, {"leq", 75.19}, {"lmax", 80.0}, {"lmin", 50.0},
                                        {"l10", 80.0}, {"l90", 50.0}});
    EXPECT_EQ(blocks[0].toObject().keys().size(), 6);
    EXPECT_EQ(parse(run({"stats", evening(), "--blocks", "1h"}))["blocks"].toArray().size(), 2) << "18:00 and 19:00";
    EXPECT_EQ(parse(run({"stats", evening(), "--blocks", "1d"}))["blocks"].toArray().size(), 1);
}

// A collection's data set: its own interval, and levels out of the meter's range as missing;
// a graph file of a whole day at 60 dB: Lden.
TEST_F(CliStats, DataSetsAndWholeDays)
{
    // 60, 70 dB and 10.0 dB (out of range) at 2 s.
    const QDateTime start(QDate(2026, 11, 23), QTime(9, 0, 0));
    QFile rec(dataDir.file("set.rec"));
    ASSERT_TRUE(rec.open(QIODevice::WriteOnly));
    rec.write(encodeMemoryImage({LoggedSet{start, 2, 0x0F, "00000000", {600, 700, 100}}}));
    rec.close();
    expectFields(parse(run({"stats", rec.fileName(), "--set", "1"})),
                 {{"samples", 2.0}, {"missing", 1.0}, {"leq", 67.40}, {"le", 73.42}, {"lmax_time", "2026-11-23T09:00:02"}});

    ChartModel chart;
    chart.setSubsets(1);
    chart.setPoints(1441);
    const double midnight = toDays(QDate(2026, 12, 1), QTime(0, 0));
    for (int i = 0; i < 1441; ++i) {
        chart.setXDataII(0, i, midnight + i * 60.0 * kSecondInDays);
        chart.setYData(0, i, 60.0f);
    }
    const QString ghf = dataDir.file("day.ghf");
    ASSERT_TRUE(saveChartState(chart, ghf));
    expectFields(parse(run({"stats", ghf})), {{"lden", 66.40}, {"leq", 60.0}, {"samples", 1441.0}});
    EXPECT_FALSE(parse(run({"stats", ghf, "--from", "2026-12-01T00:01:00"})).contains("lden"))
        << "no whole day from 00:01";
}

TEST_F(CliStats, ArgumentErrors)
{
    const struct {
        QStringList args;
        int status;
        const char* errContains;
    } cases[] = {
        {{}, 2, "usage: quedral-cli stats FILE [--set N] [--from ISO] [--to ISO] [--blocks 1min|5min|15min|1h|1d] "
                "[--threshold DB] [--min-duration S]"},
        {{"--blocks", "2min"}, 2, "--blocks takes 1min, 5min, 15min, 1h or 1d"},
        {{"--blocks"}, 2, "usage: quedral-cli stats"},
        {{"--from", "yesterday"}, 2, "--from needs a date and time"},
        {{"--to", "2026-13-01"}, 2, "--to needs a date and time"},
        {{"--threshold", "loud"}, 2, "--threshold needs a level in dB"},
        {{"--threshold", "65", "--min-duration", "-1"}, 2, "--min-duration needs a number of seconds"},
        {{"--min-duration", "3"}, 2, "--min-duration goes with --threshold"},
        {{"--set", "x"}, 2, "--set needs a data set number"},
        {{"--set", "1"}, 1, "--set applies to collection files"},
        {{"--bogus"}, 2, "usage: quedral-cli stats"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const test::CliResult r = run(QStringList{"stats"} + (c.args.isEmpty() ? QStringList() : QStringList{evening()} + c.args));
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.err.contains(c.errContains)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    const test::CliResult missing = run({"stats", dataDir.file("missing.txt")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("no such file")) << missing.err.toStdString();
}
