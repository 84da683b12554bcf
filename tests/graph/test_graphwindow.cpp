// The graph window: close questions, Clear, the sampling-rate box, cursors, dragging and the
// exported statistic.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>

#include "fakehost.h"
#include "chart/ui/chartwidget.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "stats/statistics.h"
#include "graph/ui/graphunit.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "support/testenv.h"

#include <qcustomplot.h>

#include <cmath>

using namespace quedral;
using quedral::test::FakeHost;

namespace {
const double kSec = 1.0 / 86400.0;

class GraphWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh host brings fresh shared values.
    }
    void TearDown() override
    {
        delete host.graphUnit().LeqGraphWindow.data();
        delete window.data();
    }

    GraphWindow* make(GraphKind kind, int n = 0, double step = 1.0,
                      GraphWindow::WavPlayerPart wav = GraphWindow::WavPlayerPart::With)
    {
        window = new GraphWindow(host, kind, nullptr, wav);
        const double t0 = toDays(clock.now());
        newChart(window->model(), 1, n, t0, t0 + std::max(n, 1) * step * kSec, 30, 130);
        for (int i = 0; i < n; ++i) {
            window->model().setXDataII(0, i, t0 + i * step * kSec);
            window->model().setYData(0, i, 50.0f + static_cast<float>(i % 7));
        }
        window->resize(1400, 700);
        window->show();
        window->refreshChart();
        window->chart().plot()->replot();
        return window;
    }
    // A control of the window, by its name.
    template <class W>
    W* child(const char* name) const
    {
        return childOf<W>(*window, name);
    }
    template <class W>
    static W* childOf(const QWidget& owner, const char* name)
    {
        W* w = owner.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // The levels of subset 0 replaced, from the first sample on.
    void setLevels(std::initializer_list<float> levels)
    {
        int i = 0;
        for (float y : levels)
            window->model().setYData(0, i++, y);
    }
    // "CAL Leq" on the window; the "LEQ" window it made, if any.
    GraphWindow* calLeq()
    {
        child<QToolButton>("btnCALLeq")->click();
        return qobject_cast<GraphWindow*>(host.graphUnit().LeqGraphWindow.data());
    }

    // Pointer events on the chart, in the chart's own pixels.
    void mouse(QEvent::Type type, QPoint pos)
    {
        QWidget* w = window->chart().plot();
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    QPoint pixelOf(double x) const
    {
        const QRect r = window->chart().plottingRect();
        return QPoint(qRound(window->chart().dataToPixel(x, 80).x()), r.center().y());
    }

    FakeHost host;
    ScriptedPrompter prompter;
    ManualClock clock;
    test::ScopedPrompter prompterGuard{prompter};
    test::ScopedClock clockGuard{clock};
    QPointer<GraphWindow> window;
};
} // namespace

TEST_F(GraphWindowTest, LayoutAndStartingStates)
{
    make(GraphKind::File);
    EXPECT_EQ(window->caption(), "Graph");
    // The data sets are the data logger's side panel (tests/logger); a window alone has none.
    EXPECT_EQ(window->findChild<QWidget*>("pnlDataSets"), nullptr);
    EXPECT_EQ(window->sidePanel(), nullptr);
    EXPECT_TRUE(child<QToolButton>("tbntGraphStatistic")->isChecked());
    EXPECT_TRUE(child<QToolButton>("tbntCursorStatistic")->isChecked());
    EXPECT_TRUE(child<QToolButton>("tbntNormalCursor")->isChecked());
    // "Clear" is the real-time side's (tests/realtime); a window alone has none.
    EXPECT_EQ(window->findChild<QAction*>("actClr"), nullptr);
    EXPECT_FALSE(child<QToolButton>("btnUndoZoom")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("btnPlay")->isEnabled());
    EXPECT_EQ(window->statisticTexts().average, "***.* dB ");
    EXPECT_TRUE(child<QWidget>("pnlLeq")->isHidden());
    EXPECT_EQ(host.graphUnit().PlacementTool, -99);
    EXPECT_EQ(host.graphUnit().AnnotationCount, 4);
    // The sampling rate is shown, not chosen.
    EXPECT_TRUE(child<QComboBox>("txtSamplingRate")->isEditable());
    EXPECT_FALSE(child<QWidget>("pnlSamplingRate")->isEnabled());
}

TEST_F(GraphWindowTest, KindGivesCaption)
{
    const std::tuple<GraphKind, const char*> kinds[] = {
        {GraphKind::RealTime, "Real-Time Graph"},
        {GraphKind::DataLogger, "DataLogger"},
        {GraphKind::Leq, "LEQ"},
        {GraphKind::File, "Graph"},
    };
    for (auto [kind, caption] : kinds) {
        make(kind);
        EXPECT_EQ(window->kind(), kind);
        EXPECT_EQ(window->caption(), caption);
        delete window.data();
    }
}

TEST_F(GraphWindowTest, SidePanelStandsLeftOfTheChart)
{
    make(GraphKind::DataLogger);
    auto* panel = new QWidget;
    panel->setObjectName("pnlDataSets");
    window->setSidePanel(panel);
    EXPECT_EQ(panel->parentWidget(), window.data());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(window->sidePanel(), panel);
    EXPECT_LT(panel->geometry().right(), window->chart().mapTo(window.data(), QPoint(0, 0)).x());
}

TEST_F(GraphWindowTest, AWindowWithoutAWavPlayer)
{
    const char* player[] = {"actOpenWav", "actPlay", "actPause", "actStopPlay", "btnOpenWav", "pnlMediaPlayer",
                            "txtPlayOffset"};
    make(GraphKind::RealTime);
    ASSERT_NE(window->wavPlayer(), nullptr);
    for (const char* name : player)
        EXPECT_NE(window->findChild<QObject*>(name), nullptr) << name;
    EXPECT_TRUE(child<QWidget>("pnlMediaPlayer")->isVisible());
    delete window.data();
    // The real-time window made at start-up: on neither the tool bar nor the chart's menu.
    window = new GraphWindow(host, GraphKind::RealTime, nullptr, GraphWindow::WavPlayerPart::Without);
    EXPECT_EQ(window->wavPlayer(), nullptr);
    for (const char* name : player)
        EXPECT_EQ(window->findChild<QObject*>(name), nullptr) << name;
    for (QAction* a : window->contextMenu()->actions())
        EXPECT_NE(a->text(), "open wav");
}

// Close questions with scripted answers: which question, whether the window closes, what is
// saved and what the shared state holds afterwards.
TEST_F(GraphWindowTest, CloseQuestionsAndCloseEffects)
{
    struct Case {
        GraphKind kind;
        const char* caption; // set after the window is made; behaviour follows the kind
        bool dataLoggerUnsaved, realTimeUnsaved;
        Answer answer;
        bool saveSucceeds;
        const char* question; // nullptr: none asked
        bool closes;
        int saves;
        bool dataLoggerUnsavedAfter, realTimeUnsavedAfter;
    };
    const Case cases[] = {
        {GraphKind::DataLogger, "DataLogger", true, false, Answer::Cancel, true, "Save DataLogger Data ?", false, 0, true, false},
        {GraphKind::DataLogger, "DataLogger", true, false, Answer::No, true, "Save DataLogger Data ?", true, 0, false, false},
        {GraphKind::DataLogger, "DataLogger", true, false, Answer::Yes, true, "Save DataLogger Data ?", true, 1, false, false},
        {GraphKind::DataLogger, "DataLogger", true, false, Answer::Yes, false, "Save DataLogger Data ?", false, 1, true, false},
        {GraphKind::RealTime, "Real-Time Graph", false, true, Answer::Cancel, true, "Save Real-Time Graph ?", false, 0, false, true},
        {GraphKind::RealTime, "Real-Time Graph", false, true, Answer::No, true, "Save Real-Time Graph ?", true, 0, false, false},
        {GraphKind::RealTime, "Real-Time Graph", false, true, Answer::Yes, true, "Save Real-Time Graph ?", true, 1, false, false},
        // Any graph window's close clears DataLoggerUnsaved; only the matching kind asks.
        {GraphKind::File, "some.ghf", true, true, Answer::Yes, true, nullptr, true, 0, false, true},
        // A real-time window saved under a file name still asks as the real-time window; a
        // file window captioned like it does not.
        {GraphKind::RealTime, "rec.ghf", false, true, Answer::No, true, "Save Real-Time Graph ?", true, 0, false, false},
        {GraphKind::File, "Real-Time Graph", false, true, Answer::Yes, true, nullptr, true, 0, false, true},
        {GraphKind::File, "DataLogger", true, false, Answer::Yes, true, nullptr, true, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.caption << " answer " << int(c.answer));
        host.state = GraphState{};
        host.saves.clear();
        host.saveSucceeds = c.saveSucceeds;
        prompter.questions.clear();
        prompter.answers = {c.answer};
        host.state.DataLoggerUnsaved = c.dataLoggerUnsaved;
        host.state.RealTimeUnsaved = c.realTimeUnsaved;
        make(c.kind);
        window->setCaption(c.caption);
        if (c.kind == GraphKind::DataLogger)
            host.state.DataLoggerWindow = window.data();
        if (c.kind == GraphKind::RealTime)
            host.state.RealTimeGraphWindow = window.data();
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
        make(GraphKind::RealTime);
        host.state.RealTimeGraphWindow = window.data();
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

// A kind of window may make the sampling-rate box a list: the user's choices are reported, the
// window's own selections and the rate it shows as a statistic are not.
TEST_F(GraphWindowTest, SamplingRateChoicesOfferedByAPart)
{
    make(GraphKind::RealTime, 30);
    QStringList chosen;
    QObject::connect(window.data(), &GraphWindow::samplingRateChosen, [&](const QString& t) { chosen << t; });
    window->offerSamplingRates({"0.5", "1.0", "2.0"});
    auto* box = child<QComboBox>("txtSamplingRate");
    EXPECT_FALSE(box->isEditable());
    EXPECT_TRUE(child<QWidget>("pnlSamplingRate")->isEnabled());
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(window->selectedSamplingRateItem(), -1);
    window->selectSamplingRateItem(1);
    EXPECT_EQ(window->selectedSamplingRateItem(), 1);
    EXPECT_EQ(window->samplingRateText(), "1.0");
    window->updateGraphStatistics();
    EXPECT_TRUE(chosen.isEmpty());
    box->setCurrentIndex(2);
    EXPECT_EQ(chosen, QStringList{"2.0"});
}

TEST_F(GraphWindowTest, StatisticsPanelsAndExport)
{
    make(GraphKind::File, 600);
    window->updateGraphStatistics();
    window->resetCursors();
    EXPECT_EQ(host.graphUnit().CursorAIndex, 200);
    EXPECT_EQ(host.graphUnit().CursorBIndex, 400);
    EXPECT_EQ(host.graphUnit().PlayLineIndex, 0);
    const ChartModel& m = window->model();
    EXPECT_DOUBLE_EQ(m.vertLines[1].x, m.xDataII(0, 200));
    const StatisticTexts t = window->statisticTexts();
    EXPECT_EQ(t.dataNo, "600");
    EXPECT_EQ(t.maximum, formatLevel(56));
    EXPECT_EQ(t.maximumTime, formatDateTime(m.xDataII(0, 6))); // the first maximum
    EXPECT_EQ(t.cursorA, formatLevel(50 + 200 % 7));
    EXPECT_EQ(t.startTime, formatDateTime(m.xDataII(0, 0)));

    // The clipboard gets the export text of what the boxes show.
    child<QToolButton>("btnExportStatistic")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), statisticExportText(t));
    EXPECT_EQ(prompter.messages, QStringList{"The statistic has been copy to clipboard"});
}

TEST_F(GraphWindowTest, DraggingIsThrottledAndSnapsOnRelease)
{
    make(GraphKind::File, 100, 1.0);
    window->resetCursors();
    ChartModel& m = window->model();
    ASSERT_EQ(host.graphUnit().CursorBIndex, 66);

    // Press on cursor B's line.
    mouse(QEvent::MouseButtonPress, pixelOf(m.vertLines[2].x));
    ASSERT_TRUE(host.graphUnit().DraggingCursorB);
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
    EXPECT_FALSE(host.graphUnit().DraggingCursorB);
    EXPECT_EQ(host.graphUnit().CursorBIndex, 20);
    EXPECT_DOUBLE_EQ(m.vertLines[2].x, m.xDataII(0, 20));
    EXPECT_EQ(m.vertLines[2].color, 0x000000FFu);
    // B is now left of A: the between-statistics run from B to A.
    EXPECT_EQ(window->statisticTexts().cursorB, formatLevel(50 + 20 % 7));
    EXPECT_EQ(window->statisticTexts().maxBetween, formatLevel(56));
}

TEST_F(GraphWindowTest, ReleaseOutsideThePlotPutsTheLineOnCursorA)
{
    make(GraphKind::File, 100, 1.0);
    window->resetCursors();
    ChartModel& m = window->model();
    mouse(QEvent::MouseButtonPress, pixelOf(m.vertLines[2].x));
    ASSERT_TRUE(host.graphUnit().DraggingCursorB);
    const QRect r = window->chart().plottingRect();
    mouse(QEvent::MouseButtonRelease, QPoint(r.right() + 5, r.center().y()));
    EXPECT_EQ(host.graphUnit().CursorBIndex, host.graphUnit().CursorAIndex);
    EXPECT_DOUBLE_EQ(m.vertLines[2].x, m.vertLines[1].x);
}

TEST_F(GraphWindowTest, SnapStaysOnTheChartBeyondTheLastSample)
{
    make(GraphKind::File, 10, 1.0);
    // Zoom out so there is room right of the last sample inside the plot.
    ChartModel& m = window->model();
    m.manualMaxX = m.xDataII(0, 9) + 20 * kSec;
    window->refreshChart();
    window->chart().plot()->replot();
    mouse(QEvent::MouseMove, pixelOf(m.xDataII(0, 9) + 15 * kSec));
    EXPECT_EQ(window->snapToSample(), 9);
}

TEST_F(GraphWindowTest, PointerReadoutInsideAndOutsideThePlot)
{
    make(GraphKind::File, 10, 1.0);
    ChartModel& m = window->model();
    const QRect r = window->chart().plottingRect();
    const QPoint inside = pixelOf(m.xDataII(0, 5));
    mouse(QEvent::MouseMove, inside);
    auto* readout = child<QLabel>("pnlReadout");
    const QString text = readout->text();
    EXPECT_TRUE(text.contains("dB@")) << text.toStdString();
    EXPECT_TRUE(text.endsWith(formatTimeOfDay(window->chart().pixelToData(inside).x())));
    mouse(QEvent::MouseMove, QPoint(r.left() - 10, r.top() - 5));
    EXPECT_EQ(readout->text(), text);
}

// A part's commands stand after the annotation tools, on the tool bar and in the chart's menu.
TEST_F(GraphWindowTest, APartsToolsStandAfterTheAnnotationTools)
{
    make(GraphKind::RealTime);
    auto* separator = new QAction(window.data());
    separator->setSeparator(true);
    window->addPartTool(separator);
    auto* clear = new QAction("Clear", window.data());
    window->addPartTool(clear, "tbntClr");
    const QList<QAction*> menu = window->contextMenu()->actions();
    const qsizetype erase = menu.indexOf(child<QAction>("actEraseAnnotation"));
    ASSERT_GE(erase, 0);
    EXPECT_EQ(menu.indexOf(separator), erase + 1);
    EXPECT_EQ(menu.indexOf(clear), erase + 2);
    EXPECT_TRUE(menu.value(erase + 3)->isSeparator());
    EXPECT_EQ(menu.indexOf(child<QAction>("actUndoZoom")), erase + 4);
    auto* button = child<QToolButton>("tbntClr");
    EXPECT_EQ(button->defaultAction(), clear);
    QApplication::processEvents(); // the tool bar lays out anew
    const QRect eraseRect(child<QWidget>("tbntEraseAnnotation")->pos(), child<QWidget>("tbntEraseAnnotation")->size());
    const QRect undoRect(child<QWidget>("btnUndoZoom")->pos(), child<QWidget>("btnUndoZoom")->size());
    EXPECT_GT(button->x(), eraseRect.right());
    EXPECT_LT(button->geometry().right(), undoRect.left());
    clear->setVisible(false);
    EXPECT_FALSE(button->isVisibleTo(window.data()));
}

TEST_F(GraphWindowTest, ZoomEnablesUndoZoom)
{
    make(GraphKind::File, 10);
    emit window->chart().zoomIn();
    auto* undo = child<QToolButton>("btnUndoZoom");
    EXPECT_TRUE(undo->isEnabled());
    undo->click();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(window->chart().isZoomed());
}

TEST_F(GraphWindowTest, TogglesHidePanelsAndLines)
{
    make(GraphKind::File, 10);
    auto* cursorStatistic = child<QToolButton>("tbntCursorStatistic");
    cursorStatistic->click();
    EXPECT_FALSE(child<QWidget>("pnlStatistic")->isVisible());
    EXPECT_FALSE(window->model().showVertLineAnnotations);
    child<QToolButton>("tbntGraphStatistic")->click();
    EXPECT_FALSE(child<QWidget>("pnlGraphStatistic")->isVisible());
    cursorStatistic->click();
    EXPECT_TRUE(window->model().showVertLineAnnotations);
}

// ---------------------------------------------------------------------------
// CAL Leq

namespace {
// The Leq of levels, in double precision straight from its definition.
double leqOf(const std::vector<float>& levels)
{
    double energy = 0;
    for (float x : levels)
        energy += std::pow(10.0, x / 10.0);
    return 10.0 * std::log10(energy / static_cast<double>(levels.size()));
}
} // namespace

TEST_F(GraphWindowTest, CalLeqMakesAnLeqWindowOfTheLevelsAndTheirRunningLeq)
{
    make(GraphKind::File, 2);
    setLevels({60, 70});
    GraphWindow* leq = calLeq();
    ASSERT_NE(leq, nullptr);
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(leq->kind(), GraphKind::Leq);
    EXPECT_EQ(leq->caption(), "LEQ");
    EXPECT_TRUE(leq->isVisible());

    const ChartModel& src = window->model();
    const ChartModel& m = leq->model();
    ASSERT_EQ(m.subsets(), 2);
    ASSERT_EQ(m.points(), 2);
    EXPECT_EQ(m.subsetLabel(0), "SPL");
    EXPECT_EQ(m.subsetColor(0), PEargb(255, 0, 0, 0));
    EXPECT_EQ(m.subsetLabel(1), "Leq");
    EXPECT_EQ(m.subsetColor(1), PEargb(255, 255, 0, 0));
    for (int k = 0; k < 2; ++k) {
        EXPECT_DOUBLE_EQ(m.xDataII(0, k), src.xDataII(0, k));
        EXPECT_DOUBLE_EQ(m.xDataII(1, k), src.xDataII(0, k));
        EXPECT_FLOAT_EQ(m.yData(0, k), src.yData(0, k));
    }
    EXPECT_FLOAT_EQ(m.yData(1, 0), 60.0f);
    EXPECT_NEAR(m.yData(1, 1), 10 * std::log10((1e6 + 1e7) / 2), 1e-4);
    EXPECT_EQ(formatLevel(m.yData(1, 1)), formatLevel(67.4));

    // The Leq box shows the last Leq; the whole-graph panel is filled from the SPL subset.
    EXPECT_TRUE(childOf<QWidget>(*leq, "pnlLeq")->isVisible());
    EXPECT_EQ(childOf<QLineEdit>(*leq, "txtLeq")->text(), formatLevel(67.4));
    EXPECT_EQ(leq->statisticTexts().dataNo, "2");
    EXPECT_EQ(leq->statisticTexts().maximum, formatLevel(70));

    // No Leq of a Leq; the source keeps its own button.
    EXPECT_FALSE(childOf<QToolButton>(*leq, "btnCALLeq")->isEnabled());
    EXPECT_TRUE(child<QToolButton>("btnCALLeq")->isEnabled());
    EXPECT_TRUE(child<QWidget>("pnlLeq")->isHidden());
}

TEST_F(GraphWindowTest, CalLeqEndsAtTheFirstNullAndKeepsThePointCount)
{
    make(GraphKind::File, 300);
    std::vector<float> first100;
    for (int i = 0; i < 100; ++i) {
        const float level = 40.0f + static_cast<float>((i * 37) % 61);
        window->model().setYData(0, i, level);
        first100.push_back(level);
    }
    for (int i = 100; i < 300; ++i)
        window->model().setYData(0, i, kDefaultNullDataValueY);
    GraphWindow* leq = calLeq();
    ASSERT_NE(leq, nullptr);
    const ChartModel& m = leq->model();
    EXPECT_EQ(m.points(), 300);
    EXPECT_FALSE(m.isNull(m.yData(1, 99)));
    EXPECT_NEAR(m.yData(1, 99), leqOf(first100), 0.01);
    for (int k : {100, 101, 299})
        EXPECT_TRUE(m.isNull(m.yData(1, k))) << k;
    EXPECT_EQ(childOf<QLineEdit>(*leq, "txtLeq")->text(), formatLevel(m.yData(1, 99)));
    EXPECT_EQ(formatLevel(m.yData(1, 99)), formatLevel(leqOf(first100)));
}

TEST_F(GraphWindowTest, CalLeqWithoutDataSaysSoAndMakesNoWindow)
{
    const auto graphWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += qobject_cast<GraphWindow*>(w) != nullptr;
        return n;
    };
    // A chart set up but never written to, and one whose first sample is null.
    for (bool written : {false, true}) {
        SCOPED_TRACE(written);
        prompter.messages.clear();
        window = new GraphWindow(host, GraphKind::RealTime);
        newChart(window->model(), 1, 500, 45000.0, 45000.01, 30, 130);
        if (written)
            setLevels({kDefaultNullDataValueY, 60, 70});
        window->show();
        const int before = graphWindows();
        EXPECT_EQ(calLeq(), nullptr);
        EXPECT_EQ(prompter.messages, QStringList{"no data"});
        EXPECT_EQ(graphWindows(), before);
        delete window.data();
    }
}

TEST_F(GraphWindowTest, TheLeqWindowClosesWithItsSource)
{
    // Alone on the desktop, and in a child-window area where each window sits in a frame.
    for (bool inFrames : {false, true}) {
        SCOPED_TRACE(inFrames);
        QMdiArea area;
        host.mdi = inFrames ? &area : nullptr;
        make(GraphKind::File, 5);
        if (inFrames)
            host.showGraphWindow(*window);
        QPointer<GraphWindow> leq = calLeq();
        ASSERT_NE(leq, nullptr);
        EXPECT_EQ(qobject_cast<QMdiSubWindow*>(leq->parentWidget()) != nullptr, inFrames);

        // Closing the LEQ window alone leaves the source.
        const auto closeWindow = [](QWidget* w) {
            if (auto* frame = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
                frame->close();
            else
                w->close();
        };
        closeWindow(leq);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(leq.isNull());
        EXPECT_TRUE(host.graphUnit().LeqGraphWindow.isNull());
        ASSERT_FALSE(window.isNull());

        // Closing the source takes its LEQ windows with it.
        QPointer<GraphWindow> first = calLeq();
        QPointer<GraphWindow> second = calLeq();
        ASSERT_NE(first, second);
        EXPECT_EQ(host.graphUnit().LeqGraphWindow, second.data());
        closeWindow(window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
        EXPECT_TRUE(first.isNull());
        EXPECT_TRUE(second.isNull());
        EXPECT_TRUE(host.graphUnit().LeqGraphWindow.isNull());
        if (inFrames)
            EXPECT_TRUE(area.subWindowList().isEmpty());
        host.mdi = nullptr;
    }
}

// ---------------------------------------------------------------------------
// The tool bar and the chart's menu

namespace {
const char* const kAllTools[] = {"tbntGraphStatistic", "tbntCursorStatistic", "tbntNormalCursor", "tbntDrawCross",
                                 "tbntText", "tbntEraseAnnotation", "tbntClr", "btnUndoZoom", "btnGraphOption",
                                 "btnExportStatistic", "btnCALLeq", "btnOpenWav", "btnPlay", "btnPause", "btnStopPlay", "btnNoiseStatistics"};

// The rectangle of a widget in the window's own coordinates.
QRect rectIn(const QWidget& w, const QWidget& window)
{
    return QRect(w.mapTo(&window, QPoint(0, 0)), w.size());
}
std::string text(const QRect& r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}
} // namespace

// In a narrow window every tool the window offers stays on screen: the tool bar grows rows
// instead of pushing buttons off its end.
TEST_F(GraphWindowTest, EveryOfferedToolIsOnTheToolBarInANarrowWindow)
{
    struct Case {
        const char* what;
        GraphKind kind;
        bool leqOfIt;       // the "LEQ" window made from it by CAL Leq instead
        bool startUpRealTime; // without "open wav" and the player
        QSize size;
    };
    const Case cases[] = {
        {"data logger at 1024", GraphKind::DataLogger, false, false, {1024, 680}},
        {"data logger at 1024, low", GraphKind::DataLogger, false, false, {1024, 450}},
        {"LEQ at its opening size", GraphKind::File, true, false, {900, 600}},
        {"LEQ at 1024", GraphKind::File, true, false, {1024, 600}},
        {"list graph at 640", GraphKind::File, false, false, {640, 500}},
        {"start-up real-time at 1024", GraphKind::RealTime, false, true, {1024, 600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        make(c.kind, 30, 1.0, c.startUpRealTime ? GraphWindow::WavPlayerPart::Without : GraphWindow::WavPlayerPart::With);
        GraphWindow* w = window;
        if (c.leqOfIt)
            w = calLeq();
        ASSERT_NE(w, nullptr);
        if (c.kind == GraphKind::RealTime)
            w->addPartTool(new QAction("Clear", w), "tbntClr"); // as the real-time side adds it
        w->resize(c.size);
        QApplication::processEvents();
        ASSERT_EQ(w->width(), c.size.width());

        auto* area = childOf<QWidget>(*w, "tbrGraph");
        const QRect areaRect = rectIn(*area, *w);
        EXPECT_TRUE(w->rect().contains(areaRect)) << text(areaRect);
        // The statistics below start under the last row of tools.
        EXPECT_GE(rectIn(*childOf<QWidget>(*w, "pnlGraphStatistic"), *w).top(), areaRect.bottom());

        QStringList offered;
        for (const char* name : kAllTools) {
            const bool absentByDesign = (c.kind != GraphKind::RealTime && QString(name) == "tbntClr")
                || (c.startUpRealTime && (QString(name) == "btnOpenWav" || QString(name).startsWith("btnP")
                                          || QString(name) == "btnStopPlay"));
            if (absentByDesign) {
                EXPECT_EQ(w->findChild<QToolButton*>(name), nullptr) << name;
                continue;
            }
            auto* b = childOf<QToolButton>(*w, name);
            offered << name;
            EXPECT_TRUE(b->isVisibleTo(w)) << name;
            EXPECT_TRUE(areaRect.contains(rectIn(*b, *w))) << name << " at " << text(rectIn(*b, *w)) << " outside " << text(areaRect);
        }
        // No two buttons share pixels.
        for (int i = 0; i < offered.size(); ++i)
            for (int j = i + 1; j < offered.size(); ++j)
                EXPECT_FALSE(rectIn(*childOf<QWidget>(*w, qPrintable(offered[i])), *w)
                                 .intersects(rectIn(*childOf<QWidget>(*w, qPrintable(offered[j])), *w)))
                    << qPrintable(offered[i]) << " " << qPrintable(offered[j]);
        delete host.graphUnit().LeqGraphWindow.data();
        delete window.data();
    }
}

// The chart's right-click menu holds the tool bar's own commands: one state for both.
TEST_F(GraphWindowTest, TheChartsMenuHoldsTheToolBarsCommands)
{
    make(GraphKind::DataLogger, 30);
    QMenu* menu = window->contextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->parent(), window.data());
    EXPECT_EQ(menu->objectName(), "graphContextMenu");
    for (const char* name : kAllTools) {
        if (QString(name) == "tbntClr")
            continue; // the real-time window's (tests/realtime)
        QAction* a = child<QToolButton>(name)->defaultAction();
        ASSERT_NE(a, nullptr) << name;
        EXPECT_TRUE(menu->actions().contains(a)) << name;
    }

    // Enabled and checked states are the buttons' own.
    QAction* undo = child<QToolButton>("btnUndoZoom")->defaultAction();
    EXPECT_FALSE(undo->isEnabled());
    emit window->chart().zoomIn();
    EXPECT_TRUE(undo->isEnabled());
    child<QAction>("actDrawCross")->trigger();
    EXPECT_EQ(host.graphUnit().PlacementTool, 2);
    EXPECT_TRUE(child<QToolButton>("tbntDrawCross")->isChecked());
    EXPECT_FALSE(child<QToolButton>("tbntNormalCursor")->isChecked());
    child<QAction>("actGraphStatistic")->trigger();
    EXPECT_FALSE(child<QToolButton>("tbntGraphStatistic")->isChecked());
    EXPECT_FALSE(child<QWidget>("pnlGraphStatistic")->isVisible());

    // A right click on the chart opens it; the right button neither zooms nor clicks.
    undo->trigger();
    QWidget* plot = window->chart().plot();
    const QPoint from = window->chart().plottingRect().center();
    const QPoint to = from + QPoint(80, 60);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), QPointF(plot->mapToGlobal(from)), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &press);
    QContextMenuEvent open(QContextMenuEvent::Mouse, from, plot->mapToGlobal(from));
    QApplication::sendEvent(plot, &open);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(plot->mapToGlobal(to)), Qt::NoButton, Qt::RightButton,
                     Qt::NoModifier);
    QApplication::sendEvent(plot, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(to), QPointF(plot->mapToGlobal(to)), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &release);
    EXPECT_FALSE(window->chart().isZoomed());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(host.graphUnit().AnnotationCount, 4);
}

// ---------------------------------------------------------------------------
// The cursor panel in every kind of graph window

namespace {
// The cursor panel shows the samples under the window's own lines A and B.
void expectCursorPanelOnLines(GraphWindow& w)
{
    const ChartModel& m = w.model();
    const StatisticTexts t = w.statisticTexts();
    for (auto [line, value, time] : {std::tuple{1, t.cursorA, t.cursorATime}, std::tuple{2, t.cursorB, t.cursorBTime}}) {
        const int k = nearestSample(m.xValues(0), m.vertLines[static_cast<size_t>(line)].x);
        EXPECT_DOUBLE_EQ(m.vertLines[static_cast<size_t>(line)].x, m.xDataII(0, k)) << "line " << line;
        EXPECT_EQ(value, formatLevel(m.yData(0, k))) << "line " << line;
        EXPECT_EQ(time, formatDateTime(m.xDataII(0, k))) << "line " << line;
    }
    EXPECT_FALSE(t.averageBetween.isEmpty());
}
} // namespace

TEST_F(GraphWindowTest, EveryGraphWindowFillsItsCursorPanel)
{
    // The "LEQ" window of CAL Leq.
    make(GraphKind::File, 90);
    GraphWindow* leq = calLeq();
    ASSERT_NE(leq, nullptr);
    {
        SCOPED_TRACE("LEQ");
        expectCursorPanelOnLines(*leq);
        EXPECT_NEAR(host.graphUnit().CursorAIndex, 30, 1);
        EXPECT_NEAR(host.graphUnit().CursorBIndex, 60, 1);
    }
    delete leq;
    delete window.data();

    // A list's or the Leq window's graph, a graph file: filled, then its statistics shown.
    window = new GraphWindow(host, GraphKind::File);
    const double t0 = toDays(clock.now());
    newChart(window->model(), 1, 12, t0, t0 + 11 * 60 * kSec, 30, 130);
    for (int i = 0; i < 12; ++i) {
        window->model().setXDataII(0, i, t0 + i * 60 * kSec);
        window->model().setYData(0, i, 40.0f + static_cast<float>(i));
    }
    host.showGraphWindow(*window);
    window->updateGraphStatistics();
    window->refreshChart();
    {
        SCOPED_TRACE("list graph");
        expectCursorPanelOnLines(*window);
        EXPECT_EQ(window->statisticTexts().cursorA, formatLevel(44)); // a third along: sample 4 of 0..11
    }
    delete window.data();
}

TEST_F(GraphWindowTest, TheRealTimeWindowFillsItsCursorPanelOnceRecordingStops)
{
    make(GraphKind::RealTime, 0);
    ChartModel& m = window->model();
    // A fresh graph: nothing recorded, nothing under the cursors.
    newChart(m, 1, 500, toDays(clock.now()), toDays(clock.now()) + 255 * kSec, 30, 130);
    window->refreshChart();
    EXPECT_TRUE(window->statisticTexts().cursorA.isEmpty());

    // While recording the later samples are not written yet: the panel stays empty.
    host.state.RealTimeRunning = true;
    m.vertLines[1].x = m.vertLines[2].x = 0;
    const double t0 = toDays(clock.now());
    for (int i = 0; i < 60; ++i) {
        m.setXDataII(0, i, t0 + i * kSec);
        m.setYData(0, i, 60.0f + static_cast<float>(i % 5));
    }
    window->refreshChart();
    EXPECT_TRUE(window->statisticTexts().cursorA.isEmpty());

    // Stopped: the graph keeps what was recorded and the cursors go a third and two thirds along.
    host.state.RealTimeRunning = false;
    m.setPoints(60);
    m.vertLines[1].x = t0 + 59 * kSec / 3;
    m.vertLines[2].x = t0 + 2 * 59 * kSec / 3;
    window->refreshChart();
    expectCursorPanelOnLines(*window);
}

// Two windows share the cursor indices; the panel of each still reads its own lines.
TEST_F(GraphWindowTest, DraggingInOneWindowReadsTheOtherCursorOfThatWindow)
{
    make(GraphKind::File, 100);
    GraphWindow* leq = calLeq(); // 100 samples, cursors at about 33 and 66
    ASSERT_NE(leq, nullptr);
    window->model().setPoints(10);
    window->resetCursors(); // the shared indices now 3 and 6 of the source
    ASSERT_EQ(host.graphUnit().CursorBIndex, 6);

    QPointer<GraphWindow> source = window;
    window = leq;
    window->chart().plot()->replot();
    ChartModel& m = leq->model();
    mouse(QEvent::MouseButtonPress, pixelOf(m.vertLines[1].x));
    ASSERT_TRUE(host.graphUnit().DraggingCursorA);
    clock.advanceMs(300);
    mouse(QEvent::MouseMove, pixelOf(m.xDataII(0, 20)));
    mouse(QEvent::MouseButtonRelease, pixelOf(m.xDataII(0, 20)));
    EXPECT_EQ(host.graphUnit().CursorAIndex, 20);
    EXPECT_NEAR(host.graphUnit().CursorBIndex, 66, 1);
    expectCursorPanelOnLines(*leq);
    window = source;
}

// The cursors, the annotation counter and the tool are one set for the graph windows of one
// main window, passed to them by their host: nothing is shared with another host's windows.
TEST_F(GraphWindowTest, CursorsAreSharedByTheHostsWindowsOnly)
{
    make(GraphKind::File, 600);
    window->resetCursors();
    ASSERT_EQ(host.graphUnit().CursorAIndex, 200);

    // A second window of the same host moves the same cursor indices.
    const QPointer<GraphWindow> first = window;
    make(GraphKind::File, 300);
    window->resetCursors();
    EXPECT_EQ(host.graphUnit().CursorAIndex, 100);
    EXPECT_EQ(host.graphUnit().CursorBIndex, 200);

    // A window of another host keeps its own set and leaves this one alone.
    FakeHost other;
    auto* foreign = new GraphWindow(other, GraphKind::File);
    const double t0 = toDays(clock.now());
    newChart(foreign->model(), 1, 900, t0, t0 + 900 * kSec, 30, 130);
    for (int i = 0; i < 900; ++i)
        foreign->model().setXDataII(0, i, t0 + i * kSec);
    foreign->resetCursors();
    foreign->useCrossTool();
    EXPECT_EQ(other.graphUnit().CursorAIndex, 300);
    EXPECT_EQ(other.graphUnit().PlacementTool, 2);
    EXPECT_EQ(host.graphUnit().CursorAIndex, 100);
    EXPECT_EQ(host.graphUnit().CursorBIndex, 200);
    EXPECT_EQ(host.graphUnit().PlacementTool, -99);
    delete foreign;
    delete first.data();
}
