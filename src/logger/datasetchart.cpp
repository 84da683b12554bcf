#include "logger/datasetchart.h"

#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "logger/datasets.h"

namespace quedral {

void putDataSet(ChartModel& chart, const DataSetStore& store, int n)
{
    const DataSetSpan s = store.Span(n);
    resetChart(chart, 1, static_cast<int>(s.count), s.start, s.end, 30.0f, 130.0f);
    // A set whose start could not be read is timed from 0, which resetChart takes as "keep the
    // X scale": it would keep the scale of the set shown before.
    chart.manualScaleControlX = sgManualMinAndMax;
    chart.manualMinX = s.start;
    chart.manualMaxX = s.end;
    chart.setBulkXData(store.SampleTimes.data() + s.first, s.count);
    chart.setBulkYData(store.Levels.data() + s.first, s.count);
}

} // namespace quedral
