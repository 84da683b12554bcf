#pragma once
// The real-time recording values (no widgets). The windowless recorder keeps just this record;
// the graph windows share it with the main window as part of GraphState (graph/window).
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

} // namespace quedral
