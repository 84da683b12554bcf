#pragma once

#include "meter/frames.h"
#include "meter/meterlink.h"
#include "graph/core/graphstate.h"
#include "resources/artwork.h"
#include <array>
#include <cstdint>

class QWidget;

namespace quedral {

class TfrmAbout;
class TfrmPanel;
class TfrmSetup;

// The process-wide record of the main window. Window references are
// non-owning: each window clears its own field when it closes. What the graph
// windows and the real-time recording share with it (their window references,
// unsaved flags, WavPlaying and the recording values) comes from GraphState.
struct AppState : GraphState {
    std::uint16_t VendorId = MeterLink::VendorId;
    std::uint16_t ProductId = MeterLink::ProductId;
    std::int32_t BytesPerSample = 2;

    QWidget* LeqWindow = nullptr;
    TfrmPanel* PanelWindow = nullptr;
    TfrmAbout* AboutWindow = nullptr;
    TfrmSetup* SetupWindow = nullptr;

    bool BlinkPhase = false;

    bool MeterRecording = false;
    std::uint8_t ClockShown = 0;

    static constexpr CommandFrame EraseCommand = kEraseFrame;

    // The LCD glyph tables: large "LCD0" .. "LCD15", small "LCDS0" .. "LCDS9".
    GlyphTables LcdDigits;
};

} // namespace quedral
