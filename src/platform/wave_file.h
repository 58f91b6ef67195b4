#pragma once
// The samples of a wave file (RIFF "WAVE" with integer or floating-point PCM), read
// without Qt so that the reading is checked apart from any sound device.

#include <cstdint>
#include <optional>
#include <string>

// The most channels and samples a second that the sound output plays.
constexpr uint16_t kMaxWaveChannels = 32;
constexpr uint32_t kMaxWaveSampleRate = 384000;

struct WaveSamples {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0; // 8 (unsigned), 16, 24 or 32
    bool floatingPoint = false; // 32-bit float samples
    // The speakers of the channels as an extensible header names them (a bit each,
    // front left first); 0 when the file names none and the channels stand in the
    // WAVE order.
    uint32_t channelMask = 0;
    std::string data; // the samples, whole frames only
};

// The samples of a wave file's bytes; nothing when the bytes are no wave file or
// hold a form of samples that is not played (beyond the limits above among them),
// or when the file's frames are not whole samples of each channel side by side (a
// block align other than the frame size), where reading would misplace samples.
std::optional<WaveSamples> ReadWaveSamples(const std::string& bytes);
