#include "logger/ui/dataloggercontroller.h"
#include "logger/ui/datasetgrid.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QTimeEdit>
#include <QFile>

#include "base/clock.h"
#include "base/datadir.h"
#include "base/datetime.h"
#include "base/prompter.h"
#include "files/collectionfile.h"
#include "widgets/progressdialog.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "chart/ui/chartwidget.h"
#include "graph/ui/graphhost.h"
#include "graph/ui/datetimedialog.h"
#include "graph/ui/graphwindow.h"
#include "logger/datasetchart.h"
#include "meter/frames.h"
#include "meter/meterworker.h"

namespace quedral {

DataLoggerController::DataLoggerController(DataLoggerHost& host) : m_host(host) {}

DataLoggerController::~DataLoggerController()
{
    cancelDownload();
    closeProgress();
}

GraphWindow* DataLoggerController::window() const
{
    return m_host.graphHost().graphState().DataLoggerWindow.data();
}

GraphWindow* DataLoggerController::prepareWindow()
{
    if (GraphWindow* w = window()) {
        m_host.graphHost().restoreGraphWindow(*w);
        return w;
    }
    GraphState& st = m_host.graphHost().graphState();
    auto* w = new GraphWindow(m_host.graphHost(), GraphKind::DataLogger);
    auto* grid = new DataSetGrid(w);
    connect(grid, &DataSetGrid::dataSetChosen, this, [this](int n) { chooseDataSet(n); });
    connect(grid, &DataSetGrid::startChangeRequested, this, [this](int n) { askDataSetStart(n); });
    w->setSidePanel(grid);
    st.DataLoggerWindow = w;
    const double now = toDays(Clock::instance().now());
    newChart(w->model(), 1, 500, now, now + 500 * kSecondInDays, 30, 130);
    w->model().allowGraphAnnotHotSpots = true;
    m_host.showDataLoggerWindow(*w);
    w->refreshChart();
    return w;
}

DataSetGrid* DataLoggerController::dataSets() const
{
    const GraphWindow* w = window();
    return w ? qobject_cast<DataSetGrid*>(w->sidePanel()) : nullptr;
}

ProgressDialog* DataLoggerController::progressWindow() const { return m_progress.data(); }

// ---------------------------------------------------------------------------
// Load Data

void DataLoggerController::loadData()
{
    if (m_downloading)
        return;
    if (!m_host.graphHost().connected()) {
        Prompter::instance().message(Msg::NoConnection);
        return;
    }
    if (m_host.meterRecording()) {
        Prompter::instance().message(Msg::RecordingLoad);
        return;
    }
    // An open window comes to the front now; a new one only once data sets have arrived, so a
    // cancelled or failed load leaves no empty window behind.
    if (GraphWindow* w = window())
        m_host.graphHost().restoreGraphWindow(*w);

    m_downloading = true;
    m_host.setLoggerCommandsEnabled(false);
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    // The transfer runs on the meter thread with the poll stopped until its outcome has been
    // dealt with here (and 'Q' sent after a failure).
    m_host.meter().run(
        this, PollPolicy::PauseUntilDone,
        [this, cancel = m_cancel](MeterJob& job) {
            // Closing ends the transfer after the current block, as Cancel does.
            auto stopWhenAsked = [&job, cancel] {
                if (job.session.stopRequested())
                    cancel->store(true);
            };
            DownloadProgress progress;
            progress.cancel = cancel.get();
            progress.started = [this, &job, stopWhenAsked](int total) {
                job.toReceiver([this, total] { downloadStarted(total); });
                stopWhenAsked();
            };
            progress.received = [this, &job, stopWhenAsked](int received) {
                job.toReceiver([this, received] { downloadProgress(received); });
                stopWhenAsked();
            };
            return downloadMemory(job.session.link(), progress);
        },
        [this](const DownloadResult& result) { return downloadDone(result); });
}

void DataLoggerController::downloadStarted(int total)
{
    closeProgress();
    auto* scope = new ProgressDialog(QApplication::activeWindow());
    scope->setAttribute(Qt::WA_DeleteOnClose);
    scope->setWindowTitle("Data Retriving Progress");
    scope->showByteCounts(total);
    connect(scope, &ProgressDialog::cancelPressed, this, &DataLoggerController::cancelDownload);
    m_progress = scope;
    scope->show();
}

void DataLoggerController::downloadProgress(int received)
{
    if (m_progress)
        m_progress->setBytesReceived(received);
}

void DataLoggerController::cancelDownload()
{
    if (m_cancel)
        m_cancel->store(true);
}

void DataLoggerController::closeProgress()
{
    if (m_progress)
        m_progress->close();
    m_progress = nullptr;
}

FollowUp DataLoggerController::downloadDone(const DownloadResult& result)
{
    closeProgress();
    m_downloading = false;
    m_cancel.reset();
    m_host.setLoggerCommandsEnabled(true);

    int code = result.code;
    if (code == DownloadCode::Cancelled) {
        m_host.showStatusMessage("Download cancelled: nothing was loaded");
        emit loadFinished(code);
        return {};
    }
    if (code == DownloadCode::Ok)
        code = takeImage(result.image, result.lastAddress);

    const LoadOutcome outcome = loadOutcome(code);
    if (outcome.accepted)
        m_host.graphHost().graphState().DataLoggerUnsaved = true;
    // What went wrong, and where: the garbled bytes of a transfer, or the damaged data sets of
    // a decode (which are shown all the same).
    QString text = outcome.message;
    const QString detail = code == DownloadCode::Garbled ? downloadProblemsText(result, kShownProblems)
                                                         : damagedDataSetsWarning(code);
    if (!detail.isEmpty())
        text = text.isEmpty() ? detail : text + "\n\n" + detail;
    if (!text.isEmpty())
        Prompter::instance().message(text);
    emit loadFinished(code);
    // With the poll still stopped: after a failure 'Q' goes first.
    if (!outcome.recover)
        return {};
    return [](MeterSession& session) { recoverAfterFailedDownload(session.link()); };
}

int DataLoggerController::takeImage(const QByteArray& image, int lastAddress)
{
    DecodeResult decoded = decodeMemoryImage(image, lastAddress);
    if (!decoded.store)
        return decoded.code;
    m_decode = std::move(decoded);
    GraphWindow* w = window() ? window() : prepareWindow();
    if (w) {
        std::vector<QStringList> rows;
        rows.reserve(store().size());
        for (int n = 0; n < store().size(); ++n)
            rows.push_back(dataSetRow(m_decode, n));
        if (DataSetGrid* grid = dataSets())
            grid->setRows(rows);
    }
    QString error;
    if (!writeWorkingCopy(image, lastAddress, &error)) {
        // A stale copy must not be saved in place of these data sets.
        QFile::remove(workingCopyFile());
        Prompter::instance().message(QStringLiteral("The data sets could not be kept in %1: %2")
                                         .arg(QDir::toNativeSeparators(workingCopyFile()), error));
    }
    if (w) {
        drawDataSet(0);
        w->resetCursors();
    }
    return m_decode.code;
}

QString DataLoggerController::damagedDataSetsWarning(int code) const
{
    if (!isDamagedDecode(code) || m_decode.code != code)
        return {};
    QString text = QStringLiteral("Some data sets are damaged and are shown as far as they could be read:\n")
                   + decodeProblemsText(m_decode, kShownProblems);
    const DataSetStore& s = store();
    for (int n = 0; n < s.size(); ++n) {
        if (!s.startReadable(n)) {
            text += QStringLiteral("\nA set whose start is unreadable is drawn from 00:00:00 (the time since its "
                                   "first sample); \"Change Date & Time\" on its row gives it its start.");
            break;
        }
    }
    return text;
}

const DataSetStore& DataLoggerController::store() const
{
    static const DataSetStore empty;
    return m_decode.store ? *m_decode.store : empty;
}

// ---------------------------------------------------------------------------
// Showing a data set

int DataLoggerController::shownSetWithoutStart() const
{
    if (!window() || m_shownSet < 0 || m_shownSet >= store().size())
        return -1;
    return store().info(m_shownSet).startReadable() ? -1 : m_shownSet;
}

void DataLoggerController::drawDataSet(int n)
{
    GraphWindow* w = window();
    if (!w || n < 0 || n >= store().size())
        return;
    const DataSetInfo set = store().info(n);
    ChartModel& chart = w->model();
    putDataSet(chart, store(), n);
    m_shownSet = n;

    w->clearStatisticBoxes();
    if (set.startReadable())
        w->showRecordingStart(set.start);
    else
        w->showRecordingStart(QStringLiteral("unreadable"));
    w->showSamplingRate(QString::number(set.interval));
    w->showDataCount(set.count);
    if (set.count > 0) {
        w->showMaximum(chart.yData(0, set.maxIndex), chart.xDataII(0, set.maxIndex));
        w->showMinimum(chart.yData(0, set.minIndex), chart.xDataII(0, set.minIndex));
    }
    w->showAverage(set.average);
    w->refreshChart();
}

void DataLoggerController::chooseDataSet(int n)
{
    GraphWindow* w = window();
    if (!w)
        return;
    drawDataSet(n);
    w->resetCursors();
    w->resetViewForNewData();
}

void DataLoggerController::askDataSetStart(int n)
{
    GraphWindow* w = window();
    if (!w || !m_decode.store || n < 0 || n >= store().size())
        return;
    DateTimeDialog dialog(w);
    const QDateTime now = Clock::instance().now();
    dialog.DatePicker->setDate(now.date());
    dialog.TimePicker->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    if (DateTimeDialog::runModal(dialog) != QDialog::Accepted)
        return;
    m_decode.store->setStartTime(n, toDays(dialog.DatePicker->date(), dialog.TimePicker->time()));
    // The row's date and time as the table writes them.
    const QStringList row = dataSetRow(m_decode, n);
    if (DataSetGrid* grid = dataSets())
        grid->setStartTexts(n, row[1], row[2]);
    drawDataSet(n);
    w->resetCursors();
}

// ---------------------------------------------------------------------------
// Erase

void DataLoggerController::eraseMemory()
{
    if (m_host.meterRecording()) {
        Prompter::instance().message(Msg::RecordingErase);
        return;
    }
    if (Prompter::instance().ask("Are you sure to erase memory ?", Buttons::YesNo) == Answer::No)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_host.setLoggerCommandsEnabled(false);
    m_host.meter().run(
        this, PollPolicy::Pause, [](MeterJob& job) { return eraseMeterMemory(job.session.link()); },
        [this](int code) {
            QApplication::restoreOverrideCursor();
            m_host.setLoggerCommandsEnabled(true);
            const QString text = eraseMessage(code);
            if (!text.isEmpty())
                Prompter::instance().message(text);
            emit eraseFinished(code);
        });
}

// ---------------------------------------------------------------------------
// Collection files

void DataLoggerController::openCollectionFile()
{
    // An open DataLogger window comes forward; a new one opens only once data sets are read,
    // so a cancelled dialog or a file without data leaves no empty window behind.
    if (GraphWindow* open = window())
        m_host.graphHost().restoreGraphWindow(*open);
    const QString file = Prompter::instance().openFileName("Data Sets Collection (*.REC)|*.REC", "REC", DataDir::path());
    if (file.isEmpty())
        return;
    QByteArray image;
    QString error;
    if (!readCollectionFile(file, image, &error)) {
        Prompter::instance().message(
            QStringLiteral("%1 could not be opened: %2").arg(QDir::toNativeSeparators(file), error));
        return;
    }
    const int code = takeImage(image, lastAddressOf(image));
    if (!replacesDataSets(code))
        return;
    if (const QString warning = damagedDataSetsWarning(code); !warning.isEmpty())
        Prompter::instance().message(warning);
    if (GraphWindow* w = window()) {
        w->resetViewForNewData();
        w->refreshChart();
    }
}

bool DataLoggerController::saveCollectionFile()
{
    const QString file = Prompter::instance().saveFileName(
        "Data Set Collection file(*.rec,only for KV4471)|*.REC", "REC", DataDir::path(), nullptr);
    if (file.isEmpty())
        return false;
    QString error;
    if (!quedral::saveCollectionFile(file, &error)) {
        m_host.showStatusMessage(QStringLiteral("Not saved: %1").arg(error));
        return false;
    }
    m_host.graphHost().graphState().DataLoggerUnsaved = false;
    return true;
}

} // namespace quedral
