#pragma once
#include <QIcon>
#include <array>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QToolButton;
class QWidget;

namespace quedral {

// The main window's commands, in menu order.
enum class MainAction {
    Open, Save, ExportReport, Print, PrinterSetup, Exit,
    Run, Stop,
    LoadData, EraseMemory, Setup,
    Leq,
    ControlPanel, RealTimeGraph,
    Tile, Cascade,
    Contents, About,
    Count
};
enum class MainMenu { File, RealTime, DataLogger, View, Window, Help, Count };
// The tool bar's buttons, left to right.
enum class MainButton { Open, Save, Print, DataLogger, OutputToGraph, Run, Stop, Help, Setup, Count };

// The menus and the tool bar, built from one table of commands.
class MainActions {
public:
    // What a command does; a tool bar button either triggers its menu command or, for Help,
    // Setup and "Output Tabular to graph", calls its handler directly.
    struct Handlers {
        std::function<void(MainAction)> run;
        std::function<void()> outputToGraph;
    };

    // Fills the window's menu bar and makes the tool bar (not yet placed).
    void build(QMainWindow& window, Handlers handlers);

    QAction* action(MainAction a) const { return m_actions[static_cast<int>(a)]; }
    QMenu* menu(MainMenu m) const { return m_menus[static_cast<int>(m)]; }
    QToolButton* button(MainButton b) const { return m_buttons[static_cast<int>(b)]; }
    QWidget* toolBar() const { return m_toolBar; }

private:
    void buildMenus(QMainWindow& window);
    void buildToolBar(QMainWindow& window);
    QMenu* addMenu(QMainWindow& window, MainMenu m);

    Handlers m_handlers;
    std::array<QAction*, static_cast<int>(MainAction::Count)> m_actions{};
    std::array<QMenu*, static_cast<int>(MainMenu::Count)> m_menus{};
    std::array<QToolButton*, static_cast<int>(MainButton::Count)> m_buttons{};
    QWidget* m_toolBar = nullptr;
};

} // namespace quedral
