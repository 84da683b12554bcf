#include "stats/noisereport.h"

namespace quedral {

NoiseReport computeNoiseReport(const LevelSeries& series, SampleSpan span, const NoiseReportOptions& options)
{
    NoiseReport r;
    r.statistics = computeNoiseStatistics(series, span, options.n);
    if (options.threshold) {
        r.timeAbove = timeAbove(series, span, *options.threshold);
        r.events = findEvents(series, span, *options.threshold, options.minDuration);
    }
    if (options.blocks)
        r.blocks = blockStatistics(series, span, *options.blocks);
    r.lden = ldenOverWholeDays(series, span, options.periods);
    return r;
}

} // namespace quedral
