#include "report/levelplot.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>

#include "base/datetime.h"

namespace quedral {

std::vector<PlotTick> timeTicks(double from, double to, int maxTicks)
{
    static const double kSteps[] = {1,    2,    5,     10,    15,    30,    60,    120,    300,    600,
                                    900,  1800, 3600,  7200,  10800, 21600, 43200, 86400, 172800, 604800};
    std::vector<PlotTick> ticks;
    if (!(to > from) || maxTicks < 1)
        return ticks;
    const double span = (to - from) * 86400.0;
    double step = kSteps[std::size(kSteps) - 1];
    for (double s : kSteps) {
        if ((span - 1e-3) / s <= maxTicks) { // a millisecond's rounding aside
            step = s;
            break;
        }
    }
    while ((span - 1e-3) / step > maxTicks)
        step *= 2;
    const QString format = step < 60      ? QStringLiteral("hh:mm:ss")
                           : step < 86400 ? QStringLiteral("hh:mm")
                                          : QStringLiteral("yyyy-MM-dd");
    QDate lastDate;
    for (double s = std::ceil(from * 86400.0 / step - 1e-9) * step; s <= to * 86400.0 + 1e-6; s += step) {
        const double at = s / 86400.0;
        const QDateTime t = fromDays(at);
        QString label = t.toString(format);
        if (step < 86400 && t.date() != lastDate)
            label += QLatin1Char('\n') + t.toString(QStringLiteral("yyyy-MM-dd"));
        lastDate = t.date();
        ticks.push_back({at, label});
    }
    return ticks;
}

LevelAxis levelAxisFor(std::optional<double> lowest, std::optional<double> highest)
{
    LevelAxis axis;
    if (!lowest || !highest)
        return axis;
    axis.low = std::floor(*lowest / 10.0) * 10.0;
    axis.high = std::ceil(*highest / 10.0) * 10.0;
    if (axis.high - axis.low < 20)
        axis.high = axis.low + 20;
    const double width = axis.high - axis.low;
    axis.step = width <= 20 ? 5 : width <= 100 ? 10 : 20;
    return axis;
}

namespace {

// Where the plot's samples and levels go in the plot's rectangle.
struct PlotFrame {
    QRectF plot;
    LevelAxis axis;
    double t0 = 0, t1 = 1; // days
    double x(double t) const { return plot.left() + (t - t0) / (t1 - t0) * plot.width(); }
    double y(double level) const { return plot.bottom() - (level - axis.low) / (axis.high - axis.low) * plot.height(); }
};

// The level of one column of the plot: the first, last, lowest and highest level of the
// samples that fall in it, and whether the line breaks before it.
struct Column {
    bool used = false;
    bool breakBefore = false;
    float first = 0, last = 0, low = 0, high = 0;
};

std::vector<Column> columnsOf(const LevelSeries& series, double t0, double t1, int count)
{
    std::vector<Column> columns(static_cast<std::size_t>(count));
    const std::size_t n = std::min(series.times.size(), series.levels.size());
    const double pause = 1.5 * series.interval / 86400.0;
    bool broken = true;
    double previous = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const float level = series.levels[i];
        const double t = series.times[i];
        if (i > 0 && t - previous > pause)
            broken = true;
        previous = t;
        if (!isCountedLevel(level)) {
            broken = true;
            continue;
        }
        const int c = std::clamp(static_cast<int>((t - t0) / (t1 - t0) * count), 0, count - 1);
        Column& col = columns[static_cast<std::size_t>(c)];
        if (!col.used) {
            col = {true, broken, level, level, level, level};
        } else {
            col.last = level;
            col.low = std::min(col.low, level);
            col.high = std::max(col.high, level);
            col.breakBefore = col.breakBefore || broken; // a break inside a column: not shown
        }
        broken = false;
    }
    return columns;
}

void drawLevelLine(QPainter& p, const PlotFrame& f, const std::vector<Column>& columns)
{
    const QRectF& plot = f.plot;
    const double colWidth = plot.width() / static_cast<double>(columns.size());
    QPainterPath path;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& col = columns[c];
        if (!col.used)
            continue;
        const double x = plot.left() + (static_cast<double>(c) + 0.5) * colWidth;
        if (col.breakBefore || path.elementCount() == 0)
            path.moveTo(x, f.y(col.first));
        else
            path.lineTo(x, f.y(col.first));
        if (col.low != col.high) {
            path.lineTo(x, f.y(col.low));
            path.lineTo(x, f.y(col.high));
        }
        path.lineTo(x, f.y(col.last));
        if (col.low == col.high && col.breakBefore) // a lone sample shows as a dot
            path.lineTo(x + colWidth * 0.5, f.y(col.last));
    }
    p.drawPath(path);
}

// The grid, the ticks' labels and the level axis' title.
void drawAxes(QPainter& p, const QRectF& area, const PlotFrame& f, const QFontMetricsF& fm, double pt)
{
    const double line = fm.height();
    const QPen grid(QColor(200, 200, 200), 0.5 * pt);
    for (double level = f.axis.low; level <= f.axis.high + 1e-9; level += f.axis.step) {
        p.setPen(grid);
        p.drawLine(QPointF(f.plot.left(), f.y(level)), QPointF(f.plot.right(), f.y(level)));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), f.y(level) - line / 2, f.plot.left() - area.left() - 3 * pt, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(level, 'f', 0));
    }
    const double labelWidth = fm.horizontalAdvance(QStringLiteral("0000-00-00")) * 1.3;
    const int maxTicks = std::max(1, static_cast<int>(f.plot.width() / labelWidth));
    for (const PlotTick& tick : timeTicks(f.t0, f.t1, maxTicks)) {
        const double x = f.x(tick.at);
        p.setPen(grid);
        p.drawLine(QPointF(x, f.plot.top()), QPointF(x, f.plot.bottom() + 3 * pt));
        p.setPen(Qt::black);
        p.drawText(QRectF(x - labelWidth / 2, f.plot.bottom() + 4 * pt, labelWidth, line * 2),
                   Qt::AlignHCenter | Qt::AlignTop, tick.label);
    }
    p.save();
    p.translate(area.left() + line * 0.1, f.plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-f.plot.height() / 2, 0, f.plot.height(), line), Qt::AlignCenter, QStringLiteral("dB"));
    p.restore();
}

// The cursors' span shaded (under the grid) or its lines (over it).
void drawSpan(QPainter& p, const PlotFrame& f, const std::pair<double, double>& span, bool shade,
              const QFontMetricsF& fm, double pt)
{
    if (shade) {
        const double a = std::clamp(f.x(span.first), f.plot.left(), f.plot.right());
        const double b = std::clamp(f.x(span.second), f.plot.left(), f.plot.right());
        p.fillRect(QRectF(QPointF(std::min(a, b), f.plot.top()), QPointF(std::max(a, b), f.plot.bottom())),
                   QColor(220, 228, 240));
        return;
    }
    p.setPen(QPen(QColor(60, 60, 60), 0.6 * pt));
    for (auto [t, name] : {std::pair{span.first, "A"}, std::pair{span.second, "B"}}) {
        p.drawLine(QPointF(f.x(t), f.plot.top()), QPointF(f.x(t), f.plot.bottom()));
        p.drawText(QPointF(f.x(t) + 2 * pt, f.plot.top() + fm.ascent()), QLatin1String(name));
    }
}

} // namespace

void drawLevelPlot(QPainter& p, const QRectF& area, const LevelSeries& series, const LevelPlotOptions& options)
{
    p.save();
    p.setFont(options.font);
    const QFontMetricsF fm(options.font, p.device());
    const double pt = p.device()->logicalDpiX() / 72.0;
    const double line = fm.height();
    PlotFrame f;
    f.plot = area.adjusted(fm.horizontalAdvance(QStringLiteral("130")) + line * 1.6, line * 0.6,
                           -fm.horizontalAdvance(QStringLiteral("00:00:00")) * 0.6, -line * 2.6);
    const std::size_t n = std::min(series.times.size(), series.levels.size());
    std::optional<double> lowest, highest;
    for (std::size_t i = 0; i < n; ++i) {
        const float level = series.levels[i];
        if (!isCountedLevel(level))
            continue;
        lowest = std::min<double>(lowest.value_or(level), level);
        highest = std::max<double>(highest.value_or(level), level);
    }
    f.axis = levelAxisFor(lowest, highest);
    f.t0 = n > 0 ? series.times[0] : 0;
    f.t1 = n > 0 ? series.times[n - 1] : 0;
    if (!(f.t1 > f.t0))
        f.t1 = f.t0 + std::max(series.interval, 1.0) / 86400.0;

    if (options.span)
        drawSpan(p, f, *options.span, true, fm, pt);
    drawAxes(p, area, f, fm, pt);
    p.setPen(QPen(Qt::black, 0.8 * pt));
    p.drawRect(f.plot);
    p.setClipRect(f.plot);
    if (options.threshold) {
        p.setPen(QPen(QColor(190, 30, 30), 0.8 * pt, Qt::DashLine));
        p.drawLine(QPointF(f.plot.left(), f.y(*options.threshold)), QPointF(f.plot.right(), f.y(*options.threshold)));
    }
    if (options.span)
        drawSpan(p, f, *options.span, false, fm, pt);
    p.setPen(QPen(QColor(20, 60, 150), 0.7 * pt, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const int columns = std::max(1, static_cast<int>(f.plot.width() / (0.5 * pt)));
    drawLevelLine(p, f, columnsOf(series, f.t0, f.t1, columns));
    if (!lowest) {
        p.setPen(Qt::black);
        p.drawText(f.plot, Qt::AlignCenter, QStringLiteral("no level to show"));
    }
    p.restore();
}

} // namespace quedral
