#include "shell/mainactions.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <optional>

namespace quedral {

namespace {

struct MenuSpec {
    MainMenu menu;
    const char* caption;
    const char* name;
};

const MenuSpec menuTable[] = {
    {MainMenu::File, "&File", "File1"},
    {MainMenu::RealTime, "Real Time", "RealTime1"},
    {MainMenu::DataLogger, "&Data Logger", "DataLogger1"},
    {MainMenu::View, "&View", "View1"},
    {MainMenu::Window, "&Window", "Window1"},
    {MainMenu::Help, "&Help", "Help1"},
};

struct ActionSpec {
    MainAction action;
    std::optional<MainMenu> menu;  // none: on the menu bar itself
    const char* caption;
    const char* name;
    bool separatorBefore = false;
    bool checkable = false;  // checkable ones start checked
    bool enabled = true;
};

const ActionSpec actionTable[] = {
    {MainAction::Open, MainMenu::File, "&Open", "Open1"},
    {MainAction::Save, MainMenu::File, "&Save", "Save1"},
    {MainAction::ExportReport, MainMenu::File, "Export &report...", "ExportReport1"},
    {MainAction::Print, MainMenu::File, "&Print", "Print1", true},
    {MainAction::PrinterSetup, MainMenu::File, "&Printer Setup", "PrinterSetup1"},
    {MainAction::Exit, MainMenu::File, "E&xit", "Exit1", true},
    {MainAction::Run, MainMenu::RealTime, "Run", "Run1", false, false, false},
    {MainAction::Stop, MainMenu::RealTime, "Stop", "Stop1", false, false, false},
    {MainAction::LoadData, MainMenu::DataLogger, "Load Data", "LoadData1"},
    {MainAction::EraseMemory, MainMenu::DataLogger, "Erase Memory", "EraseMemory1"},
    {MainAction::Setup, MainMenu::DataLogger, "Setup", "Setup1"},
    {MainAction::Leq, std::nullopt, "LEQ", "LEQ1"},
    {MainAction::ControlPanel, MainMenu::View, "&Control Panel", "ControlPanel1", false, true},
    {MainAction::RealTimeGraph, MainMenu::View, "Real Time &Graph", "RealTimeGraph1", false, true},
    {MainAction::Tile, MainMenu::Window, "&Tile", "Tile1"},
    {MainAction::Cascade, MainMenu::Window, "&Cascade", "Cascade1"},
    {MainAction::Contents, MainMenu::Help, "&Contents", "Contents1"},
    {MainAction::About, MainMenu::Help, "&About", "About1", true},
};

enum class Icon { Open, Save, Print, DataLogger, TableToGraph, Run, Stop, Help, None };

struct ButtonSpec {
    MainButton button;
    const char* name;
    const char* hint;
    Icon icon;
    std::optional<MainAction> triggers;  // none: its own handler
    bool enabled = true;
};

const ButtonSpec buttonTable[] = {
    {MainButton::Open, "btnOpen", "Open File", Icon::Open, MainAction::Open},
    {MainButton::Save, "btnSave", "Save to file", Icon::Save, MainAction::Save},
    {MainButton::Print, "btnPrint", "Print", Icon::Print, MainAction::Print},
    {MainButton::DataLogger, "btnDataLogger", "Data Logger", Icon::DataLogger, MainAction::LoadData},
    {MainButton::OutputToGraph, "btnOutputToGraph", "Output Tabular to graph", Icon::TableToGraph, std::nullopt, false},
    {MainButton::Run, "btnRun", "Start Graphing Real Time Data", Icon::Run, MainAction::Run, false},
    {MainButton::Stop, "btnStop", "Stop Graphing Real Time Data", Icon::Stop, MainAction::Stop, false},
    {MainButton::Help, "btnHelp", "Help", Icon::Help, std::nullopt},
};

// Small tool-bar pictures drawn in code, so the bar looks the same on every desktop.
QIcon drawnIcon(const std::function<void(QPainter&)>& draw)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return QIcon(pm);
}

void drawPrinter(QPainter& p)
{
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(7, 3, 10, 7);
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(3, 9, 18, 9, 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(7, 14, 10, 7);
}

void drawBars(QPainter& p)
{
    p.setPen(Qt::NoPen);
    const int h[] = {8, 14, 10, 18, 12};
    for (int i = 0; i < 5; ++i) {
        p.setBrush(QColor(40, 110, 190));
        p.drawRect(3 + i * 4, 21 - h[i], 3, h[i]);
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawLine(2, 21, 22, 21);
}

void drawTableToGraph(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(2, 3, 9, 12);
    for (int y = 6; y < 15; y += 3)
        p.drawLine(2, y, 11, y);
    p.setPen(QPen(QColor(200, 40, 40), 1.8));
    p.drawPolyline(QPolygon({QPoint(11, 20), QPoint(15, 13), QPoint(18, 17), QPoint(22, 8)}));
}

QIcon iconFor(Icon icon, QStyle& st)
{
    switch (icon) {
    case Icon::Open: return st.standardIcon(QStyle::SP_DialogOpenButton);
    case Icon::Save: return st.standardIcon(QStyle::SP_DialogSaveButton);
    case Icon::Print: return drawnIcon(drawPrinter);
    case Icon::DataLogger: return drawnIcon(drawBars);
    case Icon::TableToGraph: return drawnIcon(drawTableToGraph);
    case Icon::Run: return st.standardIcon(QStyle::SP_MediaPlay);
    case Icon::Stop: return st.standardIcon(QStyle::SP_MediaStop);
    case Icon::Help: return st.standardIcon(QStyle::SP_DialogHelpButton);
    case Icon::None: break;
    }
    return {};
}

} // namespace

void MainActions::build(QMainWindow& window, Handlers handlers)
{
    m_handlers = std::move(handlers);
    buildMenus(window);
    buildToolBar(window);
}

QMenu* MainActions::addMenu(QMainWindow& window, MainMenu m)
{
    const MenuSpec& spec = menuTable[static_cast<int>(m)];
    QMenu* menu = window.menuBar()->addMenu(spec.caption);
    menu->setObjectName(spec.name);
    m_menus[static_cast<int>(m)] = menu;
    return menu;
}

void MainActions::buildMenus(QMainWindow& window)
{
    QMenu* current = nullptr;
    for (const ActionSpec& spec : actionTable) {
        QAction* a = nullptr;
        if (!spec.menu) {
            a = window.menuBar()->addAction(spec.caption);
        } else {
            if (!current || menu(*spec.menu) != current)
                current = menu(*spec.menu) ? menu(*spec.menu) : addMenu(window, *spec.menu);
            if (spec.separatorBefore)
                current->addSeparator();
            a = current->addAction(spec.caption);
        }
        a->setObjectName(spec.name);
        const MainAction id = spec.action;
        QObject::connect(a, &QAction::triggered, &window, [this, id] { m_handlers.run(id); });
        a->setEnabled(spec.enabled);
        a->setCheckable(spec.checkable);
        a->setChecked(spec.checkable);
        m_actions[static_cast<int>(id)] = a;
    }
}

void MainActions::buildToolBar(QMainWindow& window)
{
    m_toolBar = new QWidget(&window);
    m_toolBar->setObjectName("pnlToolBar");
    m_toolBar->setFixedHeight(36);
    auto* row = new QHBoxLayout(m_toolBar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    for (const ButtonSpec& spec : buttonTable) {
        auto* b = new QToolButton(m_toolBar);
        b->setObjectName(spec.name);
        b->setToolTip(spec.hint);
        b->setStatusTip(spec.hint);
        b->setIcon(iconFor(spec.icon, *window.style()));
        b->setIconSize(QSize(24, 24));
        b->setAutoRaise(true);
        b->setFixedSize(32, 32);
        const std::optional<MainAction> triggers = spec.triggers;
        const MainButton id = spec.button;
        QObject::connect(b, &QToolButton::clicked, &window, [this, triggers, id] {
            if (triggers)
                action(*triggers)->trigger();
            else if (id == MainButton::Help)
                m_handlers.run(MainAction::Contents);
            else
                m_handlers.outputToGraph();
        });
        row->addWidget(b);
        m_buttons[static_cast<int>(id)] = b;
    }
    // The setup window's button: service use only, never shown.
    auto* setup = new QToolButton(m_toolBar);
    setup->setObjectName("btnSetup");
    setup->setText("setup");
    setup->setVisible(false);
    QObject::connect(setup, &QToolButton::clicked, &window, [this] { m_handlers.run(MainAction::Setup); });
    row->addWidget(setup);
    row->addStretch(1);
    m_buttons[static_cast<int>(MainButton::Setup)] = setup;
    for (const ButtonSpec& spec : buttonTable)
        button(spec.button)->setEnabled(spec.enabled);
}

} // namespace quedral
