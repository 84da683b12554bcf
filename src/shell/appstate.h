#pragma once

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
    std::uint16_t VendorId = 0x04D9;
    std::uint16_t ProductId = 0xE000;
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

    static constexpr std::array<std::uint8_t, 7> EraseCommand{0x02, 'e', 'r', 'a', 's', 'e', 0x03};

    // The LCD glyph tables: large "LCD0" .. "LCD15", small "LCDS0" .. "LCDS9".
    GlyphTables LcdDigits;
};

} // namespace quedral
