#include "graph/leqchart.h"

#include <span>
#include <vector>

#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "stats/leqmath.h"

namespace quedral {

void newSplLeqChart(ChartModel& chart, int points, double minX, double maxX)
{
    newChart(chart, 2, points, minX, maxX, 30, 130);
    chart.setSubsetLabel(0, QStringLiteral("SPL"));
    chart.setSubsetColor(0, PEargb(255, 0, 0, 0));
    chart.setSubsetLabel(1, QStringLiteral("Leq"));
    chart.setSubsetColor(1, PEargb(255, 255, 0, 0));
}

std::optional<float> putLeqOfGraph(const ChartModel& source, ChartModel& target)
{
    const int n = source.points();
    // Reading the chart cannot fail: points outside it read X = 0 and Y = null.
    newSplLeqChart(target, n, source.xDataII(0, 0), source.xDataII(0, n - 1));

    // The running Leq stops at the first level past the data; that sample is still copied into
    // the SPL subset, and the Leq subset keeps its nulls from there on.
    const std::span<const float> levels = source.yValues(0);
    const std::vector<float> leq = runningLeq(levels.data(), static_cast<std::int64_t>(levels.size()));
    for (int k = 0; k < n; ++k) {
        const double x = source.xDataII(0, k);
        target.setXDataII(0, k, x);
        target.setXDataII(1, k, x);
        target.setYData(0, k, source.yData(0, k));
        if (k >= static_cast<int>(leq.size()))
            break;
        target.setYData(1, k, leq[static_cast<size_t>(k)]);
    }
    if (leq.empty())
        return std::nullopt;
    return leq.back();
}

} // namespace quedral
