#pragma once
#include <QString>
#include <cstdint>
#include <span>

namespace quedral {

// Whole-graph statistics over subset 0 (every sample counts, null samples included).
struct GraphStats {
    int count = 0;
    double startTime = 0;     // X[0]
    double samplingRate = 0;  // (X[n-1] - X[0]) * 86400 / n seconds
    bool hasAverage = false;  // false when there are no samples
    double average = 0;       // arithmetic mean of the dB values
    float maximum = -9999.0f;
    int maximumIndex = 0;     // first of equal maxima
    float minimum = 9999.0f;
    int minimumIndex = 0;     // first of equal minima
};

GraphStats computeGraphStatistics(std::span<const double> x, std::span<const float> y);

// Statistics between the two cursors, both ends included; B may lie left of A.
struct CursorStats {
    float a = 0, b = 0;
    double aTime = 0, bTime = 0;
    float maxBetween = -99999.0f;
    double maxTime = 0;
    float minBetween = 99999.0f;
    double minTime = 0;
    bool hasAverage = false;
    double average = 0;
};

// Indices are clamped into 0 .. n-1; n must be at least 1.
CursorStats computeCursorStatistics(std::span<const double> x, std::span<const float> y, int aIndex, int bIndex);

// The index of the sample nearest to data X (binary search over ascending X; a tie goes to
// the later sample), kept within 0 .. n-1. n must be at least 1.
int nearestSample(std::span<const double> x, double dataX);

// The texts of a graph window's statistic boxes, as shown.
struct StatisticTexts {
    QString startTime, samplingRate, dataNo, average;
    QString maximum, maximumTime, minimum, minimumTime;
    QString cursorA, cursorATime, cursorB, cursorBTime;
    QString maxBetween, maxBetweenTime, minBetween, minBetweenTime, averageBetween;
};

// The text "Export Statistic" puts on the clipboard: eleven lines, each ended by a line feed,
// "Caption:" and the box texts with no blank after the colon; a value and its time are joined
// by "@". Empty boxes give empty values, never fewer lines.
QString statisticExportText(const StatisticTexts& t);

} // namespace quedral
