#include "chart/axisrules.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "chart/chartmodel.h"

namespace quedral {

namespace {
constexpr double kSecondsPerDay = 86400.0;
}

double timeTickStepSeconds(double spanDays, int tickCount)
{
    const double wanted = spanDays * kSecondsPerDay / std::max(1, tickCount);
    static constexpr double kSteps[] = {1,    2,    5,     10,    15,    30,    60,    120,    300,    600,
                                        900,  1800, 3600,  7200,  10800, 21600, 43200, 86400,  172800, 604800};
    for (double s : kSteps)
        if (s >= wanted)
            return s;
    // Longer views: whole days, rounded to a 1-2-5 pattern.
    const double days = wanted / kSecondsPerDay;
    const double mag = std::pow(10.0, std::floor(std::log10(days)));
    const double m = days / mag;
    const double step = (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * mag;
    return step * kSecondsPerDay;
}

AxisRange axisRange(int control, double manualMin, double manualMax, bool haveData, double dataMin, double dataMax,
                    double pad)
{
    double lo = haveData ? dataMin : 0.0;
    double hi = haveData ? dataMax : 1.0;
    if (control == sgManualMin || control == sgManualMinAndMax)
        lo = manualMin;
    if (control == sgManualMax || control == sgManualMinAndMax)
        hi = manualMax;
    if (!(std::isfinite(lo) && std::isfinite(hi)))
        lo = 0, hi = 1;
    if (hi < lo)
        std::swap(lo, hi);
    if (hi - lo < 1e-12) {
        lo -= pad;
        hi += pad;
    }
    return {lo, hi};
}

} // namespace quedral
