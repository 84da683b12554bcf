#include "graph/chartfile.h"

#include "graph/pesgraph.h"

#include <QFile>

namespace quedral {

bool SaveChartState(const PESGraph& chart, const QString& fileName, QString* error)
{
    return SaveChartState(chart.model(), fileName, error);
}

bool LoadChartState(PESGraph& chart, const QString& fileName, QString* error)
{
    // Read into a copy first so a damaged file leaves the chart (and its view) alone.
    ChartModel loaded;
    if (!LoadChartState(loaded, fileName, error))
        return false;
    chart.setModel(std::move(loaded));
    return true;
}

} // namespace quedral
