#pragma once

#include "meter/frames.h"
#include "meter/meterlink.h"
#include "realtime/recordsession.h"
#include "resources/artwork.h"
#include <array>
#include <cstdint>

class QWidget;

namespace quedral {

class TfrmAbout;
class TfrmPanel;

// The process-wide record of the main window. Window references are
// non-owning: each window clears its own field when it closes. The real-time
// recording values (RealTimeRunning, RealTimeRate, RealTimeCount, ...) come from
// RecordState, which the windowless recorder uses too.
struct AppState : RecordState {
    std::uint16_t VendorId = MeterLink::VendorId;
    std::uint16_t ProductId = MeterLink::ProductId;
    std::int32_t BytesPerSample = 2;

    QWidget* RealTimeGraphWindow = nullptr;
    QWidget* DataLoggerWindow = nullptr;
    QWidget* LeqWindow = nullptr;
    TfrmPanel* PanelWindow = nullptr;
    TfrmAbout* AboutWindow = nullptr;

    bool BlinkBusy = false;
    bool BlinkPhase = false;

    bool DataLoggerUnsaved = false;
    bool WavPlaying = false;

    bool MeterRecording = false;
    std::uint8_t ClockShown = 0;

    static constexpr CommandFrame EraseCommand = kEraseFrame;

    // The LCD glyph tables: large "LCD0" .. "LCD15", small "LCDS0" .. "LCDS9".
    GlyphTables LcdDigits;
};

} // namespace quedral
