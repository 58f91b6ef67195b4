#pragma once
// Plays a wave file while the program goes on. Where no sound server is there,
// nothing is heard and nothing is reported: a missing sound is never an error.
// The sound plays on a thread of the player's own; stopping it closes the stream
// and the connection to the server and joins the thread. A sound still playing
// when the application ends is stopped so before the application object goes.

#include <string>

// Starts the file; true when it is a wave file that was started. A sound still
// playing is stopped first.
bool PlayWaveFile(const std::string& fileName);
void StopWaveFile();
// The file that is playing, or empty. Without a sound server a started file counts
// as playing until it is stopped.
std::string PlayingWaveFile();
