#include "platform/wave_sound.h"

#include "support/file_text.h"
#include "support/silent_wave.h"
#include "support/sound_server.h"
#include "support/temp_folder.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <pthread.h>
#include <utility>

namespace {
// A sound reaches the server: it is played to its end at the server's pace, and a
// stop ends a long one at once.
TEST(WaveSoundTest, PlaysToItsEndOnTheServerAndStopsAtOnce) {
    if (const std::string failure = StartSoundServer(); !failure.empty())
        GTEST_SKIP() << "No sound server: " << failure;
    TempFolder folder;
    const std::string longSound = folder.file("long.wav");
    WriteFileText(longSound, SilentWave(80000));

    // Every form the reader accepts is heard to its end: channels and bits.
    const std::pair<uint16_t, uint16_t> forms[] = {{1, 8},  {2, 16}, {6, 16}, {7, 16},
                                                   {8, 16}, {32, 8}, {2, 24}};
    for (const auto& [channels, bits] : forms) {
        const std::string sound = folder.file(std::to_string(channels) + "x" + std::to_string(bits) + ".wav");
        WriteFileText(sound, SilentWave(160, channels, bits));
        ASSERT_TRUE(PlayWaveFile(sound)) << sound;
        EXPECT_EQ(PlayingWaveFile(), sound);
        EXPECT_TRUE(QTest::qWaitFor([] { return PlayingWaveFile().empty(); }, 5000)) << sound;
    }

    ASSERT_TRUE(PlayWaveFile(longSound));
    QTest::qWait(100);
    EXPECT_EQ(PlayingWaveFile(), longSound);
    QElapsedTimer stopping;
    stopping.start();
    StopWaveFile();
    EXPECT_LT(stopping.elapsed(), 1000);
    EXPECT_EQ(PlayingWaveFile(), "");
}

// A player whose thread cannot start (no room for its stack) stays silent and
// leaves nothing of the sound output open.
TEST(WaveSoundTest, NoThreadToPlayOnLeavesNothingOpen) {
    TempFolder folder;
    WriteFileText(folder.file("short.wav"), SilentWave(160));
    const auto openFiles = [] {
        const std::filesystem::directory_iterator files("/proc/self/fd");
        return std::distance(begin(files), end(files));
    };
    pthread_attr_t usual{}, unstartable{};
    ASSERT_EQ(pthread_getattr_default_np(&usual), 0);
    pthread_attr_init(&unstartable);
    ASSERT_EQ(pthread_attr_setstacksize(&unstartable, size_t{1} << 56), 0);
    StopWaveFile();
    const auto openBefore = openFiles();
    pthread_setattr_default_np(&unstartable);
    EXPECT_FALSE(PlayWaveFile(folder.file("short.wav")));
    pthread_setattr_default_np(&usual);
    EXPECT_EQ(openFiles(), openBefore);
}
} // namespace
