#include "platform/wave_file.h"

#include <gtest/gtest.h>

namespace {
std::string le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string chunk(const std::string& id, const std::string& body, uint32_t claimed = 0) {
    return id + le(claimed != 0 ? claimed : static_cast<uint32_t>(body.size()), 4) + body +
           (body.size() % 2 != 0 ? std::string(1, '\0') : std::string());
}

std::string format(uint16_t tag, uint16_t channels, uint16_t bits, const std::string& extension = "",
                   uint32_t rate = 8000) {
    return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                             le(channels * bits / 8, 2) + le(bits, 2) + extension);
}

std::string riff(const std::string& chunks) {
    return "RIFF" + le(static_cast<uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

// Which wave files give samples, and how many bytes of them (-1: refused).
TEST(WaveFileTest, ReadsPlayableFormsAndRefusesTheRest) {
    const std::string extensible = le(22, 2) + le(16, 2) + le(3, 4) + le(1, 2) + std::string(14, '\x10');
    const struct {
        const char* what;
        std::string bytes;
        int samples;
    } cases[] = {
        {"8-bit mono", riff(format(1, 1, 8) + chunk("data", "abc")), 3},
        {"odd chunk skipped with its pad",
         riff(format(1, 2, 16) + chunk("LIST", "x") + chunk("data", "abcdefgh")), 8},
        {"partial frame dropped", riff(format(1, 2, 16) + chunk("data", "abcdef")), 4},
        {"data cut short of its size", riff(format(1, 1, 16) + chunk("data", "abcd", 1000)), 4},
        {"float", riff(format(3, 1, 32) + chunk("data", "abcd")), 4},
        {"extensible integer", riff(format(0xFFFE, 1, 16, extensible) + chunk("data", "ab")), 2},
        {"not RIFF", "RIFX" + riff(format(1, 1, 8) + chunk("data", "a")).substr(4), -1},
        {"data before format", riff(chunk("data", "ab") + format(1, 1, 8)), -1},
        {"compressed", riff(format(2, 1, 4) + chunk("data", "ab")), -1},
        {"12-bit", riff(format(1, 1, 12) + chunk("data", "ab")), -1},
        {"24-bit stereo", riff(format(1, 2, 24) + chunk("data", "abcdefg")), 6},
        {"no channels", riff(format(1, 0, 8) + chunk("data", "ab")), -1},
        {"32 channels", riff(format(1, 32, 8) + chunk("data", std::string(32, 'a'))), 32},
        {"65535 channels", riff(format(1, 65535, 8) + chunk("data", "ab")), -1},
        {"384 kHz", riff(format(1, 1, 8, "", 384000) + chunk("data", "ab")), 2},
        {"rate beyond any output", riff(format(1, 1, 8, "", 0xFFFFFFFF) + chunk("data", "ab")), -1},
        {"no rate", riff(format(1, 1, 8, "", 0) + chunk("data", "ab")), -1},
        {"no data", riff(format(1, 1, 8)), -1},
        {"short", "RIFF", -1},
    };
    for (const auto& each : cases) {
        const std::optional<WaveSamples> wave = ReadWaveSamples(each.bytes);
        EXPECT_EQ(wave ? static_cast<int>(wave->data.size()) : -1, each.samples) << each.what;
    }
}
} // namespace
