#include "terminal/script_store.h"

#include "base/tstreamstring.h"
#include "platform/atomic_file.h"
#include "platform/file_contents.h"
#include "platform/tinifile.h"

#include <filesystem>

namespace {

const char* const kSection = "Script texts";
const char* const kVersionKey = "Script version";
const char kFileMarker = 'V';
const char kFileVersion = 3;
// An ".stf" text length is 16 bits.
constexpr size_t kMaxFileTextLength = 0xFFFF;

std::string shiftKey(int k) {
    return "SHIFT F" + std::to_string(k);
}

// A text is the bytes of its record up to the first zero byte.
std::string textUpToZero(std::string bytes) {
    const size_t zero = bytes.find('\0');
    if (zero != std::string::npos) {
        bytes.resize(zero);
    }
    return bytes;
}

// Reads records from a file's bytes and never past their end: a length that
// claims more bytes than are left ends the reading.
class RecordReader {
public:
    explicit RecordReader(const std::string& bytes) : bytes_(bytes) {}

    bool ReadByte(uint8_t& value) {
        if (left() < 1) {
            return false;
        }
        value = static_cast<uint8_t>(bytes_[pos_++]);
        return true;
    }
    bool ReadLittleEndian32(uint32_t& value) {
        if (left() < 4) {
            return false;
        }
        value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | byteAt(pos_ + static_cast<size_t>(i));
        }
        pos_ += 4;
        return true;
    }
    bool ReadBigEndian16(uint32_t& value) {
        if (left() < 2) {
            return false;
        }
        value = (byteAt(pos_) << 8) | byteAt(pos_ + 1);
        pos_ += 2;
        return true;
    }
    bool ReadText(uint32_t length, std::string& text) {
        if (left() < length) {
            return false;
        }
        text = textUpToZero(bytes_.substr(pos_, length));
        pos_ += length;
        return true;
    }

private:
    size_t left() const { return bytes_.size() - pos_; }
    uint32_t byteAt(size_t at) const { return static_cast<uint8_t>(bytes_[at]); }

    const std::string& bytes_;
    size_t pos_ = 0;
};

// "scripts.txt" record: 32-bit little-endian length, then the text.
bool readStoreRecord(RecordReader& reader, std::string& text) {
    uint32_t length = 0;
    return reader.ReadLittleEndian32(length) && reader.ReadText(length, text);
}

void appendStoreRecord(std::string& out, const std::string& text) {
    const auto length = static_cast<uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    out += text;
}

// ".stf" record: flag byte, 16-bit big-endian length, then the text.
bool readFileRecord(RecordReader& reader, uint8_t& flag, std::string& text) {
    uint32_t length = 0;
    return reader.ReadByte(flag) && reader.ReadBigEndian16(length) && reader.ReadText(length, text);
}

void appendFileRecord(std::string& out, const ScriptCell& cell) {
    // Texts come from edits of at most 64000 characters; a longer one (from a
    // store file written elsewhere) is cut to what the length field can hold.
    const std::string text = cell.text.substr(0, kMaxFileTextLength);
    out.push_back(cell.IsMixed() ? '1' : '0');
    out.push_back(static_cast<char>(text.size() >> 8));
    out.push_back(static_cast<char>(text.size() & 0xFF));
    out += text;
}

// The file's bytes; false for a file that cannot be read (a folder, no
// permission, a read error).
bool readFileBytes(const std::string& fileName, std::string& bytes) {
    TStreamString stream;
    try {
        stream.LoadFromFile(fileName);
    } catch (const EStreamError&) {
        return false;
    }
    bytes = stream.AsString();
    return true;
}

// Keys that already hold the value are left alone, so a store that changes
// nothing leaves the settings file as it is.
void writeIfChanged(TIniFile& settings, const std::string& ident, const std::string& value) {
    if (!settings.ValueExists(kSection, ident) || settings.ReadString(kSection, ident, "") != value) {
        settings.WriteString(kSection, ident, value);
    }
}

} // namespace

std::string ScriptStoreFileName(const std::string& settingsFileName) {
    return (std::filesystem::path(settingsFileName).parent_path() / "scripts.txt").string();
}

ScriptStoreLoad LoadScriptStore(const TIniFile& settings, const std::string& storeFileName,
                                ScriptTable& table) {
    // Only a store that is not there at all means no scripts; anything else
    // that cannot be read must not pass for an empty table.
    if (NothingAt(storeFileName)) {
        return ScriptStoreLoad::None;
    }
    std::string bytes;
    if (!readFileBytes(storeFileName, bytes)) {
        return ScriptStoreLoad::Unreadable;
    }
    RecordReader reader(bytes);
    const std::string version = settings.ReadString(kSection, kVersionKey, "1");
    if (version == "1") {
        for (int n = 1; n <= kScriptKeys; ++n) {
            ScriptCell& cell = table.cell(1, n);
            cell.mixed = settings.ReadString(kSection, shiftKey(n), "");
            readStoreRecord(reader, cell.text);
        }
        return ScriptStoreLoad::OneSet;
    }
    const int rowsPerSet = version == "2" ? kScriptKeys : kScriptRows;
    int k = 0;
    for (int set = 1; set <= kScriptSets; ++set) {
        for (int row = 1; row <= rowsPerSet; ++row) {
            ScriptCell& cell = table.cell(set, row);
            cell.mixed = settings.ReadString(kSection, shiftKey(++k), "");
            readStoreRecord(reader, cell.text);
        }
    }
    return ScriptStoreLoad::AllSets;
}

bool StoreScriptStore(TIniFile& settings, const std::string& storeFileName, const ScriptTable& table) {
    std::string records;
    for (int k = 1; k <= kScriptCells; ++k) {
        appendStoreRecord(records, table.cell(k).text);
    }
    try {
        settings.BeginUpdate();
        writeIfChanged(settings, kVersionKey, "3");
        for (int k = 1; k <= kScriptCells; ++k) {
            writeIfChanged(settings, shiftKey(k), table.cell(k).IsMixed() ? "1" : "0");
        }
        settings.UpdateFile();
        ReplaceFileContents(storeFileName, records);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

std::string EncodeScriptFile(const ScriptTable& table) {
    std::string out{kFileMarker, kFileVersion};
    for (int k = 1; k <= kScriptCells; ++k) {
        appendFileRecord(out, table.cell(k));
    }
    return out;
}

ScriptFileContents DecodeScriptFile(const std::string& bytes, ScriptTable& table) {
    ScriptFileContents contents;
    if (bytes.empty()) {
        return contents;
    }
    RecordReader reader(bytes);
    uint8_t flag = 0;
    std::string text;
    if (bytes[0] == 0 || bytes[0] == 1) {
        std::vector<ScriptKeyText> keys;
        while (keys.size() < static_cast<size_t>(kScriptKeys) && readFileRecord(reader, flag, text)) {
            keys.push_back({flag != 0, text});
        }
        contents.layout = ScriptFileContents::OldLayout;
        contents.cutShort = keys.size() < static_cast<size_t>(kScriptKeys);
        contents.keys = std::move(keys);
        return contents;
    }
    if (bytes[0] != kFileMarker || bytes.size() < 2 || bytes[1] != kFileVersion) {
        return contents;
    }
    reader.ReadByte(flag);
    reader.ReadByte(flag);
    int k = 1;
    for (; k <= kScriptCells && readFileRecord(reader, flag, text); ++k) {
        table.cell(k) = {text, flag == '1' ? "1" : "0"};
    }
    contents.layout = ScriptFileContents::Sets;
    contents.cutShort = k <= kScriptCells;
    return contents;
}

std::string ScriptFileFault(const ScriptFileContents& contents, const std::string& fileName) {
    switch (contents.layout) {
    case ScriptFileContents::Unreadable:
        return "Unable to read file " + fileName;
    case ScriptFileContents::Unknown:
        return "File " + fileName + " is not a script file";
    default:
        return contents.cutShort ? "File " + fileName + " is cut short: only its complete texts were loaded"
                                 : "";
    }
}

bool WriteScriptFile(const std::string& fileName, const ScriptTable& table) {
    try {
        ReplaceFileContents(fileName, EncodeScriptFile(table));
    } catch (const EFileWriteError&) {
        return false;
    }
    return true;
}

ScriptFileContents ReadScriptFile(const std::string& fileName, ScriptTable& table) {
    std::string bytes;
    if (!readFileBytes(fileName, bytes)) {
        ScriptFileContents contents;
        contents.layout = ScriptFileContents::Unreadable;
        return contents;
    }
    return DecodeScriptFile(bytes, table);
}
