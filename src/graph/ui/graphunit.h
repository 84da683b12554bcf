#pragma once
// What the graph windows of one main window share with one another and with the main window.
// There is no process-wide copy: the host owns one set (GraphHost::graphUnit(),
// GraphHost::graphState()) and every window it makes reads and writes that set.
#include <QPointer>

#include "graph/graphstate.h"

namespace quedral {

class GraphWindow;

// The values the graph windows and the real-time recording share with the main window. The
// window references are non-owning; each window clears its own when it closes (and a deleted
// window reads as null).
struct GraphState : RecordState {
    QPointer<GraphWindow> RealTimeGraphWindow;
    QPointer<GraphWindow> DataLoggerWindow;
    bool DataLoggerUnsaved = false;
    bool WavPlaying = false;
};

// The graph windows' own shared values: one set of cursors, one annotation counter and one
// placement tool for every graph window open at once.
struct GraphUnit {
    // Cursors and the play line (vertical lines 1, 2 and 0): the sample under each.
    int CursorAIndex = 0;
    int CursorBIndex = 0;
    int PlayLineIndex = 0;
    bool DraggingCursorA = false;
    bool DraggingCursorB = false;
    bool DraggingPlayLine = false;
    double LastDragMove = 0; // when a drag began or a dragged line last moved (days)

    // Annotations: the highest index handed out, and the placement tool
    // (-99 normal pointer, 2 cross, 0 text).
    int AnnotationCount = 4;
    int PlacementTool = -99;

    bool WavPaused = false;
    // The "LEQ" window CAL Leq made last.
    QPointer<GraphWindow> LeqGraphWindow;
};

// The drag throttle: a dragged line follows the pointer at most every 0.2 s.
constexpr double kDragThrottleDays = 2.3148148148148148e-06;

} // namespace quedral
