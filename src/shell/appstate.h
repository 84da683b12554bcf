#pragma once

#include "graph/window/graphunit.h"
#include "resources/artwork.h"
#include <cstdint>

namespace quedral {

class TfrmAbout;
class TfrmLEQ;
class TfrmPanel;
class TfrmSetup;

// The process-wide record of the main window. Window references are
// non-owning: each window clears its own field when it closes. What the graph
// windows and the real-time recording share with it (their window references,
// unsaved flags, WavPlaying and the recording values) comes from GraphState.
struct AppState : GraphState {
    TfrmLEQ* LeqWindow = nullptr;
    TfrmPanel* PanelWindow = nullptr;
    TfrmAbout* AboutWindow = nullptr;
    TfrmSetup* SetupWindow = nullptr;

    bool MeterRecording = false;

    // The LCD glyph tables: large "LCD0" .. "LCD15", small "LCDS0" .. "LCDS9".
    GlyphTables LcdDigits;
};

} // namespace quedral
