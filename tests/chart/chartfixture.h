#pragma once
// A small chart that sets a little of everything, for state round trips.

#include "chart/chartmodel.h"

namespace quedral::test {

inline ChartModel sampleChart()
{
    ChartModel m;
    m.setSubsets(2);
    m.setPoints(6);
    const double t0 = 46023.5;  // 2026-01-01 12:00
    for (int p = 0; p < 6; ++p) {
        m.setXDataII(0, p, t0 + p / 86400.0);
        m.setXDataII(1, p, t0 + p / 86400.0);
        m.setYData(0, p, 60.0f + p);
        m.setYData(1, p, 70.5f + p);
    }
    m.setYData(0, 3, 9999.0f);   // a null sample in the middle
    m.setSubsetLabel(0, QStringLiteral("SPL"));
    m.setSubsetLabel(1, QStringLiteral("Leq"));
    m.setSubsetColor(0, PEargb(255, 0, 0, 0));
    m.setSubsetColor(1, PEargb(255, 255, 0, 0));
    m.setSubsetLineType(1, sgLineDash);
    m.mainTitle = QStringLiteral("Main \u00e9 title");
    m.subTitle = QStringLiteral(" ");
    m.xAxisLabel = QStringLiteral("Time");
    m.yAxisColor = PEargb(255, 255, 0, 0);
    m.gridStyle = sgDash;
    m.mainTitleFont = ChartFont{QStringLiteral("Serif"), 14, true, false};
    m.labelFont = ChartFont{QString(), 8, false, true};
    m.arrowCursor = sgTextCursor;
    m.manualScaleControlX = sgManualMinAndMax;
    m.manualMinX = t0;
    m.manualMaxX = t0 + 10 / 86400.0;
    m.manualScaleControlY = sgManualMinAndMax;
    m.manualMinY = 30;
    m.manualMaxY = 130;
    m.allowZooming = sgHorzZooming;
    m.scrollingVertZoom = false;
    m.showVertLineAnnotations = true;
    m.allowVertLineAnnotHotSpots = true;
    m.lineAnnotationTextSize = 100;
    m.vertLines[1] = VertLineAnnotation{t0 + 2 / 86400.0, QStringLiteral(" Cursor A"), sgLineMediumSolid,
                                        PEargb(255, 0, 0, 255)};
    m.vertLines[2] = VertLineAnnotation{t0 + 4 / 86400.0, QStringLiteral(" Cursor B"), sgLineMediumSolid, 0x000000FF};
    m.setGraphAnnotation(2, GraphAnnotation{t0 + 1 / 86400.0, 61.0, QStringLiteral("12:00:01\r61.0 dB"), sgAnnotCross,
                                            PEargb(255, 255, 255, 0)});
    m.setGraphAnnotation(5, GraphAnnotation{t0 + 5 / 86400.0, 80.25, QString(), sgAnnotCross, 0});
    m.setGraphAnnotation(6, GraphAnnotation{t0, 90.0, QStringLiteral("note"), sgAnnotTextOnly, 0});
    m.allowGraphAnnotHotSpots = true;
    return m;
}

} // namespace quedral::test
