#include "chart/chartfixture.h"
#include "chart/chartmodel.h"

#include <QtEndian>
#include <gtest/gtest.h>

#include <vector>

using namespace quedral;

TEST(ChartModelData, ResizingKeepsSamplesAndNewOnesReadAsUnwritten)
{
    ChartModel m;
    m.setPoints(3);
    m.setXDataII(0, 2, 5.5);
    m.setYData(0, 2, 42.0f);
    m.setPoints(5);
    m.setSubsets(2);
    EXPECT_EQ(m.xDataII(0, 2), 5.5);
    EXPECT_EQ(m.yData(0, 2), 42.0f);
    for (auto [s, p] : {std::pair{0, 4}, {1, 0}, {1, 4}}) {
        EXPECT_EQ(m.xDataII(s, p), 0.0);
        EXPECT_EQ(m.yData(s, p), 9999.0f);
    }
    m.setPoints(2);
    EXPECT_EQ(m.points(), 2);
    EXPECT_EQ(m.yData(0, 2), 9999.0f) << "reads past the end give the null value";

    m.clearData();
    EXPECT_EQ(m.xDataII(0, 0), 0.0);
    EXPECT_EQ(m.yData(1, 1), 9999.0f);
}

TEST(ChartModelData, WritesOutsideTheChartAreIgnored)
{
    ChartModel m;
    m.setPoints(2);
    const auto before = m.serialize();
    EXPECT_FALSE(m.setXDataII(0, -1, 1.0));
    EXPECT_FALSE(m.setYData(0, -1, 0.0f));
    EXPECT_FALSE(m.setYData(1, 0, 0.0f));
    EXPECT_FALSE(m.setXDataII(0, 2, 1.0));
    EXPECT_EQ(m.serialize(), before);

    EXPECT_FALSE(m.setPoints(-5));
    EXPECT_EQ(m.points(), 0);
    EXPECT_FALSE(m.setPoints(ChartModel::kMaxPoints + 1)) << "an absurd capacity is clamped, not allocated";
    EXPECT_EQ(m.points(), ChartModel::kMaxPoints);
}

TEST(ChartModelData, BulkDataFillsSubsetZeroXAndAllYInOrder)
{
    ChartModel m;
    m.setSubsets(2);
    m.setPoints(3);
    const double xs[] = {1, 2, 3, 4};
    const float ys[] = {10, 11, 12, 20, 21, 22, 99};
    EXPECT_EQ(m.setBulkXData(xs, 4), 3);
    EXPECT_EQ(m.setBulkYData(ys, 7), 6);
    EXPECT_EQ(m.xDataII(0, 2), 3.0);
    EXPECT_EQ(m.xDataII(1, 0), 0.0);
    EXPECT_EQ(m.yData(0, 2), 12.0f);
    EXPECT_EQ(m.yData(1, 0), 20.0f);
    EXPECT_EQ(m.yData(1, 2), 22.0f);
    EXPECT_EQ(m.setBulkYData(ys, 2), 2);
    EXPECT_EQ(m.yData(0, 2), 12.0f) << "a short bulk write leaves the rest";
}

TEST(ChartModelLook, ArgbLayoutAndAnnotationDefaults)
{
    EXPECT_EQ(PEargb(255, 0, 0, 255), 0xFFFF0000u);  // blue
    EXPECT_EQ(PEargb(255, 255, 0, 0), 0xFF0000FFu);  // red
    EXPECT_EQ(PEargb(0, 0, 128, 0), 0x00008000u);    // dark green
    ChartModel m;
    EXPECT_EQ(m.graphAnnotation(77).type, sgAnnotTextOnly);
    EXPECT_TRUE(m.graphAnnotation(77).text.isEmpty());
    m.setGraphAnnotationType(9, sgAnnotCross);
    m.setGraphAnnotationX(9, 3.0);
    EXPECT_EQ(m.graphAnnotation(9).type, sgAnnotCross);
    EXPECT_EQ(m.graphAnnotation(9).x, 3.0);
}

TEST(ChartModelState, RoundTripRestoresEverything)
{
    const ChartModel src = test::sampleChart();
    const QByteArray block = src.serialize();

    ChartModel dst;
    QString error;
    ASSERT_TRUE(dst.deserialize(block, &error)) << error.toStdString();
    EXPECT_EQ(dst.serialize(), block) << "store, load, store again gives the same bytes";

    EXPECT_EQ(dst.subsets(), 2);
    EXPECT_EQ(dst.points(), 6);
    for (int s = 0; s < 2; ++s)
        for (int p = 0; p < 6; ++p) {
            EXPECT_EQ(dst.xDataII(s, p), src.xDataII(s, p));
            EXPECT_EQ(dst.yData(s, p), src.yData(s, p));
        }
    EXPECT_EQ(dst.yData(0, 3), 9999.0f);
    EXPECT_EQ(dst.subsetLabel(1), "Leq");
    EXPECT_EQ(dst.subsetColor(1), PEargb(255, 255, 0, 0));
    EXPECT_EQ(dst.subsetLineType(1), sgLineDash);
    EXPECT_EQ(dst.mainTitle, src.mainTitle);
    EXPECT_EQ(dst.subTitle, " ");
    EXPECT_EQ(dst.xAxisLabel, "Time");
    EXPECT_EQ(dst.yAxisColor, src.yAxisColor);
    EXPECT_EQ(dst.gridStyle, sgDash);
    EXPECT_EQ(dst.mainTitleFont, src.mainTitleFont);
    EXPECT_EQ(dst.labelFont, src.labelFont);
    EXPECT_EQ(dst.arrowCursor, sgTextCursor);
    EXPECT_EQ(dst.manualScaleControlX, sgManualMinAndMax);
    EXPECT_EQ(dst.manualMinX, src.manualMinX);
    EXPECT_EQ(dst.manualMaxY, 130.0);
    EXPECT_EQ(dst.allowZooming, sgHorzZooming);
    EXPECT_FALSE(dst.scrollingVertZoom);
    EXPECT_TRUE(dst.showVertLineAnnotations);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dst.vertLines[i], src.vertLines[i]) << "line " << i;
    EXPECT_EQ(dst.graphAnnotations(), src.graphAnnotations());
    EXPECT_TRUE(dst.allowGraphAnnotHotSpots);
}

namespace {
void putU32(QByteArray& b, qsizetype at, quint32 v) { qToLittleEndian(v, b.data() + at); }
} // namespace

TEST(ChartModelState, DamagedBlocksAreRefusedAndLeaveTheChartAlone)
{
    const QByteArray good = test::sampleChart().serialize();
    // Offsets in the layout: subsets at 18, points at 22, sample data 2 × 6 × 12 bytes,
    // then the style count (170) and the first label's length (174); the annotation
    // count sits 124 bytes before the end for this chart.
    struct Case {
        const char* name;
        QByteArray block;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", QByteArray()});
    cases.push_back({"bad magic", QByteArray(good).replace(0, 4, "XXXX")});
    {
        QByteArray b = good;
        b[4] = 7;
        cases.push_back({"unknown version", b});
    }
    for (auto [name, at, v] : {std::tuple{"huge subset count", 18, 0xFFFFFFFFu},
                               {"huge point count", 22, 0x7FFFFFFFu},
                               {"points beyond the block", 22, 1000u},
                               {"huge style count", 170, 0x40000000u},
                               {"huge text length", 174, 0xFFFFFFF0u}}) {
        QByteArray b = good;
        putU32(b, at, v);
        cases.push_back({name, b});
    }
    {
        QByteArray b = good;
        putU32(b, b.size() - 124, 0x10000000u);
        cases.push_back({"huge annotation count", b});
    }
    {
        QByteArray b = good;
        b[b.size() - 1] = 2;
        cases.push_back({"invalid flag", b});
    }
    cases.push_back({"trailing bytes", good + QByteArray("x")});

    for (const auto& c : cases) {
        ChartModel m;
        m.setPoints(4);
        m.setYData(0, 1, 55.0f);
        m.mainTitle = "kept";
        const QByteArray before = m.serialize();
        QString error;
        EXPECT_FALSE(m.deserialize(c.block, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_EQ(m.serialize(), before) << c.name;
    }

    // Every truncation of a sound block is refused.
    ChartModel m;
    const QByteArray before = m.serialize();
    for (qsizetype n = 0; n < good.size(); ++n)
        ASSERT_FALSE(m.deserialize(good.left(n))) << "prefix of " << n << " bytes";
    EXPECT_EQ(m.serialize(), before);
}

TEST(ChartModelState, FlippingAnyByteNeverHarmsTheChart)
{
    const QByteArray good = test::sampleChart().serialize();
    ChartModel m;
    const QByteArray before = m.serialize();
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray b = good;
        b[i] = static_cast<char>(b[i] ^ 0xFF);
        ChartModel probe;
        if (!probe.deserialize(b))
            ASSERT_EQ(probe.serialize(), before) << "byte " << i;
        else {
            // What loads is a chart like any other: it stores and loads again unchanged.
            ChartModel again;
            ASSERT_TRUE(again.deserialize(probe.serialize())) << "byte " << i;
            ASSERT_EQ(again.serialize(), probe.serialize()) << "byte " << i;
        }
    }
}
