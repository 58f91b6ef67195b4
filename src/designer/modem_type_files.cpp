#include "designer/modem_type_files.h"

#include "base/modem_type_check.h"
#include "base/text_lines.h"
#include "designer/tkuvio.h"
#include "platform/ascii.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

constexpr const char* kTypeFileExtension = ".smf";

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return SplitLines(text);
}

bool IsTypeFile(const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_regular_file(error) && SameText(entry.path().extension().string(), kTypeFileExtension);
}

bool QualifiesForCatalogue(const std::string& path, bool singleModem) {
    const TIniFile ini(path);
    if (ini.ReadString("Version", "Quovix ini", "xERROR") == "xERROR")
        return false;
    return singleModem || ini.ReadString("Version", "Routable", "true") != "false";
}

} // namespace

std::string ProgramFileIgnoringCase(const std::string& name) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ProgramFolder(), error))
        if (SameText(entry.path().filename().string(), name))
            return entry.path().string();
    return ProgramFile(name);
}

std::vector<std::string> BuildModemTypeCatalogue(bool singleModem) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ProgramFolder(), error))
        if (IsTypeFile(entry) && QualifiesForCatalogue(entry.path().string(), singleModem))
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end(), LessText);
    return names;
}

void CheckModemTypeFile(const std::string& typeFileName, bool factoryMode) {
    const std::string path = ProgramFileIgnoringCase(typeFileName);
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        ShowMessage("File " + path + " is missing !!\rRevcover file and try again");
        return;
    }
    const int checkValue = ModemTypeCheckValue(typeFileName, ReadLines(path));
    TIniFile ini(path);
    const int stored = ini.ReadInteger("Version", "Number", -1);
    if (stored == checkValue)
        return;
    if (!factoryMode) {
        ShowMessage("Ini file " + typeFileName + " has been corrupted L " + std::to_string(checkValue) +
                    " S " + std::to_string(stored));
        return;
    }
    if (MessageBox("FACTORY: Do you want to correct CRC sum to ini file", "Confirm",
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    try {
        ini.WriteInteger("Version", "Number", checkValue);
    } catch (const EIniFileException&) {
        MessageBox("Unable to write ini file. Access denied", "Error", MB_OK | MB_ICONERROR);
    }
}

ModemTypeVersion ReadModemTypeVersion(const std::string& typeFileName) {
    const TIniFile ini(ProgramFileIgnoringCase(typeFileName));
    ModemTypeVersion values;
    values.settings = ini.ReadString("Version", "Settings", values.settings);
    values.versionNumber = ini.ReadInteger("Version", "Version number", values.versionNumber);
    values.name = ini.ReadString("Version", "Name", values.name);
    values.nmsSupport = ini.ReadInteger("Version", "nms support", values.nmsSupport);
    return values;
}

void ModemTypeVersionReader::ReadSmfVersionInfo(TKuvio& figure) {
    const std::string typeFile = figure.GetSmfFileName();
    if (typeFile != lastTypeFile_) {
        CheckModemTypeFile(typeFile, factoryMode_);
        values_ = ReadModemTypeVersion(typeFile);
    }
    figure.settingsFromType = values_.settings;
    figure.versionFromType = values_.versionNumber;
    figure.modemNameFromType = values_.name;
    figure.SetNmsSupport(values_.nmsSupport == 1);
    lastTypeFile_ = typeFile;
}
