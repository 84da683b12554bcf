// Chart set-up with and without the template, and the graph summary.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "files/graphfile.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "files/graphinfo.h"
#include "support/testenv.h"

using namespace quedral;

namespace {
const double t0 = 46023.5; // 2026-01-01 12:00
const double kSec = 1.0 / 86400.0;

void expectLinesPlaced(const ChartModel& m, double minX, double maxX)
{
    EXPECT_TRUE(m.showVertLineAnnotations);
    EXPECT_TRUE(m.allowVertLineAnnotHotSpots);
    EXPECT_DOUBLE_EQ(m.vertLines[0].x, minX);
    EXPECT_DOUBLE_EQ(m.vertLines[1].x, minX + (maxX - minX) / 3);
    EXPECT_DOUBLE_EQ(m.vertLines[2].x, minX + 2 * (maxX - minX) / 3);
    EXPECT_EQ(m.vertLines[1].text, " Cursor A");
    EXPECT_EQ(m.vertLines[2].text, " Cursor B");
    EXPECT_EQ(m.vertLines[1].color, PEargb(255, 0, 0, 255));
    EXPECT_EQ(m.vertLines[2].color, 0x000000FFu);
    EXPECT_EQ(m.vertLines[0].color, 0x00008000u);
    EXPECT_EQ(m.vertLines[1].type, 5);
    EXPECT_EQ(m.vertLines[0].type, 6);
}
} // namespace

TEST(newChart, WithoutTemplateSetsTheDefaultLookAndAnEmptyChart)
{
    test::ScopedDataDir dir;
    ChartModel m;
    m.setPoints(3);
    m.setXDataII(0, 1, 5.0);
    m.setYData(0, 1, 70.0f);
    EXPECT_FALSE(newChart(m, 1, 500, t0, t0 + 510 * kSec, 30, 130));
    EXPECT_EQ(m.subsets(), 1);
    EXPECT_EQ(m.points(), 500);
    for (int p : {0, 1, 499}) {
        EXPECT_EQ(m.xDataII(0, p), 0.0);
        EXPECT_EQ(m.yData(0, p), 9999.0f);
    }
    EXPECT_EQ(m.manualScaleControlY, sgManualMinAndMax);
    EXPECT_EQ(m.manualMinY, 30);
    EXPECT_EQ(m.manualMaxY, 130);
    EXPECT_EQ(m.manualScaleControlX, sgManualMinAndMax);
    EXPECT_DOUBLE_EQ(m.manualMinX, t0);
    EXPECT_DOUBLE_EQ(m.manualMaxX, t0 + 510 * kSec);
    expectLinesPlaced(m, t0, t0 + 510 * kSec);
    EXPECT_EQ(m.xAxisLabel, "Time");
    EXPECT_EQ(m.subTitle, " ");
    EXPECT_EQ(m.subsetLabel(0), "dB");
    EXPECT_EQ(m.gridStyle, sgDot);
    EXPECT_EQ(m.yAxisColor, PEargb(255, 255, 0, 0));
    EXPECT_TRUE(m.allowGraphAnnotHotSpots);
}

TEST(newChart, TemplateLookIsKeptButLinesRangesAndSizesAreSet)
{
    test::ScopedDataDir dir;
    ChartModel templ;
    templ.mainTitle = "From the template";
    templ.xAxisLabel = "Clock";
    templ.gridStyle = sgDash;
    templ.allowZooming = sgHorzZooming;
    templ.setSubsetColor(0, PEargb(255, 0, 128, 0));
    templ.setSubsets(2);
    templ.setPoints(4);
    templ.setYData(0, 0, 55.0f);
    ASSERT_TRUE(QDir().mkpath(dir.file("template")));
    ASSERT_TRUE(saveChartState(templ, chartTemplateFile()));

    ChartModel m;
    EXPECT_TRUE(newChart(m, 1, 10, t0, t0 + 30 * kSec, 40, 120));
    EXPECT_EQ(m.mainTitle, "From the template");
    EXPECT_EQ(m.xAxisLabel, "Clock");
    EXPECT_EQ(m.gridStyle, sgDash);
    EXPECT_EQ(m.allowZooming, sgHorzZooming);
    EXPECT_EQ(m.subsetColor(0), PEargb(255, 0, 128, 0));
    EXPECT_EQ(m.subsets(), 1);
    EXPECT_EQ(m.points(), 10);
    EXPECT_EQ(m.yData(0, 0), 9999.0f); // the template's samples are not kept
    EXPECT_EQ(m.manualMinY, 40);
    expectLinesPlaced(m, t0, t0 + 30 * kSec);
}

TEST(newChart, DamagedTemplateCountsAsNone)
{
    test::ScopedDataDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.file("template")));
    QFile f(chartTemplateFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x40\x00\x00\x00short", 9));
    f.close();
    ChartModel m;
    EXPECT_FALSE(newChart(m, 1, 5, t0, t0 + 1, 30, 130));
    EXPECT_EQ(m.xAxisLabel, "Time");
    EXPECT_EQ(m.points(), 5);
}

TEST(resetChart, EmptiesAndRescalesButLeavesLookLinesAndXScaleForMinXZero)
{
    test::ScopedDataDir dir;
    ChartModel m;
    newChart(m, 1, 4, t0, t0 + 100 * kSec, 30, 130);
    m.setYData(0, 2, 66.0f);
    m.vertLines[1].x = 123.0;
    m.mainTitle = "kept";
    resetChart(m, 2, 8, 0, 0, 20, 100);
    EXPECT_EQ(m.subsets(), 2);
    EXPECT_EQ(m.points(), 8);
    EXPECT_EQ(m.yData(0, 2), 9999.0f);
    EXPECT_EQ(m.yData(1, 7), 9999.0f);
    EXPECT_EQ(m.mainTitle, "kept");
    EXPECT_EQ(m.vertLines[1].x, 123.0);
    EXPECT_DOUBLE_EQ(m.manualMinX, t0);
    EXPECT_DOUBLE_EQ(m.manualMaxX, t0 + 100 * kSec);
    EXPECT_EQ(m.manualMinY, 20);

    resetChart(m, 1, 200, t0 + 1, t0 + 2, 30, 130);
    EXPECT_DOUBLE_EQ(m.manualMinX, t0 + 1);
    EXPECT_DOUBLE_EQ(m.manualMaxX, t0 + 2);
}

TEST(GraphInfo, ReportsTheStatisticsOfTheSavedFile)
{
    test::ScopedDataDir dir;
    ChartModel m;
    newChart(m, 1, 4, t0, t0 + 4 * kSec, 30, 130);
    const float levels[4] = {60.5f, 85.2f, 85.2f, 40.0f};
    for (int i = 0; i < 4; ++i) {
        m.setXDataII(0, i, t0 + i * 2 * kSec);
        m.setYData(0, i, levels[i]);
    }
    m.setGraphAnnotation(5, GraphAnnotation{t0, 70, QString(), sgAnnotCross, 0});
    m.setGraphAnnotation(6, GraphAnnotation{t0, 70, "note", sgAnnotTextOnly, 0});
    m.setGraphAnnotation(7, GraphAnnotation{t0, 70, QString(), sgAnnotTextOnly, 0}); // erased
    m.setGraphAnnotation(8, GraphAnnotation{0, 0, "cleared", sgAnnotTextOnly, 0});   // parked by Clear
    const QString file = dir.file("g.ghf");
    ASSERT_TRUE(saveChartState(m, file));

    QByteArray json;
    QString error;
    ASSERT_TRUE(graphInfoFromFile(file, json, &error)) << error.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(o["subsets"].toInt(), 1);
    EXPECT_EQ(o["points"].toInt(), 4);
    EXPECT_EQ(o["data_no"].toInt(), 4);
    EXPECT_EQ(o["start_time"].toString().left(19), "2026-01-01T12:00:00");
    EXPECT_NEAR(o["sampling_rate"].toDouble(), 6.0 / 4, 1e-6);
    EXPECT_NEAR(o["average"].toDouble(), (60.5 + 85.2 + 85.2 + 40.0) / 4, 1e-5);
    EXPECT_DOUBLE_EQ(o["maximum"].toDouble(), 85.2);
    EXPECT_EQ(o["maximum_time"].toString().left(19), "2026-01-01T12:00:02");
    EXPECT_DOUBLE_EQ(o["minimum"].toDouble(), 40.0);
    EXPECT_EQ(o["minimum_time"].toString().left(19), "2026-01-01T12:00:06");
    EXPECT_EQ(o["annotations"].toInt(), 2);
}

TEST(GraphInfo, DamagedFileGivesAnError)
{
    test::ScopedDataDir dir;
    const QString file = dir.file("bad.ghf");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\xff\xff\xff\x7f", 4));
    f.close();
    QByteArray json;
    QString error;
    EXPECT_FALSE(graphInfoFromFile(file, json, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(json.isEmpty());
}
