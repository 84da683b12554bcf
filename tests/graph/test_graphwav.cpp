// "open wav" in the DataLogger window: its refusals, the file dialog, the project folder copy
// (on a worker), opens the player reports later, and playback through a scripted player along
// the chart until another data set is shown.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QThreadPool>

#include "../wav/scriptedwavplayer.h"
#include "base/clock.h"
#include "base/prompter.h"
#include "fakehost.h"
#include "chart/chartmodel.h"
#include "graph/chartsetup.h"
#include "graph/graphformat.h"
#include "graph/ui/graphunit.h"
#include "support/testenv.h"
#include "wav/ui/wavplayerbar.h"
#include "wav/wavplayback.h"

using namespace quedral;

namespace {

constexpr double kSec = 1.0 / 86400.0;
using Enabled = std::array<bool, 3>;

// The window's player, passing every call on to a scripted player the test keeps, so that a
// held report can be released after the window is gone.
class ForwardingPlayer final : public wav::WavPlayer {
public:
    explicit ForwardingPlayer(test::ScriptedWavPlayer& to) : m_to(to) {}
    void open(const QString& path, OpenReport report) override { m_to.open(path, std::move(report)); }
    void close() override { m_to.close(); }
    void play() override { m_to.play(); }
    void pause() override { m_to.pause(); }
    void resume() override { m_to.resume(); }
    void stop() override { m_to.stop(); }
    void seek(std::int64_t ms) override { m_to.seek(ms); }
    std::optional<std::int64_t> length() const override { return m_to.length(); }
    std::optional<std::int64_t> position() const override { return m_to.position(); }

private:
    test::ScriptedWavPlayer& m_to;
};

// The project copy runs on a worker: waits for it, then lets its progress and result in.
void finishCopy()
{
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

class GraphWavTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh host brings fresh shared values.
        ASSERT_TRUE(card.isValid());
        for (const char* name : {"WAV00012.WAV", "WAV00013.WAV", "WAV00014.WAV"})
            ASSERT_TRUE(test::writeWav(card.filePath(name), 3, 8));
        window = new GraphWindow(host, GraphKind::DataLogger);
        auto player = std::make_unique<test::ScriptedWavPlayer>();
        this->player = player.get();
        window->wavPlayer()->setPlayer(std::move(player));
        // Two data sets: 2700 samples at 2 s with a series of three files, and one without.
        const double t0 = 46000.375;
        newChart(window->model(), 1, 2700, t0, t0 + 2700 * 2 * kSec, 30, 130);
        for (int i = 0; i < 2700; ++i) {
            window->model().setXDataII(0, i, t0 + i * 2 * kSec);
            window->model().setYData(0, i, 60.0f);
        }
        dataSets = new test::FakeDataSets;
        window->setSidePanel(dataSets);
        dataSets->rows = {{"1", "23/11/2026", "09:00:00", "00:02", "2700", "dBA", "FAST", "30-130", "WAV00012"},
                                {"2", "23/11/2026", "11:00:00", "00:01", "60", "dBA", "FAST", "30-130", ""}};
        window->resize(1400, 700);
        window->show();
    }
    void TearDown() override
    {
        delete window.data();
        finishCopy();
    }

    void openWav(QString file, Answer saveProject)
    {
        prompter.fileNames.push_back(file);
        prompter.answers.push_back(saveProject);
        window->wavPlayer()->openSeries();
    }

    test::FakeHost host;
    ScriptedPrompter prompter;
    test::ScopedPrompter prompterGuard{prompter};
    test::ScopedDataDir dataDir;
    QTemporaryDir card;
    QPointer<GraphWindow> window;
    test::ScriptedWavPlayer* player = nullptr;
    test::FakeDataSets* dataSets = nullptr; // the window's side panel
};

} // namespace

TEST_F(GraphWavTest, OpenWavNeedsADataSetWithASeries)
{
    dataSets->selected = 1;
    window->wavPlayer()->openSeries();
    EXPECT_EQ(prompter.messages, QStringList{"no related WAV file"});
    EXPECT_TRUE(prompter.fileDialogs.isEmpty());

    GraphWindow other(host, GraphKind::File); // its table's first row is empty
    prompter.messages.clear();
    other.wavPlayer()->openSeries();
    EXPECT_EQ(prompter.messages, QStringList{"no datalog file"});

    dataSets->selected = 0;
    window->wavPlayer()->openSeries(); // the dialog is cancelled
    EXPECT_EQ(prompter.fileDialogs, QStringList{"open WAV00012.WAV|WAV00012.WAV|(*.WAV)|*.WAV [WAV]"});
    EXPECT_FALSE(host.state.WavPlaying);
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{false, false, false}));
}

TEST_F(GraphWavTest, FirstOpenCopiesTheSeriesIntoTheProjectFolderAndTheNextDoesNotAsk)
{
    dataSets->selected = 0;
    openWav(card.filePath("WAV00012.WAV"), Answer::Yes);
    finishCopy();
    EXPECT_TRUE(host.state.WavPlaying);
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{true, false, false}));
    EXPECT_EQ(prompter.questions, QStringList{"Save measurement project file ?"});
    const QString project = dataDir.file("WAV00012");
    EXPECT_EQ(QDir(project).entryList(QDir::Files), (QStringList{"WAV00012.WAV", "WAV00013.WAV", "WAV00014.WAV"}));
    EXPECT_EQ(prompter.messages.value(0), "Files have been copied to " + QDir::toNativeSeparators(project + "/"));

    openWav(card.filePath("WAV00012.WAV"), Answer::Yes);
    EXPECT_EQ(prompter.questions.size(), 1);
}

TEST_F(GraphWavTest, NoLeavesNoProjectFolderAndAnUnplayableFileDisablesThePlayer)
{
    dataSets->selected = 0;
    openWav(card.filePath("WAV00012.WAV"), Answer::No);
    EXPECT_FALSE(QFileInfo::exists(dataDir.file("WAV00012")));

    ASSERT_TRUE(test::writeText(card.filePath("WAV00020.WAV"), "no wave"));
    openWav(card.filePath("WAV00020.WAV"), Answer::Yes);
    EXPECT_FALSE(host.state.WavPlaying);
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{false, false, false}));
}

TEST_F(GraphWavTest, PlayMovesThePlayLineUntilAnotherDataSetIsShown)
{
    dataSets->selected = 0;
    openWav(card.filePath("WAV00012.WAV"), Answer::No);
    host.graphUnit().PlayLineIndex = 1350; // file 1, half way
    window->wavPlayer()->offsetBox()->setText("1000");
    window->wavPlayer()->play();
    EXPECT_TRUE(player->openedPath.endsWith("WAV00013.WAV"));
    EXPECT_EQ(player->calls.mid(player->calls.size() - 2), (QStringList{"seek 1500", "play"}));
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{false, true, true}));
    EXPECT_TRUE(window->wavPlayer()->playback().timerActive());

    window->wavPlayer()->playback().timerTick();
    const ChartModel& m = window->model();
    const double x = m.xDataII(0, 1350) + 3.0 / 900 * kSec;
    EXPECT_NEAR(m.vertLines[0].x, x + kSec, 1e-9);
    EXPECT_EQ(m.vertLines[0].text, formatTimeOfDay(x));

    window->wavPlayer()->pause();
    EXPECT_TRUE(host.graphUnit().WavPaused);
    // Another data set is shown (the data logger's row click).
    window->resetViewForNewData();
    EXPECT_FALSE(window->wavPlayer()->playback().timerActive());
    EXPECT_FALSE(host.graphUnit().WavPaused);
    EXPECT_EQ(player->calls.last(), "stop");
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{false, false, false}));
}

// Picking an event of the noise statistics puts the play line at its start once a series is
// open, so that Play plays the event; before that the play line stays.
TEST_F(GraphWavTest, AnEventPutsThePlayLineAtItsStartWhenASeriesIsOpen)
{
    host.graphUnit().PlayLineIndex = 7;
    window->placePlayLineForWav(100);
    EXPECT_EQ(host.graphUnit().PlayLineIndex, 7);
    dataSets->selected = 0;
    openWav(card.filePath("WAV00012.WAV"), Answer::No);
    window->placePlayLineForWav(1350);
    EXPECT_EQ(host.graphUnit().PlayLineIndex, 1350);
    EXPECT_DOUBLE_EQ(window->model().vertLines[0].x, window->model().xDataII(0, 1350));
    window->wavPlayer()->play();
    EXPECT_TRUE(player->openedPath.endsWith("WAV00013.WAV"));
}

TEST_F(GraphWavTest, TheProjectCopyIsOfferedOnlyWhenThePlayerReportsTheFileOpen)
{
    player->holdReports = true;
    dataSets->selected = 0;
    openWav(card.filePath("WAV00012.WAV"), Answer::Yes);
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_FALSE(host.state.WavPlaying);
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{false, false, false}));

    player->releaseReport();
    EXPECT_TRUE(host.state.WavPlaying);
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{true, false, false}));
    EXPECT_EQ(prompter.questions, QStringList{"Save measurement project file ?"});
    finishCopy();
    const QString project = dataDir.file("WAV00012");
    EXPECT_EQ(prompter.messages, QStringList{"Files have been copied to " + QDir::toNativeSeparators(project + "/")});
}

TEST_F(GraphWavTest, AHeldFailureDisablesThePlayerAndOffersNoCopy)
{
    ASSERT_TRUE(test::writeText(card.filePath("WAV00020.WAV"), "no wave"));
    player->holdReports = true;
    dataSets->selected = 0;
    openWav(card.filePath("WAV00020.WAV"), Answer::Yes);
    player->releaseReport();
    EXPECT_FALSE(host.state.WavPlaying);
    EXPECT_EQ(window->wavPlayer()->buttonsEnabled(), (Enabled{false, false, false}));
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(GraphWavTest, AReportAfterTheWindowClosedDoesNothing)
{
    test::ScriptedWavPlayer outliving;
    outliving.holdReports = true;
    window->wavPlayer()->setPlayer(std::make_unique<ForwardingPlayer>(outliving));
    dataSets->selected = 0;
    openWav(card.filePath("WAV00012.WAV"), Answer::Yes);
    window->close(); // deletes itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(window.isNull());
    outliving.releaseReport();
    EXPECT_TRUE(prompter.questions.isEmpty());
    EXPECT_EQ(outliving.calls, QStringList{"open WAV00012.WAV"});
}

TEST_F(GraphWavTest, ACopyThatEndsAfterTheWindowClosedReportsNothing)
{
    dataSets->selected = 0;
    openWav(card.filePath("WAV00012.WAV"), Answer::Yes);
    delete window.data();
    finishCopy();
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(QDir(dataDir.file("WAV00012")).entryList(QDir::Files).size(), 3);
}
