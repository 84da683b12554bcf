#pragma once

#include "graph/ui/graphunit.h"
#include "resources/artwork.h"
#include <cstdint>

namespace quedral {

// What the main window shares with the windows it makes. What the graph windows and the
// real-time recording share with it (their window references, unsaved flags, WavPlaying and
// the recording values) comes from GraphState; the main window's own child windows are kept
// by its WindowManager.
struct AppState : GraphState {
    bool MeterRecording = false;

    // The LCD glyph tables: large "LCD0" .. "LCD15", small "LCDS0" .. "LCDS9".
    GlyphTables LcdDigits;
};

} // namespace quedral
