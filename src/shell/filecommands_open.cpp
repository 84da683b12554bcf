// Opening: a graph file in a new graph window, a text or CSV file read into a new list window on
// the file job's worker, and "Output Tabular to graph" (a list window's rows as a new graph).
#include "shell/filecommands.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMdiSubWindow>
#include <optional>

#include "base/datadir.h"
#include "base/filefilter.h"
#include "base/inputfile.h"
#include "base/prompter.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartwidget.h"
#include "files/graphfile.h"
#include "files/graphtext.h"
#include "graph/listgraph.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/listwindow.h"
#include "meter/frames.h"
#include "shell/filejob.h"
#include "shell/windowmanager.h"
#include "widgets/progressdialog.h"

namespace quedral {

void FileCommands::openSingleFile()
{
    const QString file = Prompter::instance().openFileName(graphFilter(), QString(), DataDir::path());
    if (file.isEmpty())
        return;
    if (isGraphFile(file))
        openGraphFile(file);
    else if (const std::optional<QChar> separator = graphTextSeparator(file))
        importTextFile(file, *separator);
}

bool FileCommands::openGraphFile(const QString& fileName)
{
    ChartModel loaded;
    QString error;
    if (!loadChartState(loaded, fileName, &error)) {
        showStatusMessage(QStringLiteral("%1 was not opened: %2").arg(fileName, error));
        return false;
    }
    auto* w = new GraphWindow(m_links.graphs, GraphKind::File);
    w->setCaption(fileName);
    w->chart().setModel(std::move(loaded));
    m_links.windows.showAtTop(w, 40);
    w->updateGraphStatistics();
    w->refreshChart();
    return true;
}

bool FileCommands::importTextFile(const QString& fileName, QChar separator)
{
    if (m_job->running())
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
        auto* list = new ListWindow(m_links.graphs);
        list->setCaption(fileName);
        list->setTable(std::move(imported->table));
        m_links.windows.showNewChild(list, QSize(405 + 10, 460 + 30));
        // Where a rule of the format ended reading early, say where and why.
        if (!imported->stop.message().isEmpty())
            showStatusMessage(QStringLiteral("%1: %2").arg(QFileInfo(fileName).fileName(), imported->stop.message()));
    };
    const auto showRows = [](ProgressDialog& s, std::int64_t rows) { s.setProgressText(QString::number(rows)); };
    return m_job->start("Open Progress", "0", 0, work, finished, showRows);
}

void FileCommands::outputToGraph()
{
    if (m_job->running())
        return;
    auto* list = qobject_cast<ListWindow*>(activeWindow());
    if (!list)
        return;
    auto table = std::make_shared<const ListTable>(list->table());
    if (table->rowCount() == 0 || table->cell(0, 1).isEmpty()) {
        Prompter::instance().message(kNoDataToGraph);
        return;
    }
    // The new window waits hidden, as a child of the main window, until its chart is filled.
    QPointer<GraphWindow> w = new GraphWindow(m_links.graphs, GraphKind::File, &m_links.window);
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
        m_links.graphs.showGraphWindow(*w);
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
    if (!m_job->start("Graphing Progress", "graphing.....", table->rowCount(), work, finished))
        delete w;
}

} // namespace quedral
