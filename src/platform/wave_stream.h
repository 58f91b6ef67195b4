#pragma once
// How the sound server is to take a wave file's samples: their sample form and the
// speaker each channel plays on.

#include "platform/wave_file.h"

#include <pulse/channelmap.h>
#include <pulse/sample.h>

pa_sample_spec WaveSampleSpec(const WaveSamples& wave);

// The speakers an extensible header names, channel by channel in the order of its
// mask's bits, and channels beyond those named auxiliary ones. A file that names
// none of those speakers stands in the WAVE order: the library's default map knows only up to six
// channels, so those beyond its named positions are auxiliary too.
pa_channel_map WaveChannelMap(const WaveSamples& wave);
