#include "shell/mainwindow.h"
#include "shell/filecommands.h"

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
#include "realtime/ui/realtimecontroller.h"
#include "base/prompter.h"
#include "shell/settings.h"
#include "graph/ui/graphwindow.h"
#include "leq/leqrunner.h"
#include "leq/ui/leqwindow.h"
#include "setup/ui/setupwindow.h"
#include "shell/aboutdialog.h"
#include "shell/helpcommand.h"

namespace quedral {


MainWindow::MainWindow(MainOptions options, QWidget* parent)
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
    connect(m_meter, &MeterService::polled, this, &MainWindow::applyPollReport);
    connect(m_meter, &MeterService::keySent, this, &MainWindow::onKeySent);
    m_realTime = std::make_unique<RealTimeController>(*this);
    m_dataLogger = std::make_unique<DataLoggerController>(*this);
    m_leqRunner = new LeqRunner(*m_meter, this);
    m_files = std::make_unique<FileCommands>(FileCommands::Links{*this, *m_windows, *this, *m_dataLogger, *m_readings});
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);

    m_help = new HelpCommand(m_options.helpFile, m_options.helpOpener, this);
    if (!m_options.screenshotFile.isEmpty()) {
        m_screenshot = new ScreenshotState(*this, m_options.screenshotPlan, m_options.screenshotFile);
        connect(m_screenshot, &ScreenshotState::saved, this, &MainWindow::screenshotWritten);
    }
    m_settings = openSettings();
    initialise();
}

MainWindow::~MainWindow()
{
    m_dataLogger->cancelDownload();
    m_meter->stop();
    // Child windows clear their references in the state record as they go:
    // let them do it while the record still exists.
    delete m_mdi;
    m_mdi = nullptr;
}

void MainWindow::initialise()
{
    m_state.RealTimeRate = loadRealTimeRate(*m_settings);
    m_state.LcdDigits = loadGlyphTables();
}

void MainWindow::buildMenus()
{
    m_actions.build(*this, {[this](MainAction a) { runAction(a); }, [this] { m_files->outputToGraph(); }});
    m_windows->setViewChecks(*action(MainAction::ControlPanel), *action(MainAction::RealTimeGraph),
                             [this] { return m_realTime->window() != nullptr; });
    m_windows->attachWindowMenu(*menu(MainMenu::Window));
}

void MainWindow::runAction(MainAction a)
{
    switch (a) {
    case MainAction::Open: m_files->openFile(); break;
    case MainAction::Save: m_files->saveActiveWindow(); break;
    case MainAction::ExportReport: m_files->exportReport(); break;
    case MainAction::Print: m_files->printActiveWindow(); break;
    case MainAction::PrinterSetup: setUpPrinter(); break;
    case MainAction::Exit: exitProgram(); break;
    case MainAction::Run: m_realTime->runRealTime(); break;
    case MainAction::Stop: m_realTime->stop(); break;
    case MainAction::LoadData: m_dataLogger->loadData(); break;
    case MainAction::EraseMemory: m_dataLogger->eraseMemory(); break;
    case MainAction::Setup: showSetupWindow(); break;
    case MainAction::Leq: showLeqWindow(); break;
    case MainAction::ControlPanel: toggleControlPanel(); break;
    case MainAction::RealTimeGraph: toggleRealTimeGraph(); break;
    case MainAction::Tile: tileWindows(); break;
    case MainAction::Cascade: cascadeWindows(); break;
    case MainAction::Contents: showHelpContents(); break;
    case MainAction::About: showAbout(); break;
    case MainAction::Count: break;
    }
}

void MainWindow::buildToolBar()
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

void MainWindow::buildStatusBar()
{
    ReadingPresenter::Hooks hooks;
    hooks.panel = [this] { return m_windows->singles().panel; };
    hooks.connectionChanged = [this](bool connected) { meterConnectionChanged(connected); };
    hooks.readingShown = [this](const MeterReading& r, double time) { recordReading(r, time); };
    m_readings = new ReadingPresenter(*statusBar(), std::move(hooks), this);
}

void MainWindow::showSplash()
{
    auto* splash = new AboutDialog(nullptr);
    splash->btnOK->hide();
    splash->setModal(false);
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();
    m_splash = splash;
}

void MainWindow::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    // Let the window appear before the start-up wait blocks the loop.
    QTimer::singleShot(0, this, &MainWindow::onShown);
}

void MainWindow::onShown()
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
        showSetupWindow();
}

bool MainWindow::closeChildWindows()
{
    // Every graph window may refuse (unsaved data); all are asked before any closes, so a
    // refusal leaves every window as it was.
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    for (QMdiSubWindow* w : windows) {
        auto* g = qobject_cast<GraphWindow*>(w->widget());
        auto* leq = qobject_cast<LeqWindow*>(w->widget());
        if ((g && !g->mayClose()) || (leq && !leq->mayClose()))
            return false;
    }
    for (QMdiSubWindow* w : windows) {
        // Answered above; closing now asks nothing.
        if (auto* g = qobject_cast<GraphWindow*>(w->widget()))
            g->onClosed();
        if (auto* leq = qobject_cast<LeqWindow*>(w->widget()))
            leq->onClosed();
        w->close();
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    // The main window itself always agrees.
    if (!closeChildWindows()) {
        e->ignore();
        return;
    }
    onClosed();
    e->accept();
}

void MainWindow::onClosed()
{
    m_files->abandon();
    m_dataLogger->cancelDownload();
    m_meter->stop();
    saveRealTimeRate(*m_settings, m_state.RealTimeRate);
}

void MainWindow::exitProgram()
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

void MainWindow::showHelpContents() { m_help->show(); }

void MainWindow::setUpPrinter()
{
    QPrinter printer;
    Prompter::instance().printerSetup(printer, this);
}

void MainWindow::showStatusMessage(const QString& text) { m_readings->showMessage(text); }

} // namespace quedral
