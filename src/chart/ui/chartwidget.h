#pragma once
// The chart widget every graph window draws through. It holds a ChartModel (all the
// chart's data and look) and shows it with QCustomPlot. Callers change the model
// (directly through model() or with the data helpers below) and then refresh:
// resetImage() pushes the model into the plot, invalidateImage() repaints.
//
// Mouse: dragging a rectangle zooms (per AllowZooming) and emits zoomIn(); a press
// on a vertical line emits vertLineAnnotHotSpot(index) instead of zooming; a click
// on a sample emits dataHotSpot(subset, point) when data hot spots are allowed.
// Every press, move and release updates lastPointerPosition().

#include "chart/chartmodel.h"

#include <QCursor>
#include <QPointF>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QCustomPlot;
class QCPGraph;
class QCPTextElement;
class QDialog;
class QPrinter;

namespace quedral {

class ChartOverlay;

// The chart actions (what PEactions runs).
enum ChartAction : int {
    sgReinitAndReset = 0,
    sgResetImage = 1,
    sgInvalidateImage = 2,
    sgCustomize = 3,
    sgPrintDialog = 4,
    sgUndoZoom = 5,
};

class ChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit ChartWidget(QWidget* parent = nullptr);
    ~ChartWidget() override;

    ChartModel& model() { return m_model; }
    const ChartModel& model() const { return m_model; }
    QCustomPlot* plot() const { return m_plot; }

    // ---- Data (shortcuts to the model) -------------------------------------
    int subsets() const { return m_model.subsets(); }
    int points() const { return m_model.points(); }
    bool setSubsets(int n) { return m_model.setSubsets(n); }
    bool setPoints(int n) { return m_model.setPoints(n); }
    double xDataII(int s, int p) const { return m_model.xDataII(s, p); }
    float yData(int s, int p) const { return m_model.yData(s, p); }
    bool setXDataII(int s, int p, double x) { return m_model.setXDataII(s, p, x); }
    bool setYData(int s, int p, float y) { return m_model.setYData(s, p, y); }
    qsizetype setBulkXData(const double* x, qsizetype n) { return m_model.setBulkXData(x, n); }
    qsizetype setBulkYData(const float* y, qsizetype n) { return m_model.setBulkYData(y, n); }

    // ---- Actions -----------------------------------------------------------
    void runAction(ChartAction action);
    // Rebuilds everything in the plot from the model, data included.
    void reinitAndReset();
    // Pushes the model into the plot (the data only when it changed).
    void resetImage();
    // Repaints the plot now.
    void invalidateImage();
    // resetImage() then invalidateImage().
    void refresh();
    // Opens the customisation dialog (through the dialog runner); true when the user
    // accepted changes, which are then in the model and shown. With all four
    // dialog pages disallowed the dialog shows its style page alone.
    bool customize();
    // True when the last customisation dialog was closed accepting changes.
    bool customizeAccepted() const { return m_customizeAccepted; }
    // Asks for a printer (Prompter::choosePrinter) and prints the chart; false when
    // cancelled or printing failed.
    bool printDialog();
    // Renders the chart onto a printer's page (or a PDF printer).
    bool printTo(QPrinter& printer);
    // Leaves any mouse zoom and shows the model's scales again.
    void undoZoom();
    bool isZoomed() const { return m_zoomX.has_value() || m_zoomY.has_value(); }

    // Runs a modal dialog and returns its result. The default calls exec(); tests
    // install one that fills the dialog in and returns Accepted or Rejected.
    using DialogRunner = std::function<int(QDialog&)>;
    void setDialogRunner(DialogRunner runner);

    // The pointer shape for ArrowCursor values other than 1 and 2.
    void setCustomCursor(const QCursor& cursor);

    // ---- Pointer and coordinates (pixels relative to this widget) ----------
    QPoint lastPointerPosition() const { return m_lastPointer; }
    // The plotting rectangle; its right and bottom edges are inside it.
    QRect plottingRect() const;
    bool inPlottingRect(QPoint pixel) const { return plottingRect().contains(pixel); }
    QPointF pixelToData(QPointF pixel) const;
    QPointF dataToPixel(double x, double y) const;

    // ---- State -------------------------------------------------------------
    QByteArray storeState() const { return m_model.serialize(); }
    // Replaces the whole chart and refreshes; on a damaged block nothing changes.
    bool loadState(const QByteArray& block, QString* error = nullptr);
    // Replaces the whole chart with another model and refreshes.
    void setModel(ChartModel model);

signals:
    void zoomIn();
    void vertLineAnnotHotSpot(int index);
    void dataHotSpot(int subset, int point);
    void clicked(QPoint pos);
    void mouseMoved(QPoint pos);
    void mouseReleased(QPoint pos);
    void customizeDialogClosed(bool accepted);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuildData();
    void applyLook();
    void applyScale();
    void applyCursor();
    void zoomToRect(const QRect& rect);
    int vertLineAt(QPoint pos) const;
    bool dataPointAt(QPoint pos, int* subset, int* point) const;

    ChartModel m_model;
    QCustomPlot* m_plot = nullptr;
    ChartOverlay* m_overlay = nullptr;
    QCPTextElement* m_title = nullptr;
    QCPTextElement* m_subTitle = nullptr;
    std::vector<QCPGraph*> m_graphs;
    std::vector<bool> m_sorted;  // per subset: X never decreases
    std::uint64_t m_shownRevision = ~std::uint64_t{0};
    bool m_hasKeys = false;
    bool m_hasValues = false;
    double m_keyMin = 0, m_keyMax = 1, m_valueMin = 0, m_valueMax = 1;
    std::optional<std::pair<double, double>> m_zoomX, m_zoomY;
    QPoint m_lastPointer;
    QPoint m_pressPos;
    bool m_lineDrag = false;
    bool m_customizeAccepted = false;
    QCursor m_customCursor;
    DialogRunner m_dialogRunner;
};

// What the user is told when a printer or PDF file cannot be written to (the chart's printout
// and the tables' alike).
QString printFailedMessage(const QPrinter& printer);

} // namespace quedral
