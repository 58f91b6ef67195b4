#pragma once
// The modem-type files (".smf") in the program's folder: the catalogue of types the
// designer offers, the check of a file by its "Number" entry, and the "Version"
// values that every figure takes from its type's file. File names are matched
// without regard to letter case, as the files were made on a system that does so.

#include <string>
#include <vector>

class TKuvio;

// The path of a file in the program's folder whose name equals the given one
// ignoring case; the given name in that folder when there is none. A name that
// could reach outside the folder (a path separator, "..") or holds a control
// character gives an empty path: no file.
std::string ProgramFileIgnoringCase(const std::string& name);

// True for a file far larger than any modem-type file: it is reported as corrupted
// and never read.
bool TypeFileTooLarge(const std::string& path);

// The modem types a designer offers, sorted by name: every ".smf" file of the
// program's folder that is a modem-type file; a project designer leaves out the
// types that are not routable.
std::vector<std::string> BuildModemTypeCatalogue(bool singleModem);

// Checks the modem-type file by its "Number" entry and reports a missing or changed
// file. In factory mode it offers to write the check value into the file.
void CheckModemTypeFile(const std::string& typeFileName, bool factoryMode);

// The "Version" values of a modem-type file.
struct ModemTypeVersion {
    std::string settings = "9600,8,N,1";
    int versionNumber = 0;
    std::string name = "ERROR";
    int nmsSupport = 0;
};

ModemTypeVersion ReadModemTypeVersion(const std::string& typeFileName);
void ApplyModemTypeVersion(TKuvio& figure, const ModemTypeVersion& version);

// Gives figures their type's "Version" values. A figure of the same type as the
// one before takes the kept values without opening (or checking) the file again.
class ModemTypeVersionReader {
public:
    explicit ModemTypeVersionReader(bool factoryMode) : factoryMode_(factoryMode) {}

    void ReadSmfVersionInfo(TKuvio& figure);
    // The type file's values, checked first; the check may show a box, so a caller
    // that holds a figure meanwhile gives it the values after (ApplyModemTypeVersion).
    const ModemTypeVersion& VersionOf(const std::string& typeFile);

private:
    bool factoryMode_;
    std::string lastTypeFile_;
    ModemTypeVersion values_;
};
