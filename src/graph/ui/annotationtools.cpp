#include "graph/ui/annotationtools.h"

#include <QCursor>
#include <QDialog>
#include <utility>

#include "chart/ui/chartwidget.h"
#include "graph/graphformat.h"
#include "graph/ui/graphunit.h"
#include "graph/ui/annotationtextdialog.h"
#include "graph/ui/eraseannotationsdialog.h"
#include "resources/artwork.h"

namespace quedral {

namespace {
// Annotation 2 labels a data point; the user's crosses and texts take the indices after
// AnnotationCount.
constexpr int kDataPointLabel = 2;
constexpr int kFirstListedAnnotation = 5;
constexpr int kFirstClearedAnnotation = 3;
constexpr int kNormalTool = -99;
constexpr int kCrossTool = 2;
constexpr int kTextTool = 0;

// The "CROSS" pointer, its hot spot at its top-left corner: a click places the cross at the
// centre of the drawn cross, 15 pixels right and down.
const QCursor& crossPointer()
{
    static const QCursor cursor(crossCursor().pixmap(), 0, 0);
    return cursor;
}
} // namespace

AnnotationTools::AnnotationTools(ChartWidget& chart, GraphUnit& unit, QWidget* dialogParent,
                                 std::function<void()> refresh)
    : m_chart(chart), m_unit(unit), m_dialogParent(dialogParent), m_refresh(std::move(refresh))
{
}

void AnnotationTools::useNormalPointer()
{
    m_chart.model().arrowCursor = sgArrowCursor;
    m_unit.PlacementTool = kNormalTool;
    m_refresh();
}

void AnnotationTools::useCross()
{
    m_chart.setCustomCursor(crossPointer());
    m_unit.PlacementTool = kCrossTool;
    m_refresh();
}

void AnnotationTools::useText()
{
    m_chart.model().arrowCursor = sgTextCursor;
    m_unit.PlacementTool = kTextTool;
    m_refresh();
}

void AnnotationTools::placeAtPointer()
{
    const int tool = m_unit.PlacementTool;
    if (tool != kCrossTool && tool != kTextTool)
        return;
    const QPoint pos = m_chart.lastPointerPosition() + (tool == kTextTool ? QPoint(1, 7) : QPoint(15, 15));
    if (!m_chart.inPlottingRect(pos))
        return;
    const QPointF d = m_chart.pixelToData(pos);
    GraphAnnotation a;
    a.x = d.x();
    a.y = d.y();
    if (tool == kCrossTool) {
        a.type = sgAnnotCross;
    } else {
        AnnotationTextDialog dialog(m_dialogParent);
        if (AnnotationTextDialog::runModal(dialog) != QDialog::Accepted)
            return;
        a.type = sgAnnotTextOnly;
        a.text = dialog.text();
    }
    // The shared count as it is now: another window may have placed one while the dialog was open.
    m_unit.AnnotationCount += 1;
    m_chart.model().setGraphAnnotation(m_unit.AnnotationCount, a);
    m_refresh();
}

void AnnotationTools::labelDataPoint(int subset, int point)
{
    ChartModel& m = m_chart.model();
    GraphAnnotation a;
    a.type = sgAnnotCross;
    a.color = PEargb(255, 255, 255, 0);
    a.x = m.xDataII(subset, point);
    a.y = m.yData(subset, point);
    a.text = formatTimeOfDay(a.x) + QLatin1Char('\r') + formatLevel(a.y) + QStringLiteral(" dB");
    m.setGraphAnnotation(kDataPointLabel, a);
    m_refresh();
}

void AnnotationTools::eraseChosen()
{
    ChartModel& m = m_chart.model();
    EraseAnnotationsDialog dialog(m_dialogParent);
    for (int i = kFirstListedAnnotation; i <= m_unit.AnnotationCount; ++i) {
        const GraphAnnotation a = m.graphAnnotation(i);
        if (a.type == sgAnnotCross)
            dialog.addAnnotation(i, a.x, QStringLiteral("X"));
        else if (!a.text.isEmpty())
            dialog.addAnnotation(i, a.x, a.text);
    }
    if (EraseAnnotationsDialog::runModal(dialog) == QDialog::Accepted) {
        for (int i : dialog.selectedAnnotations()) {
            m.setGraphAnnotationType(i, sgAnnotTextOnly);
            m.setGraphAnnotationText(i, QString());
        }
    }
    m_refresh();
}

void AnnotationTools::clearPlaced()
{
    ChartModel& m = m_chart.model();
    for (int i = kFirstClearedAnnotation; i <= m_unit.AnnotationCount; ++i) {
        m.setGraphAnnotationX(i, 0);
        m.setGraphAnnotationY(i, 0);
    }
    m_unit.AnnotationCount = kFirstClearedAnnotation;
}

} // namespace quedral
