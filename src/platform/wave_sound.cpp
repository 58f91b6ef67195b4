#include "platform/wave_sound.h"

#include "platform/file_contents.h"
#include "platform/wave_file.h"

#include <QCoreApplication>

#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

static_assert(kMaxWaveChannels <= PA_CHANNELS_MAX && kMaxWaveSampleRate <= PA_RATE_MAX,
              "every wave form the reader accepts can be played");

namespace {
// The samples go to the server a twentieth of a second at a time, so a stop is
// seen within about that long; the server holds a tenth of a second ahead.
constexpr uint32_t kWritesPerSecond = 20;
constexpr uint32_t kBufferedPerSecond = 10;

struct StreamCloser {
    void operator()(pa_simple* stream) const { pa_simple_free(stream); }
};
using Stream = std::unique_ptr<pa_simple, StreamCloser>;

pa_sample_spec SpecOf(const WaveSamples& wave) {
    pa_sample_spec spec{};
    if (wave.floatingPoint)
        spec.format = PA_SAMPLE_FLOAT32LE;
    else if (wave.bitsPerSample == 8)
        spec.format = PA_SAMPLE_U8;
    else
        spec.format = wave.bitsPerSample == 16 ? PA_SAMPLE_S16LE : PA_SAMPLE_S32LE;
    spec.rate = wave.sampleRate;
    spec.channels = static_cast<uint8_t>(wave.channels);
    return spec;
}

// One sound on a thread of its own, which holds the stream and the connection
// from start to end: the object's end stops the sound and joins the thread, so
// nothing of the sound output is left once it is gone.
class Playback {
public:
    Playback(std::string fileName, WaveSamples wave)
        : fileName_(std::move(fileName)), wave_(std::move(wave)), thread_([this] { Play(); }) {}
    ~Playback() {
        stop_ = true;
        thread_.join();
    }
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    const std::string& FileName() const { return fileName_; }
    // Set when every sample was played.
    bool Finished() const { return finished_; }

private:
    void Play() {
        const pa_sample_spec spec = SpecOf(wave_);
        const uint32_t second = static_cast<uint32_t>(pa_bytes_per_second(&spec));
        const size_t frame = pa_frame_size(&spec);
        const pa_buffer_attr buffer{static_cast<uint32_t>(-1), second / kBufferedPerSecond,
                                    static_cast<uint32_t>(-1), static_cast<uint32_t>(-1),
                                    static_cast<uint32_t>(-1)};
        const Stream stream(pa_simple_new(nullptr, "Quovix 5", PA_STREAM_PLAYBACK, nullptr, "result sound",
                                          &spec, nullptr, &buffer, nullptr));
        if (stream == nullptr)
            return;
        const size_t piece = std::max(frame, second / kWritesPerSecond / frame * frame);
        const std::string& data = wave_.data;
        for (size_t at = 0; at < data.size(); at += piece) {
            if (stop_ || pa_simple_write(stream.get(), data.data() + at, std::min(piece, data.size() - at),
                                         nullptr) < 0)
                return;
        }
        finished_ = !stop_ && pa_simple_drain(stream.get(), nullptr) >= 0;
    }

    const std::string fileName_;
    const WaveSamples wave_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    // Last, so that it starts once everything it reads is there.
    std::thread thread_;
};

// At the program's very end the global's destruction stops a sound still playing
// too, before the libraries go.
std::unique_ptr<Playback> playing;
bool stoppedAtApplicationEnd = false;

void StopAtApplicationEnd() {
    stoppedAtApplicationEnd = false;
    StopWaveFile();
}

std::optional<WaveSamples> ReadWaveFile(const std::string& fileName) {
    try {
        return ReadWaveSamples(ReadFileContents(fileName));
    } catch (const EFileReadError&) {
        return std::nullopt;
    }
}
} // namespace

bool PlayWaveFile(const std::string& fileName) {
    StopWaveFile();
    std::optional<WaveSamples> wave = ReadWaveFile(fileName);
    if (!wave)
        return false;
    if (!stoppedAtApplicationEnd) {
        qAddPostRoutine(StopAtApplicationEnd);
        stoppedAtApplicationEnd = true;
    }
    try {
        playing = std::make_unique<Playback>(fileName, std::move(*wave));
    } catch (const std::system_error&) {
        return false; // no thread to play it on: silent, as without a server
    }
    return true;
}

void StopWaveFile() {
    playing.reset();
}

std::string PlayingWaveFile() {
    return playing != nullptr && !playing->Finished() ? playing->FileName() : std::string();
}
