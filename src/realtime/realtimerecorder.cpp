#include "realtime/realtimerecorder.h"

#include <algorithm>

#include "chart/chartmodel.h"
#include "base/datetime.h"

namespace quedral {

namespace {
void placeCursors(ChartModel& chart, int count, double& a, double& b)
{
    const double x0 = chart.xDataII(0, 0);
    const double x1 = chart.xDataII(0, std::max(count - 1, 0));
    a = x0 + (x1 - x0) / 3;
    b = x0 + 2 * (x1 - x0) / 3;
    chart.vertLines[1].x = a;
    chart.vertLines[2].x = b;
}
} // namespace

void RealTimeRecorder::start(int count, double rate, double t0)
{
    m_vars.RealTimeRate = static_cast<float>(rate);
    m_chart.setPoints(std::max(count, 0));
    m_chart.clearData();
    m_vars.RealTimeCount = 0;
    m_vars.RealTimeMax = -9999.0f;
    m_vars.RealTimeMin = 9999.0f;
    m_chart.manualMinX = t0;
    m_chart.manualMaxX = t0 + kInitialSpanDays;
    double a = 0, b = 0;
    placeCursors(m_chart, m_chart.points(), a, b);
    m_vars.RealTimeRunning = true;
    m_vars.RealTimeLastValid = 0;
}

SampleOutcome RealTimeRecorder::recordSample(float level, double t)
{
    SampleOutcome out;
    if (!m_vars.RealTimeRunning)
        return out;
    if (!sampleSlotDue(m_vars.RealTimeRate, m_vars.RealTimeLastSample, t))
        return out;
    m_vars.RealTimeLastSample = t;
    out.slotTaken = true;

    if (level > kHighestPlausible || !(level >= kLowestPlausible)) {
        if (m_vars.RealTimeLastValid > kLastValidFloor)
            level = m_vars.RealTimeLastValid;
        else
            return out;
    } else {
        m_vars.RealTimeLastValid = level;
    }

    const int index = m_vars.RealTimeCount;
    if (index >= m_chart.points()) {
        // Nothing fits (a capacity of 0): stop without writing past the end.
        out.full = true;
        return out;
    }
    m_vars.RealTimeUnsaved = true;
    if (level > m_vars.RealTimeMax) {
        m_vars.RealTimeMax = level;
        m_vars.RealTimeMaxTime = t;
        out.newMaximum = true;
    }
    if (level < m_vars.RealTimeMin) {
        m_vars.RealTimeMin = level;
        m_vars.RealTimeMinTime = t;
        out.newMinimum = true;
    }
    m_chart.setXDataII(0, index, t);
    m_chart.setYData(0, index, level);
    m_vars.RealTimeCount = index + 1;
    out.written = true;
    out.index = index;
    out.time = t;
    out.level = level;
    if (m_chart.manualMaxX < t) {
        m_chart.manualMaxX = t + kGrowSpanDays;
        out.axisGrown = true;
    }
    out.full = m_vars.RealTimeCount > m_chart.points() - 1;
    return out;
}

StopOutcome RealTimeRecorder::stop(double t)
{
    m_vars.RealTimeRunning = false;
    StopOutcome out;
    const int count = std::clamp(m_vars.RealTimeCount, 0, m_chart.points());
    if (m_chart.points() > count)
        m_chart.setPoints(count);
    m_chart.manualMaxX = t;
    out.count = count;
    if (count > 0) {
        double sum = 0;
        for (float y : m_chart.yValues(0).first(static_cast<size_t>(count)))
            sum += y;
        out.average = sum / count;
    }
    placeCursors(m_chart, count, out.cursorA, out.cursorB);
    return out;
}

} // namespace quedral
