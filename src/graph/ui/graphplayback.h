#pragma once
// The graph window's chart as the WAV player moves through it (private to the graph window's
// sources).
#include "graph/ui/graphwindow.h"
#include "wav/ui/wavplayerbar.h"

namespace quedral {

class GraphWindow::ChartPlayLine final : public wav::PlayLine {
public:
    explicit ChartPlayLine(GraphWindow& window) : m_w(window) {}
    int points() const override;
    double xAt(int index) const override;
    int playLineIndex() const override;
    void setPlayLineIndex(int index) override;
    void setPlayLine(double x, double textX) override;
    void refresh() override;

private:
    GraphWindow& m_w;
};

} // namespace quedral
