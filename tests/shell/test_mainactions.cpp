// The main window's menus and tool bar as the command table builds them.
#include <gtest/gtest.h>

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "shell/mainactions.h"

namespace quedral::test {
namespace {

class MainActionsTest : public ::testing::Test {
protected:
    MainActionsTest()
    {
        actions.build(window, {[this](MainAction a) { ran << a; }, [this] { ++outputs; }});
    }
    // A menu as the user sees it: "caption name [flags]" per entry, "-" for a separator.
    static QStringList entries(const QList<QAction*>& list)
    {
        QStringList out;
        for (QAction* a : list) {
            if (a->isSeparator()) {
                out << "-";
                continue;
            }
            QString line = a->text() + " " + (a->menu() ? a->menu()->objectName() : a->objectName());
            if (!a->isEnabled())
                line += " disabled";
            if (a->isCheckable())
                line += a->isChecked() ? " checked" : " unchecked";
            out << line;
        }
        return out;
    }

    QMainWindow window;
    MainActions actions;
    QList<MainAction> ran;
    int outputs = 0;
};

TEST_F(MainActionsTest, MenusKeepTheirOrderCaptionsAndStates)
{
    EXPECT_EQ(entries(window.menuBar()->actions()),
              QStringList({"&File File1", "Real Time RealTime1", "&Data Logger DataLogger1", "LEQ LEQ1",
                           "&View View1", "&Window Window1", "&Help Help1"}));
    const struct {
        MainMenu menu;
        QStringList entries;
    } cases[] = {
        {MainMenu::File, {"&Open Open1", "&Save Save1", "Export &report... ExportReport1", "-", "&Print Print1", "&Printer Setup PrinterSetup1", "-",
                          "E&xit Exit1"}},
        {MainMenu::RealTime, {"Run Run1 disabled", "Stop Stop1 disabled"}},
        {MainMenu::DataLogger, {"Load Data LoadData1", "Erase Memory EraseMemory1", "Setup Setup1"}},
        {MainMenu::View, {"&Control Panel ControlPanel1 checked", "Real Time &Graph RealTimeGraph1 checked"}},
        {MainMenu::Window, {"&Tile Tile1", "&Cascade Cascade1"}},
        {MainMenu::Help, {"&Contents Contents1", "-", "&About About1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(entries(actions.menu(c.menu)->actions()), c.entries) << actions.menu(c.menu)->objectName().toStdString();
}

TEST_F(MainActionsTest, EachActionRunsItsOwnCommand)
{
    for (int i = 0; i < static_cast<int>(MainAction::Count); ++i) {
        const auto a = static_cast<MainAction>(i);
        actions.action(a)->setEnabled(true);
        actions.action(a)->trigger();
    }
    ASSERT_EQ(ran.size(), static_cast<int>(MainAction::Count));
    for (int i = 0; i < ran.size(); ++i)
        EXPECT_EQ(static_cast<int>(ran[i]), i);
}

TEST_F(MainActionsTest, ToolBarButtonsKeepTheirOrderHintsAndCommands)
{
    const struct {
        MainButton button;
        const char* name;
        const char* hint;
        bool enabled;
        int command;  // the MainAction it runs; -1: "Output Tabular to graph"
    } cases[] = {
        {MainButton::Open, "btnOpen", "Open File", true, int(MainAction::Open)},
        {MainButton::Save, "btnSave", "Save to file", true, int(MainAction::Save)},
        {MainButton::Print, "btnPrint", "Print", true, int(MainAction::Print)},
        {MainButton::DataLogger, "btnDataLogger", "Data Logger", true, int(MainAction::LoadData)},
        {MainButton::OutputToGraph, "btnOutputToGraph", "Output Tabular to graph", false, -1},
        {MainButton::Run, "btnRun", "Start Graphing Real Time Data", false, int(MainAction::Run)},
        {MainButton::Stop, "btnStop", "Stop Graphing Real Time Data", false, int(MainAction::Stop)},
        {MainButton::Help, "btnHelp", "Help", true, int(MainAction::Contents)},
        {MainButton::Setup, "btnSetup", "", true, int(MainAction::Setup)},
    };
    const auto buttons = actions.toolBar()->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        QToolButton* b = actions.button(c.button);
        EXPECT_EQ(buttons[i], b) << c.name;
        EXPECT_EQ(b->objectName(), c.name);
        EXPECT_EQ(b->toolTip(), c.hint);
        EXPECT_EQ(b->statusTip(), c.hint);
        EXPECT_EQ(b->isEnabled(), c.enabled) << c.name;
        for (int k = 0; k < static_cast<int>(MainAction::Count); ++k)
            actions.action(static_cast<MainAction>(k))->setEnabled(true);
        b->setEnabled(true);
        ran.clear();
        outputs = 0;
        b->click();
        if (c.command < 0) {
            EXPECT_TRUE(ran.isEmpty()) << c.name;
            EXPECT_EQ(outputs, 1) << c.name;
        } else {
            ASSERT_EQ(ran.size(), 1) << c.name;
            EXPECT_EQ(static_cast<int>(ran[0]), c.command) << c.name;
        }
    }
    EXPECT_FALSE(actions.button(MainButton::Setup)->isVisibleTo(&window));
}

} // namespace
} // namespace quedral::test
