#pragma once
// The program keeps its files beside the executable: the settings file (the
// executable's path with ".ini"), the ports folder, the modem-type files, the
// script store. Tests point these at a folder of their own with
// SetProgramPathForTests, so no test touches the files of a real installation.

#include <string>

// Full path of the executable (or of the path set for tests).
std::string ExeName();
// Folder of the executable, without a trailing slash.
std::string ProgramFolder();
// The settings file: ExeName() with its extension replaced by ".ini".
std::string SettingsFileName();
// A file beside the executable.
std::string ProgramFile(const std::string& name);

// Makes the program behave as if its executable were at exePath.
void SetProgramPathForTests(const std::string& exePath);
