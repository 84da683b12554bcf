#pragma once
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "graph/window/graphhost.h"
#include "shell/appstate.h"

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
class MeterLink;
class Poller;
class TfrmAbout;
class RealTimeController;

struct MainOptions {
    std::unique_ptr<Transport> transport;  // the meter; required
    bool startPollWait = true;             // the 500 ms wait before the poll starts
    QString screenshotFile;                // --screenshot: save a picture once start-up has settled, then exit
};

class TfrmMain : public QMainWindow, public GraphHost {
    Q_OBJECT
public:
    explicit TfrmMain(MainOptions options, QWidget* parent = nullptr);
    ~TfrmMain() override;

    AppState& state() { return m_state; }
    RealTimeController& realTime() { return *m_realTime; }

    // What the graph windows need from the main window.
    GraphState& graphState() override { return m_state; }
    bool connected() const override;
    void showGraphWindow(TfrmGraph& window) override;
    void restoreGraphWindow(TfrmGraph& window) override;
    void setRunEnabled(bool enabled) override;
    void setStopEnabled(bool enabled) override;
    void setRealTimeGraphChecked(bool checked) override;
    void setOutputToGraphEnabled(bool enabled) override;
    MeterLink& link();
    Poller& poller();
    QMdiArea* mdiArea() const { return m_mdi; }

    // Shows the splash box until the main window's first show has run.
    void showSplash();

    // Commands
    void Exit1Click();
    void About1Click();
    void Contents1Click();
    void ControlPanel1Click();
    void RealTimeGraph1Click();
    void Tile1Click();
    void Cascade1Click();
    void PrinterSetup1Click();
    void MainTimerTimer();
    void MaxMinTimerTimer();

    // Status bar panel texts (0 .. 2).
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);

    // Adds a child window to the MDI area and returns its frame.
    QMdiSubWindow* addChild(QWidget* w, Qt::WindowFlags flags = {});
    QMdiSubWindow* frameOf(QWidget* w) const;

    // Controls, named as in the window's design.
    QWidget* Panel1 = nullptr;
    QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *btnPrint = nullptr, *btnDataLogger = nullptr,
                *btnOutputToGraph = nullptr, *btnRun = nullptr, *btnStop = nullptr, *SpeedButton8 = nullptr;
    QMenu *File1 = nullptr, *RealTime1 = nullptr, *DataLogger1 = nullptr, *View1 = nullptr, *Window1 = nullptr,
          *Help1 = nullptr;
    QAction *Open1 = nullptr, *Save1 = nullptr, *Print1 = nullptr, *PrinterSetup1 = nullptr, *Exit1 = nullptr;
    QAction *Run1 = nullptr, *Stop1 = nullptr;
    QAction *LoadData1 = nullptr, *EraseMemory1 = nullptr, *Setup1 = nullptr;
    QAction* LEQ1 = nullptr;
    QAction *ControlPanel1 = nullptr, *RealTimeGraph1 = nullptr;
    QAction *Tile1 = nullptr, *Cascade1 = nullptr;
    QAction *Contents1 = nullptr, *About1 = nullptr;
    QTimer *MainTimer = nullptr, *MaxMinTimer = nullptr, *LEQTimer = nullptr;

    // The settings store; tests may point it elsewhere before the window closes.
    QSettings& settings() { return *m_settings; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void rebuildWindowMenu();
    void showConnectionState();
    void createPanel();
    void showStartupRealTimeGraph();
    void showPanelTestPattern();
    void onSubWindowActivated(QMdiSubWindow* w);
    void ApplyReading();
    void onPanelClosed();
    void sendPanelKey(char letter);
    void takeScreenshotIfSettled(bool readingShown);
    void placeholderCommand(const QString& what);

    AppState m_state;
    MainOptions m_options;
    std::unique_ptr<MeterLink> m_link;
    std::unique_ptr<Poller> m_poller;
    std::unique_ptr<RealTimeController> m_realTime;
    std::unique_ptr<QSettings> m_settings;
    QMdiArea* m_mdi = nullptr;
    QLabel* m_status[3] = {nullptr, nullptr, nullptr};
    QPointer<TfrmAbout> m_splash;
    bool m_shown = false;
    bool m_screenshotTaken = false;
    int m_ticks = 0;
};

} // namespace quedral
