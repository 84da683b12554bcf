// The graph window's commands: each is a QAction shown by a button of the tool bar, which
// flows onto more rows in a narrow window, and by an item of the chart's right-click menu, so
// that both always agree on what is enabled, checked or hidden.
#include "graph/ui/graphwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

#include <tuple>

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
} // namespace

QToolButton* GraphWindow::addTool(QAction* action, const char* buttonName)
{
    auto* b = new QToolButton(tbrGraph);
    b->setObjectName(buttonName);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(true);
    b->setDefaultAction(action);
    // A button follows its command: hidden with it (a button does not do that by itself).
    b->setVisible(action->isVisible());
    connect(action, &QAction::visibleChanged, b, [b, action] { b->setVisible(action->isVisible()); });
    m_tools->addWidget(b);
    mnuGraph->addAction(action);
    return b;
}

void GraphWindow::addToolSeparator(QAction* separator)
{
    separator->setSeparator(true);
    auto* line = new QFrame(tbrGraph);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(20);
    line->setVisible(separator->isVisible());
    connect(separator, &QAction::visibleChanged, line, [line, separator] { line->setVisible(separator->isVisible()); });
    m_tools->addWidget(line);
    mnuGraph->addAction(separator);
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
    sepClr = new QAction(this);
    sepClr->setObjectName("sepClr");
    sepClr->setVisible(false);
    actClr = toolAction(this, "actClr", "Clear");
    actClr->setVisible(false);
    actUndoZoom = toolAction(this, "actUndoZoom", "Undo Zoom");
    actUndoZoom->setEnabled(false);
    actGraphOption = toolAction(this, "actGraphOption", "Graph Option");
    actGraphOption->setToolTip("Graph Customization");
    actExportStatistic = toolAction(this, "actExportStatistic", "Export Statistic");
    actCALLeq = toolAction(this, "actCALLeq", "CAL Leq");
    actOpenWav = toolAction(this, "actOpenWav", "open wav");
    actPlay = toolAction(this, "actPlay", "Play");
    actPause = toolAction(this, "actPause", "Pause");
    actStopPlay = toolAction(this, "actStopPlay", "Stop");
    for (QAction* a : {actPlay, actPause, actStopPlay})
        a->setEnabled(false);
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
    addToolSeparator(sepClr);
    tbntClr = addTool(actClr, "tbntClr");
    addToolSeparator(new QAction(this));
    btnUndoZoom = addTool(actUndoZoom, "btnUndoZoom");
    btnGraphOption = addTool(actGraphOption, "btnGraphOption");
    btnExportStatistic = addTool(actExportStatistic, "btnExportStatistic");
    btnCALLeq = addTool(actCALLeq, "btnCALLeq");
    btnOpenWav = addTool(actOpenWav, "btnOpenWav");

    // The media player's three buttons stay together on one row.
    pnlMediaPlayer = new QWidget(tbrGraph);
    pnlMediaPlayer->setObjectName("pnlMediaPlayer");
    auto* ml = new QHBoxLayout(pnlMediaPlayer);
    ml->setContentsMargins(0, 0, 0, 0);
    ml->setSpacing(2);
    for (auto [ptr, act, name] : {std::tuple{&btnPlay, actPlay, "btnPlay"}, std::tuple{&btnPause, actPause, "btnPause"},
                                  std::tuple{&btnStopPlay, actStopPlay, "btnStopPlay"}}) {
        auto* b = new QToolButton(pnlMediaPlayer);
        b->setObjectName(name);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setDefaultAction(act);
        ml->addWidget(b);
        mnuGraph->addAction(act);
        *ptr = b;
    }
    // The player is shown or hidden as a whole, with Play.
    connect(actPlay, &QAction::visibleChanged, pnlMediaPlayer, [this] {
        for (QAction* a : {actPause, actStopPlay})
            a->setVisible(actPlay->isVisible());
        pnlMediaPlayer->setVisible(actPlay->isVisible());
    });
    m_tools->addWidget(pnlMediaPlayer);
}

void GraphWindow::connectActions()
{
    connect(actGraphStatistic, &QAction::toggled, this, [this] { toggleGraphStatistics(); });
    connect(actCursorStatistic, &QAction::toggled, this, [this] { toggleCursorStatistics(); });
    connect(actNormalCursor, &QAction::triggered, this, [this] { useNormalPointer(); });
    connect(actDrawCross, &QAction::triggered, this, [this] { useCrossTool(); });
    connect(actText, &QAction::triggered, this, [this] { useTextTool(); });
    connect(actEraseAnnotation, &QAction::triggered, this, [this] { eraseAnnotations(); });
    connect(actClr, &QAction::triggered, this, [this] { clearRecording(); });
    connect(actUndoZoom, &QAction::triggered, this, [this] { undoZoom(); });
    connect(actGraphOption, &QAction::triggered, this, [this] { customiseChart(); });
    connect(actExportStatistic, &QAction::triggered, this, [this] { exportStatistics(); });
    connect(actCALLeq, &QAction::triggered, this, [this] { calculateLeq(); });
    connect(actOpenWav, &QAction::triggered, this, [this] { openWav(); });
    connect(actPlay, &QAction::triggered, this, [this] { playWav(); });
    connect(actPause, &QAction::triggered, this, [this] { pauseWav(); });
    connect(actStopPlay, &QAction::triggered, this, [this] { stopWav(); });
}

} // namespace quedral
