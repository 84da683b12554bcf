#pragma once
// Recording the displayed level into a chart, one point per sampling interval, without any
// window: the graph window's Run, recordReading and Stop use it, and so does the command-line
// recorder. Times are days since 30 Dec 1899; levels dB.
#include <cstdint>

namespace quedral {

class ChartModel;

// The process-wide recording values the recorder reads and writes (RecordState's fields of the
// same names). Built from any record that has them: the main window's state or a session's.
struct RealTimeVars {
    bool& RealTimeRunning;
    float& RealTimeRate;
    std::int32_t& RealTimeCount;
    bool& RealTimeUnsaved;
    float& RealTimeMax;
    float& RealTimeMin;
    double& RealTimeMaxTime;
    double& RealTimeMinTime;
    float& RealTimeLastValid;
    double& RealTimeLastSample;

    template <class State>
    explicit RealTimeVars(State& s)
        : RealTimeRunning(s.RealTimeRunning), RealTimeRate(s.RealTimeRate), RealTimeCount(s.RealTimeCount),
          RealTimeUnsaved(s.RealTimeUnsaved), RealTimeMax(s.RealTimeMax), RealTimeMin(s.RealTimeMin),
          RealTimeMaxTime(s.RealTimeMaxTime), RealTimeMinTime(s.RealTimeMinTime),
          RealTimeLastValid(s.RealTimeLastValid), RealTimeLastSample(s.RealTimeLastSample)
    {
    }
};

// A level is plausible from 20.0 to 140.0 dB, both included.
constexpr float kLowestPlausible = 20.0f;
constexpr float kHighestPlausible = 140.0f;
// An implausible level is replaced by the last accepted one only when that is above this.
constexpr float kLastValidFloor = 30.0f;
// The time axis: 100 s at the start, then 30 s more whenever a point passes its end.
constexpr double kInitialSpanDays = 0.0011574074;
constexpr double kGrowSpanDays = 0.00034722222;

// Readings come at the poll ticks, every 500 ms, give or take what the USB exchange adds. A
// sampling slot is due when a reading is at most half a poll period early, so that a jittered
// tick still fills its slot: at 0.5 s every poll is taken, at 2 s every fourth.
constexpr double kSlotToleranceDays = 0.25 / 86400.0;
// Whether a reading at t (days) falls into a new slot after the one taken at last.
inline bool sampleSlotDue(double rateSeconds, double last, double t)
{
    // The rounding allowance keeps a reading exactly on the boundary in.
    constexpr double kRoundingDays = 1e-10;
    return t - last + kRoundingDays >= rateSeconds / 86400.0 - kSlotToleranceDays;
}

// What one recordReading did.
struct SampleOutcome {
    bool slotTaken = false; // the sampling interval had passed (the slot is used up either way)
    bool written = false;   // a point was written
    int index = -1;         // its index
    double time = 0;        // its X
    float level = 0;        // its Y (the replacement when the reading was implausible)
    bool newMaximum = false;
    bool newMinimum = false;
    bool axisGrown = false; // ManualMaxX moved on
    bool full = false;      // the chart is full: the caller stops the recording
};

// What Stop left in the chart.
struct StopOutcome {
    int count = 0;
    double average = 0; // over the recorded points; 0 when there are none
    double cursorA = 0; // where cursor A and B go (X), a third and two thirds along
    double cursorB = 0;
};

class RealTimeRecorder {
public:
    RealTimeRecorder(ChartModel& chart, RealTimeVars vars) : m_chart(chart), m_vars(vars) {}

    ChartModel& chart() { return m_chart; }
    RealTimeVars& vars() { return m_vars; }

    // Run's start: rate and capacity taken, the chart emptied, maximum and minimum reset, the
    // time axis set to t0 .. t0 + 100 s, cursors A and B placed at a third and two thirds of
    // the (empty) data, running. A negative count counts as 0.
    void start(int count, double rate, double t0);

    // One reading applied at time t. Does nothing unless running and the interval since the
    // last slot has passed. Never writes outside the chart.
    SampleOutcome recordSample(float level, double t);

    // Stop's chart work at time t: not running any more; the chart shrunk to the points
    // written; ManualMaxX = t; the cursors placed over the recorded points.
    StopOutcome stop(double t);

private:
    ChartModel& m_chart;
    RealTimeVars m_vars;
};

// Whether a chart refresh is due after a point: after every point, except with the 0.5 s
// item selected, where only after points that leave the count even.
inline bool refreshAfterPoint(int rateItem, int count)
{
    return rateItem != 0 || count % 2 == 0;
}

} // namespace quedral
