#pragma once
// The process-wide values the graph windows and the real-time recording share with the main
// window (no widgets). The main window's AppState derives from GraphState, so there is one
// record; the windowless recorder keeps just a RecordState.
#include <QObject>
#include <QPointer>
#include <cstdint>

namespace quedral {

// The real-time recording values.
struct RecordState {
    bool RealTimeRunning = false;
    float RealTimeRate = 0.2f;
    std::int32_t RealTimeCount = 0;
    bool RealTimeUnsaved = false;
    float RealTimeMax = 0;
    float RealTimeMin = 0;
    double RealTimeMaxTime = 0;
    double RealTimeMinTime = 0;
    float RealTimeLastValid = 0;
    double RealTimeLastSample = 0;
};

// What the graph windows read and write besides the recording values. The window references
// are non-owning; each window clears its own when it closes (and a deleted window reads as
// null).
struct GraphState : RecordState {
    QPointer<QObject> RealTimeGraphWindow;
    QPointer<QObject> DataLoggerWindow;
    bool DataLoggerUnsaved = false;
    bool WavPlaying = false;
};

} // namespace quedral
