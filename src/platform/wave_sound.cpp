#include "platform/wave_sound.h"

#include "platform/file_contents.h"
#include "platform/wave_file.h"

#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QMediaDevices>

#include <memory>

namespace {
// The sound that plays: its samples are read from memory by the sink, so no loader
// thread of the sound library is ever started for it.
struct PlayingSound {
    std::string fileName;
    QByteArray samples;
    QBuffer source{&samples};
    std::unique_ptr<QAudioSink> sink;
    // Set when the sink has played every sample.
    bool finished = false;
};

std::unique_ptr<PlayingSound> playing;
bool stoppedAtApplicationEnd = false;

// The sink is stopped and gone before the application object goes, so nothing of
// the sound outlives the program's own teardown.
void StopAtApplicationEnd() {
    stoppedAtApplicationEnd = false;
    StopWaveFile();
}

QAudioFormat FormatOf(const WaveSamples& wave) {
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(wave.sampleRate));
    format.setChannelCount(wave.channels);
    if (wave.floatingPoint)
        format.setSampleFormat(QAudioFormat::Float);
    else if (wave.bitsPerSample == 8)
        format.setSampleFormat(QAudioFormat::UInt8);
    else
        format.setSampleFormat(wave.bitsPerSample == 16 ? QAudioFormat::Int16 : QAudioFormat::Int32);
    return format;
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
    const std::optional<WaveSamples> wave = ReadWaveFile(fileName);
    if (!wave)
        return false;
    if (!stoppedAtApplicationEnd) {
        qAddPostRoutine(StopAtApplicationEnd);
        stoppedAtApplicationEnd = true;
    }
    playing = std::make_unique<PlayingSound>();
    playing->fileName = fileName;
    playing->samples = QByteArray(wave->data.data(), static_cast<qsizetype>(wave->data.size()));
    playing->source.open(QIODevice::ReadOnly);
    playing->sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), FormatOf(*wave));
    PlayingSound* sound = playing.get();
    QObject::connect(sound->sink.get(), &QAudioSink::stateChanged, sound->sink.get(),
                     [sound](QAudio::State state) {
                         if (state == QAudio::IdleState && !sound->finished) {
                             sound->finished = true;
                             sound->sink->stop();
                         }
                     });
    sound->sink->start(&sound->source);
    return true;
}

void StopWaveFile() {
    if (playing != nullptr && playing->sink != nullptr)
        playing->sink->stop();
    playing.reset();
}

std::string PlayingWaveFile() {
    return playing != nullptr && !playing->finished ? playing->fileName : std::string();
}
