#pragma once
// A sound server of the test program's own, as a technician's desktop has one:
// PulseAudio with a null sink (it takes the samples at a device's pace and plays
// them into nothing), in a runtime folder of its own, reached through PULSE_SERVER.
// Started by the first test that asks, it runs to the end of the test program, so
// that a sound still playing is connected to it when the program ends.

#include <string>

// Empty once the server runs; otherwise why none could start.
std::string StartSoundServer();
