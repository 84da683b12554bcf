#include "chart/ui/chartwidget.h"

#include "chart/axisrules.h"
#include "chart/ui/customizedialog.h"
#include "base/datetime.h"
#include "base/prompter.h"

#include <qcustomplot.h>

#include <QMouseEvent>
#include <QPrinter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quedral {

namespace {

constexpr double kSecondsPerDay = 86400.0;

QPen linePen(Argb color, int lineType)
{
    QPen pen(toQColor(color));
    switch (lineType) {
    case sgLineDash: pen.setStyle(Qt::DashLine); break;
    case sgLineDot: pen.setStyle(Qt::DotLine); break;
    case sgLineDashDot: pen.setStyle(Qt::DashDotLine); break;
    case sgLineDashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
    case sgLineMediumSolid: pen.setWidthF(2.0); break;
    case sgLineThickSolid: pen.setWidthF(3.0); break;
    default: break;
    }
    return pen;
}

QFont makeFont(const ChartFont& f, int defaultPointSize, bool defaultBold = false)
{
    QFont font;
    if (!f.family.isEmpty())
        font.setFamily(f.family);
    font.setPointSize(f.pointSize > 0 ? f.pointSize : defaultPointSize);
    font.setBold(f.bold || defaultBold);
    font.setItalic(f.italic);
    return font;
}

// Ticks for X values in days since 30 Dec 1899: steps of whole seconds, minutes,
// hours or days, labelled with the time (and the date when the view spans days).
class DaysTicker : public QCPAxisTicker {
public:
protected:
    double getTickStep(const QCPRange& range) override
    {
        m_span = range.size();
        m_step = timeTickStepSeconds(range.size(), tickCount());
        return m_step / kSecondsPerDay;
    }
    QString getTickLabel(double tick, const QLocale& locale, QChar, int) override
    {
        const QDateTime t = fromDays(tick);
        const QString date = locale.toString(t.date(), QLocale::ShortFormat);
        if (m_step >= kSecondsPerDay)
            return date;
        const QString time = t.time().toString(QStringLiteral("hh:mm:ss"));
        return m_span >= 1.0 ? time + QLatin1Char('\n') + date : time;
    }

private:
    double m_step = 1;
    double m_span = 0;
};

} // namespace

// Draws the three vertical lines with their texts and the graph annotations
// straight from the model, inside the plotting rectangle.
class ChartOverlay : public QCPLayerable {
public:
    ChartOverlay(QCustomPlot* plot, const ChartModel& model) : QCPLayerable(plot), m_model(model) {}

protected:
    QRect clipRect() const override { return mParentPlot->axisRect()->rect(); }
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override { painter->setAntialiasing(false); }
    void draw(QCPPainter* painter) override
    {
        const QCPAxis* xa = mParentPlot->xAxis;
        const QCPAxis* ya = mParentPlot->yAxis;
        const QRect r = clipRect();
        const QFont base = makeFont(m_model.labelFont, 9);

        if (m_model.showVertLineAnnotations) {
            QFont f = base;
            f.setPointSizeF(std::max(1.0, base.pointSizeF() * m_model.lineAnnotationTextSize / 100.0));
            painter->setFont(f);
            for (const auto& line : m_model.vertLines) {
                const double px = xa->coordToPixel(line.x);
                if (!std::isfinite(px) || px < r.left() - 1 || px > r.right() + 1)
                    continue;
                painter->setPen(linePen(line.color, line.type));
                painter->drawLine(QPointF(px, r.top()), QPointF(px, r.bottom()));
                if (!line.text.isEmpty()) {
                    painter->setPen(toQColor(line.color));
                    painter->drawText(QPointF(px + 2, r.top() + QFontMetrics(f).ascent() + 2), line.text);
                }
            }
        }

        painter->setFont(base);
        const QFontMetrics fm(base);
        for (const auto& [index, a] : m_model.graphAnnotations()) {
            if (a.type != sgAnnotCross && a.text.isEmpty())
                continue;
            const QPointF p(xa->coordToPixel(a.x), ya->coordToPixel(a.y));
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || !QRectF(r.adjusted(-20, -20, 20, 20)).contains(p))
                continue;
            painter->setPen(QPen(toQColor(a.color), 1.5));
            QPointF textAt = p + QPointF(1, fm.ascent() / 2.0);
            if (a.type == sgAnnotCross) {
                constexpr double k = 6;
                painter->drawLine(p + QPointF(-k, 0), p + QPointF(k, 0));
                painter->drawLine(p + QPointF(0, -k), p + QPointF(0, k));
                textAt = p + QPointF(k + 3, -k);
            }
            if (!a.text.isEmpty()) {
                QString text = a.text;
                text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
                const QStringList lines = text.split(QLatin1Char('\n'));
                for (int i = 0; i < lines.size(); ++i)
                    painter->drawText(textAt + QPointF(0, i * fm.lineSpacing()), lines[i]);
            }
        }
    }

private:
    const ChartModel& m_model;
};

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent)
{
    m_plot = new QCustomPlot(this);
    m_plot->setGeometry(rect());
    m_plot->setMouseTracking(true);
    m_plot->installEventFilter(this);
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setPlottingHint(QCP::phCacheLabels, true);
    m_plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new DaysTicker));
    m_plot->legend->setVisible(false);

    m_plot->addLayer(QStringLiteral("annotations"), m_plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    m_overlay = new ChartOverlay(m_plot, m_model);
    m_overlay->setLayer(QStringLiteral("annotations"));

    m_plot->setSelectionRectMode(QCP::srmCustom);
    connect(m_plot->selectionRect(), &QCPSelectionRect::accepted, this,
            [this](const QRect& rect, QMouseEvent*) { zoomToRect(rect); });

    m_dialogRunner = [](QDialog& d) { return d.exec(); };
    refresh();
}

ChartWidget::~ChartWidget() = default;

void ChartWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_plot->setGeometry(rect());
}

void ChartWidget::setDialogRunner(DialogRunner runner)
{
    m_dialogRunner = runner ? std::move(runner) : DialogRunner([](QDialog& d) { return d.exec(); });
}

void ChartWidget::setCustomCursor(const QCursor& cursor)
{
    m_customCursor = cursor;
    m_model.arrowCursor = sgCustomCursor;
    applyCursor();
}

// ---------------------------------------------------------------------------
// Actions

void ChartWidget::runAction(ChartAction action)
{
    switch (action) {
    case sgReinitAndReset: reinitAndReset(); break;
    case sgResetImage: resetImage(); break;
    case sgInvalidateImage: invalidateImage(); break;
    case sgCustomize: customize(); break;
    case sgPrintDialog: printDialog(); break;
    case sgUndoZoom: undoZoom(); break;
    }
}

void ChartWidget::reinitAndReset()
{
    m_shownRevision = ~m_model.dataRevision();
    resetImage();
}

void ChartWidget::resetImage()
{
    if (m_shownRevision != m_model.dataRevision())
        rebuildData();
    applyLook();
    applyScale();
    applyCursor();
}

void ChartWidget::invalidateImage()
{
    m_plot->replot(QCustomPlot::rpImmediateRefresh);
}

void ChartWidget::refresh()
{
    resetImage();
    invalidateImage();
}

void ChartWidget::rebuildData()
{
    const int subsets = m_model.subsets();
    while (static_cast<int>(m_graphs.size()) > subsets) {
        m_plot->removeGraph(m_graphs.back());
        m_graphs.pop_back();
    }
    while (static_cast<int>(m_graphs.size()) < subsets) {
        QCPGraph* g = m_plot->addGraph();
        g->setAdaptiveSampling(true);
        g->setLineStyle(QCPGraph::lsLine);
        m_graphs.push_back(g);
    }
    m_sorted.assign(static_cast<size_t>(subsets), true);

    m_hasKeys = m_hasValues = false;
    double kmin = std::numeric_limits<double>::infinity(), kmax = -kmin;
    double vmin = kmin, vmax = -kmin;
    QVector<QCPGraphData> buffer;
    for (int s = 0; s < subsets; ++s) {
        const auto xs = m_model.xValues(s);
        const auto ys = m_model.yValues(s);
        buffer.resize(0);
        buffer.reserve(static_cast<qsizetype>(xs.size()));
        bool sorted = true;
        double last = -std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (size_t p = 0; p < xs.size(); ++p) {
            const double x = xs[p];
            const float y = ys[p];
            if (!std::isfinite(x))
                continue;
            const bool null = m_model.isNull(y);
            // A null sample that was never given a time is only unused capacity.
            if (null && x == 0.0)
                continue;
            if (x < last)
                sorted = false;
            last = x;
            // A null sample becomes NaN: the line breaks there.
            buffer.append(QCPGraphData(x, null ? nan : static_cast<double>(y)));
            if (!null) {
                kmin = std::min(kmin, x);
                kmax = std::max(kmax, x);
                vmin = std::min(vmin, static_cast<double>(y));
                vmax = std::max(vmax, static_cast<double>(y));
            }
        }
        m_sorted[static_cast<size_t>(s)] = sorted;
        m_graphs[static_cast<size_t>(s)]->data()->set(buffer, sorted);
    }
    if (kmin <= kmax) {
        m_hasKeys = m_hasValues = true;
        m_keyMin = kmin;
        m_keyMax = kmax;
        m_valueMin = vmin;
        m_valueMax = vmax;
    }
    m_shownRevision = m_model.dataRevision();
}

void ChartWidget::applyLook()
{
    const ChartModel& m = m_model;
    const bool mono = m.viewingStyle != sgColor;

    // Titles above the plotting area, each only when it has something to show.
    const bool wantTitle = !m.mainTitle.trimmed().isEmpty();
    const bool wantSub = !m.subTitle.trimmed().isEmpty();
    if (wantTitle != (m_title != nullptr) || wantSub != (m_subTitle != nullptr)) {
        QCPLayoutGrid* layout = m_plot->plotLayout();
        for (QCPTextElement** el : {&m_title, &m_subTitle})
            if (*el) {
                layout->remove(*el);
                *el = nullptr;
            }
        layout->simplify();
        int row = 0;
        if (wantTitle) {
            layout->insertRow(row);
            m_title = new QCPTextElement(m_plot);
            layout->addElement(row++, 0, m_title);
        }
        if (wantSub) {
            layout->insertRow(row);
            m_subTitle = new QCPTextElement(m_plot);
            layout->addElement(row++, 0, m_subTitle);
        }
    }
    if (m_title) {
        m_title->setText(m.mainTitle);
        m_title->setFont(makeFont(m.mainTitleFont, 12, true));
    }
    if (m_subTitle) {
        m_subTitle->setText(m.subTitle);
        m_subTitle->setFont(makeFont(m.subTitleFont, 10));
    }

    const QFont labelFont = makeFont(m.labelFont, 9);
    QCPAxis* xa = m_plot->xAxis;
    QCPAxis* ya = m_plot->yAxis;
    xa->setLabel(m.xAxisLabel);
    QString yLabel = m.yAxisLabel;
    if (yLabel.isEmpty() && m.subsets() == 1)
        yLabel = m.subsetLabel(0);
    ya->setLabel(yLabel);
    for (QCPAxis* a : {xa, ya}) {
        a->setLabelFont(labelFont);
        a->setTickLabelFont(labelFont);
    }
    if (m.dateTimeMode == sgVBDateTime) {
        if (!xa->ticker().dynamicCast<DaysTicker>())
            xa->setTicker(QSharedPointer<QCPAxisTicker>(new DaysTicker));
    } else if (xa->ticker().dynamicCast<DaysTicker>()) {
        xa->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    }

    const QColor yColor = mono ? QColor(Qt::black) : toQColor(m.yAxisColor);
    ya->setBasePen(QPen(yColor));
    ya->setTickPen(QPen(yColor));
    ya->setSubTickPen(QPen(yColor));
    ya->setTickLabelColor(yColor);
    ya->setLabelColor(yColor);

    QPen grid(QColor(160, 160, 160));
    switch (m.gridStyle) {
    case sgThin: grid.setColor(QColor(200, 200, 200)); break;
    case sgThick: grid.setWidthF(2.0); break;
    case sgDot: grid.setStyle(Qt::DotLine); break;
    case sgDash: grid.setStyle(Qt::DashLine); break;
    case sgOnePixel: grid.setWidth(0); break;
    default: grid.setStyle(Qt::DotLine); break;
    }
    for (QCPAxis* a : {xa, ya})
        a->grid()->setPen(grid);

    for (int s = 0; s < static_cast<int>(m_graphs.size()); ++s) {
        QCPGraph* g = m_graphs[static_cast<size_t>(s)];
        QPen pen = linePen(m.subsetColor(s), m.subsetLineType(s));
        if (mono)
            pen.setColor(Qt::black);
        g->setPen(pen);
        g->setName(m.subsetLabel(s));
    }
    m_plot->legend->setVisible(m.subsets() > 1);
    m_plot->legend->setFont(labelFont);

    QCP::SelectionRectMode mode = m.allowZooming == sgNoZooming ? QCP::srmNone : QCP::srmCustom;
    if (m_plot->selectionRectMode() != mode)
        m_plot->setSelectionRectMode(mode);
}

void ChartWidget::applyScale()
{
    const ChartModel& m = m_model;
    auto range = [](int control, double manualMin, double manualMax, bool haveData, double dataMin, double dataMax,
                    double pad) {
        const AxisRange r = axisRange(control, manualMin, manualMax, haveData, dataMin, dataMax, pad);
        return QCPRange(r.lower, r.upper);
    };
    QCPRange xr = range(m.manualScaleControlX, m.manualMinX, m.manualMaxX, m_hasKeys, m_keyMin, m_keyMax,
                        m.dateTimeMode == sgVBDateTime ? 1.0 / kSecondsPerDay : 0.5);
    QCPRange yr = range(m.manualScaleControlY, m.manualMinY, m.manualMaxY, m_hasValues, m_valueMin, m_valueMax, 0.5);
    if (m_zoomX)
        xr = QCPRange(m_zoomX->first, m_zoomX->second);
    if (m_zoomY)
        yr = QCPRange(m_zoomY->first, m_zoomY->second);
    m_plot->xAxis->setRange(xr);
    m_plot->yAxis->setRange(yr);
}

void ChartWidget::applyCursor()
{
    switch (m_model.arrowCursor) {
    case sgArrowCursor: m_plot->setCursor(Qt::ArrowCursor); break;
    case sgTextCursor: m_plot->setCursor(Qt::IBeamCursor); break;
    default: m_plot->setCursor(m_customCursor); break;
    }
}

bool ChartWidget::customize()
{
    CustomizeDialog dialog(m_model, this);
    m_customizeAccepted = m_dialogRunner(dialog) == QDialog::Accepted;
    if (m_customizeAccepted) {
        dialog.applyTo(m_model);
        refresh();
    }
    emit customizeDialogClosed(m_customizeAccepted);
    return m_customizeAccepted;
}

bool ChartWidget::printDialog()
{
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!Prompter::instance().choosePrinter(printer, this))
        return false;
    if (printTo(printer))
        return true;
    Prompter::instance().message(printFailedMessage(printer));
    return false;
}

QString printFailedMessage(const QPrinter& printer)
{
    const QString target = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    return QStringLiteral("Nothing was printed: %1 could not be written to.").arg(target);
}

bool ChartWidget::printTo(QPrinter& printer)
{
    resetImage();
    QCPPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    m_plot->toPainter(&painter, page.width(), page.height());
    return painter.end();
}

void ChartWidget::undoZoom()
{
    m_zoomX.reset();
    m_zoomY.reset();
    applyScale();
    invalidateImage();
}

void ChartWidget::zoomToRect(const QRect& rect)
{
    const QRect plotRect = plottingRect();
    const QRect r = rect.normalized().intersected(plotRect);
    if (r.width() < 2 || r.height() < 2)
        return;
    const int z = m_model.allowZooming;
    if (z == sgNoZooming)
        return;
    QCPAxis* xa = m_plot->xAxis;
    QCPAxis* ya = m_plot->yAxis;
    if (z == sgHorzZooming || z == sgHorzPlusVertZooming)
        m_zoomX = std::pair(xa->pixelToCoord(r.left()), xa->pixelToCoord(r.right()));
    if (z == sgVertZooming || z == sgHorzPlusVertZooming)
        m_zoomY = std::pair(ya->pixelToCoord(r.bottom()), ya->pixelToCoord(r.top()));
    applyScale();
    invalidateImage();
    emit zoomIn();
}

bool ChartWidget::loadState(const QByteArray& block, QString* error)
{
    if (!m_model.deserialize(block, error))
        return false;
    m_zoomX.reset();
    m_zoomY.reset();
    reinitAndReset();
    invalidateImage();
    return true;
}

void ChartWidget::setModel(ChartModel model)
{
    m_model = std::move(model);
    m_zoomX.reset();
    m_zoomY.reset();
    reinitAndReset();
    invalidateImage();
}

} // namespace quedral
