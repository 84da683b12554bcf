// The main window's file commands (Open, Save, Print) and its side of the data logger's commands.
#include <QAction>
#include <utility>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "base/datadir.h"
#include "base/filefilter.h"
#include "base/filewrite.h"
#include "base/inputfile.h"
#include "base/prompter.h"
#include "files/graphfile.h"
#include "files/graphtext.h"
#include "files/textfiles.h"
#include "widgets/opensavechoice.h"
#include "widgets/progressdialog.h"
#include "graph/listgraph.h"
#include "graph/ui/listwindow.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphwindow.h"
#include "leq/ui/leqwindow.h"
#include "logger/ui/gridprinter.h"
#include "meter/frames.h"
#include "shell/filejob.h"
#include "shell/mainwindow.h"

namespace quedral {

void MainWindow::showLeqWindow()
{
    if (m_state.MeterRecording) {
        Prompter::instance().message(Msg::RecordingLeq);
        return;
    }
    if (m_windows->singles().leq) {
        restoreChild(*m_windows->singles().leq);
        return;
    }
    auto* w = new LeqWindow(*m_leqRunner, *this);
    m_windows->singles().leq = w;
    connect(w, &LeqWindow::closed, this, [this, w] {
        if (m_windows->singles().leq == w)
            m_windows->singles().leq = nullptr;
    });
    showCentred(addChild(w), QSize(982 + 10, 580 + 30));
}


void MainWindow::showDataLoggerWindow(GraphWindow& window)
{
    QMdiSubWindow* sub = addChild(&window);
    sub->setGeometry(0, 0, m_mdi->width(), std::max(200, m_mdi->height() - 60));
    sub->show();
}

void MainWindow::setLoggerCommandsEnabled(bool enabled)
{
    action(MainAction::LoadData)->setEnabled(enabled);
    action(MainAction::EraseMemory)->setEnabled(enabled);
    toolButton(MainButton::DataLogger)->setEnabled(enabled && m_connected);
}

namespace {
bool decimalComma() { return QLocale().decimalPoint() == QStringLiteral(","); }

QString graphFilter()
{
    return decimalComma() ? "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"
                          : "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                            "EXCEL file format(*.CSV,seperated by comma)|*.CSV";
}

QString tableFilter()
{
    return decimalComma() ? " TXT file(*.txt,data seperated by tab)|*.TXT"
                          : "TXT file(*.txt,data seperated by tab)|*.TXT|EXCEL file format(*.csv,seperated by comma) |*.CSV";
}

// The save dialog in the program's directory; a name typed without extension takes the one of
// the file type chosen in the dialog. Empty when cancelled.
QString askSaveName(const QString& filter, const QString& defaultSuffix)
{
    QString chosen;
    const QString typed = Prompter::instance().saveFileName(filter, defaultSuffix, DataDir::path(), &chosen);
    return savedFileName(typed, chosen, defaultSuffix);
}

bool isGraphFile(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool MainWindow::saveCommand(GraphWindow& window)
{
    if (fileJob().running())
        return false; // one file job at a time
    if (window.kind() != GraphKind::DataLogger)
        return saveGraphFileAs(window);
    OpenSaveChoice choice(this);
    choice.setWindowTitle("Save File");
    switch (OpenSaveChoice::runModal(choice)) {
    case OpenSaveChoice::mrCollection:
        return m_dataLogger->saveCollectionFile();
    case OpenSaveChoice::mrSingle:
        return saveGraphFileAs(window);
    default:
        return false;
    }
}

bool MainWindow::saveGraphAs(GraphWindow& window) { return saveGraphFileAs(window); }

bool MainWindow::saveBeforeClose(GraphWindow& window)
{
    if (!saveCommand(window))
        return false;
    if (!fileJob().running())
        return true; // written already
    // The export is still being written: the window waits for its outcome.
    m_closeAfterSave = &window;
    return false;
}

void MainWindow::saveForCloseFinished(bool whole)
{
    GraphWindow* window = std::exchange(m_closeAfterSave, nullptr).data();
    if (!window || !whole)
        return;
    window->markSaved();
    GraphWindow::closeOwnedWindow(*window);
}

bool MainWindow::saveGraphFileAs(GraphWindow& window)
{
    // Without a start the chart's times are counted from the day-count origin: no file may
    // carry them as dates.
    if (window.kind() == GraphKind::DataLogger) {
        if (const int n = m_dataLogger->shownSetWithoutStart(); n >= 0) {
            Prompter::instance().message(
                QStringLiteral("Data set %1 has no readable start date and time, so its graph cannot be saved. "
                               "Give it one with Change Date & Time first.")
                    .arg(n + 1));
            return false;
        }
    }
    const QString file = askSaveName(graphFilter(), "GHF");
    if (file.isEmpty())
        return false;
    if (isGraphFile(file)) {
        QString error;
        if (!saveChartState(window.model(), file, &error)) {
            Prompter::instance().message(QStringLiteral("%1 was not saved: %2").arg(file, error));
            return false;
        }
        return true;
    }
    if (const std::optional<QChar> separator = graphTextSeparator(file))
        return exportGraphText(window.model(), file, *separator);
    return false;
}

FileJob& MainWindow::fileJob()
{
    if (!m_fileJob)
        m_fileJob = new FileJob(this);
    return *m_fileJob;
}

bool MainWindow::exportText(const QString& fileName, int last, TextWriter write)
{
    if (fileJob().running())
        return false;
    std::optional<TextRange> range;
    {
        ProgressDialog dialog(this);
        dialog.setWindowTitle("Save File");
        dialog.showRange(1, last);
        if (!dialog.runRange())
            return false;
        range = resolveTextRange(dialog.allSelected(), dialog.fromText(), dialog.toText(), last);
    }
    if (!range) {
        Prompter::instance().message("invalid integer");
        return false;
    }
    // Cancel keeps the complete lines written before it. The file replaces an old one only once
    // it is whole: a full disk leaves the old file and says why. A job given up (the main
    // window closed) leaves the old file.
    auto error = std::make_shared<QString>();
    auto written = std::make_shared<bool>(false);
    auto whole = std::make_shared<bool>(false); // every line asked for, not cut by Cancel
    const auto work = [fileName, range = *range, write = std::move(write), error, written, whole](const FileJob::Control& job) {
        const auto fill = [&](QIODevice& out, QString*) {
            write(out, range, job.keepGoing());
            return !job.abandoned();
        };
        *written = writeFileWhole(fileName, fill, error.get());
        *whole = *written && !job.cancelled();
    };
    const auto finished = [this, fileName, error, written, whole] {
        if (!*written)
            showStatusMessage(QStringLiteral("%1 was not written: %2").arg(fileName, *error));
        saveForCloseFinished(*whole);
    };
    return fileJob().start("Saving Progress", "saving.....", range->to - range->from + 1, work, finished);
}

bool MainWindow::exportGraphText(const ChartModel& chart, const QString& fileName, QChar separator)
{
    // The worker writes from its own copy: the window may close meanwhile.
    auto copy = std::make_shared<const ChartModel>(chart);
    return exportText(fileName, chart.points(),
                      [copy, separator, locale = QLocale()](QIODevice& out, TextRange range, const KeepGoing& keepGoing) {
                          writeGraphText(out, *copy, range, separator, keepGoing, locale);
                      });
}

bool MainWindow::exportGridText(const std::function<QString(int, int)>& cell, int rows, int lastColumn)
{
    const QString file = askSaveName(tableFilter(), "TXT");
    if (file.isEmpty())
        return false;
    return exportText(file, rows,
                      [cell, lastColumn, separator = gridTextSeparator(file)](QIODevice& out, TextRange range,
                                                                              const KeepGoing& keepGoing) {
                          writeGridText(out, cell, lastColumn, range, separator, keepGoing);
                      });
}

namespace {
// The table of a list or Leq window as Save and Print read it (row 0 its header row, column 0
// the row number); nullopt for other windows.
std::optional<GridText> tableOf(QWidget* window)
{
    if (auto* list = qobject_cast<ListWindow*>(window))
        return GridText{list->gridRowCount(), list->gridColumnCount(),
                        [list](int r, int c) { return list->gridCell(r, c); }};
    if (auto* leq = qobject_cast<LeqWindow*>(window))
        return GridText{leq->gridRowCount(), leq->gridColumnCount(),
                        [leq](int r, int c) { return leq->gridCell(r, c); }};
    return std::nullopt;
}

// The same table as a copy of its own, for a worker to read while the window may change or close.
std::optional<GridText> tableCopyOf(QWidget* window)
{
    if (auto* list = qobject_cast<ListWindow*>(window)) {
        auto table = std::make_shared<const ListTable>(list->table());
        return GridText{list->gridRowCount(), list->gridColumnCount(), [table](int r, int c) {
                            return r == 0 ? table->header(c) : table->cell(r - 1, c);
                        }};
    }
    const std::optional<GridText> table = tableOf(window);
    if (!table)
        return std::nullopt;
    auto cells = std::make_shared<std::vector<QStringList>>(table->rows);
    for (int r = 0; r < table->rows; ++r)
        for (int c = 0; c < table->columns; ++c)
            (*cells)[r] << table->cell(r, c);
    return GridText{table->rows, table->columns, [cells](int r, int c) {
                        return r >= 0 && r < int(cells->size()) ? cells->at(r).value(c) : QString();
                    }};
}
} // namespace

void MainWindow::saveActiveWindow()
{
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (!active)
        return;
    if (fileJob().running())
        return; // one file job at a time
    if (const std::optional<GridText> table = tableCopyOf(active->widget())) {
        // The data rows, every column after the row number.
        exportGridText(table->cell, table->rows - 1, table->columns - 1);
    } else if (auto* graph = qobject_cast<GraphWindow*>(active->widget())) {
        saveCommand(*graph);
    }
}

void MainWindow::printActiveWindow()
{
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    if (!active)
        return;
    if (const std::optional<GridText> table = tableOf(active->widget()))
        printGridDialog(*table, this);
    else if (auto* graph = qobject_cast<GraphWindow*>(active->widget()))
        graph->printChart();
}

void MainWindow::openFile()
{
    if (fileJob().running())
        return;
    OpenSaveChoice choice(this);
    choice.setWindowTitle("Open File");
    choice.useOpenCaptions();
    switch (OpenSaveChoice::runModal(choice)) {
    case OpenSaveChoice::mrCollection:
        m_dataLogger->openCollectionFile();
        break;
    case OpenSaveChoice::mrSingle:
        openSingleFile();
        break;
    default:
        break;
    }
}

void MainWindow::openSingleFile()
{
    const QString file = Prompter::instance().openFileName(graphFilter(), QString(), DataDir::path());
    if (file.isEmpty())
        return;
    if (isGraphFile(file))
        openGraphFile(file);
    else if (const std::optional<QChar> separator = graphTextSeparator(file))
        importTextFile(file, *separator);
}

bool MainWindow::importTextFile(const QString& fileName, QChar separator)
{
    if (fileJob().running())
        return false;
    // Only a regular file is read: a device or a FIFO would never end.
    auto in = std::make_shared<QFile>();
    QString why;
    if (!openInputFile(*in, fileName, kAnySize, &why)) {
        showStatusMessage(QStringLiteral("%1 was not opened: %2").arg(fileName, why));
        return false;
    }
    struct Imported {
        ListTable table;
        ImportStop stop;
    };
    auto imported = std::make_shared<Imported>();
    const auto work = [in, separator, imported](const FileJob::Control& job) {
        imported->table = importListTable(*in, separator, job.keepGoing(), &imported->stop);
        in->close();
    };
    const auto finished = [this, fileName, imported] {
        if (imported->stop.refused()) {
            // Too large for a list, or unreadable part-way: no list that silently lacks rows.
            Prompter::instance().message(
                QStringLiteral("%1 was not opened: %2").arg(fileName, imported->stop.message()));
            return;
        }
        auto* list = new ListWindow(*this);
        list->setCaption(fileName);
        list->setTable(std::move(imported->table));
        showNewChild(list, QSize(405 + 10, 460 + 30));
        // Where a rule of the format ended reading early, say where and why.
        if (!imported->stop.message().isEmpty())
            showStatusMessage(QStringLiteral("%1: %2").arg(QFileInfo(fileName).fileName(), imported->stop.message()));
    };
    const auto showRows = [](ProgressDialog& s, std::int64_t rows) { s.setProgressText(QString::number(rows)); };
    return fileJob().start("Open Progress", "0", 0, work, finished, showRows);
}

void MainWindow::outputToGraph()
{
    if (fileJob().running())
        return;
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    auto* list = active ? qobject_cast<ListWindow*>(active->widget()) : nullptr;
    if (!list)
        return;
    auto table = std::make_shared<const ListTable>(list->table());
    if (table->rowCount() == 0 || table->cell(0, 1).isEmpty()) {
        Prompter::instance().message(kNoDataToGraph);
        return;
    }
    // The new window waits hidden, as a child of this one, until its chart is filled.
    QPointer<GraphWindow> w = new GraphWindow(*this, GraphKind::File, this);
    w->hide();
    w->setCaption(list->caption());
    struct Graphed {
        ChartModel chart;
        QString error;
        ListGraphReport report;
    };
    auto graphed = std::make_shared<Graphed>(Graphed{w->model(), {}, {}});
    const auto work = [table, graphed, locale = QLocale()](const FileJob::Control& job) {
        graphed->error = listToGraph(*table, graphed->chart, job.keepGoing(), locale, &graphed->report);
    };
    const auto finished = [this, w, graphed] {
        if (!w)
            return;
        w->chart().setModel(std::move(graphed->chart));
        showGraphWindow(*w);
        if (!graphed->error.isEmpty()) {
            Prompter::instance().message(graphed->error);
            return;
        }
        w->updateGraphStatistics();
        w->refreshChart();
        // Rows that could not be read are left out of the graph, never drawn as made-up points.
        if (!graphed->report.message().isEmpty())
            showStatusMessage(graphed->report.message());
    };
    if (!fileJob().start("Graphing Progress", "graphing.....", table->rowCount(), work, finished))
        delete w;
}

bool MainWindow::openGraphFile(const QString& fileName)
{
    ChartModel loaded;
    QString error;
    if (!loadChartState(loaded, fileName, &error)) {
        showStatusMessage(QStringLiteral("%1 was not opened: %2").arg(fileName, error));
        return false;
    }
    auto* w = new GraphWindow(*this, GraphKind::File);
    w->setCaption(fileName);
    w->chart().setModel(std::move(loaded));
    QMdiSubWindow* sub = addChild(w);
    sub->setGeometry(0, 0, m_mdi->width(), std::max(200, m_mdi->height() - 40));
    sub->show();
    w->updateGraphStatistics();
    w->refreshChart();
    return true;
}

} // namespace quedral
