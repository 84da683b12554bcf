#pragma once
// A plain plot of the level over time, drawn with any QPainter (a PDF page, an image): the
// axes with the clock times and dB, the level as a line broken where samples are missing or
// the times pause, optionally the span between cursors A and B shaded and a threshold line.
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <optional>
#include <utility>
#include <vector>

#include "stats/noisestats.h"

namespace quedral {

struct LevelPlotOptions {
    QFont font;                                     // for the labels
    std::optional<std::pair<double, double>> span;  // cursors A and B (days)
    std::optional<double> threshold;                // dB
};

// One axis tick: where (days or dB) and its label.
struct PlotTick {
    double at = 0;
    QString label;
};

// Clock-aligned ticks over [from, to] (days): the shortest step of 1 s, 2 s, 5 s ... 1 h, 2 h ...
// 1 day, 2, 7 days (then doubled) that spans [from, to] in at most maxTicks steps; labels "hh:mm:ss" for steps
// under a minute, "hh:mm" up to a day, "MM-dd" from a day on. The date "yyyy-MM-dd" goes on a
// second line of the first tick and of each tick on a new day.
std::vector<PlotTick> timeTicks(double from, double to, int maxTicks);

// The level axis: from the lowest level rounded down to 10 dB to the highest rounded up, at
// least 20 dB wide, with ticks every 5, 10 or 20 dB; 30 .. 130 dB without levels.
struct LevelAxis {
    double low = 30, high = 130, step = 10;
};
LevelAxis levelAxisFor(std::optional<double> lowest, std::optional<double> highest);

// Draws the plot into area: labels, axes and the level.
void drawLevelPlot(QPainter& painter, const QRectF& area, const LevelSeries& series, const LevelPlotOptions& options);

} // namespace quedral
