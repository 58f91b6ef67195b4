#pragma once
// A wave file of silence, 8 kHz, 8 bits, mono: 8000 samples a second.

#include <cstdint>
#include <string>

inline std::string SilentWave(uint32_t samples) {
    const auto le = [](uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        return out;
    };
    return "RIFF" + le(36 + samples, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
           le(8000, 4) + le(1, 2) + le(8, 2) + "data" + le(samples, 4) + std::string(samples, '\x80');
}
