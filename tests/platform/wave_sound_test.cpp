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

namespace {
// A sound reaches the server: it is played to its end at the server's pace, and a
// stop ends a long one at once.
TEST(WaveSoundTest, PlaysToItsEndOnTheServerAndStopsAtOnce) {
    if (const std::string failure = StartSoundServer(); !failure.empty())
        GTEST_SKIP() << "No sound server: " << failure;
    TempFolder folder;
    const std::string longSound = folder.file("long.wav");
    WriteFileText(longSound, SilentWave(80000));

    // Every form the reader accepts is heard to its end.
    const struct {
        uint16_t channels, bits;
    } forms[] = {{1, 8}, {2, 16}, {6, 16}, {7, 16}, {8, 16}, {32, 8}, {2, 24}};
    for (const auto& form : forms) {
        SCOPED_TRACE(std::to_string(form.channels) + " channels, " + std::to_string(form.bits) + " bits");
        const std::string shortSound =
            folder.file(std::to_string(form.channels) + "x" + std::to_string(form.bits) + ".wav");
        WriteFileText(shortSound, SilentWave(1600, form.channels, form.bits));
        ASSERT_TRUE(PlayWaveFile(shortSound));
        EXPECT_EQ(PlayingWaveFile(), shortSound);
        EXPECT_TRUE(QTest::qWaitFor([] { return PlayingWaveFile().empty(); }, 5000));
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

size_t OpenFiles() {
    const std::filesystem::directory_iterator files("/proc/self/fd");
    return static_cast<size_t>(std::distance(begin(files), end(files)));
}

// A player whose thread cannot start (here: no room for its stack) stays silent and
// leaves nothing of the sound output open.
TEST(WaveSoundTest, NoThreadToPlayOnLeavesNothingOpen) {
    TempFolder folder;
    const std::string sound = folder.file("short.wav");
    WriteFileText(sound, SilentWave(1600));
    StopWaveFile();
    pthread_attr_t usual{}, unstartable{};
    ASSERT_EQ(pthread_getattr_default_np(&usual), 0);
    ASSERT_EQ(pthread_attr_init(&unstartable), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&unstartable, size_t{1} << 56), 0);
    const size_t openBefore = OpenFiles();
    ASSERT_EQ(pthread_setattr_default_np(&unstartable), 0);
    const bool started = PlayWaveFile(sound);
    pthread_setattr_default_np(&usual);
    pthread_attr_destroy(&unstartable);
    pthread_attr_destroy(&usual);
    EXPECT_FALSE(started);
    EXPECT_EQ(OpenFiles(), openBefore);
}
} // namespace
