#pragma once
// quedral --screenshot with --screenshot-state: brings the windows into a named state (the
// panel, a real-time graph, a data set after Load Data, ...) once start-up has settled, then
// saves a picture. Each step waits for the signal that ends the one before (a poll report, a
// finished download, a finished setup command): nothing blocks the windows meanwhile.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QWidget;

namespace quedral {

class MainWindow;

enum class ScreenshotView { Main, Panel, RealTime, DataLogger, Stats, Leq, Setup };

// The names the command line takes, in the order of the enum.
QStringList screenshotViewNames();
// False for a name that is not one of screenshotViewNames().
bool parseScreenshotView(const QString& name, ScreenshotView& view);

struct ScreenshotPlan {
    ScreenshotView view = ScreenshotView::Main;
    int realTimeReadings = 40; // realtime: the poll reports recorded before the picture
    int leqRows = 8;           // leq: the seconds measured before the picture; 0: the window only
};

class ScreenshotState : public QObject {
    Q_OBJECT
public:
    ScreenshotState(MainWindow& main, ScreenshotPlan plan, QString file);

    // Start-up has settled (the first reading is shown, or the meter did not answer): the
    // state's steps begin.
    void begin();
    bool begun() const { return m_begun; }
    // What the picture shows, one line for bug reports.
    QString shownText() const { return m_shown; }

signals:
    // The picture has been written (ok) or could not be.
    void saved(bool ok);

private:
    void beginRealTime();
    void beginLeq();
    void beginSetup();
    void loadData();
    void dataLoaded(int code);
    // Saves a picture of target (the main window when null) after the windows have painted.
    void take(QWidget* target = nullptr, const QString& note = {});

    MainWindow& m_main;
    ScreenshotPlan m_plan;
    QString m_file;
    QString m_shown;
    bool m_begun = false;
    bool m_taking = false;
    int m_readings = 0;
};

} // namespace quedral
