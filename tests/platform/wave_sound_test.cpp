#include "platform/wave_sound.h"

#include "support/file_text.h"
#include "support/silent_wave.h"
#include "support/sound_server.h"
#include "support/temp_folder.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// A sound reaches the server: it is played to its end at the server's pace, and a
// stop ends a long one at once.
TEST(WaveSoundTest, PlaysToItsEndOnTheServerAndStopsAtOnce) {
    if (const std::string failure = StartSoundServer(); !failure.empty())
        GTEST_SKIP() << "No sound server: " << failure;
    TempFolder folder;
    const std::string shortSound = folder.file("short.wav");
    const std::string longSound = folder.file("long.wav");
    WriteFileText(shortSound, SilentWave(1600));
    WriteFileText(longSound, SilentWave(80000));

    ASSERT_TRUE(PlayWaveFile(shortSound));
    EXPECT_EQ(PlayingWaveFile(), shortSound);
    EXPECT_TRUE(QTest::qWaitFor([] { return PlayingWaveFile().empty(); }, 5000));

    ASSERT_TRUE(PlayWaveFile(longSound));
    QTest::qWait(100);
    EXPECT_EQ(PlayingWaveFile(), longSound);
    QElapsedTimer stopping;
    stopping.start();
    StopWaveFile();
    EXPECT_LT(stopping.elapsed(), 1000);
    EXPECT_EQ(PlayingWaveFile(), "");
}
} // namespace
