#include "shell/screenshotstate.h"

#include <QAction>
#include <QComboBox>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QLineEdit>
#include <QTimer>
#include <utility>

#include "graph/ui/graphwindow.h"
#include "leq/leqrunner.h"
#include "leq/ui/leqwindow.h"
#include "logger/ui/dataloggercontroller.h"
#include "meter/meterworker.h"
#include "panel/ui/panelwindow.h"
#include "realtime/ui/realtimecontroller.h"
#include "realtime/ui/realtimesetupdialog.h"
#include "setup/ui/setupwindow.h"
#include "shell/mainwindow.h"

namespace quedral {

QStringList screenshotViewNames()
{
    return {"main", "panel", "realtime", "datalogger", "stats", "leq", "setup"};
}

bool parseScreenshotView(const QString& name, ScreenshotView& view)
{
    const int i = screenshotViewNames().indexOf(name);
    if (i < 0)
        return false;
    view = static_cast<ScreenshotView>(i);
    return true;
}

ScreenshotState::ScreenshotState(MainWindow& main, ScreenshotPlan plan, QString file)
    : QObject(&main), m_main(main), m_plan(plan), m_file(std::move(file))
{
}

void ScreenshotState::begin()
{
    if (m_begun)
        return;
    m_begun = true;
    switch (m_plan.view) {
    case ScreenshotView::Main: take(); break;
    case ScreenshotView::Panel: {
        PanelWindow* panel = m_main.windows().singles().panel;
        take(panel ? static_cast<QWidget*>(m_main.frameOf(panel)) : nullptr);
        break;
    }
    case ScreenshotView::RealTime: beginRealTime(); break;
    case ScreenshotView::DataLogger:
    case ScreenshotView::Stats: loadData(); break;
    case ScreenshotView::Leq: beginLeq(); break;
    case ScreenshotView::Setup: beginSetup(); break;
    }
}

void ScreenshotState::beginRealTime()
{
    // Run with the setup dialog answered: a minute of points, one every half second.
    RealTimeSetupDialog::setRunner([](RealTimeSetupDialog& d) {
        d.setCountText(QStringLiteral("120"));
        d.txtRate->setEditText(QStringLiteral("0.5"));
        d.btnStart->click();
        return d.result();
    });
    m_main.realTime().runRealTime();
    RealTimeSetupDialog::setRunner({});
    if (!m_main.state().RealTimeRunning) {
        take(nullptr, QStringLiteral("Run refused"));
        return;
    }
    connect(&m_main.meter(), &MeterService::polled, this, [this] {
        if (++m_readings < m_plan.realTimeReadings || m_taking)
            return;
        m_main.realTime().stop();
        take(nullptr, QStringLiteral("%1 readings recorded").arg(m_readings));
    });
}

void ScreenshotState::loadData()
{
    connect(&m_main.dataLogger(), &DataLoggerController::loadFinished, this, &ScreenshotState::dataLoaded);
    m_main.dataLogger().loadData();
    if (!m_main.dataLogger().downloading())
        take(nullptr, QStringLiteral("Load Data refused"));
}

void ScreenshotState::dataLoaded(int code)
{
    GraphWindow* w = m_main.dataLogger().window();
    if (w && m_plan.view == ScreenshotView::Stats) {
        if (auto* noise = w->findChild<QAction*>(QStringLiteral("actNoiseStatistics")); noise && !noise->isChecked())
            noise->trigger();
    }
    if (w)
        m_main.restoreGraphWindow(*w);
    take(nullptr, QStringLiteral("Load Data ended with code %1").arg(code));
}

void ScreenshotState::beginLeq()
{
    m_main.showLeqWindow();
    LeqWindow* w = m_main.windows().singles().leq;
    if (!w || m_plan.leqRows <= 0) {
        take();
        return;
    }
    // Stop ends the measurement without a signal; the end of the duration or a failure ends it
    // with one.
    const auto shown = [this, w] { return QStringLiteral("%1 Leq rows").arg(w->table().rows().size()); };
    connect(&m_main.leqRunner(), &LeqRunner::rowFinished, this, [this, w, shown] {
        if (w->table().rows().size() < static_cast<size_t>(m_plan.leqRows))
            return;
        w->stop();
        take(nullptr, shown());
    });
    connect(&m_main.leqRunner(), &LeqRunner::finished, this, [this, shown] { take(nullptr, shown()); });
    w->startMeasurement();
}

void ScreenshotState::beginSetup()
{
    m_main.showSetupWindow();
    SetupWindow* w = m_main.setupWindow();
    if (!w) {
        take();
        return;
    }
    connect(w, &SetupWindow::commandFinished, this,
            [this](int code) { take(nullptr, QStringLiteral("Read ended with code %1").arg(code)); });
    w->readInformation();
}

void ScreenshotState::take(QWidget* target, const QString& note)
{
    if (m_taking)
        return;
    m_taking = true;
    m_shown = m_main.statusText(1);
    if (!note.isEmpty())
        m_shown += QStringLiteral(", ") + note;
    QPointer<QWidget> guard = target ? target : &m_main;
    // The windows paint their new state first.
    QTimer::singleShot(50, this, [this, guard] {
        const bool ok = guard && guard->grab().save(m_file, "PNG");
        if (!ok)
            qWarning("could not write %s", qPrintable(m_file));
        emit saved(ok);
    });
}

} // namespace quedral
