#include "designer/modem_type_files.h"

#include "base/modem_type_check.h"
#include "base/text_lines.h"
#include "designer/tkuvio.h"
#include "platform/ascii.h"
#include "platform/file_contents.h"
#include "platform/message_box.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

constexpr const char* kTypeFileExtension = ".smf";
// Type files are a few kilobytes; a file beyond this is no type file and is not read.
constexpr std::uintmax_t kLargestTypeFile = 1024 * 1024;

// A type name comes from a project file: one that could name a file outside the
// program's folder (a path separator, "..") or holds a control character names
// no type.
bool IsPlainTypeFileName(const std::string& name) {
    const auto unsafe = [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || code < 32 || code == 127;
    };
    return !name.empty() && name.find("..") == std::string::npos &&
           std::none_of(name.begin(), name.end(), unsafe);
}

// The file's lines; none when its read fails, so a file that could not be read is
// never checked as if it were empty.
std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
    try {
        return SplitLines(ReadFileContents(path));
    } catch (const EFileReadError&) {
        return std::nullopt;
    }
}

bool IsTypeFile(const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_regular_file(error) && SameText(entry.path().extension().string(), kTypeFileExtension);
}

bool QualifiesForCatalogue(const std::string& path, bool singleModem) {
    if (TypeFileTooLarge(path))
        return false;
    const TIniFile ini(path);
    if (ini.ReadString("Version", "Quovix ini", "xERROR") == "xERROR")
        return false;
    return singleModem || ini.ReadString("Version", "Routable", "true") != "false";
}

// Writing the number rewrites its line as the settings file spells a key (blanks
// around "=" go) or adds the line at the end of "Version", and the line's text up
// to its "=" is under the check. So the value written is the one computed over the
// lines as the write leaves them: the next check finds it.
void WriteCheckValue(const std::string& path, const std::string& typeFileName) {
    TIniFile corrected = TIniFile::ReadIntoMemory(path);
    corrected.WriteInteger("Version", "Number", 0);
    corrected.WriteInteger("Version", "Number",
                           ModemTypeCheckValue(typeFileName, corrected.Lines(), NumberLineForm::OwnKey));
    corrected.UpdateFile();
}

} // namespace

bool TypeFileTooLarge(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return !error && size > kLargestTypeFile;
}

std::string ProgramFileIgnoringCase(const std::string& name) {
    if (!IsPlainTypeFileName(name))
        return std::string();
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
    // A folder or a pipe under the name is a file that cannot be read, reported so below.
    if (path.empty() || NothingAt(path)) {
        ShowMessage("File " + ProgramFile(typeFileName) + " is missing !!\rRevcover file and try again");
        return;
    }
    if (TypeFileTooLarge(path)) {
        ShowMessage("Ini file " + typeFileName + " has been corrupted: it is larger than " +
                    std::to_string(kLargestTypeFile / 1024) + " KB");
        return;
    }
    const auto lines = ReadLines(path);
    if (!lines) {
        ShowMessage("Unable to read file " + path);
        return;
    }
    const int checkValue = ModemTypeCheckValue(typeFileName, *lines, NumberLineForm::OwnKey);
    const int stored = TIniFile(path).ReadInteger("Version", "Number", -1);
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
        WriteCheckValue(path, typeFileName);
    } catch (const EIniFileException&) {
        MessageBox("Unable to write ini file. Access denied", "Error", MB_OK | MB_ICONERROR);
    }
}

ModemTypeVersion ReadModemTypeVersion(const std::string& typeFileName) {
    const std::string path = ProgramFileIgnoringCase(typeFileName);
    ModemTypeVersion values;
    if (TypeFileTooLarge(path))
        return values;
    const TIniFile ini(path);
    values.settings = ini.ReadString("Version", "Settings", values.settings);
    values.versionNumber = ini.ReadInteger("Version", "Version number", values.versionNumber);
    values.name = ini.ReadString("Version", "Name", values.name);
    values.nmsSupport = ini.ReadInteger("Version", "nms support", values.nmsSupport);
    return values;
}

void ApplyModemTypeVersion(TKuvio& figure, const ModemTypeVersion& version) {
    figure.settingsFromType = version.settings;
    figure.versionFromType = version.versionNumber;
    figure.modemNameFromType = version.name;
    figure.SetNmsSupport(version.nmsSupport == 1);
}

void ModemTypeVersionReader::ReadSmfVersionInfo(TKuvio& figure) {
    ApplyModemTypeVersion(figure, VersionOf(figure.GetSmfFileName()));
}

const ModemTypeVersion& ModemTypeVersionReader::VersionOf(const std::string& typeFile) {
    if (typeFile != lastTypeFile_) {
        CheckModemTypeFile(typeFile, factoryMode_);
        values_ = ReadModemTypeVersion(typeFile);
        lastTypeFile_ = typeFile;
    }
    return values_;
}
