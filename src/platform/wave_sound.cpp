#include "platform/wave_sound.h"

#if QUOVIX_HAVE_MULTIMEDIA
#include <QSoundEffect>
#include <QUrl>
#include <memory>

namespace {
std::unique_ptr<QSoundEffect> playing;
}

bool PlayWaveFile(const std::string& fileName) {
    StopWaveFile();
    playing = std::make_unique<QSoundEffect>();
    playing->setSource(QUrl::fromLocalFile(QString::fromStdString(fileName)));
    playing->play();
    return playing->status() != QSoundEffect::Error;
}

void StopWaveFile() {
    playing.reset();
}
#else
bool PlayWaveFile(const std::string&) {
    return false;
}

void StopWaveFile() {}
#endif
