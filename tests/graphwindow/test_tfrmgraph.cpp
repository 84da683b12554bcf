// The graph window: close questions, Clear, the sampling-rate box, cursors, dragging and the
// exported statistic.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>

#include "fakehost.h"
#include "graph/pesgraph.h"
#include "graph/core/chartsetup.h"
#include "graph/core/graphformat.h"
#include "graph/window/graphunit.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "support/testenv.h"

#include <qcustomplot.h>

using namespace quedral;
using quedral::test::FakeHost;

namespace {
const double kSec = 1.0 / 86400.0;

class GraphWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGraphUnit();
    }
    void TearDown() override
    {
        delete window.data();
    }

    TfrmGraph* make(const QString& caption, int n = 0, double step = 1.0)
    {
        window = new TfrmGraph(host);
        window->setCaption(caption);
        const double t0 = toDays(clock.now());
        NewChart(window->PESGraph1->model(), 1, n, t0, t0 + std::max(n, 1) * step * kSec, 30, 130);
        for (int i = 0; i < n; ++i) {
            window->PESGraph1->model().setXDataII(0, i, t0 + i * step * kSec);
            window->PESGraph1->model().setYData(0, i, 50.0f + static_cast<float>(i % 7));
        }
        window->resize(1400, 700);
        window->show();
        window->refreshChart();
        window->PESGraph1->plot()->replot();
        return window;
    }

    // Pointer events on the chart, in the chart's own pixels.
    void mouse(QEvent::Type type, QPoint pos)
    {
        QWidget* w = window->PESGraph1->plot();
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    QPoint pixelOf(double x) const
    {
        const QRect r = window->PESGraph1->plottingRect();
        return QPoint(qRound(window->PESGraph1->dataToPixel(x, 80).x()), r.center().y());
    }

    FakeHost host;
    ScriptedPrompter prompter;
    ManualClock clock;
    test::ScopedPrompter prompterGuard{prompter};
    test::ScopedClock clockGuard{clock};
    QPointer<TfrmGraph> window;
};
} // namespace

TEST_F(GraphWindowTest, LayoutAndStartingStates)
{
    make("Graph");
    EXPECT_TRUE(window->pnlDataSets->isHidden());
    EXPECT_EQ(window->Grid2->columnCount(), 9);
    EXPECT_EQ(window->Grid2->rowCount(), 1);
    EXPECT_EQ(window->Grid2->horizontalHeaderItem(8)->text(), "wave file");
    EXPECT_EQ(window->Grid2->columnWidth(1), 60);
    EXPECT_TRUE(window->ToolButton1->isChecked());
    EXPECT_TRUE(window->ToolButton2->isChecked());
    EXPECT_TRUE(window->ToolButton4->isChecked());
    EXPECT_FALSE(window->actClr->isVisible());
    EXPECT_FALSE(window->btnUndoZoom->isEnabled());
    EXPECT_FALSE(window->btnPlay->isEnabled());
    EXPECT_EQ(window->txtAvgAll->text(), "***.* dB ");
    EXPECT_TRUE(window->pnlLeq->isHidden());
    EXPECT_EQ(graphUnit().PlacementTool, -99);
    EXPECT_EQ(graphUnit().AnnotationCount, 4);
    EXPECT_EQ(window->txtSamplingRate->itemText(0), formatLevel(0.5));
}

// Close questions with scripted answers: which question, whether the window closes, what is
// saved and what AppState holds afterwards.
TEST_F(GraphWindowTest, CloseQuestionsAndCloseEffects)
{
    struct Case {
        const char* caption;
        bool dataLoggerUnsaved, realTimeUnsaved;
        Answer answer;
        bool saveSucceeds;
        const char* question; // nullptr: none asked
        bool closes;
        int saves;
        bool dataLoggerUnsavedAfter, realTimeUnsavedAfter;
    };
    const Case cases[] = {
        {"DataLogger", true, false, Answer::Cancel, true, "Save DataLogger Data ?", false, 0, true, false},
        {"DataLogger", true, false, Answer::No, true, "Save DataLogger Data ?", true, 0, false, false},
        {"DataLogger", true, false, Answer::Yes, true, "Save DataLogger Data ?", true, 1, false, false},
        {"DataLogger", true, false, Answer::Yes, false, "Save DataLogger Data ?", false, 1, true, false},
        {"Real-Time Graph", false, true, Answer::Cancel, true, "Save Real-Time Graph ?", false, 0, false, true},
        {"Real-Time Graph", false, true, Answer::No, true, "Save Real-Time Graph ?", true, 0, false, false},
        {"Real-Time Graph", false, true, Answer::Yes, true, "Save Real-Time Graph ?", true, 1, false, false},
        // Any graph window's close clears DataLoggerUnsaved; only the matching caption asks.
        {"some.ghf", true, true, Answer::Yes, true, nullptr, true, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.caption << " answer " << int(c.answer));
        host.state = AppState{};
        host.saves.clear();
        host.saveSucceeds = c.saveSucceeds;
        prompter.questions.clear();
        prompter.answers = {c.answer};
        host.state.DataLoggerUnsaved = c.dataLoggerUnsaved;
        host.state.RealTimeUnsaved = c.realTimeUnsaved;
        make(c.caption);
        if (QString(c.caption) == "DataLogger")
            host.state.DataLoggerWindow = window;
        if (QString(c.caption) == "Real-Time Graph")
            host.state.RealTimeGraphWindow = window;
        const bool closed = window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(window.isNull(), c.closes);
        EXPECT_EQ(prompter.questions, c.question ? QStringList{c.question} : QStringList{});
        EXPECT_EQ(host.saves.size(), c.saves);
        EXPECT_EQ(host.state.DataLoggerUnsaved, c.dataLoggerUnsavedAfter);
        EXPECT_EQ(host.state.RealTimeUnsaved, c.realTimeUnsavedAfter);
        if (c.closes) {
            EXPECT_EQ(host.state.DataLoggerWindow, nullptr);
            EXPECT_EQ(host.state.RealTimeGraphWindow, nullptr);
        }
        delete window.data();
    }
}

TEST_F(GraphWindowTest, ClosingTheRealTimeWindowResetsTheRecordingState)
{
    for (bool connected : {true, false}) {
        host.isConnected = connected;
        host.state.RealTimeRunning = true;
        host.state.RealTimeCount = 12;
        host.realTimeChecked = true;
        host.stopEnabled = true;
        host.runEnabled = false;
        make("Real-Time Graph");
        host.state.RealTimeGraphWindow = window;
        ASSERT_TRUE(window->close());
        EXPECT_FALSE(host.state.RealTimeRunning);
        EXPECT_EQ(host.state.RealTimeCount, 0);
        EXPECT_EQ(host.state.RealTimeGraphWindow, nullptr);
        EXPECT_FALSE(host.realTimeChecked);
        EXPECT_FALSE(host.stopEnabled);
        EXPECT_EQ(host.runEnabled, connected);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(GraphWindowTest, SamplingRateSelectionAndChanges)
{
    make("Real-Time Graph");
    window->makeRealTimeWindow();
    EXPECT_FALSE(window->txtSamplingRate->isEditable());
    EXPECT_TRUE(window->pnlSamplingRate->isEnabled());
    const std::pair<double, int> rule[] = {{0.2, 0}, {0.55, 1}, {1.49, 1}, {2.0, 2}, {5.4, 3},
                                           {10.5, 5}, {20.0, 5}, {30.0, 6}};
    for (auto [rate, item] : rule) {
        window->txtSamplingRate->setCurrentIndex(-1);
        window->selectSamplingRate(rate);
        EXPECT_EQ(window->txtSamplingRate->currentIndex(), item) << rate;
    }
    window->txtSamplingRate->setCurrentIndex(2);
    window->selectSamplingRate(45);
    EXPECT_EQ(window->txtSamplingRate->currentIndex(), 2);

    // Idle: the user's choice becomes the rate.
    window->txtSamplingRate->setCurrentIndex(4);
    EXPECT_FLOAT_EQ(host.state.RealTimeRate, 10.0f);
    EXPECT_TRUE(prompter.messages.isEmpty());
    // Running: the selection goes back and the message is shown.
    host.state.RealTimeRunning = true;
    window->txtSamplingRate->setCurrentIndex(0);
    EXPECT_EQ(window->txtSamplingRate->currentIndex(), 4);
    EXPECT_FLOAT_EQ(host.state.RealTimeRate, 10.0f);
    EXPECT_EQ(prompter.messages, QStringList{"Can not change Sampling Rate while Real-Time is running."});
}

TEST_F(GraphWindowTest, StatisticsPanelsAndExport)
{
    make("data.ghf", 600);
    window->GraphStatistics();
    window->ResetCursors();
    EXPECT_EQ(graphUnit().CursorAIndex, 200);
    EXPECT_EQ(graphUnit().CursorBIndex, 400);
    EXPECT_EQ(graphUnit().PlayLineIndex, 0);
    const ChartModel& m = window->PESGraph1->model();
    EXPECT_DOUBLE_EQ(m.vertLines[1].x, m.xDataII(0, 200));
    EXPECT_EQ(window->txtDataNo->text(), "600");
    EXPECT_EQ(window->txtMax->text(), formatLevel(56));
    EXPECT_EQ(window->txtMaxTime->text(), formatDateTime(m.xDataII(0, 6))); // the first maximum
    EXPECT_EQ(window->txtCursorA->text(), formatLevel(50 + 200 % 7));

    window->btnExportStatisticClick();
    const QString text = QGuiApplication::clipboard()->text();
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 12); // eleven lines, each ended by a line feed
    EXPECT_TRUE(lines[11].isEmpty());
    EXPECT_EQ(lines[0], "Start Time:" + window->txtStartTime->text());
    EXPECT_EQ(lines[2], "DataNo:600");
    EXPECT_EQ(lines[4], "Maximum:" + window->txtMax->text() + "@" + window->txtMaxTime->text());
    EXPECT_TRUE(lines[10].startsWith("Avg. Between A and B:"));
    EXPECT_EQ(prompter.messages, QStringList{"The statistic has been copy to clipboard"});
}

TEST_F(GraphWindowTest, ExportWithEmptyPanelsStillHasElevenLines)
{
    make("x");
    window->txtAvgAll->clear();
    const QStringList lines = window->statisticText().split('\n');
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[6], "Cursor A:@");
    EXPECT_EQ(lines[9], "Min.Between A and B:@");
}

TEST_F(GraphWindowTest, DraggingIsThrottledAndSnapsOnRelease)
{
    make("drag", 100, 1.0);
    window->ResetCursors();
    ChartModel& m = window->PESGraph1->model();
    ASSERT_EQ(graphUnit().CursorBIndex, 66);

    // Press on cursor B's line.
    mouse(QEvent::MouseButtonPress, pixelOf(m.vertLines[2].x));
    ASSERT_TRUE(graphUnit().DraggingCursorB);
    EXPECT_EQ(m.vertLines[2].color, PEargb(255, 190, 190, 190));

    // Within 0.2 s of the press the line does not follow.
    clock.advanceMs(100);
    mouse(QEvent::MouseMove, pixelOf(m.xDataII(0, 40)));
    EXPECT_DOUBLE_EQ(m.vertLines[2].x, m.xDataII(0, 66));
    clock.advanceMs(150);
    mouse(QEvent::MouseMove, pixelOf(m.xDataII(0, 30)));
    EXPECT_NEAR(m.vertLines[2].x, m.xDataII(0, 30), 0.6 * kSec);
    clock.advanceMs(50);
    mouse(QEvent::MouseMove, pixelOf(m.xDataII(0, 20) + 0.3 * kSec));
    EXPECT_NEAR(m.vertLines[2].x, m.xDataII(0, 30), 0.6 * kSec);

    // The release snaps to the nearest sample under the pointer, wherever the line was left.
    mouse(QEvent::MouseButtonRelease, pixelOf(m.xDataII(0, 20) + 0.3 * kSec));
    EXPECT_FALSE(graphUnit().DraggingCursorB);
    EXPECT_EQ(graphUnit().CursorBIndex, 20);
    EXPECT_DOUBLE_EQ(m.vertLines[2].x, m.xDataII(0, 20));
    EXPECT_EQ(m.vertLines[2].color, 0x000000FFu);
    // B is now left of A: the between-statistics run from B to A.
    EXPECT_EQ(window->txtCursorB->text(), formatLevel(50 + 20 % 7));
    EXPECT_EQ(window->txtMaxAB->text(), formatLevel(56));
}

TEST_F(GraphWindowTest, ReleaseOutsideThePlotPutsTheLineOnCursorA)
{
    make("drag", 100, 1.0);
    window->ResetCursors();
    ChartModel& m = window->PESGraph1->model();
    mouse(QEvent::MouseButtonPress, pixelOf(m.vertLines[2].x));
    ASSERT_TRUE(graphUnit().DraggingCursorB);
    const QRect r = window->PESGraph1->plottingRect();
    mouse(QEvent::MouseButtonRelease, QPoint(r.right() + 5, r.center().y()));
    EXPECT_EQ(graphUnit().CursorBIndex, graphUnit().CursorAIndex);
    EXPECT_DOUBLE_EQ(m.vertLines[2].x, m.vertLines[1].x);
}

TEST_F(GraphWindowTest, SnapStaysOnTheChartBeyondTheLastSample)
{
    make("snap", 10, 1.0);
    // Zoom out so there is room right of the last sample inside the plot.
    ChartModel& m = window->PESGraph1->model();
    m.manualMaxX = m.xDataII(0, 9) + 20 * kSec;
    window->refreshChart();
    window->PESGraph1->plot()->replot();
    mouse(QEvent::MouseMove, pixelOf(m.xDataII(0, 9) + 15 * kSec));
    EXPECT_EQ(window->SnapToSample(), 9);
}

TEST_F(GraphWindowTest, PointerReadoutInsideAndOutsideThePlot)
{
    make("readout", 10, 1.0);
    ChartModel& m = window->PESGraph1->model();
    const QRect r = window->PESGraph1->plottingRect();
    const QPoint inside = pixelOf(m.xDataII(0, 5));
    mouse(QEvent::MouseMove, inside);
    const QString text = window->Panel12->text();
    EXPECT_TRUE(text.contains("dB@")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(formatTimeOfDay(window->PESGraph1->pixelToData(inside).x())));
    mouse(QEvent::MouseMove, QPoint(r.left() - 10, r.top() - 5));
    EXPECT_EQ(window->Panel12->text(), text);
}

TEST_F(GraphWindowTest, ClearResetsTheRealTimeGraph)
{
    make("Real-Time Graph", 50);
    ChartModel& m = window->PESGraph1->model();
    graphUnit().AnnotationCount = 7;
    for (int i = 3; i <= 7; ++i)
        m.setGraphAnnotation(i, GraphAnnotation{1.0, 2.0, "x", sgAnnotCross, 0});
    host.state.RealTimeCount = 50;
    window->setCaption("renamed");
    window->tbntClrClick();
    EXPECT_EQ(window->caption(), "Real-Time Graph");
    EXPECT_TRUE(host.realTimeChecked);
    EXPECT_TRUE(window->actClr->isVisible());
    EXPECT_TRUE(window->sepClr->isVisible());
    EXPECT_EQ(m.points(), 200);
    EXPECT_EQ(m.yData(0, 0), 9999.0f);
    EXPECT_DOUBLE_EQ(m.manualMinX, toDays(clock.now()));
    EXPECT_NEAR(m.manualMaxX - m.manualMinX, 30 * kSec, 1e-9);
    EXPECT_EQ(host.state.RealTimeCount, 0);
    EXPECT_EQ(graphUnit().AnnotationCount, 3);
    EXPECT_EQ(m.graphAnnotation(5).x, 0.0);
    EXPECT_EQ(m.graphAnnotation(7).y, 0.0);
}

TEST_F(GraphWindowTest, ZoomEnablesUndoZoom)
{
    make("zoom", 10);
    emit window->PESGraph1->zoomIn();
    EXPECT_TRUE(window->btnUndoZoom->isEnabled());
    window->btnUndoZoom->click();
    EXPECT_FALSE(window->btnUndoZoom->isEnabled());
    EXPECT_FALSE(window->PESGraph1->isZoomed());
}

TEST_F(GraphWindowTest, TogglesHidePanelsAndLines)
{
    make("t", 10);
    window->ToolButton2->click();
    EXPECT_FALSE(window->pnlStatistic->isVisible());
    EXPECT_FALSE(window->PESGraph1->model().showVertLineAnnotations);
    window->ToolButton1->click();
    EXPECT_FALSE(window->pnlGraphStatistic->isVisible());
    window->ToolButton2->click();
    EXPECT_TRUE(window->PESGraph1->model().showVertLineAnnotations);
}

TEST_F(GraphWindowTest, GridClickBelowTheDataSetsDoesNothing)
{
    make("DataLogger", 10);
    graphUnit().CursorAIndex = 7;
    window->Grid2Click(0);
    EXPECT_EQ(graphUnit().CursorAIndex, 7);
}
