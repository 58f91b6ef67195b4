#pragma once
// The key scripts: twelve sets of twelve texts for Shift+F1..F12, each set with a
// name, each text with a "mixed" flag (backslash escapes become bytes when sent).
// The table is kept in section "Script texts" of the settings file (the flags),
// in "scripts.txt" beside it (the texts) and in ".stf" files the user saves and
// loads. Nothing here touches a widget.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TIniFile;

constexpr int kScriptSets = 12;
constexpr int kScriptKeys = 12;
// Rows 1..12 are the texts of Shift+F1..F12, row 13 the name of the set.
constexpr int kScriptRows = 13;
constexpr int kScriptNameRow = 13;
constexpr int kScriptCells = kScriptSets * kScriptRows;

struct ScriptCell {
    std::string text;
    // As stored: the cell counts as mixed when it begins with '1'.
    std::string mixed;
    bool IsMixed() const { return !mixed.empty() && mixed[0] == '1'; }
};

// Cells addressed by set 1..12 and row 1..13, as the settings keys count them.
class ScriptTable {
public:
    ScriptCell& cell(int set, int row) { return cells_.at(index(set, row)); }
    const ScriptCell& cell(int set, int row) const { return cells_.at(index(set, row)); }
    // Key number k = 1..156 of "SHIFT F"k and of the records, set-major.
    ScriptCell& cell(int key) { return cells_.at(static_cast<size_t>(key - 1)); }
    const ScriptCell& cell(int key) const { return cells_.at(static_cast<size_t>(key - 1)); }

private:
    static size_t index(int set, int row) { return static_cast<size_t>((set - 1) * kScriptRows + row - 1); }
    std::array<ScriptCell, kScriptCells> cells_;
};

// "scripts.txt" in the folder of the settings file.
std::string ScriptStoreFileName(const std::string& settingsFileName);

enum class ScriptStoreLoad {
    None,       // no store file: nothing loaded
    OneSet,     // version "1": set 1 rows 1..12 only, no names
    AllSets,    // versions "2" and "3": every set (version "2" without names)
    Unreadable, // something is there but cannot be read (a folder, no permission): nothing loaded
};

// Loads the flags from the settings file and the texts from the store file into
// an empty table. A store file cut short loads its complete records only.
ScriptStoreLoad LoadScriptStore(const TIniFile& settings, const std::string& storeFileName,
                                ScriptTable& table);

// Writes version "3": 156 flag keys, then the 156 text records. The store file
// is replaced whole, and only after the settings were written, so a settings
// file that cannot be written leaves the old texts whole. Returns false on any
// failure.
bool StoreScriptStore(TIniFile& settings, const std::string& storeFileName, const ScriptTable& table);

// ".stf" script files.
std::string EncodeScriptFile(const ScriptTable& table);

// One text of the old ".stf" layout, meant for the edits of the shown set.
struct ScriptKeyText {
    bool mixed = false;
    std::string text;
};

struct ScriptFileContents {
    enum Layout { Unreadable, Unknown, OldLayout, Sets } layout = Unknown;
    // OldLayout: up to 12 texts of keys 1.. in order (fewer when the file is cut).
    std::vector<ScriptKeyText> keys;
    // The file ends inside its records: only the complete ones were loaded.
    bool cutShort = false;
};

// Reads a ".stf" file's bytes. The "V" layout goes straight into the table (its
// complete records); the old layout is returned in keys. Bytes after the last
// record are not read. A file of neither layout loads nothing and is Unknown.
ScriptFileContents DecodeScriptFile(const std::string& bytes, ScriptTable& table);
// What was wrong with a ".stf" file that was read, for the user; empty when
// nothing was.
std::string ScriptFileFault(const ScriptFileContents& contents, const std::string& fileName);

// Writes an ".stf" file anew (through a new file renamed over the old one).
bool WriteScriptFile(const std::string& fileName, const ScriptTable& table);
// Reads an ".stf" file; an unreadable file loads nothing and is Unreadable.
ScriptFileContents ReadScriptFile(const std::string& fileName, ScriptTable& table);
