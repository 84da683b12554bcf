// quedral --screenshot with --screenshot-state: each named state brings up its window and
// writes a picture of it.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <functional>

#include "graph/ui/graphwindow.h"
#include "graph/ui/noisepanel.h"
#include "leq/ui/leqwindow.h"
#include "logger/ui/dataloggercontroller.h"
#include "realtime/ui/realtimecontroller.h"
#include "setup/ui/setupwindow.h"
#include "shell/screenshotstate.h"
#include "base/clock.h"
#include "mainwindowfixture.h"

using namespace quedral;
using quedral::test::MainWindowTest;

namespace {

TEST(ScreenshotViewNames, EveryNameParsesBackToItsView)
{
    const QStringList names = screenshotViewNames();
    ASSERT_EQ(names.size(), int(ScreenshotView::Setup) + 1);
    for (int i = 0; i < names.size(); ++i) {
        ScreenshotView v = ScreenshotView::Main;
        EXPECT_TRUE(parseScreenshotView(names[i], v)) << names[i].toStdString();
        EXPECT_EQ(int(v), i);
    }
    ScreenshotView v = ScreenshotView::Leq;
    EXPECT_FALSE(parseScreenshotView("Panel", v));
    EXPECT_FALSE(parseScreenshotView("", v));
    EXPECT_EQ(v, ScreenshotView::Leq);
}

class ScreenshotStateTest : public MainWindowTest {
protected:
    // Starts a main window that takes the picture of view, drives its poll until the picture
    // is written, and returns the picture (null when none was written).
    QImage take(ScreenshotView view)
    {
        TearDown();
        screenshotFile = data.file(screenshotViewNames().at(int(view)) + ".png");
        screenshotPlan.view = view;
        screenshotPlan.realTimeReadings = 3;
        screenshotPlan.leqRows = 0;
        SetUp();
        QSignalSpy saved(main, &MainWindow::screenshotSaved);
        // The probe and the first reading settle start-up; the real-time graph records a few more.
        const int polls = 2 + (view == ScreenshotView::RealTime ? screenshotPlan.realTimeReadings : 0);
        for (int i = 0; i < polls && saved.isEmpty(); ++i) {
            clock.advanceMs(500);
            poll();
        }
        if (saved.isEmpty() && !saved.wait(30000))
            return {};
        EXPECT_TRUE(saved.first().first().toBool());
        return QImage(screenshotFile);
    }
    ManualClock clock{QDateTime::currentDateTime()};
    test::ScopedClock clockGuard{clock};
};

TEST_F(ScreenshotStateTest, EachStateShowsItsWindowInAPicture)
{
    using Check = std::function<bool(MainWindow&)>;
    const struct {
        ScreenshotView view;
        Check shown;
        bool wholeWindow; // else the panel alone
    } cases[] = {
        {ScreenshotView::Main, [](MainWindow& m) { return m.windows().singles().panel && m.state().RealTimeGraphWindow; }, true},
        {ScreenshotView::Panel, [](MainWindow& m) { return m.windows().singles().panel != nullptr; }, false},
        {ScreenshotView::RealTime, [](MainWindow& m) { return m.realTime().window() && m.state().RealTimeCount >= 3; }, true},
        {ScreenshotView::DataLogger, [](MainWindow& m) { return m.dataLogger().window() && m.dataLogger().shownSet() == 0; }, true},
        {ScreenshotView::Stats,
         [](MainWindow& m) { return m.dataLogger().window() && m.dataLogger().window()->noisePanel().isVisible(); }, true},
        {ScreenshotView::Leq, [](MainWindow& m) { return m.windows().singles().leq != nullptr; }, true},
        {ScreenshotView::Setup, [](MainWindow& m) { return m.setupWindow() && !m.setupWindow()->txtSN->text().isEmpty(); }, true},
    };
    for (const auto& c : cases) {
        const std::string name = screenshotViewNames().at(int(c.view)).toStdString();
        const QImage picture = take(c.view);
        ASSERT_FALSE(picture.isNull()) << name;
        EXPECT_TRUE(c.shown(*main)) << name;
        PanelWindow* panel = main->windows().singles().panel;
        ASSERT_NE(panel, nullptr) << name;
        const QSize expected = c.wholeWindow ? main->size() : main->frameOf(panel)->size();
        EXPECT_EQ(picture.size(), expected) << name;
    }
}

} // namespace
