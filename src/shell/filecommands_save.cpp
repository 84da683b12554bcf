// Saving: a graph window's Save and Save As (graph file, or its chart as text), the save the
// close question's Yes waits for, and a table as text, the text written on the file job's worker.
#include "shell/filecommands.h"

#include <QLocale>
#include <optional>
#include <utility>

#include "base/datadir.h"
#include "base/filefilter.h"
#include "base/filewrite.h"
#include "base/prompter.h"
#include "chart/chartmodel.h"
#include "files/graphfile.h"
#include "files/graphtext.h"
#include "graph/ui/graphwindow.h"
#include "logger/ui/dataloggercontroller.h"
#include "shell/filejob.h"
#include "widgets/opensavechoice.h"
#include "widgets/progressdialog.h"

namespace quedral {

namespace {
// The save dialog in the program's directory; a name typed without extension takes the one of
// the file type chosen in the dialog. Empty when cancelled.
QString askSaveName(const QString& filter, const QString& defaultSuffix)
{
    QString chosen;
    const QString typed = Prompter::instance().saveFileName(filter, defaultSuffix, DataDir::path(), &chosen);
    return savedFileName(typed, chosen, defaultSuffix);
}
} // namespace

bool FileCommands::saveCommand(GraphWindow& window)
{
    if (m_job->running())
        return false; // one file job at a time
    if (window.kind() != GraphKind::DataLogger)
        return saveGraphFileAs(window);
    OpenSaveChoice choice(&m_links.window);
    choice.setWindowTitle("Save File");
    switch (OpenSaveChoice::runModal(choice)) {
    case OpenSaveChoice::mrCollection:
        return m_links.dataLogger.saveCollectionFile();
    case OpenSaveChoice::mrSingle:
        return saveGraphFileAs(window);
    default:
        return false;
    }
}

bool FileCommands::saveBeforeClose(GraphWindow& window)
{
    if (!saveCommand(window))
        return false;
    if (!m_job->running())
        return true; // written already
    // The export is still being written: the window waits for its outcome.
    m_closeAfterSave = &window;
    return false;
}

void FileCommands::saveForCloseFinished(bool whole)
{
    GraphWindow* window = std::exchange(m_closeAfterSave, nullptr).data();
    if (!window || !whole)
        return;
    window->markSaved();
    GraphWindow::closeOwnedWindow(*window);
}

bool FileCommands::saveGraphFileAs(GraphWindow& window)
{
    // Without a start the chart's times are counted from the day-count origin: no file may
    // carry them as dates.
    if (window.kind() == GraphKind::DataLogger) {
        if (const int n = m_links.dataLogger.shownSetWithoutStart(); n >= 0) {
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

bool FileCommands::exportText(const QString& fileName, int last, TextWriter write)
{
    if (m_job->running())
        return false;
    std::optional<TextRange> range;
    {
        ProgressDialog dialog(&m_links.window);
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
    return m_job->start("Saving Progress", "saving.....", range->to - range->from + 1, work, finished);
}

bool FileCommands::exportGraphText(const ChartModel& chart, const QString& fileName, QChar separator)
{
    // The worker writes from its own copy: the window may close meanwhile.
    auto copy = std::make_shared<const ChartModel>(chart);
    return exportText(fileName, chart.points(),
                      [copy, separator, locale = QLocale()](QIODevice& out, TextRange range, const KeepGoing& keepGoing) {
                          writeGraphText(out, *copy, range, separator, keepGoing, locale);
                      });
}

bool FileCommands::exportGridText(const std::function<QString(int, int)>& cell, int rows, int lastColumn)
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

} // namespace quedral
