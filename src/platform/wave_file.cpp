#include "platform/wave_file.h"

#include <algorithm>

namespace {
constexpr uint16_t kIntegerPcm = 1;
constexpr uint16_t kFloatPcm = 3;
// The tag that names the form in the first two bytes of a sub-format after the
// format's 24th byte.
constexpr uint16_t kExtensible = 0xFFFE;
constexpr size_t kRiffHeader = 12;
constexpr size_t kChunkHeader = 8;
constexpr size_t kFormatSize = 16;
constexpr size_t kBlockAlign = 12;
constexpr size_t kChannelMask = 20;
constexpr size_t kSubFormatTag = 24;

uint32_t LittleEndian(const std::string& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

// The bytes of one frame: a sample of each channel.
size_t FrameSize(const WaveSamples& wave) {
    return size_t{wave.channels} * (wave.bitsPerSample / 8u);
}

// Fills the sample form from a "fmt " chunk; false for a form that is not played.
bool ReadFormat(const std::string& chunk, WaveSamples& wave) {
    if (chunk.size() < kFormatSize)
        return false;
    uint16_t tag = static_cast<uint16_t>(LittleEndian(chunk, 0, 2));
    wave.channelMask = 0;
    if (tag == kExtensible && chunk.size() >= kSubFormatTag + 2) {
        tag = static_cast<uint16_t>(LittleEndian(chunk, kSubFormatTag, 2));
        wave.channelMask = LittleEndian(chunk, kChannelMask, 4);
    }
    wave.channels = static_cast<uint16_t>(LittleEndian(chunk, 2, 2));
    wave.sampleRate = LittleEndian(chunk, 4, 4);
    wave.bitsPerSample = static_cast<uint16_t>(LittleEndian(chunk, 14, 2));
    wave.floatingPoint = tag == kFloatPcm;
    const bool integer = tag == kIntegerPcm && (wave.bitsPerSample == 8 || wave.bitsPerSample == 16 ||
                                                wave.bitsPerSample == 24 || wave.bitsPerSample == 32);
    const bool floating = wave.floatingPoint && wave.bitsPerSample == 32;
    return (integer || floating) && wave.channels > 0 && wave.channels <= kMaxWaveChannels &&
           wave.sampleRate > 0 && wave.sampleRate <= kMaxWaveSampleRate &&
           LittleEndian(chunk, kBlockAlign, 2) == FrameSize(wave);
}
} // namespace

std::optional<WaveSamples> ReadWaveSamples(const std::string& bytes) {
    if (bytes.size() < kRiffHeader || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return std::nullopt;
    WaveSamples wave;
    bool formatRead = false;
    // Chunks are walked to the data chunk; a chunk of odd size is followed by a pad
    // byte, and a chunk that claims more than the file holds is cut at its end.
    for (size_t at = kRiffHeader; at + kChunkHeader <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const size_t size =
            std::min<size_t>(LittleEndian(bytes, at + 4, 4), bytes.size() - at - kChunkHeader);
        const std::string chunk = bytes.substr(at + kChunkHeader, size);
        if (id == "fmt ") {
            if (!ReadFormat(chunk, wave))
                return std::nullopt;
            formatRead = true;
        } else if (id == "data") {
            if (!formatRead)
                return std::nullopt;
            const size_t frame = FrameSize(wave);
            wave.data = chunk.substr(0, chunk.size() - chunk.size() % frame);
            return wave;
        }
        at += kChunkHeader + size + size % 2;
    }
    return std::nullopt;
}
