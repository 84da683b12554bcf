#pragma once
// The data logger's commands of the main window: Load Data (download, decode, working copy,
// data set 0 in the "DataLogger" window), Erase Memory, opening and saving data set
// collections, and showing a data set. The transfers run on the meter thread; this object
// lives on the GUI thread and gets their outcome as queued calls.
#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>

#include "logger/datasets.h"
#include "logger/download.h"

namespace quedral {

class DataSetGrid;
class GraphHost;
class MeterService;
class MeterSession;
class GraphWindow;
class ProgressDialog;

// What the commands need from the main window.
class DataLoggerHost {
public:
    virtual ~DataLoggerHost() = default;
    // The graph windows' host; it also says whether the meter answers the poll.
    virtual GraphHost& graphHost() = 0;
    // The meter's REC flag from the last reading.
    virtual bool meterRecording() const = 0;
    virtual MeterService& meter() = 0;
    // Adds the new "DataLogger" window to the child-window area: top left, the area's width,
    // its height less 60.
    virtual void showDataLoggerWindow(GraphWindow& window) = 0;
    virtual void showStatusMessage(const QString& text) = 0;
    // Load Data, Erase Memory and their tool bar button, while a transfer runs.
    virtual void setLoggerCommandsEnabled(bool enabled) = 0;
};

class DataLoggerController : public QObject {
    Q_OBJECT
public:
    explicit DataLoggerController(DataLoggerHost& host);
    ~DataLoggerController() override;

    // The "DataLogger" window, while it exists.
    GraphWindow* window() const;
    // Its data set grid, the window's side panel.
    DataSetGrid* dataSets() const;
    // The data sets of the last decode that replaced them (empty before the first).
    const DataSetStore& store() const;
    bool downloading() const { return m_downloading; }
    // The progress window while a download runs.
    ProgressDialog* progressWindow() const;

    // Data Logger > "Load Data" and the tool bar's "Data Logger". The "DataLogger" window is
    // brought back at once when it is open, and otherwise made when the data sets have arrived.
    void loadData();
    // Data Logger > "Erase Memory".
    void eraseMemory();
    // Open: asks for a collection file and shows it in the "DataLogger" window.
    void openCollectionFile();
    // Save: asks for a name and copies the working copy there (never over an existing file).
    // True when the collection was written.
    bool saveCollectionFile();
    // Data set n of the store into the "DataLogger" window with its statistics.
    void drawDataSet(int n);
    // A click on data set n's row: the set is shown, the cursors reset, the player stopped
    // and the zoom undone.
    void chooseDataSet(int n);
    // The set the window shows when its start date and time could not be read (its chart is
    // timed from the day-count origin), else -1.
    int shownSetWithoutStart() const;
    // The set the window shows (from 0), -1 before the first.
    int shownSet() const { return m_shownSet; }
    // Asks for a new start date and time of data set n and moves its samples there. The
    // memory image and the working copy keep what the meter recorded.
    void askDataSetStart(int n);
    // Stops a download after the current block (the progress window's Cancel; closing).
    void cancelDownload();

signals:
    // A Load Data ended: its code (0, a download or decode code, or DownloadCode::Cancelled).
    void loadFinished(int code);
    void eraseFinished(int code);

private:
    GraphWindow* prepareWindow();
    void downloadStarted(int total);
    void downloadProgress(int received);
    // The transfer's outcome; what the meter thread does before the poll runs again.
    std::function<void(MeterSession&)> downloadDone(const DownloadResult& result);
    // Decodes an image, keeps it as the working copy and shows set 0. The decode's code.
    int takeImage(const QByteArray& image, int lastAddress);
    void closeProgress();
    // The warning for a decode that ended with 33 to 35 (the store holds its sets): the code,
    // the damaged sets and why; empty for any other code.
    QString damagedDataSetsWarning(int code) const;
    // The most problem lines a message lists.
    static constexpr int kShownProblems = 12;

    DataLoggerHost& m_host;
    DecodeResult m_decode; // the last decode that replaced the data sets
    bool m_downloading = false;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QPointer<ProgressDialog> m_progress;
    int m_shownSet = -1; // the set the window shows, -1 before the first
};

} // namespace quedral
