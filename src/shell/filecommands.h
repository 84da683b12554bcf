#pragma once
// The main window's file commands: Open and Save (and their tool bar buttons), the saves a graph
// window asks for (Save, Run's question, the close question's Yes), the exports of a chart or a
// table as text, the import of a text file into a list window, "Output Tabular to graph" and
// Print. The long ones run as a FileJob on its worker thread, one at a time, with the progress
// window; the GUI thread never waits on a file.
#include <QChar>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "files/textfiles.h"
#include "graph/ui/graphhost.h"

class QIODevice;
class QWidget;

namespace quedral {

class ChartModel;
class DataLoggerController;
class FileJob;
class GraphHost;
class GraphWindow;
class ReadingPresenter;
class WindowManager;

class FileCommands {
public:
    // What the commands use of the main window.
    struct Links {
        QWidget& window;                  // the dialogs' parent; new graph windows wait hidden in it
        WindowManager& windows;           // the child windows: the active one, where new ones go
        GraphHost& graphs;                // the host of the graph and list windows made here
        DataLoggerController& dataLogger; // the collection files and the "DataLogger" window's sets
        ReadingPresenter& readings;       // the status bar's passing notes
    };
    explicit FileCommands(Links links);
    ~FileCommands();
    FileCommands(const FileCommands&) = delete;
    FileCommands& operator=(const FileCommands&) = delete;

    // File > Open: the choice between a collection and a single file, then that file.
    void openFile();
    // File > Save: the active list or Leq window's table as text, or the active graph window's
    // Save; nothing for other windows.
    void saveActiveWindow();
    // File > Print: a list or Leq window's table as text lines, a graph window's chart through
    // its own dialogs; nothing for other windows.
    void printActiveWindow();
    // "Output Tabular to graph": the active list window as a new graph window.
    void outputToGraph();

    // Asks for a graph, text or CSV file and opens it.
    void openSingleFile();
    // Opens a graph file in a new graph window; false (and a status message) when it cannot.
    bool openGraphFile(const QString& fileName);
    // Reads a text or CSV file into a new list window on the file job's worker; false (and a
    // status message) when it cannot be opened or another file job runs.
    bool importTextFile(const QString& fileName, QChar separator);

    // The Save command with a graph window active: the "DataLogger" window asks whether to save
    // the collection or the graph. False when nothing was saved (or is still being written).
    bool saveCommand(GraphWindow& window);
    // The close question's Yes: true once the data is written; while an export is still being
    // written, false, and the window closes itself when its file is whole.
    bool saveBeforeClose(GraphWindow& window);
    // Asks for a name and saves a graph window's chart as a graph file, tab text or CSV, by the
    // name's extension; false when nothing was saved.
    bool saveGraphFileAs(GraphWindow& window);
    // The range dialog, then the chart's points as text into fileName.
    bool exportGraphText(const ChartModel& chart, const QString& fileName, QChar separator);
    // Asks for a name, then the range, and writes rows of a table (cells 1 .. lastColumn).
    bool exportGridText(const std::function<QString(int, int)>& cell, int rows, int lastColumn);

    // A graph window's table (the noise statistics' blocks or events), as a list's is saved and
    // printed: row 0 the header row, column 0 the row number.
    void saveTable(const GraphHost::TableText& table);
    void printTable(const GraphHost::TableText& table);
    // File > "Export report...": the active graph window's evidence report as a PDF, written
    // on the worker.
    void exportReport();

    // A name with the graph file's extension (.ghf, any case).
    static bool isGraphFile(const QString& fileName);

    // The meter's serial number, once read this session (the report shows it).
    void setSerialNumber(const QString& serial) { m_serialNumber = serial; }

    // The file job on its worker thread (one at a time).
    FileJob& job() { return *m_job; }
    // Gives a running job up (the main window closes): its outcome is dropped.
    void abandon();

private:
    // The range dialog (1 .. last), then write into fileName with a progress window.
    using TextWriter = std::function<void(QIODevice&, TextRange, const KeepGoing&)>;
    bool exportText(const QString& fileName, int last, TextWriter write);
    void saveForCloseFinished(bool whole);
    void showStatusMessage(const QString& text);
    // The child window that has the focus of the area (null when none).
    QWidget* activeWindow() const;
    // The file types of a chart's and of a table's save and open dialogs (CSV not with a
    // decimal comma).
    static QString graphFilter();
    static QString tableFilter();

    Links m_links;
    std::unique_ptr<FileJob> m_job;
    // A graph window whose close question's Yes started a save that is still being written:
    // it closes when the file is whole and stays open, its data unsaved, when the write fails.
    QPointer<GraphWindow> m_closeAfterSave;
    QString m_serialNumber;
};

} // namespace quedral
