// The exports on their worker thread: while one runs the file commands start no other, Cancel
// keeps the lines written so far as it always did, and closing the main window gives the job up
// without waiting for it, leaving the old file whole.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSemaphore>

#include "base/datetime.h"
#include "widgets/opensavechoice.h"
#include "widgets/progressdialog.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "graph/ui/graphwindow.h"
#include "mainwindowfixture.h"

using namespace quedral;

namespace {

class FileJobTest : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        test::MainWindowTest::SetUp();
        ProgressDialog::setRangeRunner([](ProgressDialog& d) {
            d.chooseRange(true, "1", "1");
            return true;
        });
        OpenSaveChoice::setRunner([this](OpenSaveChoice&) {
            ++openChoices;
            return OpenSaveChoice::mrCancel;
        });
        // Every job waits on its worker until the test lets it go.
        main->files().job().setBeforeWork([this] { gate.acquire(); });
        auto* w = new GraphWindow(*main, GraphKind::File);
        fillChart(*w);
        main->showGraphWindow(*w);
        main->mdiArea()->setActiveSubWindow(main->frameOf(w));
        file = data.file("export.txt");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old lines\r\n");
    }
    void TearDown() override
    {
        gate.release(10); // never leave a worker waiting
        ProgressDialog::setRangeRunner({});
        OpenSaveChoice::setRunner({});
        test::MainWindowTest::TearDown();
        QLocale::setDefault(QLocale::c());
    }
    // 300 samples of 60 dB, one a second from 14/03/2026 13:05:07.
    static void fillChart(GraphWindow& w)
    {
        const double t0 = toDays(QDate(2026, 3, 14), QTime(13, 5, 7));
        newChart(w.model(), 1, 300, t0, t0 + 300 * kSecondInDays, 30, 130);
        for (int i = 0; i < 300; ++i) {
            w.model().setXDataII(0, i, t0 + i * kSecondInDays);
            w.model().setYData(0, i, 60.0f);
        }
    }
    // Starts the export of the active graph window into `file`; the worker waits at the gate.
    void startExport()
    {
        prompts.fileNames = {file};
        main->files().saveActiveWindow();
        ASSERT_TRUE(main->files().job().running());
    }
    ProgressDialog* progressWindow() const
    {
        for (ProgressDialog* s : main->findChildren<ProgressDialog*>())
            if (s->windowTitle() == "Saving Progress" && s->isVisible())
                return s;
        return nullptr;
    }
    int fileLines() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : -1;
    }
    QByteArray fileText() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QSemaphore gate;
    QString file;
    int openChoices = 0;
};

TEST_F(FileJobTest, WhileAnExportRunsTheFileCommandsStartNothingElse)
{
    startExport();
    ASSERT_NE(progressWindow(), nullptr);
    const QStringList dialogs = prompts.fileDialogs;
    prompts.fileNames = {data.file("second.txt")};
    main->files().saveActiveWindow();
    main->files().openFile();
    main->files().outputToGraph();
    EXPECT_EQ(prompts.fileDialogs, dialogs) << "no second file dialog";
    EXPECT_EQ(openChoices, 0);
    EXPECT_FALSE(QFile::exists(data.file("second.txt")));

    // The first export goes on and writes its file whole; then Save works again.
    gate.release();
    finishFileJob();
    EXPECT_EQ(fileLines(), 300);
    EXPECT_EQ(progressWindow(), nullptr);
    gate.release();
    prompts.fileNames = {data.file("second.txt")};
    main->files().saveActiveWindow();
    finishFileJob();
    EXPECT_TRUE(QFile::exists(data.file("second.txt")));
}

TEST_F(FileJobTest, CancelKeepsTheLinesWrittenBeforeIt)
{
    startExport();
    ProgressDialog* progress = progressWindow();
    ASSERT_NE(progress, nullptr);
    progress->findChild<QPushButton*>("btnCancel")->click();
    gate.release();
    finishFileJob();
    // The writer asks after its first line: that line replaces the old file, as before.
    EXPECT_EQ(fileLines(), 1);
    EXPECT_TRUE(fileText().contains("\t13:05:07.0\t60.0\r\n"));
    EXPECT_EQ(progressWindow(), nullptr);
    EXPECT_TRUE(main->readings().messageLabel().text().isEmpty());
}

TEST_F(FileJobTest, ClosingTheMainWindowGivesTheExportUpAndKeepsTheOldFile)
{
    startExport();
    QPointer<QThread> worker = main->files().job().thread();
    ASSERT_NE(worker, nullptr);
    main->close(); // returns at once: the worker still waits at the gate
    EXPECT_FALSE(main->files().job().running());
    EXPECT_EQ(progressWindow(), nullptr);
    gate.release();
    ASSERT_TRUE(worker); // deleted only from the event loop, once it has ended
    ASSERT_TRUE(worker->wait(5000));
    EXPECT_EQ(fileText(), "old lines\r\n");
    EXPECT_EQ(QDir(data.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"export.txt"})
        << "nothing left beside it";
    QCoreApplication::processEvents();
    EXPECT_TRUE(main->readings().messageLabel().text().isEmpty()) << "the outcome is dropped";
}

// A close question's Yes that starts an export keeps the window until the file is whole: a
// failed or cancelled write leaves the window open with its data still unsaved.
TEST_F(FileJobTest, AWindowSavedOnCloseGoesOnlyOnceItsFileIsWhole)
{
    enum class End { Written, WriteFails, Cancelled };
    for (const End end : {End::Written, End::WriteFails, End::Cancelled}) {
        SCOPED_TRACE(int(end));
        auto* w = new GraphWindow(*main, GraphKind::RealTime);
        fillChart(*w);
        main->showGraphWindow(*w);
        QPointer<GraphWindow> window = w;
        main->state().RealTimeUnsaved = true;
        const QString target = end == End::WriteFails ? data.file("missing/rt.txt") : data.file("rt.txt");
        QFile::remove(target);
        prompts.answers = {Answer::Yes};
        prompts.fileNames = {target};
        main->frameOf(w)->close();
        ASSERT_TRUE(main->files().job().running());
        EXPECT_TRUE(window && window->isVisible()) << "the window waits for its file";
        if (end == End::Cancelled)
            progressWindow()->findChild<QPushButton*>("btnCancel")->click();
        gate.release();
        finishFileJob();
        QCoreApplication::processEvents();
        if (end == End::Written) {
            EXPECT_TRUE(!window || !window->isVisible());
            EXPECT_FALSE(main->state().RealTimeUnsaved);
            QFile f(target);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll().count('\n'), 300);
        } else {
            EXPECT_TRUE(window && window->isVisible()) << "nothing saved: the window and its data stay";
            EXPECT_TRUE(main->state().RealTimeUnsaved);
            main->state().RealTimeUnsaved = false;
            if (window)
                GraphWindow::closeOwnedWindow(*window);
            QCoreApplication::processEvents();
        }
    }
}

} // namespace
