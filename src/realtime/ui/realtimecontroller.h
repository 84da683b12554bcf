#pragma once
// The real-time commands of the main window: showRealTimeGraph, Run, Stop and recordReading,
// acting on the "Real-Time Graph" window through the GraphHost.
#include <QPointer>
#include <optional>

#include "graph/ui/graphwindow.h"
#include "realtime/realtimerecorder.h"

namespace quedral {

class GraphHost;

class RealTimeController {
public:
    explicit RealTimeController(GraphHost& host) : m_host(host) {}

    // Creates the "Real-Time Graph" window (caption, menu check, its RealTimeControls, newChart
    // with 500 points over RealTimeRate x 510 s, the rate's choice selected) and stores it in
    // GraphState::RealTimeGraphWindow. Returns the window.
    // The one made at start-up has no WAV player.
    GraphWindow* showRealTimeGraph(GraphWindow::WavPlayerPart wav = GraphWindow::WavPlayerPart::With);
    // The window, while it exists.
    GraphWindow* window() const;

    // Run (btnRun and Real Time > Run): the question about the points in the graph, the
    // "Real-Time Setup" dialog (shown through RealTimeSetupDialog::runModal), then the start.
    void runRealTime();
    // Stop (btnStop and Real Time > Stop); also called when the graph is full.
    void stop();
    // A reading applied by the poll, taken at time t (days; when its poll began); acts only
    // while running and while the window exists. Returns what it did when it acted.
    std::optional<SampleOutcome> recordReading(float level, double t);

    // Run and Stop enabled states after a change of connection (the poll's outcome):
    // connect while idle enables Run; a loss disables Run and, while running, Stop as well;
    // reconnecting while running enables Stop again (the recording goes on).
    void connectionChanged(bool connected);

private:
    GraphHost& m_host;
};

} // namespace quedral
