#pragma once
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "graph/ui/graphhost.h"
#include "logger/ui/dataloggercontroller.h"
#include "files/textfiles.h"
#include "meter/reading.h"
#include "setup/ui/setupwindow.h"
#include "shell/appstate.h"
#include "shell/mainactions.h"
#include "shell/readingpresenter.h"
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
class FileJob;

struct MainOptions {
    std::unique_ptr<Transport> transport;  // the meter; required
    int startPollDelayMs = 500;            // the wait before the first poll; negative: no poll (tests)
    QString screenshotFile;                // --screenshot: save a picture once start-up has settled, then exit
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
    bool saveCommand(GraphWindow& window) override;
    bool saveGraphAs(GraphWindow& window) override;
    bool saveBeforeClose(GraphWindow& window) override;

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
    // File > Print and the tool bar's Print: a list or Leq window's table as text lines, a
    // graph window's chart through its own dialogs; nothing for other windows.
    void printActiveWindow();
    // LEQ: opens the Leq window (or brings it back).
    void showLeqWindow();
    // The live Leq measurement on the meter thread.
    LeqRunner& leqRunner() { return *m_leqRunner; }
    // File > Open and File > Save (and their tool bar buttons).
    void openFile();
    void saveActiveWindow();
    // Opens a graph file in a new graph window; false (and a status message) when it cannot.
    bool openGraphFile(const QString& fileName);
    // Asks for a graph, text or CSV file and opens it.
    void openSingleFile();
    // Reads a text or CSV file into a new list window on the file job's worker; false (and a
    // status message) when it cannot be opened or another file job runs.
    bool importTextFile(const QString& fileName, QChar separator);
    // Asks for a name and saves a graph window's chart as a graph file, tab text or CSV, by the
    // name's extension; false when nothing was saved.
    bool saveGraphFileAs(GraphWindow& window);
    // The range dialog, then the chart's points as text into fileName.
    bool exportGraphText(const ChartModel& chart, const QString& fileName, QChar separator);
    // Asks for a name, then the range, and writes rows of a table (cells 1 .. lastColumn).
    bool exportGridText(const std::function<QString(int, int)>& cell, int rows, int lastColumn);
    // "Output Tabular to graph": the active list window as a new graph window.
    void outputToGraph();
    // The file job on its worker thread (one at a time).
    FileJob& fileJob();
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
    // The range dialog (1 .. last), then write into fileName with a progress window.
    using TextWriter = std::function<void(QIODevice&, TextRange, const KeepGoing&)>;
    bool exportText(const QString& fileName, int last, TextWriter write);

    AppState m_state;
    MainActions m_actions;
    MainOptions m_options;
    MeterService* m_meter = nullptr;
    bool m_connected = false;
    ReadingPresenter* m_readings = nullptr;
    std::unique_ptr<RealTimeController> m_realTime;
    std::unique_ptr<DataLoggerController> m_dataLogger;
    LeqRunner* m_leqRunner = nullptr;
    HelpCommand* m_help = nullptr;
    std::unique_ptr<QSettings> m_settings;
    QMdiArea* m_mdi = nullptr;
    WindowManager* m_windows = nullptr;
    QPointer<AboutDialog> m_splash;
    bool m_shown = false;
    bool m_screenshotTaken = false;
    int m_ticks = 0;
    FileJob* m_fileJob = nullptr;
    // A graph window whose close question's Yes started a save that is still being written:
    // it closes when the file is whole and stays open, its data unsaved, when the write fails.
    QPointer<GraphWindow> m_closeAfterSave;
    void saveForCloseFinished(bool whole);
};

} // namespace quedral
