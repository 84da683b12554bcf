// File > "Export report...": the active graph window's evidence report, its figures from the
// window's samples and the noise statistics' event settings, written as a PDF on the worker.
#include "shell/filecommands.h"

#include <QFileInfo>
#include <QWidget>

#include <qcustomplot.h>

#include "base/clock.h"
#include "base/datadir.h"
#include "base/prompter.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartwidget.h"
#include "files/collectionfile.h"
#include "graph/ui/graphwindow.h"
#include "graph/ui/noisepanel.h"
#include "logger/ui/dataloggercontroller.h"
#include "report/evidencereport.h"
#include "shell/filejob.h"
#include "stats/noisestats.h"

#include <algorithm>

namespace quedral {

namespace {

// The chart as the window shows it, drawn at 1.6 times its size so that it prints sharp with
// its texts readable.
QImage chartPicture(GraphWindow& window)
{
    return window.chart().plot()->toPixmap(1000, 500, 1.6).toImage();
}

// What the report shows of a graph window; the source is the file its data came from: the
// collection downloaded or opened (its working copy), the graph file it was opened from, or
// else the graph as it would be saved.
ReportInput reportInputOf(GraphWindow& window, const DataLoggerController& logger, const QString& serial)
{
    ReportInput in;
    in.caption = window.caption();
    in.madeAt = Clock::instance().now();
    setReportSamples(in, window.noisePanel().series()); // a running recording: the points taken so far
    in.chart = chartPicture(window);
    if (const auto ab = window.cursorLineSamples())
        in.cursors = std::pair(window.model().xDataII(0, ab->first), window.model().xDataII(0, ab->second));
    in.events = ReportEventCriteria{window.noisePanel().threshold(), window.noisePanel().minimumDuration()};

    const int shown = logger.shownSet();
    if (window.kind() == GraphKind::DataLogger && shown >= 0 && shown < logger.store().size()) {
        ReportMeterInfo info = reportMeterInfoOf(logger.store().info(shown), shown + 1);
        info.serialNumber = serial;
        in.meter = info;
        in.interval = info.interval;
        in.source = ReportSource{QStringLiteral("the downloaded collection (%1)").arg(QFileInfo(workingCopyFile()).fileName()),
                                 {}, workingCopyFile()};
        return in;
    }
    if (FileCommands::isGraphFile(window.caption()) && QFileInfo::exists(window.caption()))
        in.source = ReportSource{QFileInfo(window.caption()).fileName(), {}, window.caption()};
    else
        in.source = ReportSource{QStringLiteral("the graph as it would be saved (not saved to a file)"),
                                 window.model().serialize(), {}};
    if (!serial.isEmpty())
        in.meter = ReportMeterInfo{.serialNumber = serial};
    return in;
}

} // namespace

void FileCommands::exportReport()
{
    if (m_job->running())
        return; // one file job at a time
    auto* graph = qobject_cast<GraphWindow*>(activeWindow());
    if (!graph) {
        Prompter::instance().message("The report is of a graph window: make one active first.");
        return;
    }
    const auto levels = graph->model().yValues(0);
    if (std::none_of(levels.begin(), levels.end(), isCountedLevel)) {
        Prompter::instance().message("The graph holds no data to report on.");
        return;
    }
    const QString file = Prompter::instance().saveFileName("PDF files (*.pdf)", "pdf", DataDir::path(), nullptr);
    if (file.isEmpty())
        return;
    auto input = std::make_shared<const ReportInput>(reportInputOf(*graph, m_links.dataLogger, m_serialNumber));
    auto error = std::make_shared<QString>();
    const auto work = [input, file, error](const FileJob::Control&) { *error = writeEvidenceReport(*input, file); };
    const auto finished = [this, file, error] {
        if (!error->isEmpty()) {
            Prompter::instance().message(QStringLiteral("The report was not written: %1").arg(*error));
            return;
        }
        showStatusMessage(QStringLiteral("Report written to %1").arg(file));
    };
    m_job->start("Report", "writing the report.....", 1, work, finished);
}

} // namespace quedral
