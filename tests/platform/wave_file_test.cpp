#include "platform/wave_file.h"
#include "platform/wave_stream.h"

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

// A block align of 0 is that of the samples side by side.
std::string format(uint16_t tag, uint16_t channels, uint16_t bits, const std::string& extension = "",
                   uint32_t rate = 8000, uint16_t blockAlign = 0) {
    const uint32_t align = blockAlign != 0 ? blockAlign : channels * bits / 8u;
    return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * align, 4) + le(align, 2) +
                             le(bits, 2) + extension);
}

// An extensible header's tail: 16 valid bits, the speakers named, integer samples.
std::string speakers(uint32_t mask) {
    return le(22, 2) + le(16, 2) + le(mask, 4) + le(1, 2) + std::string(14, '\x10');
}

std::string riff(const std::string& chunks) {
    return "RIFF" + le(static_cast<uint32_t>(4 + chunks.size()), 4) + "WAVE" + chunks;
}

// Which wave files give samples, and how many bytes of them (-1: refused).
TEST(WaveFileTest, ReadsPlayableFormsAndRefusesTheRest) {
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
        {"extensible integer", riff(format(0xFFFE, 1, 16, speakers(3)) + chunk("data", "ab")), 2},
        {"not RIFF", "RIFX" + riff(format(1, 1, 8) + chunk("data", "a")).substr(4), -1},
        {"data before format", riff(chunk("data", "ab") + format(1, 1, 8)), -1},
        {"compressed", riff(format(2, 1, 4) + chunk("data", "ab")), -1},
        {"12-bit", riff(format(1, 1, 12) + chunk("data", "ab")), -1},
        {"24-bit stereo", riff(format(1, 2, 24) + chunk("data", "abcdefg")), 6},
        {"block align short of 24-bit frames", riff(format(1, 1, 24, "", 8000, 2) + chunk("data", "abcd")),
         -1},
        {"16-bit frames padded to 8 bytes", riff(format(1, 2, 16, "", 8000, 8) + chunk("data", "abcdefgh")),
         -1},
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

// Each channel plays on the speaker an extensible header names for it; without
// names, in the WAVE order.
TEST(WaveFileTest, ChannelsPlayOnTheSpeakersTheFileNames) {
    const std::string frames(8, 'a');
    const struct {
        const char* what;
        std::string bytes;
        const char* map;
    } cases[] = {
        {"four, none named", riff(format(1, 4, 16) + chunk("data", frames)),
         "front-left,front-right,front-center,lfe"},
        {"four, front and back pairs", riff(format(0xFFFE, 4, 16, speakers(0x33)) + chunk("data", frames)),
         "front-left,front-right,rear-left,rear-right"},
        {"fewer named than channels", riff(format(0xFFFE, 4, 8, speakers(0x4)) + chunk("data", frames)),
         "front-center,aux0,aux1,aux2"},
        {"more named than channels", riff(format(0xFFFE, 1, 16, speakers(0x3)) + chunk("data", frames)),
         "front-left"},
        {"a later plain format",
         riff(format(0xFFFE, 2, 16, speakers(0x30)) + format(1, 2, 16) + chunk("data", frames)),
         "front-left,front-right"},
        {"no speaker of a known place",
         riff(format(0xFFFE, 2, 16, speakers(0x80000000)) + chunk("data", frames)), "front-left,front-right"},
    };
    for (const auto& each : cases) {
        const std::optional<WaveSamples> wave = ReadWaveSamples(each.bytes);
        ASSERT_TRUE(wave) << each.what;
        const pa_channel_map map = WaveChannelMap(*wave);
        char text[PA_CHANNEL_MAP_SNPRINT_MAX];
        EXPECT_STREQ(pa_channel_map_snprint(text, sizeof text, &map), each.map) << each.what;
    }
}
} // namespace
