#pragma once
// The firmware windows' sections of the settings file: "Single Flash" for the
// single window, "Multi Flash" .. "Multi Flash4" for the multiple windows 1 to 4.
// Reading applies the windows' rules to what the file holds; a write that cannot
// be made returns false (the window says so and the load goes on).

#include "firmware/multi_flash_load.h"

#include <array>
#include <string>

class TIniFile;

struct SingleFlashSettings {
    int portIndex = 0;
    std::string initialDir; // the executable's folder when none was saved
};

SingleFlashSettings ReadSingleFlashSettings(const TIniFile& ini);
bool WriteSingleFlashSettings(TIniFile& ini, int portIndex, const std::string& fileName);

struct MultiFlashSettings {
    std::array<int, kFlashChannels> portIndex{};
    std::array<bool, kFlashChannels> enabled{};
    std::string initialDir;
    std::string fileName; // empty when none was saved
    int filterIndex = 0;
    bool h8_3069 = false;
    bool kzModule = false;
    bool freq24 = true;
    bool freq33 = false;
    bool freqVar = false;
    int crystalHz = 24576000;
    int deviceRow = 0;
    bool speedSelection = false;
};

// The section of window instance 1 to 4; a window without a number uses "".
std::string MultiFlashSection(int instance);

// portCounts: the number of items in each channel's port box. A saved index the
// box cannot take turns that channel off and selects item 0.
MultiFlashSettings ReadMultiFlashSettings(const TIniFile& ini, int instance,
                                          const std::array<int, kFlashChannels>& portCounts);
bool WriteMultiFlashSettings(TIniFile& ini, int instance, const MultiFlashSettings& settings);

// The message of a failed write.
inline constexpr const char* kSettingsWriteFailed = "Unable to write ini file. Access denied";
