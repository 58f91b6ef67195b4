#pragma once
// Programs a test program starts beside itself (a display, a window manager, a
// sound server) and ends with it.

#include <string>
#include <sys/types.h>
#include <vector>

// Runs a program with the arguments and the extra environment ("NAME=value", ahead
// of the inherited one); the child keeps only the listed descriptor open beside the
// standard ones. Throws std::runtime_error when no child can be made. The program is
// ended when the thread that started it ends, should the test program end without
// stopping it.
pid_t SpawnProgram(std::vector<std::string> arguments, int keepOpen = -1,
                   const std::vector<std::string>& environment = {});

// Asks the program to end, and ends it when it has not within a few seconds.
void StopProgram(pid_t& process);
