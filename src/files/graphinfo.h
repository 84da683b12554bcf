#pragma once
// The summary of a graph that `quedral-cli graph-info` prints.
#include <QByteArray>
#include <QString>

namespace quedral {

class ChartModel;

// Annotations that still show: a cross (type 2) or a non-empty text, not parked at X = Y = 0
// (where the real-time window's Clear puts the ones it drops).
int liveAnnotationCount(const ChartModel& chart);

// One JSON object: "subsets", "points", "start_time" (ISO 8601 local date-time of X[0]),
// "sampling_rate" ((X[n-1] - X[0]) * 86400 / n seconds), "data_no", "average", "maximum",
// "maximum_time", "minimum", "minimum_time" (the whole-graph statistics of subset 0; levels as
// numbers, times ISO 8601; null when the chart has no samples) and "annotations".
QByteArray graphInfoJson(const ChartModel& chart);

// Loads a graph file and prints nothing: the JSON above, or false with the reason in *error.
bool graphInfoFromFile(const QString& fileName, QByteArray& json, QString* error);

} // namespace quedral
