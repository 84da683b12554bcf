#pragma once
// The graph window's annotation tools: the placement tool (normal pointer, cross, text), the
// crosses and texts a click places, the label of a data hot spot and "Erase Annotation".
#include <functional>

class QWidget;

namespace quedral {

class ChartWidget;
struct GraphUnit;

class AnnotationTools {
public:
    // `refresh` redraws the chart after a change; `dialogParent` parents the text entry and
    // "Erase Annotation". The placement tool and the annotation count are the host's, shared
    // by its graph windows.
    AnnotationTools(ChartWidget& chart, GraphUnit& unit, QWidget* dialogParent, std::function<void()> refresh);

    // The placement tools: the pointer over the chart and GraphUnit::PlacementTool.
    void useNormalPointer();
    void useCross();
    void useText();
    // A click on the chart with a tool chosen places a cross or (after the text entry) a text.
    void placeAtPointer();
    // A data hot spot labels the sample with its time and level (annotation 2).
    void labelDataPoint(int subset, int point);
    // "Erase Annotation": lists the crosses and texts, erases the chosen range.
    void eraseChosen();
    // Moves every annotation from 3 on out of sight and hands out indices after 3 again.
    void clearPlaced();

private:
    ChartWidget& m_chart;
    GraphUnit& m_unit;
    QWidget* m_dialogParent;
    std::function<void()> m_refresh;
};

} // namespace quedral
