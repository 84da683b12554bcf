#include "shell/tfrmmain.h"
#include "shell/filejob.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <utility>

#include "meter/meterworker.h"
#include "meter/transport.h"
#include "realtime/realtimecontroller.h"
#include "base/prompter.h"
#include "shell/settings.h"
#include "graph/window/tfrmgraph.h"
#include "leq/leqrunner.h"
#include "leq/tfrmleq.h"
#include "setup/tfrmsetup.h"
#include "shell/tfrmabout.h"
#include "shell/helpcommand.h"

namespace quedral {


TfrmMain::TfrmMain(MainOptions options, QWidget* parent)
    : QMainWindow(parent), m_options(std::move(options))
{
    setObjectName("frmMain");
    setWindowTitle("KV4471");
    resize(1047, 693 + 36 + 60);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("ClientArea");
    // No border and no scroll bars around the child windows.
    m_mdi->setFrameShape(QFrame::NoFrame);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_windows = new WindowManager(*m_mdi, this);

    buildMenus();
    buildToolBar();
    buildStatusBar();

    m_meter = new MeterService(std::move(m_options.transport), this);
    connect(m_meter, &MeterService::polled, this, &TfrmMain::applyPollReport);
    connect(m_meter, &MeterService::keySent, this, &TfrmMain::onKeySent);
    m_realTime = std::make_unique<RealTimeController>(*this);
    m_dataLogger = std::make_unique<DataLoggerController>(*this);
    m_leqRunner = new LeqRunner(*m_meter, this);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::onSubWindowActivated);

    m_help = new HelpCommand(m_options.helpFile, m_options.helpOpener, this);
    m_settings = openSettings();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    m_dataLogger->cancelDownload();
    m_meter->stop();
    // Child windows clear their references in the state record as they go:
    // let them do it while the record still exists.
    delete m_mdi;
    m_mdi = nullptr;
}

void TfrmMain::FormCreate()
{
    m_state.RealTimeRate = loadRealTimeRate(*m_settings);
    m_state.LcdDigits = loadGlyphTables();
}

void TfrmMain::buildMenus()
{
    m_actions.build(*this, {[this](MainAction a) { runAction(a); }, [this] { btnOutputToGraphClick(); }});
    m_windows->setViewChecks(*action(MainAction::ControlPanel), *action(MainAction::RealTimeGraph),
                             [this] { return m_realTime->window() != nullptr; });
    m_windows->attachWindowMenu(*menu(MainMenu::Window));
}

void TfrmMain::runAction(MainAction a)
{
    switch (a) {
    case MainAction::Open: Open1Click(); break;
    case MainAction::Save: Save1Click(); break;
    case MainAction::Print: btnPrintClick(); break;
    case MainAction::PrinterSetup: PrinterSetup1Click(); break;
    case MainAction::Exit: Exit1Click(); break;
    case MainAction::Run: m_realTime->btnRunClick(); break;
    case MainAction::Stop: m_realTime->btnStopClick(); break;
    case MainAction::LoadData: m_dataLogger->LoadData1Click(); break;
    case MainAction::EraseMemory: m_dataLogger->EraseMemory1Click(); break;
    case MainAction::Setup: SetupClick(); break;
    case MainAction::Leq: LEQ1Click(); break;
    case MainAction::ControlPanel: ControlPanel1Click(); break;
    case MainAction::RealTimeGraph: RealTimeGraph1Click(); break;
    case MainAction::Tile: Tile1Click(); break;
    case MainAction::Cascade: Cascade1Click(); break;
    case MainAction::Contents: Contents1Click(); break;
    case MainAction::About: About1Click(); break;
    case MainAction::Count: break;
    }
}

void TfrmMain::buildToolBar()
{
    // The tool bar sits under the menu bar, above the child-window area.
    auto* top = new QWidget(this);
    auto* col = new QVBoxLayout(top);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    col->addWidget(m_actions.toolBar());
    col->addWidget(m_mdi, 1);
    setCentralWidget(top);
}

void TfrmMain::buildStatusBar()
{
    ReadingPresenter::Hooks hooks;
    hooks.panel = [this] { return m_windows->singles().panel; };
    hooks.connectionChanged = [this](bool connected) { meterConnectionChanged(connected); };
    hooks.readingShown = [this](const MeterReading& r, double time) { recordReading(r, time); };
    m_readings = new ReadingPresenter(*statusBar(), std::move(hooks), this);
}

void TfrmMain::showSplash()
{
    auto* splash = new TfrmAbout(nullptr);
    splash->btnOK->hide();
    splash->setModal(false);
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();
    m_splash = splash;
}

void TfrmMain::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    // Let the window appear before the start-up wait blocks the loop.
    QTimer::singleShot(0, this, &TfrmMain::FormShow);
}

void TfrmMain::FormShow()
{
    createPanel();
    setStatusText(0, QString());
    showConnectionState();
    menu(MainMenu::DataLogger)->menuAction()->setVisible(true);
    toolButton(MainButton::DataLogger)->setVisible(true);
    // The poll starts on the meter thread after a short wait; the windows go on meanwhile.
    if (m_options.startPollDelayMs >= 0)
        m_meter->startPolling(m_options.startPollDelayMs);
    if (m_splash) {
        m_splash->lblStartupNote->clear();
        m_splash->close();
    }
    showStartupRealTimeGraph();
    action(MainAction::Setup)->setVisible(false);
    showPanelTestPattern();
    if (m_options.openSetup)
        SetupClick();
}

bool TfrmMain::closeChildWindows()
{
    // Every graph window may refuse (unsaved data); all are asked before any closes, so a
    // refusal leaves every window as it was.
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    for (QMdiSubWindow* w : windows) {
        auto* g = qobject_cast<TfrmGraph*>(w->widget());
        auto* leq = qobject_cast<TfrmLEQ*>(w->widget());
        if ((g && !g->FormCloseQuery()) || (leq && !leq->FormCloseQuery()))
            return false;
    }
    for (QMdiSubWindow* w : windows) {
        // Answered above; closing now asks nothing.
        if (auto* g = qobject_cast<TfrmGraph*>(w->widget()))
            g->FormClose();
        if (auto* leq = qobject_cast<TfrmLEQ*>(w->widget()))
            leq->FormClose();
        w->close();
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* e)
{
    // The main window itself always agrees.
    if (!closeChildWindows()) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

void TfrmMain::FormClose()
{
    if (m_fileJob)
        m_fileJob->abandon();
    m_dataLogger->cancelDownload();
    m_meter->stop();
    saveRealTimeRate(*m_settings, m_state.RealTimeRate);
}

void TfrmMain::Exit1Click()
{
    // Ends the program without writing the settings; unsaved data is asked about first, as
    // closing the window asks, and a refusal keeps the program running.
    if (!closeChildWindows())
        return;
    m_dataLogger->cancelDownload();
    m_meter->stopPolling();
    m_readings->stopBlink();
    m_leqRunner->stop();
    hide();
    QCoreApplication::exit(0);
}

void TfrmMain::About1Click()
{
    TfrmAbout*& about = m_windows->singles().about;
    if (!about) {
        about = new TfrmAbout(this);
        connect(about, &QObject::destroyed, this, [this] { m_windows->singles().about = nullptr; });
    }
    about->exec();
}

void TfrmMain::Contents1Click() { m_help->show(); }

void TfrmMain::PrinterSetup1Click()
{
    QPrinter printer;
    Prompter::instance().printerSetup(printer, this);
}

void TfrmMain::SetupClick()
{
    SingleWindows& singles = m_windows->singles();
    if (singles.setup) {
        m_windows->restoreChild(*singles.setup);
        return;
    }
    auto* w = new TfrmSetup(*m_meter);
    singles.setup = w;
    connect(w, &QObject::destroyed, this, [this, w] {
        if (m_windows->singles().setup == w)
            m_windows->singles().setup = nullptr;
    });
    QMdiSubWindow* sub = m_windows->addChild(w);
    m_windows->showCentred(sub, sub->sizeHint().expandedTo(QSize(560, 0)));
    m_mdi->setActiveSubWindow(sub);
}

void TfrmMain::Tile1Click() { m_windows->tile(); }
void TfrmMain::Cascade1Click() { m_windows->cascade(); }

void TfrmMain::showStatusMessage(const QString& text) { m_readings->showMessage(text); }

} // namespace quedral
