// The Qt Multimedia player on generated WAV files. Where the machine has no multimedia
// back end that plays WAV at all, the test says so and skips.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "wav/qtwavplayer.h"
#include "wavfiles.h"

using namespace quedral;

TEST(QtWavPlayer, OpensPcmFilesOfEitherWidthAndRefusesOthers)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::writeWav(dir.filePath("T8.WAV"), 2, 8));
    ASSERT_TRUE(test::writeWav(dir.filePath("T16.WAV"), 3, 16));
    ASSERT_TRUE(test::writeText(dir.filePath("BAD.WAV"), "not a wave"));
    wav::QtWavPlayer player;
    EXPECT_FALSE(player.open(dir.filePath("MISSING.WAV")));
    EXPECT_FALSE(player.length().has_value());
    if (!player.open(dir.filePath("T16.WAV")))
        GTEST_SKIP() << "no multimedia back end plays WAV files here";
    EXPECT_NEAR(static_cast<double>(player.length().value_or(-1)), 3000.0, 50.0);
    EXPECT_EQ(player.position().value_or(-1), 0);
    ASSERT_TRUE(player.open(dir.filePath("T8.WAV")));
    EXPECT_NEAR(static_cast<double>(player.length().value_or(-1)), 2000.0, 50.0);
    EXPECT_FALSE(player.open(dir.filePath("BAD.WAV")));
    EXPECT_FALSE(player.position().has_value());
}
