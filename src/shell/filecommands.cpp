// The file commands by the active window (File > Open, Save and Print) and what the others share.
#include "shell/filecommands.h"

#include <QFileInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <optional>
#include <vector>

#include "files/textfiles.h"
#include "graph/listgraph.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/listwindow.h"
#include "leq/ui/leqwindow.h"
#include "logger/ui/dataloggercontroller.h"
#include "logger/ui/gridprinter.h"
#include "shell/filejob.h"
#include "shell/readingpresenter.h"
#include "shell/windowmanager.h"
#include "widgets/opensavechoice.h"

namespace quedral {

FileCommands::FileCommands(Links links) : m_links(links), m_job(std::make_unique<FileJob>(&links.window)) {}

FileCommands::~FileCommands() = default;

void FileCommands::abandon() { m_job->abandon(); }

void FileCommands::showStatusMessage(const QString& text) { m_links.readings.showMessage(text); }

QWidget* FileCommands::activeWindow() const
{
    QMdiSubWindow* active = m_links.windows.area().activeSubWindow();
    return active ? active->widget() : nullptr;
}

namespace {
bool decimalComma() { return QLocale().decimalPoint() == QStringLiteral(","); }
} // namespace

QString FileCommands::graphFilter()
{
    return decimalComma() ? "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"
                          : "Graph file(*.ghf,only for KV4471)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT|"
                            "EXCEL file format(*.CSV,seperated by comma)|*.CSV";
}

QString FileCommands::tableFilter()
{
    return decimalComma() ? " TXT file(*.txt,data seperated by tab)|*.TXT"
                          : "TXT file(*.txt,data seperated by tab)|*.TXT|EXCEL file format(*.csv,seperated by comma) |*.CSV";
}

bool FileCommands::isGraphFile(const QString& fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("ghf"), Qt::CaseInsensitive) == 0;
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
    const GraphHost::TableText copy = GraphHost::TableText::copyOf(table->rows, table->columns, table->cell);
    return GridText{copy.rows, copy.columns, copy.cell};
}
} // namespace

void FileCommands::saveActiveWindow()
{
    QWidget* active = activeWindow();
    if (!active)
        return;
    if (m_job->running())
        return; // one file job at a time
    if (const std::optional<GridText> table = tableCopyOf(active)) {
        // The data rows, every column after the row number.
        exportGridText(table->cell, table->rows - 1, table->columns - 1);
    } else if (auto* graph = qobject_cast<GraphWindow*>(active)) {
        saveCommand(*graph);
    }
}

void FileCommands::saveTable(const GraphHost::TableText& table)
{
    if (m_job->running())
        return; // one file job at a time
    exportGridText(table.cell, table.rows - 1, table.columns - 1);
}

void FileCommands::printTable(const GraphHost::TableText& table)
{
    // The printout leaves a grid's last column out (the list and Leq windows keep one they do
    // not print); this table prints whole, so it is given one more, empty, column.
    printGridDialog(GridText{table.rows, table.columns + 1, table.cell}, &m_links.window);
}

void FileCommands::printActiveWindow()
{
    QWidget* active = activeWindow();
    if (!active)
        return;
    if (const std::optional<GridText> table = tableOf(active))
        printGridDialog(*table, &m_links.window);
    else if (auto* graph = qobject_cast<GraphWindow*>(active))
        graph->printChart();
}

void FileCommands::openFile()
{
    if (m_job->running())
        return;
    OpenSaveChoice choice(&m_links.window);
    choice.setWindowTitle("Open File");
    choice.useOpenCaptions();
    switch (OpenSaveChoice::runModal(choice)) {
    case OpenSaveChoice::mrCollection:
        m_links.dataLogger.openCollectionFile();
        break;
    case OpenSaveChoice::mrSingle:
        openSingleFile();
        break;
    default:
        break;
    }
}

} // namespace quedral
