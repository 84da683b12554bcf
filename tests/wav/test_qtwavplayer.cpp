// The Qt Multimedia player on generated WAV files. Where the machine has no multimedia
// back end that plays WAV at all, the test says so and skips.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <optional>

#include "wav/ui/qtwavplayer.h"
#include "wavfiles.h"

using namespace quedral;

namespace {

// Opens `path` and runs the event loop until the player reports; the player's load time-out
// bounds the wait.
bool openAndWait(wav::QtWavPlayer& player, const QString& path)
{
    std::optional<bool> report;
    player.open(path, [&](bool opened) { report = opened; });
    while (!report)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return *report;
}

} // namespace

TEST(QtWavPlayer, OpensPcmFilesOfEitherWidthAndRefusesOthers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::writeWav(dir.filePath("T8.WAV"), 2, 8));
    ASSERT_TRUE(test::writeWav(dir.filePath("T16.WAV"), 3, 16));
    ASSERT_TRUE(test::writeText(dir.filePath("BAD.WAV"), "not a wave"));
    wav::QtWavPlayer player;
    EXPECT_FALSE(openAndWait(player, dir.filePath("MISSING.WAV")));
    EXPECT_FALSE(player.length().has_value());
    if (!openAndWait(player, dir.filePath("T16.WAV")))
        GTEST_SKIP() << "no multimedia back end plays WAV files here";
    EXPECT_NEAR(static_cast<double>(player.length().value_or(-1)), 3000.0, 50.0);
    EXPECT_EQ(player.position().value_or(-1), 0);
    ASSERT_TRUE(openAndWait(player, dir.filePath("T8.WAV")));
    EXPECT_NEAR(static_cast<double>(player.length().value_or(-1)), 2000.0, 50.0);
    EXPECT_FALSE(openAndWait(player, dir.filePath("BAD.WAV")));
    EXPECT_FALSE(player.position().has_value());
}

TEST(QtWavPlayer, ACloseOrANewerOpenDropsThePendingReport)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::writeWav(dir.filePath("T8.WAV"), 2, 8));
    ASSERT_TRUE(test::writeWav(dir.filePath("T16.WAV"), 3, 16));
    wav::QtWavPlayer player;
    // A report that comes before open() returns is allowed; one after the close or the newer
    // open is not.
    int late = 0;
    bool returned = false;
    player.open(dir.filePath("T16.WAV"), [&](bool) { late += returned ? 1 : 0; });
    returned = true;
    player.close();
    returned = false;
    player.open(dir.filePath("T16.WAV"), [&](bool) { late += returned ? 1 : 0; });
    returned = true;
    const bool opened = openAndWait(player, dir.filePath("T8.WAV"));
    QCoreApplication::processEvents();
    EXPECT_EQ(late, 0);
    if (!opened)
        GTEST_SKIP() << "no multimedia back end plays WAV files here";
    EXPECT_NEAR(static_cast<double>(player.length().value_or(-1)), 2000.0, 50.0);
}
