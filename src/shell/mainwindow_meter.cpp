// The main window's side of the meter link: the poll tick, applying a reading,
// the control panel and the meter keys.
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

#include "meter/frames.h"
#include "meter/meterworker.h"
#include "meter/poller.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/listwindow.h"
#include "panel/ui/panelwindow.h"
#include "realtime/ui/realtimecontroller.h"
#include "base/prompter.h"
#include "shell/mainwindow.h"
#include "shell/screenshotstate.h"

namespace quedral {

void MainWindow::createPanel()
{
    auto* panel = new PanelWindow(m_state.LcdDigits);
    PanelWindow::addToArea(m_mdi, panel)->show();
    m_windows->singles().panel = panel;
    m_windows->setPanelChecked(true);
    connect(panel, &PanelWindow::keyClicked, this, &MainWindow::sendPanelKey);
    connect(panel, &PanelWindow::closed, this, &MainWindow::onPanelClosed);
    panel->setConnected(m_connected);
}

void MainWindow::onPanelClosed()
{
    m_windows->singles().panel = nullptr;
    m_windows->setPanelChecked(false);
}

void MainWindow::showPanelTestPattern()
{
    if (m_windows->singles().panel)
        m_windows->singles().panel->showTestPattern();
}

void MainWindow::toggleControlPanel()
{
    if (m_windows->singles().panel) {
        if (QMdiSubWindow* sub = frameOf(m_windows->singles().panel))
            sub->showNormal();
        return;
    }
    createPanel();
}

void MainWindow::toggleRealTimeGraph()
{
    if (GraphWindow* w = m_realTime->window()) {
        restoreGraphWindow(*w);
        return;
    }
    m_realTime->showRealTimeGraph();
}

void MainWindow::showStartupRealTimeGraph()
{
    GraphWindow* w = m_realTime->showRealTimeGraph(GraphWindow::WavPlayerPart::Without);
    // Beside the panel, filling the rest of the child-window area; this first window
    // has no WAV player.
    if (QMdiSubWindow* sub = frameOf(w)) {
        const int panelWidth = m_windows->singles().panel ? PanelWindow::ClientWidth : 0;
        sub->setGeometry(panelWidth, 0, m_mdi->width() - panelWidth - 5, m_mdi->height() - 40);
    }
    w->setFocus();
}

bool MainWindow::connected() const { return m_connected; }

void MainWindow::showConnectionState() { m_readings->showConnection(m_connected); }

void MainWindow::applyPollReport(const PollReport& report)
{
    m_connected = report.connected;
    const bool readingShown = m_readings->showPollReport(report);
    ++m_ticks;
    takeScreenshotIfSettled(readingShown);
}

void MainWindow::meterConnectionChanged(bool connected)
{
    if (connected) {
        menu(MainMenu::DataLogger)->menuAction()->setVisible(true);
        menu(MainMenu::DataLogger)->menuAction()->setEnabled(true);
        toolButton(MainButton::DataLogger)->setVisible(true);
        toolButton(MainButton::DataLogger)->setEnabled(true);
        m_realTime->connectionChanged(true);
        return;
    }
    m_realTime->connectionChanged(false);
    menu(MainMenu::DataLogger)->menuAction()->setEnabled(false);
    toolButton(MainButton::DataLogger)->setEnabled(false);
}

void MainWindow::recordReading(const MeterReading& reading, double readingTime)
{
    m_state.MeterRecording = reading.Recording;
    m_realTime->recordReading(displayLevelDb(reading), readingTime);
}

void MainWindow::sendPanelKey(char letter)
{
    // Goes out on the meter thread after the exchange in progress; the panel shows the wait
    // cursor until it has.
    if (m_windows->singles().panel)
        m_windows->singles().panel->beginKeyWait();
    m_meter->pressKey(static_cast<std::uint8_t>(letter));
}

void MainWindow::onKeySent(std::uint8_t letter, bool ok) { m_readings->showKeySent(letter, ok, m_connected); }

void MainWindow::takeScreenshotIfSettled(bool readingShown)
{
    if (!m_screenshot || m_screenshot->begun())
        return;
    // Settled: the first tick has run and, with a meter, its reading is shown.
    const bool settled = readingShown || (!m_connected && m_ticks >= 1) || m_ticks >= 6;
    if (settled)
        m_screenshot->begin();
}

void MainWindow::screenshotWritten(bool ok)
{
    // One line for bug reports: what the picture shows.
    QString shown = m_screenshot->shownText();
    if (m_windows->singles().panel && m_connected)
        shown += QStringLiteral(", display %1 dB").arg(displayLevelDb(lastReading()), 0, 'f', 1);
    std::printf("%s: %s\n", qPrintable(m_options.screenshotFile), qPrintable(shown));
    std::fflush(stdout);
    emit screenshotSaved(ok);
}

} // namespace quedral
