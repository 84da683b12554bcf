#pragma once
// The rules by which the chart lays out its axes, without any widget: the tick step of the
// time axis and the range an axis shows.

namespace quedral {

// The step between ticks of a time axis (X in days) showing spanDays days with about
// tickCount ticks, in seconds: the first of 1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min,
// 1, 2, 3, 6, 12 h, 1, 2, 7 days that is at least span / tickCount; longer views take whole
// days on a 1-2-5 pattern. A tick count below 1 counts as 1.
double timeTickStepSeconds(double spanDays, int tickCount);

struct AxisRange {
    double lower = 0;
    double upper = 1;
    bool operator==(const AxisRange&) const = default;
};

// The range of one axis. control is the chart's manual scale control (ScaleControl): the
// manual minimum, maximum or both replace the data's ends. Without data the ends are 0 and 1.
// Ends that are not finite give 0 .. 1; reversed ends are swapped; a range narrower than
// 1e-12 is widened by pad on either side.
AxisRange axisRange(int control, double manualMin, double manualMax, bool haveData, double dataMin, double dataMax,
                    double pad);

} // namespace quedral
