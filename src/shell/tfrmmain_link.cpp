// The main window's side of the meter link: the poll tick, applying a reading,
// the control panel, the meter keys and the MAX/MIN blink.
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
#include "graph/window/tfrmgraph.h"
#include "graph/window/tfrmlist.h"
#include "panel/tfrmpanel.h"
#include "realtime/realtimecontroller.h"
#include "base/prompter.h"
#include "shell/tfrmmain.h"

namespace quedral {

void TfrmMain::createPanel()
{
    auto* panel = new TfrmPanel(m_state.LcdDigits);
    TfrmPanel::addToArea(m_mdi, panel)->show();
    m_state.PanelWindow = panel;
    ControlPanel1->setChecked(true);
    connect(panel, &TfrmPanel::keyClicked, this, &TfrmMain::sendPanelKey);
    connect(panel, &TfrmPanel::closed, this, &TfrmMain::onPanelClosed);
    panel->setConnected(m_connected);
}

void TfrmMain::onPanelClosed()
{
    m_state.PanelWindow = nullptr;
    ControlPanel1->setChecked(false);
}

void TfrmMain::syncViewChecks()
{
    ControlPanel1->setChecked(m_state.PanelWindow != nullptr);
    RealTimeGraph1->setChecked(m_realTime->window() != nullptr);
}

void TfrmMain::showPanelTestPattern()
{
    if (m_state.PanelWindow)
        m_state.PanelWindow->showTestPattern();
}

void TfrmMain::ControlPanel1Click()
{
    if (m_state.PanelWindow) {
        if (QMdiSubWindow* sub = frameOf(m_state.PanelWindow))
            sub->showNormal();
        return;
    }
    createPanel();
}

void TfrmMain::RealTimeGraph1Click()
{
    if (TfrmGraph* w = m_realTime->window()) {
        restoreGraphWindow(*w);
        return;
    }
    m_realTime->ShowRealTimeGraph();
}

void TfrmMain::showStartupRealTimeGraph()
{
    TfrmGraph* w = m_realTime->ShowRealTimeGraph();
    // Beside the panel, filling the rest of the child-window area; this first window
    // has no WAV player.
    if (QMdiSubWindow* sub = frameOf(w)) {
        const int panelWidth = m_state.PanelWindow ? TfrmPanel::ClientWidth : 0;
        sub->setGeometry(panelWidth, 0, m_mdi->width() - panelWidth - 5, m_mdi->height() - 40);
    }
    w->hideWavPlayer();
    w->setFocus();
}

bool TfrmMain::connected() const { return m_connected; }

void TfrmMain::showGraphWindow(TfrmGraph& window)
{
    showNewChild(&window, QSize(900, 600));
}

QMdiSubWindow* TfrmMain::showNewChild(QWidget* w, QSize size)
{
    QMdiSubWindow* sub = addChild(w);
    // Inside the child-window area, each new window a step down and right of the last.
    const QSize area = m_mdi->size();
    size = size.boundedTo(area);
    sub->resize(size);
    const int step = 30 * (m_mdi->subWindowList().size() % 8);
    sub->move(std::max(0, std::min(step, area.width() - size.width())),
              std::max(0, std::min(step, area.height() - size.height())));
    sub->show();
    return sub;
}

void TfrmMain::showCentred(QMdiSubWindow* sub, QSize size)
{
    size = size.boundedTo(m_mdi->size());
    sub->resize(size);
    sub->move(std::max(0, (m_mdi->width() - size.width()) / 2), std::max(0, (m_mdi->height() - size.height()) / 2));
    sub->show();
}

void TfrmMain::restoreChild(QWidget& window)
{
    if (QMdiSubWindow* sub = frameOf(&window)) {
        sub->showNormal();
        m_mdi->setActiveSubWindow(sub);
    }
}

void TfrmMain::restoreGraphWindow(TfrmGraph& window) { restoreChild(window); }

void TfrmMain::setRunEnabled(bool enabled)
{
    btnRun->setEnabled(enabled);
    Run1->setEnabled(enabled);
}

void TfrmMain::setStopEnabled(bool enabled)
{
    btnStop->setEnabled(enabled);
    Stop1->setEnabled(enabled);
}

void TfrmMain::setRealTimeGraphChecked(bool checked) { RealTimeGraph1->setChecked(checked); }
void TfrmMain::setOutputToGraphEnabled(bool enabled) { btnOutputToGraph->setEnabled(enabled); }

void TfrmMain::onSubWindowActivated(QMdiSubWindow* w)
{
    if (!w || !w->widget())
        return;
    // "Output Tabular to graph" serves list windows only.
    if (qobject_cast<TfrmPanel*>(w->widget()))
        btnOutputToGraph->setEnabled(false);
    else if (auto* g = qobject_cast<TfrmGraph*>(w->widget()))
        g->FormActivate();
    else if (auto* list = qobject_cast<TfrmList*>(w->widget()))
        list->FormActivate();
}

void TfrmMain::showConnectionState()
{
    const bool on = m_connected;
    if (m_state.PanelWindow)
        m_state.PanelWindow->setConnected(on);
    setStatusText(1, on ? Status::On : Status::Off);
}

void TfrmMain::applyPollReport(const PollReport& report)
{
    m_connected = report.connected;
    bool readingShown = false;
    // Beside the connection text: why the meter is not connected (not found, no permission,
    // silent), in plain words.
    showLinkProblem(report.outcome == PollOutcome::ProbeFailed
                        ? probeProblemText(report.probeProblem, report.openProblem)
                        : QString());
    switch (report.outcome) {
    case PollOutcome::ConnectedNow: {
        setStatusText(0, QString());
        setStatusText(1, Status::On);
        if (m_state.PanelWindow)
            m_state.PanelWindow->setConnected(true);
        DataLogger1->menuAction()->setVisible(true);
        DataLogger1->menuAction()->setEnabled(true);
        btnDataLogger->setVisible(true);
        btnDataLogger->setEnabled(true);
        m_realTime->connectionChanged(true);
        break;
    }
    case PollOutcome::Reading:
        readingShown = m_state.PanelWindow != nullptr;
        m_lastReading = decodeReading(report.reply);
        ApplyReading(report.startedAt);
        break;
    case PollOutcome::ConnectionLost:
        m_realTime->connectionChanged(false);
        DataLogger1->menuAction()->setEnabled(false);
        btnDataLogger->setEnabled(false);
        setStatusText(0, QString());
        setStatusText(1, Status::Off);
        if (m_state.PanelWindow)
            m_state.PanelWindow->setConnected(false);
        setStatusText(1, Status::None);
        break;
    case PollOutcome::ProbeFailed:
    case PollOutcome::ReplyIgnored:
    case PollOutcome::FailureCounted:
        break;
    }
    ++m_ticks;
    takeScreenshotIfSettled(readingShown);
}

void TfrmMain::ApplyReading(double readingTime)
{
    TfrmPanel* panel = m_state.PanelWindow;
    if (!panel)
        return;  // with the panel closed nothing is shown or recorded
    const MeterReading& r = m_lastReading;
    m_state.MeterRecording = r.Recording;
    panel->showReading(r);
    const MaxMinDisplay mm = maxMinDisplay(r);
    if (mm.max != LabelAction::Unchanged)
        panel->setMaxVisible(mm.max == LabelAction::Show);
    if (mm.min != LabelAction::Unchanged)
        panel->setMinVisible(mm.min == LabelAction::Show);
    if (mm.blink == BlinkAction::Start && !MaxMinTimer->isActive())
        MaxMinTimer->start();
    else if (mm.blink == BlinkAction::Stop)
        MaxMinTimer->stop();
    m_state.ClockShown = panel->clockShown();
    m_realTime->RecordSample(DisplayLevelDb(r), readingTime);
}

void TfrmMain::MaxMinTimerTimer()
{
    // The panel may have closed since the last tick: its reference is cleared then.
    m_state.BlinkPhase = !m_state.BlinkPhase;
    if (TfrmPanel* panel = m_state.PanelWindow) {
        panel->setMaxVisible(m_state.BlinkPhase);
        panel->setMinVisible(m_state.BlinkPhase);
    }
}

void TfrmMain::sendPanelKey(char letter)
{
    // Goes out on the meter thread after the exchange in progress; the panel shows the wait
    // cursor until it has.
    if (m_state.PanelWindow)
        m_state.PanelWindow->beginKeyWait();
    m_meter->pressKey(static_cast<std::uint8_t>(letter));
}

void TfrmMain::onKeySent(std::uint8_t letter, bool ok)
{
    if (m_state.PanelWindow)
        m_state.PanelWindow->endKeyWait();
    if (ok && m_connected)
        return;
    // A key that cannot reach the meter says why: the reason the status bar gives, if any.
    QString why = lblLinkProblem->text();
    if (why.isEmpty())
        why = QString::fromLatin1(ok ? "the meter is not connected" : Status::NotFound);
    why[0] = why[0].toLower();
    const QString key = QString::fromLatin1(keyName(letter));
    if (ok) {
        showStatusMessage(QStringLiteral("%1 key sent, but %2").arg(key, why));
        return;
    }
    showStatusMessage(QStringLiteral("%1 key not sent: %2").arg(key, why));
    Prompter::instance().message(Msg::ConnectFail);
}

void TfrmMain::showLinkProblem(const QString& problem)
{
    if (lblLinkProblem->text() == problem)
        return;
    lblLinkProblem->setText(problem);
    lblLinkProblem->setToolTip(problem);
    lblLinkProblem->setVisible(!problem.isEmpty());
}

void TfrmMain::takeScreenshotIfSettled(bool readingShown)
{
    if (m_options.screenshotFile.isEmpty() || m_screenshotTaken)
        return;
    // Settled: the first tick has run and, with a meter, its reading is shown.
    const bool settled = readingShown || (!m_connected && m_ticks >= 1) || m_ticks >= 6;
    if (!settled)
        return;
    m_screenshotTaken = true;
    const QString file = m_options.screenshotFile;
    QTimer::singleShot(50, this, [this, file] {
        const bool ok = grab().save(file, "PNG");
        if (!ok)
            qWarning("could not write %s", qPrintable(file));
        // One line for bug reports: what the picture shows.
        QString shown = statusText(1);
        if (m_state.PanelWindow && m_connected)
            shown += QStringLiteral(", display %1 dB").arg(DisplayLevelDb(m_lastReading), 0, 'f', 1);
        std::printf("%s: %s\n", qPrintable(file), qPrintable(shown));
        std::fflush(stdout);
        QCoreApplication::exit(ok ? 0 : 1);
    });
}

} // namespace quedral
