#include "platform/wave_sound.h"

#include "platform/file_contents.h"
#include "platform/wave_file.h"
#include "platform/wave_stream.h"

#include <QCoreApplication>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

namespace {
// The server holds a tenth of a second ahead of what is heard.
constexpr uint32_t kBufferedPerSecond = 10;

struct MainLoopFree {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};

// One sound on a thread of its own, which runs the sound library's main loop and
// holds the connection to the server and the stream from start to end. The
// object's end wakes the loop, so a stop is at once even while the server is slow
// to take samples, and joins the thread once the stream, the connection and the
// loop are gone: nothing of the sound output outlives it.
class Playback {
public:
    Playback(std::string fileName, WaveSamples wave)
        : fileName_(std::move(fileName)), wave_(std::move(wave)), loop_(pa_mainloop_new()),
          thread_([this] { Play(); }) {}
    ~Playback() {
        stop_ = true;
        pa_mainloop_wakeup(loop_.get());
        thread_.join();
    }
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    const std::string& FileName() const { return fileName_; }
    // Set when every sample was played.
    bool Finished() const { return finished_; }

private:
    // Without a server (none is started for it) the loop ends at once.
    void Play() {
        pa_context* context = pa_context_new(pa_mainloop_get_api(loop_.get()), "Quovix 5");
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
            while (!stop_ && pa_mainloop_iterate(loop_.get(), 1, nullptr) >= 0 && Step(context)) {
            }
        }
        if (stream_ != nullptr) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (drain_ != nullptr)
            pa_operation_unref(drain_);
        pa_context_disconnect(context);
        pa_context_unref(context);
    }

    // Moves the sound on after the loop's events: opens the stream once the
    // connection stands, hands the server what it asks for, and drains the stream
    // after the last sample. False once the sound can go no further.
    bool Step(pa_context* context) {
        const pa_context_state_t connection = pa_context_get_state(context);
        if (!PA_CONTEXT_IS_GOOD(connection))
            return false;
        if (connection != PA_CONTEXT_READY)
            return true;
        if (stream_ == nullptr)
            return OpenStream(context);
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        if (state != PA_STREAM_READY)
            return PA_STREAM_IS_GOOD(state);
        const std::string& data = wave_.data;
        const size_t piece = std::min(pa_stream_writable_size(stream_), data.size() - written_);
        if (piece > 0 &&
            pa_stream_write(stream_, data.data() + written_, piece, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return false;
        written_ += piece;
        if (written_ < data.size())
            return true;
        if (drain_ == nullptr)
            drain_ = pa_stream_drain(stream_, nullptr, nullptr);
        if (drain_ == nullptr)
            return false;
        if (pa_operation_get_state(drain_) == PA_OPERATION_RUNNING)
            return true;
        finished_ = pa_operation_get_state(drain_) == PA_OPERATION_DONE;
        return false;
    }

    bool OpenStream(pa_context* context) {
        const pa_sample_spec spec = WaveSampleSpec(wave_);
        const pa_channel_map map = WaveChannelMap(wave_);
        const auto unset = static_cast<uint32_t>(-1);
        const pa_buffer_attr buffer{unset,
                                    static_cast<uint32_t>(pa_bytes_per_second(&spec)) / kBufferedPerSecond,
                                    unset, unset, unset};
        stream_ = pa_stream_new(context, "result sound", &spec, &map);
        return stream_ != nullptr &&
               pa_stream_connect_playback(stream_, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr,
                                          nullptr) >= 0;
    }

    const std::string fileName_;
    const WaveSamples wave_;
    // Freed after the thread has ended, or at once when no thread could start.
    const std::unique_ptr<pa_mainloop, MainLoopFree> loop_;
    // Touched by the playing thread only.
    pa_stream* stream_ = nullptr;
    pa_operation* drain_ = nullptr;
    size_t written_ = 0;
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
