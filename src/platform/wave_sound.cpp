#include "platform/wave_sound.h"

#include "platform/latin1.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

#include <filesystem>

namespace {
// Owned by the application, so a sound left playing goes with it.
QPointer<QSoundEffect> playing;
} // namespace

bool PlayWaveFile(const std::string& fileName) {
    StopWaveFile();
    // The player opens the file by name on a thread of its own, where a pipe would
    // keep it waiting for a writer; only a regular file is handed to it.
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error))
        return false;
    playing = new QSoundEffect(QCoreApplication::instance());
    playing->setSource(QUrl::fromLocalFile(fromLatin1(fileName)));
    playing->play();
    return playing->isPlaying();
}

void StopWaveFile() {
    delete playing.data();
}

std::string PlayingWaveFile() {
    return playing && playing->isPlaying() ? toLatin1(playing->source().toLocalFile()) : std::string();
}
