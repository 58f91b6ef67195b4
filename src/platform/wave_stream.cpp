#include "platform/wave_stream.h"

#include <iterator>

static_assert(kMaxWaveChannels <= PA_CHANNELS_MAX && kMaxWaveSampleRate <= PA_RATE_MAX,
              "every wave form the reader accepts can be played");

namespace {
// The speaker each bit of an extensible header's channel mask names, from bit 0.
constexpr pa_channel_position_t kMaskSpeakers[] = {
    PA_CHANNEL_POSITION_FRONT_LEFT,
    PA_CHANNEL_POSITION_FRONT_RIGHT,
    PA_CHANNEL_POSITION_FRONT_CENTER,
    PA_CHANNEL_POSITION_LFE,
    PA_CHANNEL_POSITION_REAR_LEFT,
    PA_CHANNEL_POSITION_REAR_RIGHT,
    PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER,
    PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER,
    PA_CHANNEL_POSITION_REAR_CENTER,
    PA_CHANNEL_POSITION_SIDE_LEFT,
    PA_CHANNEL_POSITION_SIDE_RIGHT,
    PA_CHANNEL_POSITION_TOP_CENTER,
    PA_CHANNEL_POSITION_TOP_FRONT_LEFT,
    PA_CHANNEL_POSITION_TOP_FRONT_CENTER,
    PA_CHANNEL_POSITION_TOP_FRONT_RIGHT,
    PA_CHANNEL_POSITION_TOP_REAR_LEFT,
    PA_CHANNEL_POSITION_TOP_REAR_CENTER,
    PA_CHANNEL_POSITION_TOP_REAR_RIGHT,
};
} // namespace

pa_sample_spec WaveSampleSpec(const WaveSamples& wave) {
    pa_sample_spec spec{};
    if (wave.floatingPoint)
        spec.format = PA_SAMPLE_FLOAT32LE;
    else if (wave.bitsPerSample == 8)
        spec.format = PA_SAMPLE_U8;
    else if (wave.bitsPerSample == 16)
        spec.format = PA_SAMPLE_S16LE;
    else
        spec.format = wave.bitsPerSample == 24 ? PA_SAMPLE_S24LE : PA_SAMPLE_S32LE;
    spec.rate = wave.sampleRate;
    spec.channels = static_cast<uint8_t>(wave.channels);
    return spec;
}

pa_channel_map WaveChannelMap(const WaveSamples& wave) {
    pa_channel_map map{};
    pa_channel_map_init_extend(&map, wave.channels, PA_CHANNEL_MAP_WAVEEX);
    const uint32_t named = wave.channelMask & ((1u << std::size(kMaskSpeakers)) - 1);
    if (named == 0)
        return map;
    unsigned channel = 0;
    for (size_t bit = 0; bit < std::size(kMaskSpeakers) && channel < wave.channels; ++bit)
        if (named & (1u << bit))
            map.map[channel++] = kMaskSpeakers[bit];
    for (unsigned aux = 0; channel < wave.channels; ++aux)
        map.map[channel++] = static_cast<pa_channel_position_t>(PA_CHANNEL_POSITION_AUX0 + aux);
    return map;
}
