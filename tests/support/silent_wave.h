#pragma once
// A wave file of silence at 8 kHz: 8-bit mono unless told otherwise, 8000 frames a
// second.

#include <cstdint>
#include <string>

inline std::string SilentWave(uint32_t frames, uint16_t channels = 1, uint16_t bits = 8) {
    const auto le = [](uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        return out;
    };
    const uint32_t frameSize = channels * bits / 8u;
    const uint32_t size = frames * frameSize;
    return "RIFF" + le(36 + size, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(channels, 2) + le(8000, 4) +
           le(8000 * frameSize, 4) + le(frameSize, 2) + le(bits, 2) + "data" + le(size, 4) +
           std::string(size, bits == 8 ? '\x80' : '\0');
}
