#include "realtime/ui/realtimecontroller.h"

#include <QComboBox>
#include <QLineEdit>

#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"
#include "realtime/periodtext.h"
#include "realtime/ui/realtimecontrols.h"
#include "realtime/ui/realtimesetupdialog.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/prompter.h"

namespace quedral {

namespace {
double nowDays()
{
    return toDays(Clock::instance().now());
}
} // namespace

GraphWindow* RealTimeController::window() const
{
    return m_host.graphState().RealTimeGraphWindow.data();
}

GraphWindow* RealTimeController::showRealTimeGraph(GraphWindow::WavPlayerPart wav)
{
    GraphState& st = m_host.graphState();
    auto* w = new GraphWindow(m_host, GraphKind::RealTime, nullptr, wav);
    st.RealTimeGraphWindow = w;
    m_host.setRealTimeGraphChecked(true);
    auto* controls = new RealTimeControls(*w, m_host);
    const double now = nowDays();
    newChart(w->model(), 1, 500, now, now + st.RealTimeRate * 510.0 * kSecondInDays, 30, 130);
    controls->selectRate(st.RealTimeRate);
    st.RealTimeLastSample = now;
    m_host.showGraphWindow(*w);
    w->refreshChart();
    return w;
}

void RealTimeController::runRealTime()
{
    GraphState& st = m_host.graphState();
    if (!m_host.connected())
        return;
    GraphWindow* w = window();
    if (!w) {
        w = showRealTimeGraph();
    } else {
        m_host.restoreGraphWindow(*w);
        if (st.RealTimeRunning || st.RealTimeCount != 0) {
            const Answer a = Prompter::instance().ask(
                "There are datas in Real_Time graph ,it have to reset the graph.\nDo you want to save the Real-Time graph ?",
                Buttons::YesNoCancel);
            w->setFocus();
            if (a == Answer::Cancel)
                return;
            // A save that was cancelled or failed keeps the points: nothing is reset.
            if (a == Answer::Yes && !m_host.saveGraphAs(*w))
                return;
        }
    }

    RealTimeSetupDialog dlg(w);
    dlg.txtRate->setEditText(presetRateText(w->samplingRateText(), st.RealTimeRate));
    dlg.edtPeriod->setText(presetPeriodText(st.RealTimeRate));
    const int result = RealTimeSetupDialog::runModal(dlg);
    if (result != RealTimeSetupDialog::mrOk)
        return;
    // The window may have gone while the dialog was open.
    w = window();
    if (!w)
        return;
    // A rate that is no number, or none a recording can use (0 or less, not finite), is
    // refused alike.
    double rate = 0;
    if (!parseRate(dlg.txtRate->currentText(), rate)) {
        Prompter::instance().message(QStringLiteral("'%1' is not a valid floating point value").arg(dlg.txtRate->currentText()));
        return;
    }
    int count = 0;
    if (!parseCount(dlg.countText(), count)) {
        Prompter::instance().message(invalidCountMessage(dlg.countText()));
        return;
    }

    RealTimeRecorder rec(w->model(), RealTimeVars(st));
    const double t0 = nowDays();
    rec.start(count, rate, t0);
    if (RealTimeControls* controls = RealTimeControls::of(*w)) {
        controls->selectRate(st.RealTimeRate);
        controls->setClearEnabled(false);
    }
    w->clearStatisticBoxes();
    w->showRecordingStart(t0);
    m_host.setRunEnabled(false);
    m_host.setStopEnabled(true);
    w->refreshChart();
}

std::optional<SampleOutcome> RealTimeController::recordReading(float level, double t)
{
    GraphState& st = m_host.graphState();
    GraphWindow* w = window();
    if (!st.RealTimeRunning || !w)
        return std::nullopt;
    RealTimeRecorder rec(w->model(), RealTimeVars(st));
    const SampleOutcome out = rec.recordSample(level, t);
    if (out.written) {
        if (out.newMaximum)
            w->showMaximum(st.RealTimeMax, st.RealTimeMaxTime);
        if (out.newMinimum)
            w->showMinimum(st.RealTimeMin, st.RealTimeMinTime);
        w->showDataCount(st.RealTimeCount);
        if (refreshAfterPoint(w->selectedSamplingRateItem(), st.RealTimeCount))
            w->refreshChart();
    }
    if (out.full)
        stop();
    return out;
}

void RealTimeController::stop()
{
    GraphState& st = m_host.graphState();
    st.RealTimeRunning = false;
    m_host.setRunEnabled(true);
    m_host.setStopEnabled(false);
    GraphWindow* w = window();
    if (!w)
        return;
    m_host.restoreGraphWindow(*w);
    if (RealTimeControls* controls = RealTimeControls::of(*w))
        controls->setClearEnabled(true);
    RealTimeRecorder rec(w->model(), RealTimeVars(st));
    const StopOutcome out = rec.stop(nowDays());
    w->showAverage(out.average);
    w->refreshChart();
}

void RealTimeController::connectionChanged(bool connected)
{
    const bool running = m_host.graphState().RealTimeRunning;
    m_host.setRunEnabled(connected && !running);
    m_host.setStopEnabled(connected && running);
    // On connecting, Clear follows the recording: only a stopped graph may be cleared.
    if (connected)
        if (GraphWindow* w = window())
            if (RealTimeControls* controls = RealTimeControls::of(*w))
                controls->setClearEnabled(!running);
}

} // namespace quedral
