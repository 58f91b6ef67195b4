#pragma once
// Project files (".spf") and single-modem files (".ssf"): a byte format of short
// records, written whole and read whole, with a CRC-16 trailer. Older project files
// (without trailer, without NMS bytes, with the old numbering of links) are read
// too. Modem data files hold one figure record in its single form.

#include <cstdint>
#include <stdexcept>
#include <string>

class ByteReader;
class NetworkDesign;
class ModemTypeVersionReader;
class TKuvio;

// A file that cannot be read or written.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How the records of a file are laid out, told by the version text of the file.
struct RecordFormat {
    bool hasTrailer = true;
    bool nmsBytes = true;
    bool oldLinkRule = false;

    static RecordFormat ForVersion(const std::string& version);
};

// The bytes of one figure's record: the project form with its placement block
// (its place at 100 per cent), name, addresses and identifier, or the single form
// with the type name and the values only.
std::string EncodeModemRecord(const TKuvio& figure, bool singleForm);

enum class RecordResult {
    End,          // no record starts before the data end
    Complete,     // a whole record was read
    TypeMismatch, // the record is of another modem type; its values are not read
    CutInValues,  // the data ended among the values; the figure holds those read
    Cut,          // the data ended before the values: the figure is not usable
};

// Reads one record at the reader's position into the figure. The reader's end is
// the data end: the reader never passes it.
RecordResult ReadModemRecord(TKuvio& figure, ByteReader& in, bool singleForm, const RecordFormat& format);

// The bytes of a whole file for the design, trailer included. Numbers the figures
// for their links as it goes.
std::string EncodeProjectFile(NetworkDesign& design, const std::string& version, const std::string& caption);

// Writes the design to the file; the file is replaced only when the whole new one
// has been written. Clears the modified flag. Throws EFileError.
void SaveProjectFile(NetworkDesign& design, const std::string& fileName, const std::string& version,
                     const std::string& caption);

struct LoadOptions {
    // Where a single-modem window centres its figure.
    int clientWidth = 0;
    int clientHeight = 0;
    ModemTypeVersionReader* typeReader = nullptr;
};

// Replaces the design by the file's. A damaged file is reported with a message box
// and loads as far as it is whole. Throws EFileError when the file cannot be read
// (the design is then empty).
void LoadProjectFile(NetworkDesign& design, const std::string& fileName, const LoadOptions& options);
// The same for a file's bytes already read; fileName is used in messages only.
void LoadProjectBytes(NetworkDesign& design, const std::string& fileName, const std::string& bytes,
                      const LoadOptions& options);

// The bytes of a whole file, or EFileError.
std::string ReadWholeFile(const std::string& fileName);
// Writes a file so that an existing one is replaced only by a complete new one.
void WriteWholeFile(const std::string& fileName, const std::string& bytes);
