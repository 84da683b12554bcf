#include "stats/statistics.h"

#include <algorithm>

namespace quedral {

GraphStats computeGraphStatistics(std::span<const double> x, std::span<const float> y)
{
    GraphStats s;
    const int n = static_cast<int>(std::min(x.size(), y.size()));
    s.count = n;
    if (n == 0)
        return s;
    s.startTime = x[0];
    s.samplingRate = (x[n - 1] - x[0]) * 86400.0 / n;
    double sum = 0;
    float mx = -9999.0f, mn = 9999.0f;
    int imx = 0, imn = 0;
    for (int i = 0; i < n; ++i) {
        const float v = y[i];
        sum += v;
        if (v > mx) {
            mx = v;
            imx = i;
        }
        if (v < mn) {
            mn = v;
            imn = i;
        }
    }
    s.hasAverage = true;
    s.average = sum / n;
    s.maximum = mx;
    s.maximumIndex = imx;
    s.minimum = mn;
    s.minimumIndex = imn;
    return s;
}

CursorStats computeCursorStatistics(std::span<const double> x, std::span<const float> y, int aIndex, int bIndex)
{
    CursorStats c;
    const int n = static_cast<int>(std::min(x.size(), y.size()));
    if (n == 0)
        return c;
    aIndex = std::clamp(aIndex, 0, n - 1);
    bIndex = std::clamp(bIndex, 0, n - 1);
    c.a = y[aIndex];
    c.aTime = x[aIndex];
    c.b = y[bIndex];
    c.bTime = x[bIndex];
    const int lo = std::min(aIndex, bIndex), hi = std::max(aIndex, bIndex);
    double sum = 0;
    for (int i = lo; i <= hi; ++i) {
        const float v = y[i];
        sum += v;
        if (v > c.maxBetween) {
            c.maxBetween = v;
            c.maxTime = x[i];
        }
        if (v < c.minBetween) {
            c.minBetween = v;
            c.minTime = x[i];
        }
    }
    c.hasAverage = true;
    c.average = sum / (hi - lo + 1);
    return c;
}

int nearestSample(std::span<const double> x, double dataX)
{
    const int n = static_cast<int>(x.size());
    if (n <= 1)
        return 0;
    // The search's upper bound starts one past the last sample; keep the answer on a sample.
    int lo = 0, hi = n;
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (x[mid] > dataX)
            hi = mid;
        else if (x[mid] < dataX)
            lo = mid;
        else
            lo = hi = mid;
    }
    if (hi >= n)
        return n - 1;
    return (dataX - x[lo] < x[hi] - dataX) ? lo : hi;
}

QString statisticExportText(const StatisticTexts& t)
{
    const QString at = QStringLiteral("@");
    const QString lines[11] = {
        QStringLiteral("Start Time:") + t.startTime,
        QStringLiteral("Sampling Rate:") + t.samplingRate,
        QStringLiteral("DataNo:") + t.dataNo,
        QStringLiteral("Avg.:") + t.average,
        QStringLiteral("Maximum:") + t.maximum + at + t.maximumTime,
        QStringLiteral("Minimum:") + t.minimum + at + t.minimumTime,
        QStringLiteral("Cursor A:") + t.cursorA + at + t.cursorATime,
        QStringLiteral("Cursor B:") + t.cursorB + at + t.cursorBTime,
        QStringLiteral("Max.Between A and B:") + t.maxBetween + at + t.maxBetweenTime,
        QStringLiteral("Min.Between A and B:") + t.minBetween + at + t.minBetweenTime,
        QStringLiteral("Avg. Between A and B:") + t.averageBetween,
    };
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    return text;
}

} // namespace quedral
