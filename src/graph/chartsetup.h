#pragma once
// Preparing a chart before data is written into it.
#include <QString>

namespace quedral {

class ChartModel;

// Where every new chart takes its appearance from, when the file exists:
// DataDir::file("template/graph.ghf").
QString chartTemplateFile();

// Keeps a chart's look as the template every new chart starts from. The template folder is
// made when missing; when it cannot be, *error says "Cannot create <folder>/ directory." and
// nothing is written. The template holds the look only: the samples and the graph annotations
// of the chart stay out of it. False when nothing was written (*error says why).
bool saveChartTemplate(const ChartModel& chart, QString* error = nullptr);

// Empties and rescales a chart without touching its look or its lines: every sample reads
// X = 0 and Y = null afterwards; the Y scale becomes minY..maxY; the X scale becomes
// minX..maxX only when minX is not 0 (otherwise it stays as it was).
void resetChart(ChartModel& chart, int subsets, int points, double minX, double maxX, float minY, float maxY);

// Lays out a fresh chart: loads the template when there is one (a template that cannot be
// read counts as none), then does resetChart's work, places the three vertical lines
// (play line 0 at minX, cursor A at a third, cursor B at two thirds of the X range) and,
// without a template, sets the default look. Returns true when the template was loaded.
bool newChart(ChartModel& chart, int subsets, int points, double minX, double maxX, float minY, float maxY);

// The vertical lines' colours as newChart sets them and a drag release puts them back.
namespace linecolors {
inline constexpr unsigned PlayLine = 0x00008000u; // dark green
inline constexpr unsigned CursorA = 0xFFFF0000u;  // PEargb(255, 0, 0, 255), blue
inline constexpr unsigned CursorB = 0x000000FFu;  // red
} // namespace linecolors

} // namespace quedral
