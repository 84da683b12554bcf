#pragma once
// The graph window as the WAV playback sees it (private to the graph window's sources).
#include "graph/window/tfrmgraph.h"
#include "wav/wavplayback.h"
#include "wav/wavplayer.h"

namespace quedral {

class TfrmGraph::PlaybackView final : public wav::PlaybackView {
public:
    explicit PlaybackView(TfrmGraph& window) : m_w(window) {}
    int points() const override;
    double xAt(int index) const override;
    int playLineIndex() const override;
    void setPlayLineIndex(int index) override;
    void setPlayLine(double x, double textX) override;
    QString playOffsetText() const override;
    void setPlayerButtons(bool play, bool pause, bool stop) override;
    void refresh() override;
    void reportError(const QString& text) override;

private:
    TfrmGraph& m_w;
};

} // namespace quedral
