#pragma once
// Plays a wave file while the program goes on. Where the program is built without
// Qt Multimedia, or no sound device is there, nothing is heard and nothing is
// reported: a missing sound is never an error.

#include <string>

// Starts the file; true when it plays. A sound still playing is stopped first.
bool PlayWaveFile(const std::string& fileName);
void StopWaveFile();
