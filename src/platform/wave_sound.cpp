#include "platform/wave_sound.h"

#include "platform/latin1.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace {
// Owned by the application, so a sound left playing goes with it.
QPointer<QSoundEffect> playing;
} // namespace

bool PlayWaveFile(const std::string& fileName) {
    StopWaveFile();
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
