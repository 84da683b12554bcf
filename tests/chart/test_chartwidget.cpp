#include "chart/chartfixture.h"
#include "chart/ui/customizedialog.h"
#include "chart/ui/chartwidget.h"
#include "base/prompter.h"
#include "support/testenv.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace quedral;

namespace {

constexpr double kT0 = 46023.5;
constexpr double kSec = 1.0 / 86400.0;

void send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void drag(QWidget* w, QPoint from, QPoint to)
{
    send(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(w, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    send(w, QEvent::MouseMove, to, Qt::LeftButton);
    send(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// A chart shown offscreen at 800 × 400 with X over ten seconds and Y 30..130.
class ChartWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ChartModel& m = chart.model();
        m.setPoints(11);
        for (int p = 0; p <= 10; ++p) {
            m.setXDataII(0, p, kT0 + p * kSec);
            m.setYData(0, p, 40.0f + 5 * p);
        }
        m.manualScaleControlX = m.manualScaleControlY = sgManualMinAndMax;
        m.manualMinX = kT0;
        m.manualMaxX = kT0 + 10 * kSec;
        m.manualMinY = 30;
        m.manualMaxY = 130;
        chart.resize(800, 400);
        chart.show();
        chart.refresh();
    }
    QPoint pixelOf(double x, double y) const { return chart.dataToPixel(x, y).toPoint(); }

    ChartWidget chart;
};

} // namespace

TEST_F(ChartWidgetTest, NullSamplesAreGapsAndReadBackAsNull)
{
    chart.setYData(0, 4, 9999.0f);
    chart.setPoints(15);  // unwritten capacity: X = 0, Y = null
    chart.refresh();
    const auto data = chart.plot()->graph(0)->data();
    ASSERT_EQ(data->size(), 11) << "unwritten capacity is not drawn";
    EXPECT_TRUE(std::isnan(data->at(4)->value));
    EXPECT_EQ(data->at(5)->value, 65.0);
    EXPECT_EQ(chart.yData(0, 4), 9999.0f);
    EXPECT_EQ(chart.yData(0, 14), 9999.0f);
    EXPECT_EQ(chart.xDataII(0, 14), 0.0);
}

TEST_F(ChartWidgetTest, PixelAndDataConvertBothWaysWithinThePlottingRect)
{
    const QRect r = chart.plottingRect();
    ASSERT_TRUE(QRect(0, 0, 800, 400).contains(r));
    ASSERT_GT(r.width(), 600);
    ASSERT_GT(r.height(), 250);

    const QPointF topLeft = chart.pixelToData(r.topLeft());
    const QPointF bottomRight = chart.pixelToData(QPointF(r.right() + 1, r.bottom() + 1));
    EXPECT_NEAR(topLeft.x(), kT0, kSec / 20);
    EXPECT_NEAR(topLeft.y(), 130, 0.5);
    EXPECT_NEAR(bottomRight.x(), kT0 + 10 * kSec, kSec / 20);
    EXPECT_NEAR(bottomRight.y(), 30, 0.5);

    const QPointF px = chart.dataToPixel(kT0 + 3 * kSec, 80);
    const QPointF back = chart.pixelToData(px);
    EXPECT_NEAR(back.x(), kT0 + 3 * kSec, 1e-9);
    EXPECT_NEAR(back.y(), 80, 1e-6);

    EXPECT_TRUE(chart.inPlottingRect(r.topLeft()));
    EXPECT_TRUE(chart.inPlottingRect(r.bottomRight())) << "edges count as inside";
    EXPECT_FALSE(chart.inPlottingRect(r.bottomRight() + QPoint(1, 0)));

    send(chart.plot(), QEvent::MouseMove, QPoint(123, 45), Qt::NoButton);
    EXPECT_EQ(chart.lastPointerPosition(), QPoint(123, 45));
}

TEST_F(ChartWidgetTest, DragZoomsInBothDirectionsAndUndoRestoresTheScale)
{
    QSignalSpy zoomed(&chart, &ChartWidget::zoomIn);
    drag(chart.plot(), pixelOf(kT0 + 2 * kSec, 110), pixelOf(kT0 + 4 * kSec, 60));
    ASSERT_EQ(zoomed.count(), 1);
    EXPECT_TRUE(chart.isZoomed());
    const QCPRange xr = chart.plot()->xAxis->range();
    const QCPRange yr = chart.plot()->yAxis->range();
    EXPECT_NEAR(xr.lower, kT0 + 2 * kSec, kSec / 10);
    EXPECT_NEAR(xr.upper, kT0 + 4 * kSec, kSec / 10);
    EXPECT_NEAR(yr.lower, 60, 1);
    EXPECT_NEAR(yr.upper, 110, 1);

    chart.refresh();  // a refresh keeps the zoom
    EXPECT_NEAR(chart.plot()->xAxis->range().upper, kT0 + 4 * kSec, kSec / 10);

    chart.runAction(sgUndoZoom);
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_DOUBLE_EQ(chart.plot()->xAxis->range().lower, kT0);
    EXPECT_DOUBLE_EQ(chart.plot()->yAxis->range().upper, 130);

    chart.model().allowZooming = sgNoZooming;
    chart.refresh();
    drag(chart.plot(), pixelOf(kT0 + 2 * kSec, 110), pixelOf(kT0 + 4 * kSec, 60));
    EXPECT_EQ(zoomed.count(), 1) << "no zoom when zooming is not allowed";
}

TEST_F(ChartWidgetTest, PressOnAVerticalLineSignalsItsIndexInsteadOfZooming)
{
    ChartModel& m = chart.model();
    m.vertLines[0].x = kT0;
    m.vertLines[1].x = kT0 + 3 * kSec;
    m.vertLines[2].x = kT0 + 7 * kSec;
    m.showVertLineAnnotations = true;
    m.allowVertLineAnnotHotSpots = true;
    chart.refresh();

    QSignalSpy line(&chart, &ChartWidget::vertLineAnnotHotSpot);
    QSignalSpy zoomed(&chart, &ChartWidget::zoomIn);
    QSignalSpy moved(&chart, &ChartWidget::mouseMoved);
    QSignalSpy released(&chart, &ChartWidget::mouseReleased);
    drag(chart.plot(), pixelOf(kT0 + 7 * kSec, 80) + QPoint(2, 0), pixelOf(kT0 + 5 * kSec, 80));
    ASSERT_EQ(line.count(), 1);
    EXPECT_EQ(line.at(0).at(0).toInt(), 2);
    EXPECT_EQ(zoomed.count(), 0);
    EXPECT_EQ(moved.count(), 2);
    EXPECT_EQ(released.count(), 1);
    EXPECT_EQ(chart.lastPointerPosition(), pixelOf(kT0 + 5 * kSec, 80));

    send(chart.plot(), QEvent::MouseButtonPress, pixelOf(kT0 + 5 * kSec, 80), Qt::LeftButton);
    send(chart.plot(), QEvent::MouseButtonRelease, pixelOf(kT0 + 5 * kSec, 80), Qt::NoButton);
    EXPECT_EQ(line.count(), 1) << "a press away from every line is no hot spot";

    m.allowVertLineAnnotHotSpots = false;
    send(chart.plot(), QEvent::MouseButtonPress, pixelOf(kT0 + 3 * kSec, 80), Qt::LeftButton);
    send(chart.plot(), QEvent::MouseButtonRelease, pixelOf(kT0 + 3 * kSec, 80), Qt::NoButton);
    EXPECT_EQ(line.count(), 1) << "no hot spots when they are not allowed";
}

TEST_F(ChartWidgetTest, ClickOnASampleSignalsItWhenDataHotSpotsAreAllowed)
{
    QSignalSpy hot(&chart, &ChartWidget::dataHotSpot);
    QSignalSpy clicked(&chart, &ChartWidget::clicked);
    const QPoint at = pixelOf(kT0 + 6 * kSec, 70) + QPoint(1, -1);
    for (bool allowed : {false, true}) {
        chart.model().allowDataHotSpots = allowed;
        send(chart.plot(), QEvent::MouseButtonPress, at, Qt::LeftButton);
        send(chart.plot(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
    EXPECT_EQ(clicked.count(), 2);
    ASSERT_EQ(hot.count(), 1);
    EXPECT_EQ(hot.at(0).at(0).toInt(), 0);
    EXPECT_EQ(hot.at(0).at(1).toInt(), 6);
}

TEST_F(ChartWidgetTest, CustomizeDialogReportsWhetherChangesWereAccepted)
{
    for (int result : {int(QDialog::Rejected), int(QDialog::Accepted)}) {
        chart.model().mainTitle = "before";
        int runs = 0;
        chart.setDialogRunner([&](QDialog& d) {
            ++runs;
            auto& dlg = dynamic_cast<CustomizeDialog&>(d);
            dlg.mainTitleEdit()->setText("after");
            dlg.gridStyleBox()->setCurrentIndex(sgThick);
            dlg.setSubsetColor(0, QColor(0, 0, 255));
            return result;
        });
        QSignalSpy closed(&chart, &ChartWidget::customizeDialogClosed);
        const bool accepted = chart.customize();
        const bool want = result == QDialog::Accepted;
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(accepted, want);
        EXPECT_EQ(chart.customizeAccepted(), want);
        ASSERT_EQ(closed.count(), 1);
        EXPECT_EQ(closed.at(0).at(0).toBool(), want);
        EXPECT_EQ(chart.model().mainTitle, want ? "after" : "before");
        EXPECT_EQ(chart.model().gridStyle, want ? sgThick : sgDot);
        EXPECT_EQ(chart.model().subsetColor(0), want ? PEargb(255, 0, 0, 255) : PEargb(255, 0, 0, 0));
    }

    // With every page turned off the style page is left, and it still takes effect.
    ChartModel& m = chart.model();
    m.allowPage1 = m.allowPage2 = m.allowSubsetsPage = m.allowFontPage = false;
    QStringList pages;
    chart.setDialogRunner([&](QDialog& d) {
        auto& dlg = dynamic_cast<CustomizeDialog&>(d);
        for (int i = 0; i < dlg.pages()->count(); ++i)
            pages << dlg.pages()->tabText(i);
        dlg.viewingStyleBox()->setCurrentIndex(sgMonochrome);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(chart.customize());
    EXPECT_EQ(pages, QStringList({"Style"}));
    EXPECT_EQ(m.viewingStyle, sgMonochrome);
}

TEST_F(ChartWidgetTest, StateRoundTripThroughTheWidgetAndDamagedStateChangesNothing)
{
    ChartWidget other;
    other.resize(800, 400);
    ASSERT_TRUE(other.loadState(test::sampleChart().serialize()));
    EXPECT_EQ(other.subsets(), 2);
    EXPECT_EQ(other.plot()->graphCount(), 2);
    EXPECT_EQ(other.storeState(), test::sampleChart().serialize());

    const QByteArray before = chart.storeState();
    QString error;
    EXPECT_FALSE(chart.loadState(QByteArray("QCHS\x01\x00\x00\x00junk", 12), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(chart.storeState(), before);
    EXPECT_EQ(chart.plot()->graph(0)->data()->size(), 11);
}

TEST_F(ChartWidgetTest, PrintsThroughThePrompterOntoAPdf)
{
    ScriptedPrompter prompter;
    {
        test::ScopedPrompter prompterGuard(prompter);
        EXPECT_FALSE(chart.printDialog()) << "a cancelled print dialog prints nothing";
    }

    chart.model().mainTitle = "Printed";
    chart.model().setGraphAnnotation(5, GraphAnnotation{kT0 + kSec, 50, "x", sgAnnotCross, 0});
    QTemporaryDir dir;
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("chart.pdf"));
    ASSERT_TRUE(chart.printTo(printer));
    EXPECT_GT(QFileInfo(dir.filePath("chart.pdf")).size(), 1000);
}
