#include "shell/readingpresenter.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

#include "base/prompter.h"
#include "meter/frames.h"
#include "meter/meterworker.h"
#include "meter/poller.h"
#include "panel/ui/panelwindow.h"

namespace quedral {

ReadingPresenter::ReadingPresenter(QStatusBar& bar, Hooks hooks, QObject* parent)
    : QObject(parent), m_hooks(std::move(hooks))
{
    m_blinkTimer = new QTimer(this);
    m_blinkTimer->setObjectName("MaxMinTimer");
    m_blinkTimer->setInterval(500);
    connect(m_blinkTimer, &QTimer::timeout, this, &ReadingPresenter::blink);
    buildLabels(bar);
}

void ReadingPresenter::buildLabels(QStatusBar& bar)
{
    bar.setObjectName("StatusBar");
    const int widths[3] = {100, 150, 50};
    for (int i = 0; i < 3; ++i) {
        m_status[i] = new QLabel(&bar);
        m_status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_status[i]->setFixedWidth(widths[i]);
        m_status[i]->setFrameShape(QFrame::StyledPanel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        bar.addWidget(m_status[i]);
    }
    m_linkProblem = new QLabel(&bar);
    m_linkProblem->setObjectName("lblLinkProblem");
    m_linkProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_linkProblem->hide();
    bar.addWidget(m_linkProblem, 1);
    m_message = new QLabel(&bar);
    m_message->setObjectName("lblMessage");
    bar.addWidget(m_message, 1);
    m_messageTimer = new QTimer(this);
    m_messageTimer->setSingleShot(true);
    m_messageTimer->setInterval(8000);
    connect(m_messageTimer, &QTimer::timeout, m_message, &QLabel::clear);
}

QString ReadingPresenter::statusText(int panel) const { return m_status[panel]->text(); }
void ReadingPresenter::setStatusText(int panel, const QString& text) { m_status[panel]->setText(text); }

void ReadingPresenter::showMessage(const QString& text)
{
    m_message->setText(text);
    m_messageTimer->start();
}

void ReadingPresenter::showConnection(bool connected)
{
    if (PanelWindow* panel = m_hooks.panel())
        panel->setConnected(connected);
    setStatusText(1, connected ? Status::On : Status::Off);
}

bool ReadingPresenter::showPollReport(const PollReport& report)
{
    bool readingShown = false;
    // Beside the connection text: why the meter is not connected (not found, no permission,
    // silent), in plain words.
    showLinkProblem(report.outcome == PollOutcome::ProbeFailed
                        ? probeProblemText(report.probeProblem, report.openProblem)
                        : QString());
    switch (report.outcome) {
    case PollOutcome::ConnectedNow:
        showConnectedNow();
        break;
    case PollOutcome::Reading:
        readingShown = m_hooks.panel() != nullptr;
        m_lastReading = decodeReading(report.reply);
        showReading(report.startedAt);
        break;
    case PollOutcome::ConnectionLost:
        showConnectionLost();
        break;
    case PollOutcome::ProbeFailed:
    case PollOutcome::ReplyIgnored:
    case PollOutcome::FailureCounted:
        break;
    }
    return readingShown;
}

void ReadingPresenter::showConnectedNow()
{
    setStatusText(0, QString());
    setStatusText(1, Status::On);
    if (PanelWindow* panel = m_hooks.panel())
        panel->setConnected(true);
    m_hooks.connectionChanged(true);
}

void ReadingPresenter::showConnectionLost()
{
    m_hooks.connectionChanged(false);
    setStatusText(0, QString());
    setStatusText(1, Status::Off);
    if (PanelWindow* panel = m_hooks.panel())
        panel->setConnected(false);
    setStatusText(1, Status::None);
}

void ReadingPresenter::showReading(double readingTime)
{
    PanelWindow* panel = m_hooks.panel();
    if (!panel)
        return;  // with the panel closed nothing is shown or recorded
    const MeterReading& r = m_lastReading;
    panel->showReading(r);
    const MaxMinDisplay mm = maxMinDisplay(r);
    if (mm.max != LabelAction::Unchanged)
        panel->setMaxVisible(mm.max == LabelAction::Show);
    if (mm.min != LabelAction::Unchanged)
        panel->setMinVisible(mm.min == LabelAction::Show);
    if (mm.blink == BlinkAction::Start && !m_blinkTimer->isActive())
        m_blinkTimer->start();
    else if (mm.blink == BlinkAction::Stop)
        m_blinkTimer->stop();
    m_clockShown = panel->clockShown();
    m_hooks.readingShown(r, readingTime);
}

void ReadingPresenter::blink()
{
    // The panel may have closed since the last tick: its reference is cleared then.
    m_blinkPhase = !m_blinkPhase;
    if (PanelWindow* panel = m_hooks.panel()) {
        panel->setMaxVisible(m_blinkPhase);
        panel->setMinVisible(m_blinkPhase);
    }
}

void ReadingPresenter::stopBlink() { m_blinkTimer->stop(); }

void ReadingPresenter::showKeySent(std::uint8_t letter, bool ok, bool connected)
{
    if (PanelWindow* panel = m_hooks.panel())
        panel->endKeyWait();
    if (ok && connected)
        return;
    // A key that cannot reach the meter says why: the reason the status bar gives, if any.
    QString why = m_linkProblem->text();
    if (why.isEmpty())
        why = QString::fromLatin1(ok ? "the meter is not connected" : Status::NotFound);
    why[0] = why[0].toLower();
    const QString key = QString::fromLatin1(keyName(letter));
    if (ok) {
        showMessage(QStringLiteral("%1 key sent, but %2").arg(key, why));
        return;
    }
    showMessage(QStringLiteral("%1 key not sent: %2").arg(key, why));
    Prompter::instance().message(Msg::ConnectFail);
}

void ReadingPresenter::showLinkProblem(const QString& problem)
{
    if (m_linkProblem->text() == problem)
        return;
    m_linkProblem->setText(problem);
    m_linkProblem->setToolTip(problem);
    m_linkProblem->setVisible(!problem.isEmpty());
}

} // namespace quedral
