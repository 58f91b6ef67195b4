// Wave files as the result sound reads them: any bytes must read without a crash,
// and what is accepted must be what the sound library takes, by its own checks: a
// valid sample form of the file's channels, a channel map that fits it, and whole
// frames only.
#include "platform/wave_file.h"
#include "fuzz_require.h"
#include "platform/wave_stream.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<WaveSamples> wave = ReadWaveSamples(bytes);
    if (!wave)
        return 0;
    const pa_sample_spec spec = WaveSampleSpec(*wave);
    const pa_channel_map map = WaveChannelMap(*wave);
    require(pa_sample_spec_valid(&spec) && spec.channels == wave->channels);
    require(pa_channel_map_valid(&map) && pa_channel_map_compatible(&map, &spec));
    require(wave->data.size() <= size && wave->data.size() % pa_frame_size(&spec) == 0);
    return 0;
}
