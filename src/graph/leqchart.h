#pragma once
// Charts of a level and its running Leq: the "LEQ" window of "CAL Leq" and the Leq window's Graph.
#include <optional>

namespace quedral {

class ChartModel;

// newChart with two subsets, "SPL" (opaque black) and "Leq" (opaque red), X from minX to maxX,
// Y 30 .. 130.
void newSplLeqChart(ChartModel& chart, int points, double minX, double maxX);

// "CAL Leq": a fresh SPL/Leq chart in target with the source's points (X and subset 0's
// levels copied) and the running Leq of those levels up to the first one past the data; later
// Leq points keep their nulls. The last Leq, or nullopt when the first level already ends the
// data.
std::optional<float> putLeqOfGraph(const ChartModel& source, ChartModel& target);

} // namespace quedral
