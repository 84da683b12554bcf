#pragma once
// The graph window as the WAV playback sees it (private to the graph window's sources).
#include "graph/ui/graphwindow.h"
#include "wav/wavplayback.h"
#include "wav/wavplayer.h"

namespace quedral {

class GraphWindow::PlaybackView final : public wav::PlaybackView {
public:
    explicit PlaybackView(GraphWindow& window) : m_w(window) {}
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
    GraphWindow& m_w;
};

} // namespace quedral
