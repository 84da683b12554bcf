#pragma once
// The graph windows' shared values: one set for all graph windows in the process.
#include <QPointer>
#include <QWidget>

namespace quedral {

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
    QPointer<QWidget> LeqGraphWindow;
};

// The drag throttle: a dragged line follows the pointer at most every 0.2 s.
constexpr double kDragThrottleDays = 2.3148148148148148e-06;

GraphUnit& graphUnit();
// Back to the start values (tests).
void resetGraphUnit();

} // namespace quedral
