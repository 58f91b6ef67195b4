#include "firmware/flash_settings.h"

#include "platform/program_files.h"
#include "platform/tinifile.h"

#include <algorithm>

namespace {
const char* const kSingleSection = "Single Flash";
const char* const kNone = "ERROR";
constexpr char kSeparator = '/';
const std::array<const char*, kFlashChannels> kPortKeys{"Serial port", "Serial port2", "Serial port3",
                                                        "Serial port4"};
const std::array<const char*, kFlashChannels> kEnableKeys{"Enable 1", "Enable 2", "Enable 3", "Enable 4"};

std::string directoryPart(const std::string& fileName) {
    const size_t slash = fileName.rfind(kSeparator);
    return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

// The folder without its closing separator, except the root, which is only that.
std::string folderOf(const std::string& fileName) {
    const size_t slash = fileName.rfind(kSeparator);
    return slash == std::string::npos ? std::string() : fileName.substr(0, std::max<size_t>(slash, 1));
}

std::string filePart(const std::string& fileName) {
    const size_t slash = fileName.rfind(kSeparator);
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string initialDirectory(const std::string& saved) {
    return saved == kNone ? ProgramFolder() : saved;
}

// A saved root folder ends in its only separator, which the join puts back.
std::string joinedFileName(std::string directory, const std::string& name) {
    if (directory.find(kSeparator) == directory.size() - 1)
        directory.pop_back();
    if (directory.empty() || directory.back() != kSeparator)
        directory += kSeparator;
    return directory + name;
}

const char* flag(bool on) {
    return on ? "1" : "0";
}

template <typename Write> bool writeAll(TIniFile& ini, Write write) {
    try {
        ini.BeginUpdate();
        write();
        ini.UpdateFile();
        return true;
    } catch (const EIniFileException&) {
        return false;
    }
}
} // namespace

SingleFlashSettings ReadSingleFlashSettings(const TIniFile& ini) {
    SingleFlashSettings settings;
    settings.portIndex = ini.ReadInteger(kSingleSection, "Serial port", 0);
    settings.initialDir = initialDirectory(ini.ReadString(kSingleSection, "Directory", kNone));
    return settings;
}

bool WriteSingleFlashSettings(TIniFile& ini, int portIndex, const std::string& fileName) {
    return writeAll(ini, [&] {
        ini.WriteInteger(kSingleSection, "Serial port", portIndex);
        ini.WriteString(kSingleSection, "Directory", folderOf(fileName));
    });
}

std::string MultiFlashSection(int instance) {
    switch (instance) {
    case 1:
        return "Multi Flash";
    case 2:
    case 3:
    case 4:
        return "Multi Flash" + std::to_string(instance);
    default:
        return {};
    }
}

MultiFlashSettings ReadMultiFlashSettings(const TIniFile& ini, int instance,
                                          const std::array<int, kFlashChannels>& portCounts) {
    const std::string section = MultiFlashSection(instance);
    MultiFlashSettings settings;
    for (int c = 0; c < kFlashChannels; ++c)
        settings.enabled[c] = ini.ReadString(section, kEnableKeys[c], "0") == "1";
    for (int c = 0; c < kFlashChannels; ++c) {
        const int index = ini.ReadInteger(section, kPortKeys[c], 0);
        const bool fits = index >= 0 && index < portCounts[c];
        settings.portIndex[c] = fits ? index : 0;
        settings.enabled[c] = settings.enabled[c] && fits;
    }
    const std::string directory = ini.ReadString(section, "Directory", kNone);
    const std::string name = ini.ReadString(section, "Filename", kNone);
    settings.initialDir = initialDirectory(directory);
    settings.fileName = name == kNone ? std::string() : joinedFileName(directory, name);
    settings.filterIndex = ini.ReadInteger(section, "Type", 0);
    settings.h8_3069 = ini.ReadBool(section, "Enable h8 3069", false);
    settings.kzModule = ini.ReadBool(section, "Enable KZ", false);
    settings.freq24 = ini.ReadBool(section, "freq 24", true);
    settings.freq33 = ini.ReadBool(section, "freq 33", false);
    settings.freqVar = ini.ReadBool(section, "freq var", false);
    if (int{settings.freq24} + int{settings.freq33} + int{settings.freqVar} > 1) {
        settings.freq24 = true;
        settings.freq33 = settings.freqVar = false;
    }
    settings.crystalHz = ini.ReadInteger(section, "xtal freq", settings.crystalHz);
    settings.deviceRow = ini.ReadInteger(section, "Device", 0);
    settings.speedSelection = ini.ReadInteger(section, "Speed", 0) == 1;
    return settings;
}

bool WriteMultiFlashSettings(TIniFile& ini, int instance, const MultiFlashSettings& settings) {
    const std::string section = MultiFlashSection(instance);
    return writeAll(ini, [&] {
        for (int c = 0; c < kFlashChannels; ++c) {
            ini.WriteInteger(section, kPortKeys[c], settings.portIndex[c]);
            ini.WriteString(section, kEnableKeys[c], flag(settings.enabled[c]));
        }
        ini.WriteString(section, "Directory", directoryPart(settings.fileName));
        ini.WriteString(section, "Filename", filePart(settings.fileName));
        ini.WriteInteger(section, "Type", settings.filterIndex);
        ini.WriteString(section, "Enable h8 3069", flag(settings.h8_3069));
        ini.WriteString(section, "Enable KZ", flag(settings.kzModule));
        ini.WriteString(section, "freq 24", flag(settings.freq24));
        ini.WriteString(section, "freq 33", flag(settings.freq33));
        ini.WriteString(section, "freq var", flag(settings.freqVar));
        ini.WriteInteger(section, "xtal freq", settings.crystalHz);
        ini.WriteInteger(section, "Device", settings.deviceRow);
        ini.WriteString(section, "Speed", flag(settings.speedSelection));
    });
}
