// The data logger's commands in the main window, on the simulated meter: Load Data with its
// progress window, the data set table, row clicks, failures, cancelling, collection files and
// erasing.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <thread>

#include "files/collectionfile.h"
#include "widgets/opensavechoice.h"
#include "widgets/progressdialog.h"
#include "chart/chartmodel.h"
#include "chart/ui/chartwidget.h"
#include "base/datetime.h"
#include "graph/ui/datetimedialog.h"
#include "graph/ui/graphwindow.h"
#include <QDateEdit>
#include <QTimeEdit>
#include "logger/ui/dataloggercontroller.h"
#include "logger/ui/datasetgrid.h"
#include "meter/simulator/simulatedmemory.h"
#include "support/heldtransport.h"
#include "../shell/mainwindowfixture.h"

using namespace quedral;

namespace {

class DataLoggerWindowTest : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        test::MainWindowTest::SetUp();
        OpenSaveChoice::setRunner([this](OpenSaveChoice&) { return choice; });
    }
    void TearDown() override
    {
        OpenSaveChoice::setRunner({});
        test::MainWindowTest::TearDown();
    }
    DataLoggerController& logger() { return main->dataLogger(); }
    // Load Data, then wait until it has ended; its code.
    int load()
    {
        QSignalSpy done(&logger(), &DataLoggerController::loadFinished);
        logger().loadData();
        if (!done.wait(20000))
            return -1000;
        return done.first().first().toInt();
    }
    QByteArray readFile(const QString& name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList lettersWritten() const
    {
        QStringList letters;
        for (const TransportCall& c : sim->calls())
            if (c.name == "usbWrite" && c.bytes.size() == 7)
                letters << QString(QChar(c.bytes[1]));
        return letters;
    }

    int choice = OpenSaveChoice::mrCancel;
};

TEST_F(DataLoggerWindowTest, LoadDataShowsTheSetsAndKeepsTheWorkingCopy)
{
    logger().loadData();
    EXPECT_EQ(prompts.messages, QStringList({"There is no connection with meter !"}));
    EXPECT_EQ(logger().window(), nullptr);

    poll();
    ASSERT_EQ(load(), 0);
    GraphWindow* w = logger().window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->caption(), "DataLogger");
    ASSERT_EQ(logger().dataSets()->rowCount(), 4);
    EXPECT_EQ(logger().dataSets()->rowTexts(1).mid(2), QStringList({"09:00:00", "00:02", "900", "dBA", "SLOW", "30-130", "WAV00012"}));
    EXPECT_EQ(w->chart().points(), 120) << "set 1 shown";
    EXPECT_EQ(w->statisticTexts().dataNo, "120");
    EXPECT_TRUE(main->state().DataLoggerUnsaved);

    const QByteArray memory = sim->meter().state().memory;
    const int last = lastAddressOf(memory);
    const QByteArray copy = readFile(workingCopyFile());
    ASSERT_EQ(copy.size(), last + 257);
    EXPECT_EQ(copy.left(memory.size()), memory);
    EXPECT_EQ(copy.mid(memory.size()), QByteArray(copy.size() - memory.size(), '\0'));
    EXPECT_EQ(lettersWritten().filter("q").size(), 1);

    // A row click shows that set.
    logger().dataSets()->clickRow(2);
    EXPECT_EQ(w->chart().points(), 480);
    EXPECT_EQ(w->statisticTexts().dataNo, "480");
}

TEST_F(DataLoggerWindowTest, WindowHoldsItsGridAndARowClickStartsAFreshView)
{
    poll();
    ASSERT_EQ(load(), 0);
    GraphWindow* w = logger().window();
    ASSERT_NE(w, nullptr);
    // The grid is the window's side panel, shown.
    auto* panel = w->findChild<QWidget*>("pnlDataSets");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel, logger().dataSets());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_NE(w->findChild<QWidget*>("grdDataSets"), nullptr);

    // A row click shows the set with its cursors reset and the zoom undone.
    w->onZoomedIn();
    auto* undoZoom = w->findChild<QAction*>("actUndoZoom");
    ASSERT_TRUE(undoZoom->isEnabled());
    main->graphUnit().CursorAIndex = 7;
    logger().dataSets()->clickRow(2);
    EXPECT_EQ(w->chart().points(), 480);
    EXPECT_EQ(main->graphUnit().CursorAIndex, 160);
    EXPECT_FALSE(undoZoom->isEnabled());
}

TEST_F(DataLoggerWindowTest, ProgressWindowFollowsTheBlocksWhileTheWindowsStayLive)
{
    poll();
    sim->faults.delayMsPerExchange = 5; // on the system clock: about a second for the memory
    QSignalSpy done(&logger(), &DataLoggerController::loadFinished);
    logger().loadData();
    QElapsedTimer waited;
    waited.start();
    int seenBetween = 0;
    while (done.isEmpty() && waited.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        if (ProgressDialog* p = logger().progressWindow()) {
            EXPECT_EQ(p->windowTitle(), "Data Retriving Progress");
            if (p->bytesReceived() > 0 && p->bytesReceived() < p->totalBytes())
                ++seenBetween;
        }
    }
    ASSERT_EQ(done.size(), 1);
    EXPECT_EQ(done.first().first().toInt(), 0);
    EXPECT_GT(seenBetween, 3) << "the bar moved while the blocks arrived";
    EXPECT_EQ(logger().progressWindow(), nullptr);
}

TEST_F(DataLoggerWindowTest, RecordingMeterAndFailuresAreReported)
{
    poll();
    sim->meter().handleCommand({0x02, 'R', 0, 0, 0, 0, 0x03}); // REC on
    poll();
    logger().loadData();
    EXPECT_EQ(prompts.messages.value(0), "The meter is recording data, please stop recording before loading data.");
    sim->meter().handleCommand({0x02, 'R', 0, 0, 0, 0, 0x03});
    poll();

    // The meter falls silent at the third block: 96 bytes in, far more to come.
    prompts.messages.clear();
    sim->clearCalls();
    sim->faults.silentAfterExchanges = sim->exchanges() + 3;
    EXPECT_EQ(load(), 126);
    EXPECT_EQ(prompts.messages, QStringList({"There was error,please try again!   error code=126"}));
    // 'Q' follows the failure on the meter thread.
    poll();
    EXPECT_TRUE(lettersWritten().contains("Q"));
    EXPECT_EQ(logger().window(), nullptr) << "no empty DataLogger window";
    EXPECT_FALSE(QFile::exists(workingCopyFile()));
}

// The meter thread stopped (the main window closing) while 'P' is answered: the download
// ends at the next block instead of holding the thread for the whole memory.
class DataLoggerStopTest : public DataLoggerWindowTest {
protected:
    std::unique_ptr<Transport> wrapTransport(std::unique_ptr<SimulatedTransport> t) override
    {
        auto h = std::make_unique<test::HeldTransport>(std::move(t));
        held = h.get();
        return h;
    }
    test::HeldTransport* held = nullptr;
};

TEST_F(DataLoggerStopTest, StoppingTheMeterThreadEndsADownloadAtTheNextBlock)
{
    poll();
    sim->clearCalls();
    held->holdNextRead = true;
    QSignalSpy done(&logger(), &DataLoggerController::loadFinished);
    logger().loadData();
    ASSERT_TRUE(held->entered.tryAcquire(1, 10000)) << "the download never reached the reply to 'P'";
    std::thread releaser([this] {
        while (!main->meter().stopRequested())
            std::this_thread::yield();
        held->release.release();
    });
    main->meter().stop();
    releaser.join();
    EXPECT_FALSE(main->meter().isRunning());
    EXPECT_EQ(lettersWritten(), QStringList({"P", "q"})) << "no block is asked for after the stop";
    ASSERT_TRUE(done.count() == 1 || done.wait(10000));
    EXPECT_EQ(done.first().first().toInt(), DownloadCode::Cancelled);
}

TEST_F(DataLoggerWindowTest, AFirstLoadThatBringsNoDataLeavesNoEmptyWindow)
{
    poll();
    auto graphWindows = [this] {
        int n = 0;
        for (QMdiSubWindow* sub : main->mdiArea()->subWindowList())
            n += qobject_cast<GraphWindow*>(sub->widget()) != nullptr;
        return n;
    };
    const int before = graphWindows();
    struct Case {
        const char* what;
        std::function<void()> arrange;
        bool cancel;
        int code;
    };
    const Case cases[] = {
        // The 'P' exchange takes 50 ms: the Cancel lands before the first block.
        {"cancelled", [this] { sim->faults.delayMsPerExchange = 50; }, true, DownloadCode::Cancelled},
        {"failed", [this] { sim->faults.silentAfterExchanges = sim->exchanges() + 3; }, false, 126},
        {"no data in the meter", [this] { sim->meter().setMemory({}); }, false, 31},
    };
    for (const Case& c : cases) {
        c.arrange();
        QSignalSpy done(&logger(), &DataLoggerController::loadFinished);
        logger().loadData();
        if (c.cancel)
            logger().cancelDownload();
        ASSERT_TRUE(done.wait(20000)) << c.what;
        EXPECT_EQ(done.first().first().toInt(), c.code) << c.what;
        EXPECT_EQ(logger().window(), nullptr) << c.what;
        EXPECT_EQ(graphWindows(), before) << c.what;
        sim->faults = {};
        poll(); // the 'Q' after a failure goes out first
        if (!main->connected())
            poll();
    }

    // The next good load makes the window.
    sim->meter().update([](SimulatedMeter::State& st) { st.memory = SimulatedMeter::defaultMemory(); });
    ASSERT_EQ(load(), 0);
    ASSERT_NE(logger().window(), nullptr);
    EXPECT_GT(logger().dataSets()->rowCount(), 0);
}

TEST_F(DataLoggerWindowTest, CancelKeepsWhatWasThere)
{
    poll();
    ASSERT_EQ(load(), 0);
    const QByteArray before = readFile(workingCopyFile());
    sim->meter().setMemory(fullMemoryLoggedSets());
    sim->faults.delayMsPerExchange = 2;
    sim->clearCalls();

    QSignalSpy done(&logger(), &DataLoggerController::loadFinished);
    logger().loadData();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        ProgressDialog* p = logger().progressWindow();
        if (p && p->bytesReceived() >= 320) {
            p->findChild<QPushButton*>("btnCancel")->click();
            break;
        }
    }
    ASSERT_TRUE(done.wait(20000));
    EXPECT_EQ(done.first().first().toInt(), DownloadCode::Cancelled);
    EXPECT_EQ(lettersWritten().last(), "q");
    EXPECT_LT(lettersWritten().count("p"), 8191);
    EXPECT_EQ(logger().dataSets()->rowCount(), 4) << "the earlier sets stay";
    EXPECT_EQ(readFile(workingCopyFile()), before);
    EXPECT_TRUE(main->readings().messageLabel().text().contains("cancelled"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DataLoggerWindowTest, CollectionSavesNeverReplaceAndReopenByteForByte)
{
    poll();
    ASSERT_EQ(load(), 0);
    const QByteArray copy = readFile(workingCopyFile());

    // Save with the DataLogger window active: the choice, then the collection.
    choice = OpenSaveChoice::mrCollection;
    const QString first = data.file("first.rec");
    prompts.fileNames = {first};
    main->mdiArea()->setActiveSubWindow(main->frameOf(logger().window()));
    main->files().saveActiveWindow();
    EXPECT_EQ(readFile(first), copy);
    EXPECT_FALSE(main->state().DataLoggerUnsaved);

    // Onto an existing file: refused, the file unchanged.
    QFile::remove(workingCopyFile());
    sim->meter().setMemory({LoggedSet{QDateTime(QDate(2026, 5, 5), QTime(5, 5, 5)), 1, 0x0F, "00000000", {700}}});
    ASSERT_EQ(load(), 0);
    prompts.fileNames = {first};
    main->files().saveActiveWindow();
    EXPECT_EQ(readFile(first), copy);
    EXPECT_TRUE(main->readings().messageLabel().text().contains("already exists"));

    // Reopen the first collection without the meter, save it again: the same bytes.
    sim->unplug();
    prompts.fileNames = {first};
    logger().openCollectionFile();
    EXPECT_EQ(logger().dataSets()->rowCount(), 4);
    EXPECT_EQ(readFile(workingCopyFile()), copy);
    const QString second = data.file("second.rec");
    prompts.fileNames = {second};
    main->files().saveActiveWindow();
    EXPECT_EQ(readFile(second), copy);
}

TEST_F(DataLoggerWindowTest, ClosingKeepsTheWindowWhenTheCollectionSaveIsCancelled)
{
    poll();
    ASSERT_EQ(load(), 0);
    // "Save DataLogger Data ?" Yes, the collection, then the file dialog is cancelled.
    prompts.answers = {Answer::Yes};
    choice = OpenSaveChoice::mrCollection;
    prompts.fileNames.clear();
    EXPECT_FALSE(main->frameOf(logger().window())->close());
    ASSERT_NE(logger().window(), nullptr) << "the unsaved data sets stay";
    EXPECT_TRUE(main->state().DataLoggerUnsaved);
}

TEST_F(DataLoggerWindowTest, OpeningAFileWithoutDataSetsChangesNothing)
{
    const QString empty = data.file("empty.rec");
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(encodeMemoryImage({}));
    }
    prompts.fileNames = {empty};
    logger().openCollectionFile();
    EXPECT_EQ(logger().window(), nullptr) << "no empty DataLogger window";
    EXPECT_FALSE(QFile::exists(workingCopyFile()));
    EXPECT_TRUE(prompts.messages.isEmpty());

    // Nor after a cancelled dialog; an unreadable file is named.
    logger().openCollectionFile();
    EXPECT_EQ(logger().window(), nullptr);
    prompts.fileNames = {data.file("missing.rec")};
    logger().openCollectionFile();
    EXPECT_EQ(logger().window(), nullptr);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith(data.file("missing.rec") + " could not be opened: "));
}

TEST_F(DataLoggerWindowTest, ChangingAStartMovesOnlyThatSet)
{
    poll();
    ASSERT_EQ(load(), 0);
    GraphWindow* w = logger().window();
    const DataSetStore before = logger().store();
    const QByteArray copy = readFile(workingCopyFile());

    // Cancel changes nothing.
    DateTimeDialog::setRunner([](DateTimeDialog&) { return int(QDialog::Rejected); });
    logger().dataSets()->selectRow(1);
    logger().dataSets()->changeDateTime();
    EXPECT_EQ(logger().store().SampleTimes, before.SampleTimes);

    const QDate date(2026, 1, 2);
    const QTime time(10, 20, 30);
    DateTimeDialog::setRunner([&](DateTimeDialog& d) {
        d.DatePicker->setDate(date);
        d.TimePicker->setTime(time);
        return int(QDialog::Accepted);
    });
    logger().dataSets()->changeDateTime();
    DateTimeDialog::setRunner({});
    const DataSetStore& after = logger().store();
    const double start = toDays(date, time);
    EXPECT_DOUBLE_EQ(after.info(1).start, start);
    const std::int64_t first = after.firstSample(1);
    EXPECT_DOUBLE_EQ(after.SampleTimes[first], start);
    EXPECT_DOUBLE_EQ(after.SampleTimes[first + 899], start + 899 * 2 / 86400.0);
    for (int n : {0, 2, 3}) {
        const std::int64_t f = after.firstSample(n);
        EXPECT_EQ(after.SampleTimes[f], before.SampleTimes[f]) << n;
    }
    EXPECT_EQ(logger().dataSets()->rowTexts(1).mid(1, 2), QStringList({QLocale().toString(date, QLocale::ShortFormat), "10:20:30"}));
    EXPECT_EQ(w->chart().points(), 900) << "the changed set is shown";
    EXPECT_DOUBLE_EQ(w->model().xDataII(0, 0), start);
    EXPECT_EQ(readFile(workingCopyFile()), copy) << "the working copy keeps what the meter recorded";
}

TEST_F(DataLoggerWindowTest, EraseAsksThenEmptiesTheMemory)
{
    poll();
    QSignalSpy erased(&logger(), &DataLoggerController::eraseFinished);
    prompts.answers = {Answer::No};
    logger().eraseMemory();
    QApplication::processEvents();
    EXPECT_EQ(prompts.questions, QStringList({"Are you sure to erase memory ?"}));
    EXPECT_TRUE(erased.isEmpty());

    sim->faults.alterByteIndex = 3; // the echo's 'a' differs
    prompts.answers = {Answer::Yes};
    logger().eraseMemory();
    ASSERT_TRUE(erased.wait(5000));
    EXPECT_EQ(prompts.messages.last(), "no response from device, error code=807");

    sim->faults.alterByteIndex.reset();
    prompts.answers = {Answer::Yes};
    logger().eraseMemory();
    ASSERT_TRUE(erased.wait(5000));
    EXPECT_EQ(prompts.messages.last(), "Please power off and power on meter before recording data or loading again.");

    EXPECT_EQ(load(), 31);
    EXPECT_EQ(prompts.messages.last(), "There was not any data recorded in momery of meter !");
}

} // namespace

namespace {
// Three sets of two samples: set 2's header at 256 + 30.
QByteArray threeSetImage()
{
    const QDateTime start(QDate(2026, 6, 1), QTime(7, 0, 0));
    return encodeMemoryImage({LoggedSet{start, 1, 0x0F, "00000000", {600, 700}},
                              LoggedSet{start.addSecs(3600), 2, 0x0F, "00000000", {800, 810}},
                              LoggedSet{start.addSecs(7200), 1, 0x0F, "00000000", {650, 660}}});
}
} // namespace

// A collection or a download with damaged sets: the sets are shown as far as they were read,
// and a message says which are damaged and why.
TEST_F(DataLoggerWindowTest, DamagedDataSetsAreShownWithAWarning)
{
    const QString file = data.file("damaged.rec");
    const auto writeImage = [&](const QByteArray& image) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(image);
    };
    QByteArray marker = threeSetImage();
    marker[256 + 30] = char(0x00);
    writeImage(marker);
    prompts.fileNames = {file};
    logger().openCollectionFile();
    ASSERT_NE(logger().window(), nullptr);
    EXPECT_EQ(logger().dataSets()->rowCount(), 3);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Some data sets are damaged and are shown as far as they could be read:\n"
                                               "decode code 33: damaged data sets 2\n"
                                               "data set 2: no start marker"))
        << prompts.messages[0].toStdString();

    // 31 February: the set shows without a date, and gets one from "Change Date & Time".
    QByteArray feb31 = threeSetImage();
    feb31[256 + 30 + 4] = char(0x02);
    feb31[256 + 30 + 5] = char(0x31);
    writeImage(feb31);
    prompts.messages.clear();
    prompts.fileNames = {file};
    logger().openCollectionFile();
    GraphWindow* w = logger().window();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains("decode code 35: damaged data sets 2\n"
                                             "data set 2: unreadable start date and time (header bytes 26 02 31 08 00 00)"))
        << prompts.messages[0].toStdString();
    EXPECT_TRUE(prompts.messages[0].contains("\"Change Date & Time\""));
    EXPECT_EQ(logger().dataSets()->rowTexts(1).mid(0, 5), QStringList({"2", "unreadable", "--:--:--", "00:02", "2"}));
    EXPECT_FALSE(logger().store().startReadable(1));
    logger().dataSets()->clickRow(1);
    EXPECT_EQ(w->statisticTexts().startTime, "unreadable");
    EXPECT_EQ(w->chart().points(), 2);
    EXPECT_DOUBLE_EQ(w->model().xDataII(0, 1), 2 / 86400.0) << "drawn as the time since its first sample";
    w->chart().refresh();
    const QCPRange shown = w->chart().plot()->xAxis->range();
    EXPECT_LE(shown.lower, 0.0) << shown.lower << " .. " << shown.upper;
    EXPECT_GE(shown.upper, 2 / 86400.0) << shown.lower << " .. " << shown.upper;
    DateTimeDialog::setRunner([](DateTimeDialog& d) {
        d.DatePicker->setDate(QDate(2026, 2, 28));
        d.TimePicker->setTime(QTime(8, 0, 0));
        return int(QDialog::Accepted);
    });
    logger().dataSets()->selectRow(1);
    logger().dataSets()->changeDateTime();
    DateTimeDialog::setRunner({});
    EXPECT_TRUE(logger().store().startReadable(1));
    EXPECT_EQ(logger().dataSets()->rowTexts(1).value(2), "08:00:00");
    EXPECT_NE(w->statisticTexts().startTime, "unreadable");

    // Downloaded: 35 is an error as before, now with the sets it concerns; the sets stay.
    poll();
    sim->meter().update([&](SimulatedMeter::State& s) { s.memory = feb31; });
    prompts.messages.clear();
    EXPECT_EQ(load(), 35);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("There was error,please try again!   error code=35\n\n"
                                               "Some data sets are damaged"))
        << prompts.messages[0].toStdString();
    EXPECT_EQ(logger().dataSets()->rowCount(), 3);

    // 33 was accepted silently; now it warns.
    sim->meter().update([&](SimulatedMeter::State& s) { s.memory = marker; });
    prompts.messages.clear();
    EXPECT_EQ(load(), 33);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Some data sets are damaged")) << prompts.messages[0].toStdString();
    EXPECT_TRUE(main->state().DataLoggerUnsaved);
}

TEST_F(DataLoggerWindowTest, AGarbledDownloadIsAFailureThatSaysWhy)
{
    poll();
    sim->clearCalls();
    sim->faults.alterByteIndex = 2; // every reply's byte 2: the samples' upper bytes
    EXPECT_EQ(load(), 122);
    sim->faults.alterByteIndex.reset();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("There was error,please try again!   error code=122\n\n"
                                               "The memory arrived garbled (code 122):\ndata set 1: "))
        << prompts.messages[0].toStdString();
    EXPECT_EQ(logger().window(), nullptr);
    EXPECT_FALSE(QFile::exists(workingCopyFile()));
    poll();
    EXPECT_TRUE(lettersWritten().contains("Q"));
}
