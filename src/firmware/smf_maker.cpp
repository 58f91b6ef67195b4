#include "firmware/smf_maker.h"

#include "base/modem_type_check.h"
#include "base/text_lines.h"
#include "base/tstreamstring.h"
#include "platform/ascii.h"
#include "platform/tinifile.h"

#include <filesystem>
#include <map>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlockEnd = ">>>>>>>>";
constexpr size_t kHeadingLines = 2;
constexpr const char* kNumberKey = "Number";

using Columns = std::vector<std::string>;

Columns SplitAtTabs(const std::string& line) {
    Columns columns;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
        columns.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    columns.push_back(line.substr(start));
    return columns;
}

std::string Column(const Columns& columns, size_t index) {
    return index < columns.size() ? columns[index] : std::string();
}

bool EndsBlock(const std::string& line) {
    return line.find(kBlockEnd) != std::string::npos;
}

// The lines of the export; a NUL byte ends it.
std::vector<std::string> ReadExport(const std::string& exportFile) {
    TStreamString file;
    file.LoadFromFile(exportFile);
    const std::string text = file.AsString();
    return SplitLines(text.substr(0, text.find('\0')));
}

std::string TypeName(const std::vector<std::string>& lines, const std::string& exportFile) {
    const size_t tab = lines.empty() ? std::string::npos : lines[0].find('\t');
    const std::string name = tab == std::string::npos ? std::string() : Trimmed(lines[0].substr(tab + 1));
    if (name.empty())
        throw std::runtime_error("No modem type name after a tab on the first line of " + exportFile);
    if (name.find('/') != std::string::npos || name == "." || name == "..")
        throw std::runtime_error("The modem type name \"" + name + "\" cannot be a file name");
    return name;
}

// Writes the entries of the export's lines into the modem-type file.
class SmfWriter {
public:
    explicit SmfWriter(TIniFile& ini) : ini_(ini) {}

    // The check number's key is written as "Number" whatever the export's spelling,
    // so that the maker and the designer compute over the same line.
    void header(const std::string& line) {
        const Columns columns = SplitAtTabs(line);
        const bool numberKey = SameText(Trimmed(columns[0]), kNumberKey);
        ini_.WriteString("Version", numberKey ? kNumberKey : columns[0], Column(columns, 1));
    }

    void parameter(const std::string& line) {
        if (line.empty())
            return;
        const Columns columns = SplitAtTabs(line);
        if (line[0] != '\t')
            startParameter(columns);
        else if (!key_.empty())
            continueParameter(Column(columns, 2));
    }

private:
    // The key is the type letter, the mode letter and the count of parameters of
    // that type so far (one count per letter, whatever its case or the mode).
    void startParameter(const Columns& columns) {
        const char type = columns[0][0];
        const std::string mode = Column(columns, 1).substr(0, 1);
        key_ = type + mode + std::to_string(++typeCounts_[AsciiUpper(type)]);
        isChoice_ = AsciiUpper(type) == 'R';
        continuations_ = 0;
        ini_.WriteString("Properties", key_, Column(columns, 2));
        // The designer takes the key after a parameter as its "_v" key whatever it
        // is: a parameter without a visibility line gets one, hidden (0), so that
        // the next parameter is not taken for it. A visibility line overwrites it.
        ini_.WriteString("Properties", key_ + "_v", "0");
        ini_.WriteString("help text", key_ + "_h", Column(columns, 3));
    }

    void continueParameter(const std::string& value) {
        if (continuations_ == 0)
            ini_.WriteString("Properties", key_ + "_v", value);
        else if (isChoice_)
            ini_.WriteString("Properties", key_ + "_" + std::to_string(continuations_), value);
        ++continuations_;
    }

    TIniFile& ini_;
    std::map<char, int> typeCounts_;
    std::string key_;
    bool isChoice_ = false;
    int continuations_ = 0;
};

void WriteEntries(const std::vector<std::string>& lines, TIniFile& ini) {
    SmfWriter writer(ini);
    size_t index = 1;
    for (; index < lines.size() && !EndsBlock(lines[index]); ++index)
        writer.header(lines[index]);
    for (index += 1 + kHeadingLines; index < lines.size() && !EndsBlock(lines[index]); ++index)
        writer.parameter(lines[index]);
}

// The check number covers the file as it is written: a "Number" entry is made
// first when the export has none, so that the designer finds the same line.
void WriteCheckNumber(TIniFile& ini, const std::string& typeFileName) {
    if (!ini.ValueExists("Version", kNumberKey))
        ini.WriteString("Version", kNumberKey, "0000");
    ini.WriteInteger("Version", kNumberKey,
                     ModemTypeCheckValue(typeFileName, ini.Lines(), NumberLineForm::Plain));
}

// A file of the same name in another letter case would stand beside the new one,
// where a system that ignores case sees a single file.
void RemoveOtherCaseFiles(const fs::path& target) {
    std::error_code error;
    const std::string name = target.filename().string();
    for (const auto& entry : fs::directory_iterator(target.parent_path(), error)) {
        const std::string other = entry.path().filename().string();
        if (other != name && SameText(other, name) && entry.is_regular_file(error))
            fs::remove(entry.path(), error);
    }
}

} // namespace

std::string MakeSmfFromText(const std::string& exportFile, const std::string& folder) {
    const std::vector<std::string> lines = ReadExport(exportFile);
    const std::string typeFileName = TypeName(lines, exportFile) + ".smf";
    const fs::path target = fs::path(folder) / typeFileName;
    TIniFile ini(target.string());
    ini.BeginRewrite();
    WriteEntries(lines, ini);
    WriteCheckNumber(ini, typeFileName);
    ini.UpdateFile();
    RemoveOtherCaseFiles(target);
    return target.string();
}
