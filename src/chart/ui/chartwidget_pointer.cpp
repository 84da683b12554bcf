// The chart's pointer: hit tests of the lines and samples, and the mouse over the plot (zoom
// rectangle, clicks, line drags, hot spots).
#include "chart/ui/chartwidget.h"

#include <qcustomplot.h>

#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quedral {

namespace {
constexpr int kLineHitPixels = 4;
constexpr int kPointHitPixels = 6;
constexpr int kClickSlopPixels = 3;
} // namespace

// ---------------------------------------------------------------------------
// Pointer

QRect ChartWidget::plottingRect() const
{
    return m_plot->axisRect()->rect();
}

QPointF ChartWidget::pixelToData(QPointF pixel) const
{
    return {m_plot->xAxis->pixelToCoord(pixel.x()), m_plot->yAxis->pixelToCoord(pixel.y())};
}

QPointF ChartWidget::dataToPixel(double x, double y) const
{
    return {m_plot->xAxis->coordToPixel(x), m_plot->yAxis->coordToPixel(y)};
}

int ChartWidget::vertLineAt(QPoint pos) const
{
    if (!m_model.showVertLineAnnotations || !m_model.allowVertLineAnnotHotSpots || !inPlottingRect(pos))
        return -1;
    int best = -1;
    double bestDist = kLineHitPixels + 0.5;
    for (int i = 0; i < ChartModel::kVertLineCount; ++i) {
        const double d = std::abs(m_plot->xAxis->coordToPixel(m_model.vertLines[static_cast<size_t>(i)].x) - pos.x());
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

bool ChartWidget::dataPointAt(QPoint pos, int* subset, int* point) const
{
    if (!inPlottingRect(pos))
        return false;
    const QCPAxis* xa = m_plot->xAxis;
    const QCPAxis* ya = m_plot->yAxis;
    double best = kPointHitPixels * kPointHitPixels + 0.5;
    bool found = false;
    for (int s = 0; s < m_model.subsets(); ++s) {
        const auto xs = m_model.xValues(s);
        const auto ys = m_model.yValues(s);
        size_t from = 0, to = xs.size();
        if (s < static_cast<int>(m_sorted.size()) && m_sorted[static_cast<size_t>(s)]) {
            double a = xa->pixelToCoord(pos.x() - kPointHitPixels);
            double b = xa->pixelToCoord(pos.x() + kPointHitPixels);
            if (a > b)
                std::swap(a, b);
            from = static_cast<size_t>(std::lower_bound(xs.begin(), xs.end(), a) - xs.begin());
            to = static_cast<size_t>(std::upper_bound(xs.begin(), xs.end(), b) - xs.begin());
        }
        for (size_t p = from; p < to; ++p) {
            if (m_model.isNull(ys[p]))
                continue;
            const double dx = xa->coordToPixel(xs[p]) - pos.x();
            const double dy = ya->coordToPixel(ys[p]) - pos.y();
            const double d = dx * dx + dy * dy;
            if (d < best) {
                best = d;
                *subset = s;
                *point = static_cast<int>(p);
                found = true;
            }
        }
    }
    return found;
}

bool ChartWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_plot)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_lastPointer = e->position().toPoint();
        m_pressPos = m_lastPointer;
        if (e->button() == Qt::LeftButton) {
            const int line = vertLineAt(m_lastPointer);
            if (line >= 0) {
                // A press on a line starts dragging it, never a zoom rectangle.
                m_lineDrag = true;
                emit vertLineAnnotHotSpot(line);
                return true;
            }
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_lastPointer = e->position().toPoint();
        emit mouseMoved(m_lastPointer);
        if (m_lineDrag)
            return true;
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_lastPointer = e->position().toPoint();
        const bool wasLineDrag = m_lineDrag;
        m_lineDrag = false;
        emit mouseReleased(m_lastPointer);
        if (e->button() == Qt::LeftButton && (m_lastPointer - m_pressPos).manhattanLength() <= kClickSlopPixels) {
            int s = 0, p = 0;
            if (m_model.allowDataHotSpots && dataPointAt(m_lastPointer, &s, &p))
                emit dataHotSpot(s, p);
            emit clicked(m_lastPointer);
        }
        if (wasLineDrag)
            return true;
        break;
    }
    case QEvent::Wheel: {
        // While zoomed the wheel scrolls the view: sideways, or up and down with Shift.
        auto* e = static_cast<QWheelEvent*>(event);
        if (!isZoomed())
            return true;
        const double steps = e->angleDelta().y() / 120.0;
        const bool vertical = e->modifiers() & Qt::ShiftModifier;
        if (!vertical && m_model.scrollingHorzZoom && m_zoomX) {
            const double shift = (m_zoomX->second - m_zoomX->first) * 0.1 * -steps;
            m_zoomX = std::pair(m_zoomX->first + shift, m_zoomX->second + shift);
        } else if (vertical && m_model.scrollingVertZoom && m_zoomY) {
            const double shift = (m_zoomY->second - m_zoomY->first) * 0.1 * steps;
            m_zoomY = std::pair(m_zoomY->first + shift, m_zoomY->second + shift);
        }
        applyScale();
        invalidateImage();
        return true;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quedral
