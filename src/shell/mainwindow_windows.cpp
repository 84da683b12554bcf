// The child windows the main window opens (Leq, setup, About, a new graph window, the
// "DataLogger" window), Tile and Cascade, and the commands the graph and data logger windows
// switch on and off (Run, Stop, Output to graph, Load Data, Erase Memory, a View check mark).
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>
#include <algorithm>

#include "base/prompter.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/listwindow.h"
#include "leq/leqrunner.h"
#include "leq/ui/leqwindow.h"
#include "meter/frames.h"
#include "panel/ui/panelwindow.h"
#include "setup/ui/setupwindow.h"
#include "shell/aboutdialog.h"
#include "shell/mainwindow.h"

namespace quedral {

void MainWindow::showLeqWindow()
{
    if (m_state.MeterRecording) {
        Prompter::instance().message(Msg::RecordingLeq);
        return;
    }
    if (m_windows->singles().leq) {
        restoreChild(*m_windows->singles().leq);
        return;
    }
    auto* w = new LeqWindow(*m_leqRunner, *this);
    m_windows->singles().leq = w;
    connect(w, &LeqWindow::closed, this, [this, w] {
        if (m_windows->singles().leq == w)
            m_windows->singles().leq = nullptr;
    });
    showCentred(addChild(w), QSize(982 + 10, 580 + 30));
}

void MainWindow::showSetupWindow()
{
    SingleWindows& singles = m_windows->singles();
    if (singles.setup) {
        m_windows->restoreChild(*singles.setup);
        return;
    }
    auto* w = new SetupWindow(*m_meter);
    singles.setup = w;
    // The evidence report names the meter by the serial number read this session.
    connect(w, &SetupWindow::serialNumberRead, this, [this](const QString& serial) { m_files->setSerialNumber(serial); });
    connect(w, &QObject::destroyed, this, [this, w] {
        if (m_windows->singles().setup == w)
            m_windows->singles().setup = nullptr;
    });
    QMdiSubWindow* sub = m_windows->addChild(w);
    m_windows->showCentred(sub, sub->sizeHint().expandedTo(QSize(560, 0)));
    m_mdi->setActiveSubWindow(sub);
}

void MainWindow::showAbout()
{
    AboutDialog*& about = m_windows->singles().about;
    if (!about) {
        about = new AboutDialog(this);
        connect(about, &QObject::destroyed, this, [this] { m_windows->singles().about = nullptr; });
    }
    about->exec();
}

void MainWindow::tileWindows() { m_windows->tile(); }
void MainWindow::cascadeWindows() { m_windows->cascade(); }

void MainWindow::showGraphWindow(GraphWindow& window)
{
    showNewChild(&window, QSize(900, 600));
}

void MainWindow::restoreGraphWindow(GraphWindow& window) { restoreChild(window); }

void MainWindow::showDataLoggerWindow(GraphWindow& window) { m_windows->showAtTop(&window, 60); }

void MainWindow::onSubWindowActivated(QMdiSubWindow* w)
{
    if (!w || !w->widget())
        return;
    // "Output Tabular to graph" serves list windows only.
    if (qobject_cast<PanelWindow*>(w->widget()))
        toolButton(MainButton::OutputToGraph)->setEnabled(false);
    else if (auto* g = qobject_cast<GraphWindow*>(w->widget()))
        g->onActivated();
    else if (auto* list = qobject_cast<ListWindow*>(w->widget()))
        list->onActivated();
}

void MainWindow::setRunEnabled(bool enabled)
{
    toolButton(MainButton::Run)->setEnabled(enabled);
    action(MainAction::Run)->setEnabled(enabled);
}

void MainWindow::setStopEnabled(bool enabled)
{
    toolButton(MainButton::Stop)->setEnabled(enabled);
    action(MainAction::Stop)->setEnabled(enabled);
}

void MainWindow::setRealTimeGraphChecked(bool checked) { m_windows->setRealTimeGraphChecked(checked); }
void MainWindow::setOutputToGraphEnabled(bool enabled) { toolButton(MainButton::OutputToGraph)->setEnabled(enabled); }

void MainWindow::setLoggerCommandsEnabled(bool enabled)
{
    action(MainAction::LoadData)->setEnabled(enabled);
    action(MainAction::EraseMemory)->setEnabled(enabled);
    toolButton(MainButton::DataLogger)->setEnabled(enabled && m_connected);
}

} // namespace quedral
