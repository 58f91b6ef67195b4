// Wave files as the result sound reads them: any bytes must read without a crash,
// and what is accepted must be a form the sound output plays, whole frames only.
#include "platform/wave_file.h"
#include "fuzz_require.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<WaveSamples> wave = ReadWaveSamples(bytes);
    if (!wave)
        return 0;
    const uint16_t bits = wave->bitsPerSample;
    require(bits == 8 || bits == 16 || bits == 32);
    require(!wave->floatingPoint || bits == 32);
    require(wave->channels >= 1 && wave->channels <= kMaxWaveChannels);
    require(wave->sampleRate >= 1 && wave->sampleRate <= kMaxWaveSampleRate);
    require(wave->data.size() <= size && wave->data.size() % (size_t{wave->channels} * bits / 8) == 0);
    return 0;
}
