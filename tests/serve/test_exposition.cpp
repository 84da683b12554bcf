// The texts the service gives out: /metrics, the line protocol and the local log's lines.
#include <gtest/gtest.h>

#include "serve/exposition.h"

#include <QTimeZone>

using namespace quedral;

namespace {

const QDateTime kMinute(QDate(2026, 1, 1), QTime(12, 0, 0), Qt::UTC);

PeriodFigures minuteFigures()
{
    PeriodFigures f;
    f.start = kMinute;
    f.seconds = 60;
    f.readings = 120;
    f.leq = 63.456;
    f.lmax = 71.2;
    f.lmin = 48.0;
    f.l10 = 66.1;
    f.l90 = 50.3;
    return f;
}

} // namespace

TEST(PrometheusText, EveryMetricWithItsHelpTypeAndLabels)
{
    MeterMetrics m;
    m.serial = "SN123";
    m.up = true;
    m.readings = 240;
    m.failures = 3;
    m.level = 63.4;
    m.weightingA = false;
    m.fast = false;
    m.minute = minuteFigures();
    const QString expected =
        "# HELP quedral_level_db The last level the meter showed, in dB.\n"
        "# TYPE quedral_level_db gauge\n"
        "quedral_level_db{meter=\"SN123\",weighting=\"C\",response=\"SLOW\"} 63.4\n"
        "# HELP quedral_leq_db The equivalent continuous level of the last whole minute, in dB.\n"
        "# TYPE quedral_leq_db gauge\n"
        "quedral_leq_db{meter=\"SN123\",weighting=\"C\",response=\"SLOW\",period=\"1m\"} 63.46\n"
        "# HELP quedral_lmax_db The highest level of the last whole minute, in dB.\n"
        "# TYPE quedral_lmax_db gauge\n"
        "quedral_lmax_db{meter=\"SN123\",weighting=\"C\",response=\"SLOW\",period=\"1m\"} 71.2\n"
        "# HELP quedral_up 1 while the last poll of the meter succeeded, else 0.\n"
        "# TYPE quedral_up gauge\n"
        "quedral_up{meter=\"SN123\"} 1\n"
        "# HELP quedral_readings_total Readings taken from the meter.\n"
        "# TYPE quedral_readings_total counter\n"
        "quedral_readings_total{meter=\"SN123\"} 240\n"
        "# HELP quedral_read_failures_total Polls of the meter that failed.\n"
        "# TYPE quedral_read_failures_total counter\n"
        "quedral_read_failures_total{meter=\"SN123\"} 3\n";
    EXPECT_EQ(prometheusText({m}).toStdString(), expected.toStdString());
}

TEST(PrometheusText, AMeterNotYetReadHasOnlyUpAndCounters)
{
    MeterMetrics a, b;
    a.serial = "A1";
    b.serial = "B2";
    b.level = 50.0;
    b.up = true;
    const QString text = prometheusText({a, b});
    EXPECT_FALSE(text.contains("quedral_level_db{meter=\"A1\""));
    EXPECT_TRUE(text.contains("quedral_level_db{meter=\"B2\",weighting=\"A\",response=\"FAST\"} 50.0\n"));
    EXPECT_TRUE(text.contains("quedral_up{meter=\"A1\"} 0\n"));
    EXPECT_TRUE(text.contains("quedral_up{meter=\"B2\"} 1\n"));
    EXPECT_FALSE(text.contains("quedral_leq_db{")) << "no whole minute yet";
    EXPECT_EQ(text.count("# TYPE quedral_up gauge\n"), 1) << "HELP and TYPE once per metric, not per meter";
}

TEST(TextEscaping, LabelsAndTags)
{
    struct Case {
        QString raw, prometheus, influx;
    };
    const Case cases[] = {
        {"plain-1", "plain-1", "plain-1"},
        {"a\"b", "a\\\"b", "a\"b"},
        {"back\\slash", "back\\\\slash", "back\\\\slash"},
        {"two\nlines", "two\\nlines", "two lines"},
        {"a,b=c d", "a,b=c d", "a\\,b\\=c\\ d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw.toStdString());
        EXPECT_EQ(escapePrometheusLabel(c.raw), c.prometheus);
        EXPECT_EQ(escapeInfluxTag(c.raw), c.influx);
    }
}

TEST(InfluxLine, SecondsAndMinutes)
{
    PeriodFigures second;
    second.start = kMinute.addSecs(1);
    second.readings = 2;
    second.leq = 60.0;
    second.lmax = 61.04;
    second.lmin = 58.96;
    EXPECT_EQ(influxLine("SN 1", true, true, second).toStdString(),
              "quedral,meter=SN\\ 1,weighting=A,response=FAST,period=1s leq=60.00,lmax=61.0,lmin=59.0,readings=2i "
              "1767268801000000000\n");
    EXPECT_EQ(influxLine("SN1", false, false, minuteFigures()).toStdString(),
              "quedral,meter=SN1,weighting=C,response=SLOW,period=1m "
              "leq=63.46,lmax=71.2,lmin=48.0,l10=66.1,l90=50.3,readings=120i 1767268800000000000\n");
}

TEST(LogLine, OneCsvLineWithTheLocalOffset)
{
    PeriodFigures s;
    s.start = QDateTime(QDate(2026, 6, 1), QTime(8, 30, 15), QTimeZone(7200));
    s.readings = 2;
    s.leq = 55.556;
    s.lmax = 57.0;
    s.lmin = 54.0;
    EXPECT_EQ(logHeader(), "time,meter,weighting,response,leq,lmax,lmin,readings\n");
    EXPECT_EQ(logLine("SN1", true, false, s).toStdString(), "2026-06-01T08:30:15+02:00,SN1,A,SLOW,55.56,57.0,54.0,2\n");
    // A serial number cannot break the columns or the line.
    EXPECT_EQ(logLine("S,N\n\"1", true, true, s).count(','), 7);
    EXPECT_EQ(logLine("S,N\n\"1", true, true, s).count('\n'), 1);
}

// What the publishers send: the figures rounded as the log has them, the minute's percentiles,
// "late" only when asked; and a log line read back gives the same JSON as the second it came from.
TEST(PeriodJson, SecondsMinutesLateAndTheLogReadBack)
{
    PeriodFigures second;
    second.start = QDateTime(QDate(2026, 6, 1), QTime(8, 30, 15), QTimeZone(7200));
    second.readings = 2;
    second.leq = 55.556;
    second.lmax = 57.04;
    second.lmin = 54.0;
    EXPECT_EQ(periodJson("SN1", true, false, second).toStdString(),
              R"({"leq":55.56,"lmax":57,"lmin":54,"meter":"SN1","period":"1s","readings":2,"response":"SLOW",)"
              R"("time":"2026-06-01T08:30:15+02:00","weighting":"A"})");
    const QByteArray minute = periodJson("SN1", false, true, minuteFigures(), true);
    for (const char* part : {R"("period":"1m")", R"("l10":66.1)", R"("l90":50.3)", R"("late":true)", R"("weighting":"C")"})
        EXPECT_TRUE(minute.contains(part)) << part << " in " << minute.toStdString();

    const std::optional<LoggedSecond> back = parseLogLine(logLine("SN1", true, false, second));
    ASSERT_TRUE(back);
    EXPECT_EQ(periodJson(back->serial, back->weightingA, back->fast, back->second), periodJson("SN1", true, false, second));
    EXPECT_EQ(back->second.start, second.start);

    for (const char* bad : {"time,meter,weighting,response,leq,lmax,lmin,readings\n", "", "2026-06-01T08:30:15+02:00,SN1,A,SLOW,55.56,57.0,54.0\n",
                            "not a time,SN1,A,SLOW,55.56,57.0,54.0,2\n", "2026-06-01T08:30:15+02:00,SN1,B,SLOW,55.56,57.0,54.0,2\n",
                            "2026-06-01T08:30:15+02:00,SN1,A,SLOW,x,57.0,54.0,2\n"})
        EXPECT_FALSE(parseLogLine(bad)) << bad;
}
