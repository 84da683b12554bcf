#include "graph/chartsetup.h"

#include <QDir>
#include <QFileInfo>

#include "files/graphfile.h"
#include "chart/chartmodel.h"
#include "base/datadir.h"

namespace quedral {

static_assert(linecolors::CursorA == PEargb(255, 0, 0, 255));

QString chartTemplateFile()
{
    return DataDir::file(QStringLiteral("template/graph.ghf"));
}

bool saveChartTemplate(const ChartModel& chart, QString* error)
{
    const QString file = chartTemplateFile();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("Cannot create ") + QDir::toNativeSeparators(folder + QLatin1Char('/'))
                + QStringLiteral(" directory.");
        return false;
    }
    // A chart's look without its measurement: no samples, no marks of its own.
    ChartModel look = chart;
    look.setPoints(0);
    look.clearGraphAnnotations();
    return saveChartState(look, file, error);
}

namespace {
// What resetChart and newChart share: the data emptied, the Y scale and, when minX is not 0,
// the X scale set.
void resetData(ChartModel& chart, int subsets, int points, double minX, double maxX, float minY, float maxY)
{
    chart.prepareImages = true;
    chart.nullDataValueY = kDefaultNullDataValueY;
    chart.subsetByPoint = false;
    chart.setSubsets(subsets);
    chart.setPoints(points);
    chart.allowPopup = false;
    chart.noHelp = true;
    chart.clearData();
    chart.manualScaleControlY = sgManualMinAndMax;
    chart.manualMinY = minY;
    chart.manualMaxY = maxY;
    if (minX != 0.0) {
        chart.manualScaleControlX = sgManualMinAndMax;
        chart.manualMinX = minX;
        chart.manualMaxX = maxX;
    }
}
} // namespace

void resetChart(ChartModel& chart, int subsets, int points, double minX, double maxX, float minY, float maxY)
{
    resetData(chart, subsets, points, minX, maxX, minY, maxY);
    chart.allowDataLabels = sgNoDataLabels;
    chart.workingAxis = 0;
    chart.allowGraphAnnotHotSpots = true;
}

bool newChart(ChartModel& chart, int subsets, int points, double minX, double maxX, float minY, float maxY)
{
    bool fromTemplate = false;
    const QString templ = chartTemplateFile();
    if (QFileInfo::exists(templ))
        fromTemplate = loadChartState(chart, templ);

    resetData(chart, subsets, points, minX, maxX, minY, maxY);
    chart.allowDataLabels = sgNoDataLabels;

    chart.showVertLineAnnotations = true;
    chart.allowVertLineAnnotHotSpots = true;
    auto& a = chart.vertLines[1];
    a.color = linecolors::CursorA;
    a.type = sgLineMediumSolid;
    a.text = QStringLiteral(" Cursor A");
    a.x = minX + (maxX - minX) / 3;
    auto& b = chart.vertLines[2];
    b.color = linecolors::CursorB;
    b.type = sgLineMediumSolid;
    b.text = QStringLiteral(" Cursor B");
    b.x = minX + 2 * (maxX - minX) / 3;
    auto& play = chart.vertLines[0];
    play.color = linecolors::PlayLine;
    play.type = sgLineThickSolid;
    play.text.clear();
    play.x = minX;
    chart.lineAnnotationTextSize = 100;

    if (!fromTemplate) {
        chart.gridStyle = sgDot;
        chart.mainTitle.clear();
        chart.subTitle = QStringLiteral(" ");
        chart.setSubsetLabel(0, QStringLiteral("dB"));
        chart.dateTimeMode = sgVBDateTime;
        chart.usingXDataII = true;
        chart.xAxisLabel = QStringLiteral("Time");
        chart.allowZooming = sgHorzPlusVertZooming;
        chart.scrollingHorzZoom = true;
        chart.scrollingVertZoom = true;
        chart.setSubsetColor(0, PEargb(255, 0, 0, 0));
        chart.setSubsetLineType(0, sgLineThinSolid);
        chart.arrowCursor = sgArrowCursor;
        chart.yAxisColor = PEargb(255, 255, 0, 0);
    }
    chart.workingAxis = 0;
    chart.allowGraphAnnotHotSpots = true;
    return fromTemplate;
}

} // namespace quedral
