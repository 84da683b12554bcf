// The child windows in the main window's area: placement and the Window menu's list.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "shell/windowmanager.h"

namespace quedral::test {
namespace {

class WindowManagerTest : public ::testing::Test {
protected:
    WindowManagerTest()
    {
        area.resize(600, 400);
        area.show();
        menu.addAction("&Tile");
        menu.addAction("&Cascade");
        windows.attachWindowMenu(menu);
    }
    QWidget* child(const QString& title)
    {
        auto* w = new QLabel(title);
        w->setWindowTitle(title);
        return w;
    }
    // The Window menu as it shows: the captions below Tile and Cascade.
    QStringList windowList()
    {
        emit menu.aboutToShow();
        QStringList captions;
        for (QAction* a : menu.actions())
            if (!a->isSeparator())
                captions << a->text();
        return captions.mid(2);
    }

    QMdiArea area;
    QMenu menu;
    WindowManager windows{area};
};

// Each new window a step down and right of the last, never past the area's edge.
TEST_F(WindowManagerTest, NewChildrenStepInsideTheArea)
{
    struct Case {
        QSize size;
        QPoint pos;  // of the second window (the first counts one step)
        QSize shown;
    } cases[] = {
        {{200, 100}, {60, 60}, {200, 100}},
        {{580, 390}, {20, 10}, {580, 390}},
        {{900, 900}, {0, 0}, {600, 400}},
    };
    for (const Case& c : cases) {
        windows.showNewChild(child("first"), c.size);
        QMdiSubWindow* sub = windows.showNewChild(child("second"), c.size);
        EXPECT_EQ(sub->pos(), c.pos) << c.size.width();
        EXPECT_EQ(sub->size(), c.shown) << c.size.width();
        EXPECT_EQ(WindowManager::frameOf(sub->widget()), sub);
        area.closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A window across the top: the area's width, its height less the gap asked for, never lower
// than 200.
TEST_F(WindowManagerTest, WindowsAcrossTheTopTakeTheWidthAndLeaveTheGap)
{
    struct Case {
        int heightLess;
        int height;
    } cases[] = {{40, 360}, {60, 340}, {300, 200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heightLess);
        QMdiSubWindow* sub = windows.showAtTop(child("top"), c.heightLess);
        EXPECT_EQ(sub->geometry(), QRect(0, 0, 600, c.height));
        EXPECT_TRUE(sub->isVisible());
        EXPECT_TRUE(sub->testAttribute(Qt::WA_DeleteOnClose));
    }
}

// The list is made anew each time the menu opens: no entry twice, closed windows gone, and
// choosing a minimised window brings it back as the active one.
TEST_F(WindowManagerTest, WindowMenuListsTheOpenWindowsOnce)
{
    QMdiSubWindow* a = windows.showNewChild(child("Alpha"), {200, 100});
    QMdiSubWindow* b = windows.showNewChild(child("Beta"), {200, 100});
    EXPECT_EQ(windowList(), QStringList({"&1 Alpha", "&2 Beta"}));
    EXPECT_EQ(windowList(), QStringList({"&1 Alpha", "&2 Beta"}));

    a->showMinimized();
    emit menu.aboutToShow();
    menu.actions().at(menu.actions().size() - 2)->trigger();
    EXPECT_FALSE(a->isMinimized());
    EXPECT_EQ(area.activeSubWindow(), a);

    b->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windowList(), QStringList({"&1 Alpha"}));
}

// The View check marks follow the windows, not the clicks.
TEST_F(WindowManagerTest, ViewChecksFollowTheWindows)
{
    QAction panel, graph;
    for (QAction* a : {&panel, &graph})
        a->setCheckable(true);
    bool graphOpen = true;
    windows.setViewChecks(panel, graph, [&] { return graphOpen; });
    panel.trigger();  // no panel open: the click's check mark is taken back
    graph.trigger();  // the graph is open: its mark comes back
    EXPECT_FALSE(panel.isChecked());
    EXPECT_TRUE(graph.isChecked());
}

} // namespace
} // namespace quedral::test
