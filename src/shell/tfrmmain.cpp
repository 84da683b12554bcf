#include "shell/tfrmmain.h"
#include "shell/filejob.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <utility>

#include "meter/meterworker.h"
#include "meter/transport.h"
#include "realtime/realtimecontroller.h"
#include "resources/artwork.h"
#include "base/prompter.h"
#include "shell/settings.h"
#include "graph/window/tfrmgraph.h"
#include "leq/leqrunner.h"
#include "leq/tfrmleq.h"
#include "setup/tfrmsetup.h"
#include "shell/tfrmabout.h"

namespace quedral {

namespace {

// Small tool-bar pictures drawn in code, so the bar looks the same on every desktop.
QIcon drawnIcon(const std::function<void(QPainter&)>& draw)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return QIcon(pm);
}

QIcon printIcon()
{
    return drawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 60), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(7, 3, 10, 7);
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(3, 9, 18, 9, 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(7, 14, 10, 7);
    });
}

QIcon dataLoggerIcon()
{
    return drawnIcon([](QPainter& p) {
        p.setPen(Qt::NoPen);
        const int h[] = {8, 14, 10, 18, 12};
        for (int i = 0; i < 5; ++i) {
            p.setBrush(QColor(40, 110, 190));
            p.drawRect(3 + i * 4, 21 - h[i], 3, h[i]);
        }
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.drawLine(2, 21, 22, 21);
    });
}

QIcon tableToGraphIcon()
{
    return drawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(Qt::white);
        p.drawRect(2, 3, 9, 12);
        for (int y = 6; y < 15; y += 3)
            p.drawLine(2, y, 11, y);
        p.setPen(QPen(QColor(200, 40, 40), 1.8));
        p.drawPolyline(QPolygon({QPoint(11, 20), QPoint(15, 13), QPoint(18, 17), QPoint(22, 8)}));
    });
}

} // namespace

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

    MaxMinTimer = new QTimer(this);
    MaxMinTimer->setObjectName("MaxMinTimer");
    MaxMinTimer->setInterval(500);
    connect(MaxMinTimer, &QTimer::timeout, this, &TfrmMain::MaxMinTimerTimer);

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
    auto action = [this](QMenu* menu, const QString& caption, const char* name, auto slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    Open1 = action(File1, "&Open", "Open1", &TfrmMain::Open1Click);
    Save1 = action(File1, "&Save", "Save1", &TfrmMain::Save1Click);
    File1->addSeparator();
    Print1 = action(File1, "&Print", "Print1", &TfrmMain::btnPrintClick);
    PrinterSetup1 = action(File1, "&Printer Setup", "PrinterSetup1", &TfrmMain::PrinterSetup1Click);
    File1->addSeparator();
    Exit1 = action(File1, "E&xit", "Exit1", &TfrmMain::Exit1Click);

    RealTime1 = menuBar()->addMenu("Real Time");
    RealTime1->setObjectName("RealTime1");
    Run1 = action(RealTime1, "Run", "Run1", [this] { m_realTime->btnRunClick(); });
    Stop1 = action(RealTime1, "Stop", "Stop1", [this] { m_realTime->btnStopClick(); });
    Run1->setEnabled(false);
    Stop1->setEnabled(false);

    DataLogger1 = menuBar()->addMenu("&Data Logger");
    DataLogger1->setObjectName("DataLogger1");
    LoadData1 = action(DataLogger1, "Load Data", "LoadData1", [this] { m_dataLogger->LoadData1Click(); });
    EraseMemory1 = action(DataLogger1, "Erase Memory", "EraseMemory1", [this] { m_dataLogger->EraseMemory1Click(); });
    Setup1 = action(DataLogger1, "Setup", "Setup1", &TfrmMain::SetupClick);

    LEQ1 = menuBar()->addAction("LEQ");
    LEQ1->setObjectName("LEQ1");
    connect(LEQ1, &QAction::triggered, this, &TfrmMain::LEQ1Click);

    View1 = menuBar()->addMenu("&View");
    View1->setObjectName("View1");
    ControlPanel1 = action(View1, "&Control Panel", "ControlPanel1", &TfrmMain::ControlPanel1Click);
    ControlPanel1->setCheckable(true);
    ControlPanel1->setChecked(true);
    RealTimeGraph1 = action(View1, "Real Time &Graph", "RealTimeGraph1", &TfrmMain::RealTimeGraph1Click);
    RealTimeGraph1->setCheckable(true);
    RealTimeGraph1->setChecked(true);
    // The check marks follow the windows, not the clicks.
    for (QAction* a : {ControlPanel1, RealTimeGraph1})
        connect(a, &QAction::triggered, this, &TfrmMain::syncViewChecks);

    Window1 = menuBar()->addMenu("&Window");
    Window1->setObjectName("Window1");
    Tile1 = action(Window1, "&Tile", "Tile1", &TfrmMain::Tile1Click);
    Cascade1 = action(Window1, "&Cascade", "Cascade1", &TfrmMain::Cascade1Click);
    connect(Window1, &QMenu::aboutToShow, this, &TfrmMain::rebuildWindowMenu);

    Help1 = menuBar()->addMenu("&Help");
    Help1->setObjectName("Help1");
    Contents1 = action(Help1, "&Contents", "Contents1", &TfrmMain::Contents1Click);
    Help1->addSeparator();
    About1 = action(Help1, "&About", "About1", &TfrmMain::About1Click);
}

void TfrmMain::buildToolBar()
{
    pnlToolBar = new QWidget(this);
    pnlToolBar->setObjectName("pnlToolBar");
    pnlToolBar->setFixedHeight(36);
    auto* row = new QHBoxLayout(pnlToolBar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);

    auto button = [this, row](const char* name, const QString& hint, const QIcon& icon, auto slot) {
        auto* b = new QToolButton(pnlToolBar);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        b->setIcon(icon);
        b->setIconSize(QSize(24, 24));
        b->setAutoRaise(true);
        b->setFixedSize(32, 32);
        connect(b, &QToolButton::clicked, this, slot);
        row->addWidget(b);
        return b;
    };
    QStyle* st = style();
    btnOpen = button("btnOpen", "Open File", st->standardIcon(QStyle::SP_DialogOpenButton),
                          [this] { Open1->trigger(); });
    btnSave = button("btnSave", "Save to file", st->standardIcon(QStyle::SP_DialogSaveButton),
                          [this] { Save1->trigger(); });
    btnPrint = button("btnPrint", "Print", printIcon(), [this] { Print1->trigger(); });
    btnDataLogger = button("btnDataLogger", "Data Logger", dataLoggerIcon(), [this] { LoadData1->trigger(); });
    btnOutputToGraph = button("btnOutputToGraph", "Output Tabular to graph", tableToGraphIcon(),
                              &TfrmMain::btnOutputToGraphClick);
    btnRun = button("btnRun", "Start Graphing Real Time Data", st->standardIcon(QStyle::SP_MediaPlay),
                    [this] { Run1->trigger(); });
    btnStop = button("btnStop", "Stop Graphing Real Time Data", st->standardIcon(QStyle::SP_MediaStop),
                     [this] { Stop1->trigger(); });
    btnHelp = button("btnHelp", "Help", st->standardIcon(QStyle::SP_DialogHelpButton),
                          &TfrmMain::Contents1Click);
    // The setup window's button: service use only, never shown.
    btnSetup = new QToolButton(pnlToolBar);
    btnSetup->setObjectName("btnSetup");
    btnSetup->setText("setup");
    btnSetup->setVisible(false);
    connect(btnSetup, &QToolButton::clicked, this, &TfrmMain::SetupClick);
    row->addWidget(btnSetup);
    row->addStretch(1);
    btnOutputToGraph->setEnabled(false);
    btnRun->setEnabled(false);
    btnStop->setEnabled(false);

    // The tool bar sits under the menu bar, above the child-window area.
    auto* top = new QWidget(this);
    auto* col = new QVBoxLayout(top);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    col->addWidget(pnlToolBar);
    col->addWidget(m_mdi, 1);
    setCentralWidget(top);
}

void TfrmMain::buildStatusBar()
{
    QStatusBar* sb = statusBar();
    sb->setObjectName("StatusBar");
    const int widths[3] = {100, 150, 50};
    for (int i = 0; i < 3; ++i) {
        m_status[i] = new QLabel(sb);
        m_status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_status[i]->setFixedWidth(widths[i]);
        m_status[i]->setFrameShape(QFrame::StyledPanel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        sb->addWidget(m_status[i]);
    }
    lblLinkProblem = new QLabel(sb);
    lblLinkProblem->setObjectName("lblLinkProblem");
    lblLinkProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblLinkProblem->hide();
    sb->addWidget(lblLinkProblem, 1);
    lblMessage = new QLabel(sb);
    lblMessage->setObjectName("lblMessage");
    sb->addWidget(lblMessage, 1);
    m_messageTimer = new QTimer(this);
    m_messageTimer->setSingleShot(true);
    m_messageTimer->setInterval(8000);
    connect(m_messageTimer, &QTimer::timeout, lblMessage, &QLabel::clear);
}

QString TfrmMain::statusText(int panel) const { return m_status[panel]->text(); }
void TfrmMain::setStatusText(int panel, const QString& text) { m_status[panel]->setText(text); }

void TfrmMain::rebuildWindowMenu()
{
    // Tile and Cascade stay; the list of windows below them is made anew each time.
    for (QAction* a : std::exchange(m_windowListActions, {})) {
        Window1->removeAction(a);
        delete a;
    }
    const auto windows = m_mdi->subWindowList();
    if (!windows.isEmpty())
        m_windowListActions << Window1->addSeparator();
    int n = 1;
    for (QMdiSubWindow* w : windows) {
        QString title = w->windowTitle();
        if (title.isEmpty() && w->widget())
            title = w->widget()->windowTitle();
        QAction* a = Window1->addAction(QStringLiteral("&%1 %2").arg(n++).arg(title));
        m_windowListActions << a;
        a->setCheckable(true);
        a->setChecked(w == m_mdi->activeSubWindow());
        const QPointer<QMdiSubWindow> window(w);
        connect(a, &QAction::triggered, this, [this, window] {
            if (!window)
                return;
            if (window->isMinimized())
                window->showNormal();
            m_mdi->setActiveSubWindow(window);
        });
    }
}

QMdiSubWindow* TfrmMain::addChild(QWidget* w, Qt::WindowFlags flags)
{
    QMdiSubWindow* sub = m_mdi->addSubWindow(w, flags);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    return sub;
}

QMdiSubWindow* TfrmMain::frameOf(QWidget* w) const
{
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(p))
            return sub;
    return nullptr;
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
    DataLogger1->menuAction()->setVisible(true);
    btnDataLogger->setVisible(true);
    // The poll starts on the meter thread after a short wait; the windows go on meanwhile.
    if (m_options.startPollDelayMs >= 0)
        m_meter->startPolling(m_options.startPollDelayMs);
    if (m_splash) {
        m_splash->lblStartupNote->clear();
        m_splash->close();
    }
    showStartupRealTimeGraph();
    Setup1->setVisible(false);
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
    MaxMinTimer->stop();
    m_leqRunner->stop();
    hide();
    QCoreApplication::exit(0);
}

void TfrmMain::About1Click()
{
    if (!m_state.AboutWindow) {
        m_state.AboutWindow = new TfrmAbout(this);
        connect(m_state.AboutWindow, &QObject::destroyed, this, [this] { m_state.AboutWindow = nullptr; });
    }
    m_state.AboutWindow->exec();
}

void TfrmMain::Contents1Click()
{
    const QString help = helpFile();
    if (!QFileInfo::exists(help)) {
        Prompter::instance().message(QStringLiteral("The help file %1 is missing.").arg(QDir::toNativeSeparators(help)));
        return;
    }
    openHelpFile(help, [help](bool opened) {
        if (!opened)
            Prompter::instance().message(
                QStringLiteral("The help file %1 could not be opened: no program to show it is set up on this computer.")
                    .arg(QDir::toNativeSeparators(help)));
    });
}

QString TfrmMain::helpFile() const
{
    return m_options.helpFile.isEmpty() ? QCoreApplication::applicationDirPath() + "/KV4471Help.htm"
                                        : m_options.helpFile;
}

void TfrmMain::openHelpFile(const QString& file, std::function<void(bool)> done)
{
    // The desktop's opener tells by its exit status whether anything could show the file;
    // it runs on its own, so a slow browser start never holds up the windows.
    auto* opener = new QProcess(this);
    connect(opener, &QProcess::errorOccurred, this, [opener, file, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        opener->deleteLater();
        // No opener program: the toolkit's own way is the last try.
        done(QDesktopServices::openUrl(QUrl::fromLocalFile(file)));
    });
    connect(opener, &QProcess::finished, this, [opener, done](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        done(status == QProcess::NormalExit && code == 0);
    });
    opener->start(m_options.helpOpener.isEmpty() ? QStringLiteral("xdg-open") : m_options.helpOpener, {file});
}

void TfrmMain::PrinterSetup1Click()
{
    QPrinter printer;
    Prompter::instance().printerSetup(printer, this);
}

void TfrmMain::SetupClick()
{
    if (m_state.SetupWindow) {
        restoreChild(*m_state.SetupWindow);
        return;
    }
    auto* w = new TfrmSetup(*m_meter);
    m_state.SetupWindow = w;
    connect(w, &QObject::destroyed, this, [this, w] {
        if (m_state.SetupWindow == w)
            m_state.SetupWindow = nullptr;
    });
    QMdiSubWindow* sub = addChild(w);
    showCentred(sub, sub->sizeHint().expandedTo(QSize(560, 0)));
    m_mdi->setActiveSubWindow(sub);
}

void TfrmMain::Tile1Click() { m_mdi->tileSubWindows(); }
void TfrmMain::Cascade1Click() { m_mdi->cascadeSubWindows(); }

void TfrmMain::showStatusMessage(const QString& text)
{
    lblMessage->setText(text);
    m_messageTimer->start();
}

} // namespace quedral
