#pragma once
// Real-time recording without a window, for unattended logging (quedral-cli record): polls
// the meter as the main window does, records the displayed level with recordReading's rules
// at the poll ticks until the chart is full, and saves the chart as a graph file.
#include <QString>
#include <optional>

#include "chart/chartmodel.h"
#include "graph/graphstate.h"
#include "meter/poller.h"
#include "realtime/realtimerecorder.h"

namespace quedral {

class RecordSession {
public:
    // points: how many points to record (at least 1); rate: seconds between points.
    RecordSession(Poller& poller, int points, double rate);

    struct Tick {
        PollOutcome outcome = PollOutcome::ProbeFailed;
        bool started = false;               // this tick started the recording (first connection)
        std::optional<SampleOutcome> sample; // a reading was offered to recordReading
        bool finished = false;              // the chart is full (finish() has run)
    };
    // One poll tick at the clock's now.
    Tick tick();
    // Stop: the chart keeps exactly the recorded points. Safe to call more than once.
    StopOutcome finish();
    bool isFinished() const { return m_finished; }
    bool isStarted() const { return m_started; }

    bool save(const QString& fileName, QString* error) const;
    const ChartModel& chart() const { return m_chart; }
    const RecordState& state() const { return m_state; }

    // "YYYY-MM-DDTHH:MM:SS<TAB>85.3": how the command prints a written point.
    static QString pointLine(const SampleOutcome& s);

private:
    Poller& m_poller;
    ChartModel m_chart;
    RecordState m_state;
    int m_points;
    double m_rate;
    bool m_started = false;
    bool m_finished = false;
    StopOutcome m_stop;
};

} // namespace quedral
