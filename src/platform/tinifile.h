#pragma once
// Settings files with the semantics of Windows profile files: sections and keys
// are found without regard to letter case, the order of sections and keys in the
// file is kept (readers of modem-type files rely on it), integers are decimal,
// booleans are written as 1 and 0, and every read has a default that a missing
// file, section or key returns. A value is everything after the first '=' of its
// line. CRLF, LF and CR line ends and a UTF-8 byte-order mark all read; files are
// written with CRLF.
//
// Every write goes to the file at once and replaces it atomically (a new file is
// written beside it and renamed over it), so a crash or a full disk never leaves a
// cut settings file. A write that cannot be made throws EIniFileException; the
// file on disk then stays as it was.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    // A settings file read once, now: the reads that follow are answered from what
    // was read, for a reader of many values of a file that does not change
    // meanwhile (a modem-type file). Writes are gathered as in an update.
    static TIniFile ReadIntoMemory(std::string fileName);

    const std::string& FileName() const { return fileName_; }
    // False when the file exists but cannot be read (a folder or a pipe in its place,
    // no read permission); its reads then give their defaults. A missing file is
    // readable. No read waits for the writer of a pipe.
    bool Readable() const;

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    // Decimal, with an optional sign; "0x"-prefixed hexadecimal is read as well.
    // Anything else returns the default.
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    // "0" is false, any other number true; anything that is no number is the default.
    // A value text read as ReadInteger reads it; nothing when it is no integer.
    static std::optional<int> ParseInteger(const std::string& text);
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;

    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    // Key names of a section, in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // "key=value" lines of a section, in file order.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    // Section names, in file order.
    std::vector<std::string> ReadSections() const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;

    void EraseSection(const std::string& section);
    // Adds an empty section unless one of that name exists.
    void AddSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);

    // Gathers the following writes in memory until UpdateFile.
    void BeginUpdate();
    // Writes the gathered changes, if any, as one replacement and ends the update.
    void UpdateFile();
    // Gathers the following writes in memory over an empty file: UpdateFile then
    // replaces the file's whole contents with them, or makes the file.
    void BeginRewrite();
    // The file's lines as reads see them, gathered writes included.
    std::vector<std::string> Lines() const;

private:
    template <typename Read> auto read(Read reader) const;
    template <typename Edit> void edit(Edit change);

    std::string fileName_;
    // The file's lines while an update gathers writes, and whether they changed.
    std::optional<std::vector<std::string>> pending_;
    bool pendingChanged_ = false;
};
