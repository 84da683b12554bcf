#include "files/graphinfo.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "files/graphfile.h"
#include "chart/chartmodel.h"
#include "stats/statistics.h"
#include "base/datetime.h"

namespace quedral {

int liveAnnotationCount(const ChartModel& chart)
{
    int n = 0;
    for (const auto& [index, a] : chart.graphAnnotations()) {
        if (a.x == 0.0 && a.y == 0.0)
            continue;
        if (a.type == sgAnnotCross || !a.text.isEmpty())
            ++n;
    }
    return n;
}

namespace {
QJsonValue isoTime(double days)
{
    return fromDays(days).toString(Qt::ISODate);
}
// Levels are floats; write them as the float's shortest decimal, not its double expansion.
QJsonValue level(float v)
{
    return QString::number(v, 'g', 7).toDouble();
}
} // namespace

QByteArray graphInfoJson(const ChartModel& chart)
{
    const GraphStats s = computeGraphStatistics(chart.xValues(0), chart.yValues(0));
    QJsonObject o;
    o["subsets"] = chart.subsets();
    o["points"] = chart.points();
    if (s.count > 0) {
        o["start_time"] = isoTime(s.startTime);
        o["sampling_rate"] = s.samplingRate;
        o["data_no"] = s.count;
        o["average"] = s.average;
        o["maximum"] = level(s.maximum);
        o["maximum_time"] = isoTime(chart.xDataII(0, s.maximumIndex));
        o["minimum"] = level(s.minimum);
        o["minimum_time"] = isoTime(chart.xDataII(0, s.minimumIndex));
    } else {
        for (const char* k : {"start_time", "sampling_rate", "average", "maximum", "maximum_time", "minimum",
                              "minimum_time"})
            o[k] = QJsonValue::Null;
        o["data_no"] = 0;
    }
    o["annotations"] = liveAnnotationCount(chart);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

bool graphInfoFromFile(const QString& fileName, QByteArray& json, QString* error)
{
    ChartModel chart;
    if (!loadChartState(chart, fileName, error))
        return false;
    json = graphInfoJson(chart);
    return true;
}

} // namespace quedral
