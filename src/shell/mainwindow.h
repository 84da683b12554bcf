#pragma once
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "graph/ui/graphhost.h"
#include "logger/ui/dataloggercontroller.h"
#include "meter/reading.h"
#include "setup/ui/setupwindow.h"
#include "shell/appstate.h"
#include "shell/filecommands.h"
#include "shell/mainactions.h"
#include "shell/readingpresenter.h"
#include "shell/screenshotstate.h"
#include "shell/windowmanager.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSettings;
class QTimer;
class QToolButton;
class QWidget;

namespace quedral {

class Transport;
class MeterService;
struct PollReport;
class AboutDialog;
class HelpCommand;
class LeqRunner;
class ChartModel;
class ListWindow;
class RealTimeController;

struct MainOptions {
    std::unique_ptr<Transport> transport;  // the meter; required
    int startPollDelayMs = 500;            // the wait before the first poll; negative: no poll (tests)
    QString screenshotFile;                // --screenshot: save a picture once start-up has settled, then exit
    ScreenshotPlan screenshotPlan;         // --screenshot-state: the windows the picture shows
    bool openSetup = false;                // --setup: the setup window opens at start (service use)
    QString helpFile;                      // the help file; empty: KV4471Help.htm beside the executable
    QString helpOpener;                    // the program that opens it; empty: xdg-open
};

class MainWindow : public QMainWindow, public GraphHost, public DataLoggerHost {
    Q_OBJECT
public:
    explicit MainWindow(MainOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppState& state() { return m_state; }
    // The meter thread: every exchange with the meter goes through it.
    RealTimeController& realTime() { return *m_realTime; }
    DataLoggerController& dataLogger() { return *m_dataLogger; }

    // What the graph windows need from the main window.
    GraphState& graphState() override { return m_state; }
    bool connected() const override;
    void showGraphWindow(GraphWindow& window) override;
    void restoreGraphWindow(GraphWindow& window) override;
    void setRunEnabled(bool enabled) override;
    void setStopEnabled(bool enabled) override;
    void setRealTimeGraphChecked(bool checked) override;
    void setOutputToGraphEnabled(bool enabled) override;
    // The saves a graph window asks for are the file commands'.
    bool saveCommand(GraphWindow& window) override { return m_files->saveCommand(window); }
    bool saveGraphAs(GraphWindow& window) override { return m_files->saveGraphFileAs(window); }
    bool saveBeforeClose(GraphWindow& window) override { return m_files->saveBeforeClose(window); }
    void saveTable(const TableText& table) override { m_files->saveTable(table); }
    void printTable(const TableText& table) override { m_files->printTable(table); }

    // What the data logger's commands need from the main window.
    GraphHost& graphHost() override { return *this; }
    bool meterRecording() const override { return m_state.MeterRecording; }
    MeterService& meter() override { return *m_meter; }
    void showDataLoggerWindow(GraphWindow& window) override;
    void showStatusMessage(const QString& text) override;
    void setLoggerCommandsEnabled(bool enabled) override;
    QMdiArea* mdiArea() const { return m_mdi; }
    // The last reading applied (meaningful once a reading arrived).
    const MeterReading& lastReading() const { return m_readings->lastReading(); }
    // The status panels, the link-problem and message labels and the MAX/MIN blink.
    ReadingPresenter& readings() { return *m_readings; }

    // Shows the splash box until the main window's first show has run.
    void showSplash();

    // Commands
    void exitProgram();
    void showAbout();
    void showHelpContents();
    void toggleControlPanel();
    void toggleRealTimeGraph();
    void tileWindows();
    void cascadeWindows();
    void setUpPrinter();
    // Data Logger > Setup (hidden): opens the setup window, or brings the open one back.
    void showSetupWindow();
    SetupWindow* setupWindow() const { return m_windows->singles().setup; }
    // LEQ: opens the Leq window (or brings it back).
    void showLeqWindow();
    // The live Leq measurement on the meter thread.
    LeqRunner& leqRunner() { return *m_leqRunner; }
    // Open, Save, Print, the exports and the import, "Output Tabular to graph", and their file job.
    FileCommands& files() { return *m_files; }
    // What a poll tick on the meter thread did: connection state, panel, recording.
    void applyPollReport(const PollReport& report);

    // Status bar panel texts (0 .. 2).
    QString statusText(int panel) const { return m_readings->statusText(panel); }
    void setStatusText(int panel, const QString& text) { m_readings->setStatusText(panel, text); }

    // The child windows in the area, the Window menu's list and the View check marks.
    WindowManager& windows() { return *m_windows; }
    QMdiSubWindow* addChild(QWidget* w, Qt::WindowFlags flags = {}) { return m_windows->addChild(w, flags); }
    QMdiSubWindow* frameOf(QWidget* w) const { return WindowManager::frameOf(w); }
    QMdiSubWindow* showNewChild(QWidget* w, QSize size) { return m_windows->showNewChild(w, size); }
    void showCentred(QMdiSubWindow* sub, QSize size) { m_windows->showCentred(sub, size); }
    void restoreChild(QWidget& window) { m_windows->restoreChild(window); }

    // The menu commands, the menus and the tool bar's buttons.
    QAction* action(MainAction a) const { return m_actions.action(a); }
    QMenu* menu(MainMenu m) const { return m_actions.menu(m); }
    QToolButton* toolButton(MainButton b) const { return m_actions.button(b); }
    QWidget* toolBar() const { return m_actions.toolBar(); }

    // The settings store; tests may point it elsewhere before the window closes.
    QSettings& settings() { return *m_settings; }

signals:
    // --screenshot: the picture has been written (ok) or could not be; the program ends.
    void screenshotSaved(bool ok);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void initialise();
    void onShown();
    void onClosed();
    // Asks every graph and Leq window about unsaved data; when all agree, closes them all.
    bool closeChildWindows();
    void buildMenus();
    void runAction(MainAction a);
    void buildToolBar();
    void buildStatusBar();
    void showConnectionState();
    void createPanel();
    void showStartupRealTimeGraph();
    void showPanelTestPattern();
    void onSubWindowActivated(QMdiSubWindow* w);
    void recordReading(const MeterReading& reading, double readingTime);
    void meterConnectionChanged(bool connected);
    void onPanelClosed();
    void sendPanelKey(char letter);
    void onKeySent(std::uint8_t letter, bool ok);
    void takeScreenshotIfSettled(bool readingShown);
    void screenshotWritten(bool ok);

    AppState m_state;
    MainActions m_actions;
    MainOptions m_options;
    MeterService* m_meter = nullptr;
    bool m_connected = false;
    ReadingPresenter* m_readings = nullptr;
    std::unique_ptr<RealTimeController> m_realTime;
    std::unique_ptr<DataLoggerController> m_dataLogger;
    // After the data logger's commands: it uses them, and goes first.
    std::unique_ptr<FileCommands> m_files;
    LeqRunner* m_leqRunner = nullptr;
    HelpCommand* m_help = nullptr;
    std::unique_ptr<QSettings> m_settings;
    QMdiArea* m_mdi = nullptr;
    WindowManager* m_windows = nullptr;
    QPointer<AboutDialog> m_splash;
    bool m_shown = false;
    ScreenshotState* m_screenshot = nullptr; // with --screenshot
    int m_ticks = 0;
};

} // namespace quedral
