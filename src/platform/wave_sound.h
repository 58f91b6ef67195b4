#pragma once
// Plays a wave file while the program goes on. Where no sound device is there,
// nothing is heard and nothing is reported: a missing sound is never an error.

#include <string>

// Starts the file; true when it plays. A sound still playing is stopped first; what
// is not a regular file is not played.
bool PlayWaveFile(const std::string& fileName);
void StopWaveFile();
// The file that is playing, or empty. Without a sound device a started file counts
// as playing until it is stopped.
std::string PlayingWaveFile();
