// The graph window's commands: each is a QAction shown by a button of the tool bar, which
// flows onto more rows in a narrow window, and by an item of the chart's right-click menu, so
// that both always agree on what is enabled, checked or hidden.
#include "graph/ui/graphwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QMenu>
#include <QToolButton>


#include "wav/ui/wavplayerbar.h"
#include "widgets/flowlayout.h"

namespace quedral {

namespace {
// A command of the tool bar and the chart's menu.
QAction* toolAction(QObject* owner, const char* name, const QString& text, bool checkable = false)
{
    auto* a = new QAction(text, owner);
    a->setObjectName(name);
    a->setCheckable(checkable);
    return a;
}

// The line a separator shows on the tool bar.
QWidget* separatorLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(20);
    return line;
}

QToolButton* toolButton(QWidget* parent, QAction* action)
{
    auto* b = new QToolButton(parent);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(true);
    b->setDefaultAction(action);
    return b;
}
} // namespace

void GraphWindow::placeTool(QWidget* tool, QAction* action, int index, QAction* before)
{
    // A tool follows its command: hidden with it (a widget does not do that by itself).
    tool->setVisible(action->isVisible());
    connect(action, &QAction::visibleChanged, tool, [tool, action] { tool->setVisible(action->isVisible()); });
    if (index < 0)
        m_tools->addWidget(tool);
    else
        m_tools->insertWidget(index, tool);
    mnuGraph->insertAction(before, action);
}

QToolButton* GraphWindow::addTool(QAction* action, const char* buttonName)
{
    QToolButton* b = toolButton(tbrGraph, action);
    b->setObjectName(buttonName);
    placeTool(b, action, -1, nullptr);
    return b;
}

void GraphWindow::addToolSeparator(QAction* separator)
{
    separator->setSeparator(true);
    placeTool(separatorLine(tbrGraph), separator, -1, nullptr);
}

void GraphWindow::addPartTool(QAction* action, const char* buttonName)
{
    QWidget* tool = action->isSeparator() ? separatorLine(tbrGraph) : toolButton(tbrGraph, action);
    if (buttonName)
        tool->setObjectName(buttonName);
    placeTool(tool, action, m_partToolIndex++, m_partToolsEnd);
}

void GraphWindow::buildTools(QWidget* parent)
{
    // The buttons flow left to right and wrap onto another row when the window is narrow, so
    // that every command stays in reach; the chart's right-click menu holds the same commands.
    tbrGraph = new QWidget(parent);
    tbrGraph->setObjectName("tbrGraph");
    m_tools = new FlowLayout(tbrGraph, 2, 2);
    m_tools->setContentsMargins(2, 2, 2, 2);
    mnuGraph = new QMenu(this);
    mnuGraph->setObjectName("graphContextMenu");

    createActions();
    placeTools();
    connectActions();
}

// The commands, with their starting states.
void GraphWindow::createActions()
{
    actGraphStatistic = toolAction(this, "actGraphStatistic", "Toggle Graph Statistic", true);
    actGraphStatistic->setChecked(true);
    actCursorStatistic = toolAction(this, "actCursorStatistic", "Toggle Line Cursor Statistic", true);
    actCursorStatistic->setChecked(true);
    actNormalCursor = toolAction(this, "actNormalCursor", "Normal Cursor", true);
    actDrawCross = toolAction(this, "actDrawCross", "Draw A Cross On Graph", true);
    actText = toolAction(this, "actText", "Text", true);
    auto* placement = new QActionGroup(this);
    for (QAction* a : {actNormalCursor, actDrawCross, actText})
        placement->addAction(a);
    actNormalCursor->setChecked(true);
    actEraseAnnotation = toolAction(this, "actEraseAnnotation", "Erase Annotation");
    actUndoZoom = toolAction(this, "actUndoZoom", "Undo Zoom");
    actUndoZoom->setEnabled(false);
    actGraphOption = toolAction(this, "actGraphOption", "Graph Option");
    actGraphOption->setToolTip("Graph Customization");
    actExportStatistic = toolAction(this, "actExportStatistic", "Export Statistic");
    actCALLeq = toolAction(this, "actCALLeq", "CAL Leq");
    actNoiseStatistics = toolAction(this, "actNoiseStatistics", "Noise Statistics", true);
}

// The buttons in tool-bar order, the same order as the chart's menu.
void GraphWindow::placeTools()
{
    tbntGraphStatistic = addTool(actGraphStatistic, "tbntGraphStatistic");
    tbntCursorStatistic = addTool(actCursorStatistic, "tbntCursorStatistic");
    addToolSeparator(new QAction(this));
    tbntNormalCursor = addTool(actNormalCursor, "tbntNormalCursor");
    tbntDrawCross = addTool(actDrawCross, "tbntDrawCross");
    tbntText = addTool(actText, "tbntText");
    tbntEraseAnnotation = addTool(actEraseAnnotation, "tbntEraseAnnotation");
    tbntEraseAnnotation->setToolTip(QString());
    // A part's tools (the real-time window's "Clear") go here.
    m_partToolIndex = m_tools->count();
    m_partToolsEnd = new QAction(this);
    addToolSeparator(m_partToolsEnd);
    btnUndoZoom = addTool(actUndoZoom, "btnUndoZoom");
    btnGraphOption = addTool(actGraphOption, "btnGraphOption");
    btnExportStatistic = addTool(actExportStatistic, "btnExportStatistic");
    btnCALLeq = addTool(actCALLeq, "btnCALLeq");
    if (m_wavPlayer) {
        addTool(m_wavPlayer->openAction(), "btnOpenWav");
        m_tools->addWidget(m_wavPlayer->playerButtons());
        mnuGraph->addActions(m_wavPlayer->playerActions());
    }
    addTool(actNoiseStatistics, "btnNoiseStatistics");
}

void GraphWindow::connectActions()
{
    connect(actGraphStatistic, &QAction::toggled, this, [this] { toggleGraphStatistics(); });
    connect(actCursorStatistic, &QAction::toggled, this, [this] { toggleCursorStatistics(); });
    connect(actNormalCursor, &QAction::triggered, this, [this] { useNormalPointer(); });
    connect(actDrawCross, &QAction::triggered, this, [this] { useCrossTool(); });
    connect(actText, &QAction::triggered, this, [this] { useTextTool(); });
    connect(actEraseAnnotation, &QAction::triggered, this, [this] { eraseAnnotations(); });
    connect(actUndoZoom, &QAction::triggered, this, [this] { undoZoom(); });
    connect(actGraphOption, &QAction::triggered, this, [this] { customiseChart(); });
    connect(actExportStatistic, &QAction::triggered, this, [this] { exportStatistics(); });
    connect(actCALLeq, &QAction::triggered, this, [this] { calculateLeq(); });
    connect(actNoiseStatistics, &QAction::toggled, this, [this] { toggleNoiseStatistics(); });
}

} // namespace quedral
