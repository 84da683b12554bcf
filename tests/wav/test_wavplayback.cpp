// The playback steps over a scripted player: Play from the play line, the timer's play line,
// the move along the series, the end of the last file, Pause/resume, Stop, failures, and opens
// the player reports later (held by the scripted player until the test releases them).
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <tuple>

#include "scriptedwavplayer.h"
#include "wav/wavplayback.h"

using namespace quedral;
using namespace quedral::wav;

namespace {

constexpr double kSecond = 1.0 / 86400;

// The chart, the play line and the buttons of a window, as the playback sees them.
class RecordingView final : public PlaybackView {
public:
    int points() const override { return static_cast<int>(xs.size()); }
    double xAt(int index) const override { return xs.at(static_cast<size_t>(index)); }
    int playLineIndex() const override { return lineIndex; }
    void setPlayLineIndex(int index) override { lineIndex = index; }
    void setPlayLine(double x, double textX) override
    {
        lineX = x;
        lineTextX = textX;
    }
    QString playOffsetText() const override { return offset; }
    void setPlayerButtons(bool play, bool pause, bool stop) override { buttons = {play, pause, stop}; }
    void refresh() override { ++refreshes; }
    void reportError(const QString& text) override { errors << text; }

    std::vector<double> xs;
    int lineIndex = 0;
    double lineX = 0, lineTextX = 0;
    QString offset = "0";
    std::tuple<bool, bool, bool> buttons{false, false, false};
    int refreshes = 0;
    QStringList errors;
};

using Buttons3 = std::tuple<bool, bool, bool>;

class Playback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        for (const char* name : {"WAV00012.WAV", "WAV00013.WAV", "WAV00014.WAV"})
            ASSERT_TRUE(test::writeWav(tmp.filePath(name), 4, 16));
        setSamples(2700, 2); // 5398 s: three files
        QObject::connect(&playback, &WavPlayback::seriesOpened, [this](const QString& path) { opened << path; });
    }
    void setSamples(int count, int interval)
    {
        view.xs.clear();
        for (int i = 0; i < count; ++i)
            view.xs.push_back(kStart + i * interval * kSecond);
        this->count = count;
        this->interval = interval;
    }
    // Opens the series; true once the player reported it open.
    bool open()
    {
        playback.openSeries(tmp.filePath("WAV00012.WAV"), interval, count);
        return playing;
    }

    static constexpr double kStart = 46000.5;
    QTemporaryDir tmp;
    test::ScriptedWavPlayer player;
    RecordingView view;
    bool playing = false, paused = false;
    WavPlayback playback{player, view, PlaybackFlags{playing, paused}};
    int count = 0, interval = 0;
    QStringList opened; // the paths seriesOpened() reported
};

} // namespace

TEST_F(Playback, OpenFillsTheRecordAndEnablesPlayOnly)
{
    ASSERT_TRUE(open());
    EXPECT_TRUE(playing);
    EXPECT_EQ(opened, QStringList{tmp.filePath("WAV00012.WAV")});
    EXPECT_EQ(view.buttons, Buttons3(true, false, false));
    const WavPlaybackRecord& r = playback.record();
    EXPECT_EQ(r.FirstName, "WAV00012.WAV");
    EXPECT_EQ(QDir::fromNativeSeparators(r.Folder), tmp.path() + "/");
    EXPECT_EQ(r.FileCount, 3);
    EXPECT_EQ(r.Interval, 2);
    EXPECT_EQ(r.FileNo, 0);
    EXPECT_EQ(r.OpenFileNo, 0);
    EXPECT_EQ(r.CounterHigh, '1');
    EXPECT_EQ(r.CounterLow, '2');
}

TEST_F(Playback, EachPlaybackKeepsItsOwnRecord)
{
    ASSERT_TRUE(open());
    test::ScriptedWavPlayer otherPlayer;
    RecordingView otherView;
    bool otherPlaying = false, otherPaused = false;
    WavPlayback other{otherPlayer, otherView, PlaybackFlags{otherPlaying, otherPaused}};
    EXPECT_EQ(other.record().FileCount, 0);
    EXPECT_TRUE(other.record().FirstName.isEmpty());
    ASSERT_TRUE(test::writeWav(tmp.filePath("WAV000A0.WAV"), 3, 8));
    other.openSeries(tmp.filePath("WAV000A0.WAV"), 1, 60);
    ASSERT_TRUE(otherPlaying);
    EXPECT_EQ(other.record().FirstName, "WAV000A0.WAV");
    EXPECT_EQ(playback.record().FirstName, "WAV00012.WAV");
    EXPECT_EQ(playback.record().FileCount, 3);
    EXPECT_EQ(playback.record().Interval, 2);
}

TEST_F(Playback, AFileThePlayerRefusesDisablesEverything)
{
    ASSERT_TRUE(test::writeText(tmp.filePath("WAV00099.WAV"), "not a wave"));
    view.buttons = {true, true, true};
    playback.openSeries(tmp.filePath("WAV00099.WAV"), 2, 2700);
    EXPECT_FALSE(playing);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(view.errors.isEmpty());
    EXPECT_EQ(view.buttons, Buttons3(false, false, false));
    playback.playClick(); // Play without a usable file does nothing
    EXPECT_FALSE(playback.timerActive());
}

TEST_F(Playback, PlayStartsInTheFileAndAtThePlaceOfThePlayLine)
{
    ASSERT_TRUE(open());
    view.lineIndex = 1000; // 2000 s: file 1, samples 900..1800
    player.calls.clear();
    playback.playClick();
    EXPECT_EQ(player.calls, (QStringList{"stop", "close", "open WAV00013.WAV", "seek 444", "play"}));
    EXPECT_EQ(playback.record().FileNo, 1);
    EXPECT_EQ(playback.record().OpenFileNo, 1);
    EXPECT_DOUBLE_EQ(playback.record().SegmentStartX, view.xs[900]);
    EXPECT_DOUBLE_EQ(playback.record().SegmentEndX, view.xs[1800]);
    EXPECT_EQ(view.buttons, Buttons3(false, true, true));
    EXPECT_TRUE(playback.timerActive());
}

TEST_F(Playback, TimerMovesThePlayLineWithLeadAndOffset)
{
    ASSERT_TRUE(open());
    view.lineIndex = 0;
    playback.playClick();
    player.setPosition(2000); // half of the 4-second file
    view.offset = "-500";
    playback.timerTick();
    const double x = view.xs[0] + (view.xs[900] - view.xs[0]) / 2 + 4.0 / 900 * kSecond;
    EXPECT_NEAR(view.lineTextX, x, 1e-12);
    EXPECT_NEAR(view.lineX, x - 0.5 * kSecond, 1e-12);
    EXPECT_EQ(view.refreshes, 1);

    view.offset = "later"; // no number, no offset
    playback.timerTick();
    EXPECT_NEAR(view.lineX, x, 1e-12);
}

TEST_F(Playback, EndOfAFileGoesOnWithTheNextAndTheLastEndsWithPlayEnabled)
{
    ASSERT_TRUE(open());
    view.lineIndex = 1000;
    view.offset = "0";
    playback.playClick();
    player.calls.clear();
    player.toEnd();
    playback.timerTick();
    EXPECT_EQ(player.calls, (QStringList{"stop", "close", "open WAV00014.WAV", "seek 0", "play"}));
    EXPECT_EQ(playback.record().FileNo, 2);
    EXPECT_EQ(playback.record().OpenFileNo, 2);
    EXPECT_EQ(playback.record().CounterLow, '4');
    EXPECT_DOUBLE_EQ(playback.record().SegmentStartX, view.xs[1800]);
    EXPECT_DOUBLE_EQ(playback.record().SegmentEndX, view.xs[2699]); // clamped to the last sample
    EXPECT_TRUE(playback.timerActive());

    player.toEnd();
    playback.timerTick();
    EXPECT_DOUBLE_EQ(view.lineX, view.xs.back()); // the lead never passes the graph's end
    EXPECT_FALSE(playback.timerActive());
    EXPECT_EQ(player.calls.last(), "stop");
    EXPECT_EQ(view.buttons, Buttons3(true, false, false));
    EXPECT_EQ(view.lineIndex, 0);
}

TEST_F(Playback, AMissingNextFileEndsWithAllButtonsOff)
{
    ASSERT_TRUE(QFile::remove(tmp.filePath("WAV00013.WAV")));
    ASSERT_TRUE(open());
    view.lineIndex = 10;
    playback.playClick();
    player.toEnd();
    playback.timerTick();
    EXPECT_FALSE(playback.timerActive());
    EXPECT_EQ(view.buttons, Buttons3(false, false, false));
    EXPECT_EQ(view.lineIndex, 0);
    EXPECT_EQ(player.calls.last(), "stop");
}

TEST_F(Playback, PauseResumesWhereItWasAndStopStartsAgainFromThePlayLine)
{
    ASSERT_TRUE(open());
    view.lineIndex = 450; // half of file 0
    playback.playClick();
    playback.pauseClick();
    EXPECT_TRUE(paused);
    EXPECT_FALSE(playback.timerActive());
    EXPECT_EQ(view.buttons, Buttons3(true, true, true));

    player.calls.clear();
    playback.playClick();
    EXPECT_EQ(player.calls, QStringList{"resume"});
    EXPECT_FALSE(paused);
    EXPECT_TRUE(playback.timerActive());
    EXPECT_EQ(view.buttons, Buttons3(false, true, true));

    playback.stopClick();
    EXPECT_FALSE(playback.timerActive());
    EXPECT_EQ(view.buttons, Buttons3(true, false, false));
    player.calls.clear();
    playback.playClick();
    EXPECT_EQ(player.calls, (QStringList{"seek 2000", "play"}));
}

TEST_F(Playback, AFailingPlayerOnATickDisablesEverything)
{
    ASSERT_TRUE(open());
    playback.playClick();
    player.failing = true;
    playback.timerTick();
    EXPECT_FALSE(playing);
    EXPECT_EQ(view.buttons, Buttons3(false, false, false));
    EXPECT_EQ(view.refreshes, 0);
}

TEST_F(Playback, AnotherDataSetStopsThePlayerAndClearsThePause)
{
    ASSERT_TRUE(open());
    playback.playClick();
    playback.pauseClick();
    player.calls.clear();
    playback.dataSetChanged();
    EXPECT_EQ(player.calls, QStringList{"stop"});
    EXPECT_FALSE(paused);
    EXPECT_FALSE(playback.timerActive());
    EXPECT_EQ(view.buttons, Buttons3(false, false, false));
}

TEST_F(Playback, IntervalZeroIsReportedAndPlaysNothing)
{
    setSamples(100, 0);
    ASSERT_TRUE(open());
    EXPECT_EQ(playback.record().FileCount, 0);
    player.calls.clear();
    playback.playClick();
    EXPECT_EQ(view.errors.size(), 1);
    EXPECT_TRUE(player.calls.isEmpty());
    EXPECT_FALSE(playback.timerActive());
    EXPECT_TRUE(playing); // the file stays open and usable
}

// ---- Opens the player reports later ----

TEST_F(Playback, AHeldOpenEnablesPlayOnlyWhenReported)
{
    player.holdReports = true;
    view.buttons = {false, false, false};
    EXPECT_FALSE(open());
    EXPECT_TRUE(playback.openPending());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(playback.record().FirstName.isEmpty());
    EXPECT_EQ(view.buttons, Buttons3(false, false, false));
    playback.playClick(); // nothing to play yet
    EXPECT_EQ(player.calls, QStringList{"open WAV00012.WAV"});

    player.releaseReport();
    EXPECT_FALSE(playback.openPending());
    EXPECT_TRUE(playing);
    EXPECT_EQ(opened, QStringList{tmp.filePath("WAV00012.WAV")});
    EXPECT_EQ(playback.record().FileCount, 3);
    EXPECT_EQ(view.buttons, Buttons3(true, false, false));
}

TEST_F(Playback, AHeldFailureDisablesEverythingWithoutAMessage)
{
    ASSERT_TRUE(test::writeText(tmp.filePath("WAV00099.WAV"), "not a wave"));
    player.holdReports = true;
    view.buttons = {true, true, true};
    playback.openSeries(tmp.filePath("WAV00099.WAV"), 2, 2700);
    EXPECT_EQ(view.buttons, Buttons3(true, true, true));
    player.releaseReport();
    EXPECT_FALSE(playing);
    EXPECT_EQ(view.buttons, Buttons3(false, false, false));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(view.errors.isEmpty());
}

TEST_F(Playback, PlayInAnotherFileStartsWhenTheReopenIsReported)
{
    ASSERT_TRUE(open());
    player.holdReports = true;
    view.lineIndex = 1000; // file 1
    player.calls.clear();
    playback.playClick();
    EXPECT_EQ(player.calls, (QStringList{"stop", "close", "open WAV00013.WAV"}));
    EXPECT_FALSE(playback.timerActive());
    EXPECT_EQ(view.buttons, Buttons3(true, false, false));
    playback.playClick(); // a second Play while the open is pending does nothing
    EXPECT_EQ(player.calls.size(), 3);

    player.releaseReport();
    EXPECT_EQ(player.calls.mid(3), (QStringList{"seek 444", "play"}));
    EXPECT_EQ(view.buttons, Buttons3(false, true, true));
    EXPECT_TRUE(playback.timerActive());
}

TEST_F(Playback, TheNextFileOfTheSeriesPlaysWhenItsOpenIsReported)
{
    ASSERT_TRUE(open());
    view.lineIndex = 0;
    playback.playClick();
    player.holdReports = true;
    player.calls.clear();
    player.toEnd();
    playback.timerTick();
    EXPECT_EQ(player.calls, (QStringList{"stop", "close", "open WAV00013.WAV"}));
    playback.timerTick(); // ticks while the open is pending do nothing
    EXPECT_EQ(player.calls.size(), 3);
    EXPECT_EQ(playback.record().OpenFileNo, 0);

    player.releaseReport();
    EXPECT_EQ(player.calls.mid(3), (QStringList{"seek 0", "play"}));
    EXPECT_EQ(playback.record().OpenFileNo, 1);
    EXPECT_TRUE(playback.timerActive());
}

// A report that comes after a Stop, another data set, or a newer open, or after the playback
// is gone, does nothing.
TEST(PlaybackLateReport, IsIgnored)
{
    enum class Then { Stop, OtherDataSet, NewerOpen, PlaybackGone };
    for (const Then then : {Then::Stop, Then::OtherDataSet, Then::NewerOpen, Then::PlaybackGone}) {
        SCOPED_TRACE(static_cast<int>(then));
        QTemporaryDir tmp;
        ASSERT_TRUE(test::writeWav(tmp.filePath("WAV00012.WAV"), 4, 16));
        ASSERT_TRUE(test::writeWav(tmp.filePath("WAV00050.WAV"), 2, 16));
        test::ScriptedWavPlayer player;
        player.holdReports = true;
        RecordingView view;
        view.xs.assign(100, 46000.5);
        bool playing = false, paused = false;
        auto playback = std::make_unique<WavPlayback>(player, view, PlaybackFlags{playing, paused});
        QStringList opened;
        QObject::connect(playback.get(), &WavPlayback::seriesOpened, [&](const QString& p) { opened << p; });
        playback->openSeries(tmp.filePath("WAV00012.WAV"), 2, 100);
        switch (then) {
        case Then::Stop: playback->stopClick(); break;
        case Then::OtherDataSet: playback->dataSetChanged(); break;
        case Then::NewerOpen: playback->openSeries(tmp.filePath("WAV00050.WAV"), 1, 100); break;
        case Then::PlaybackGone: playback.reset(); break;
        }
        const Buttons3 buttons = view.buttons;
        player.releaseReport();
        EXPECT_TRUE(opened.isEmpty());
        EXPECT_FALSE(playing);
        EXPECT_EQ(view.buttons, buttons);
        if (playback) {
            EXPECT_TRUE(playback->record().FirstName.isEmpty());
            playback->playClick();
            EXPECT_FALSE(playback->timerActive());
        }
        if (then == Then::NewerOpen) { // the newer open goes on
            player.releaseReport();
            EXPECT_EQ(opened, QStringList{tmp.filePath("WAV00050.WAV")});
            EXPECT_EQ(playback->record().FirstName, "WAV00050.WAV");
            EXPECT_TRUE(playing);
        }
    }
}
