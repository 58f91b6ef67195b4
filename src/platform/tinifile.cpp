#include "platform/tinifile.h"

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/file_contents.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace {

using LineList = std::vector<std::string>;
constexpr size_t npos = std::string::npos;

std::string_view trimView(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string trim(std::string_view text) {
    return std::string(trimView(text));
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string> sectionName(std::string_view line) {
    const std::string_view text = trimView(line);
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    const auto close = text.find(']');
    if (close == npos)
        return std::nullopt;
    return trim(text.substr(1, close - 1));
}

struct KeyLine {
    std::string key;
    std::string value;
};

// Key and value of a "key=value" line; comments and lines without '=' have none.
std::optional<KeyLine> keyLine(std::string_view line) {
    const std::string_view text = trimView(line);
    if (text.empty() || text.front() == ';')
        return std::nullopt;
    const auto equals = text.find('=');
    if (equals == npos)
        return std::nullopt;
    return KeyLine{trim(text.substr(0, equals)), trim(text.substr(equals + 1))};
}

// The lines of a file's text, as views into it. A UTF-8 byte-order mark at the
// start is skipped; a line ends with LF, CR LF, a lone CR, or CRs before an LF
// (so no value keeps a CR).
std::vector<std::string_view> lineViews(std::string_view content) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = start;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r')
            ++end;
        lines.push_back(content.substr(start, end - start));
        start = end;
        while (start < content.size() && content[start] == '\r')
            ++start;
        if (start < content.size() && content[start] == '\n')
            ++start;
    }
    return lines;
}

LineList splitLines(const std::string& content) {
    const std::vector<std::string_view> views = lineViews(content);
    return LineList(views.begin(), views.end());
}

// The lines of a section: from the line after its header to the next header.
struct Range {
    size_t begin;
    size_t end;
};

template <typename LineRange>
std::optional<Range> findSection(const LineRange& lines, const std::string& section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i]);
        if (name && SameText(*name, section)) {
            size_t end = i + 1;
            while (end < lines.size() && !sectionName(lines[end]))
                ++end;
            return Range{i + 1, end};
        }
    }
    return std::nullopt;
}

template <typename LineRange>
std::optional<size_t> findKey(const LineRange& lines, Range range, const std::string& ident) {
    for (size_t i = range.begin; i < range.end; ++i) {
        const auto entry = keyLine(lines[i]);
        if (entry && SameText(entry->key, ident))
            return i;
    }
    return std::nullopt;
}

// The keys of a section in file order, each name once (the first line wins, as in reads).
template <typename LineRange>
std::vector<KeyLine> sectionEntries(const LineRange& lines, const std::string& section) {
    std::vector<KeyLine> entries;
    const auto range = findSection(lines, section);
    if (!range)
        return entries;
    std::unordered_set<std::string> seen;
    for (size_t i = range->begin; i < range->end; ++i) {
        auto entry = keyLine(lines[i]);
        if (entry && seen.insert(LowerText(entry->key)).second)
            entries.push_back(std::move(*entry));
    }
    return entries;
}

template <typename LineRange>
std::optional<std::string> readValue(const LineRange& lines, const std::string& section,
                                     const std::string& ident) {
    const auto range = findSection(lines, section);
    if (!range)
        return std::nullopt;
    const auto index = findKey(lines, *range, ident);
    if (!index)
        return std::nullopt;
    return keyLine(lines[*index])->value;
}

std::optional<int> parseInteger(const std::string& text) {
    std::string_view digits(text);
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty() || digits.front() == '-' || digits.front() == '+')
        return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    if (negative)
        value = -value;
    // Hexadecimal spells the bit pattern of a 32-bit value: 0xFFFFFFFF is -1.
    if (base == 16 && !negative && value <= 0xFFFFFFFFLL)
        return static_cast<int>(static_cast<uint32_t>(value));
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

// Reads the whole file. A missing file is empty; a file that exists but cannot be
// read (a folder or a pipe in its place, no permission, a read error) gives
// nothing, so that a write never replaces contents it could not see.
std::optional<std::string> readFile(const std::string& fileName) {
    try {
        return ReadFileContents(fileName);
    } catch (const EFileReadError&) {
        if (NothingAt(fileName))
            return std::string();
        return std::nullopt;
    }
}

// Edits of the program's threads are made one at a time, so that none is lost to another.
std::mutex editing;

std::string joinLines(const LineList& lines) {
    std::string content;
    for (const auto& line : lines)
        content += line + "\r\n";
    return content;
}

void replaceFile(const std::string& fileName, const LineList& lines) {
    try {
        ReplaceFileContents(fileName, joinLines(lines));
    } catch (const EFileWriteError& error) {
        throw EIniFileException(error.what());
    }
}

LineList readLinesForEditing(const std::string& fileName) {
    const auto content = readFile(fileName);
    if (!content)
        throw EIniFileException("Unable to write to " + fileName + ": the file cannot be read");
    return splitLines(*content);
}

} // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

TIniFile TIniFile::ReadIntoMemory(std::string fileName) {
    TIniFile ini(std::move(fileName));
    ini.pending_ = splitLines(readFile(ini.fileName_).value_or(std::string()));
    return ini;
}

// Lets `reader` look at the file's lines: the gathered ones during an update, else
// views into the file's text, read once for the call.
template <typename Read> auto TIniFile::read(Read reader) const {
    if (pending_)
        return reader(*pending_);
    const std::string content = readFile(fileName_).value_or(std::string());
    return reader(lineViews(content));
}

bool TIniFile::Readable() const {
    return readFile(fileName_).has_value();
}

// Lets `change` edit the file's lines; when it reports a change they are written
// with CRLF ends in place of the old file, or kept for UpdateFile during an update.
template <typename Edit> void TIniFile::edit(Edit change) {
    if (pending_) {
        pendingChanged_ = change(*pending_) || pendingChanged_;
        return;
    }
    const std::lock_guard lock(editing);
    LineList current = readLinesForEditing(fileName_);
    if (change(current))
        replaceFile(fileName_, current);
}

void TIniFile::BeginUpdate() {
    if (pending_)
        return;
    pending_ = readLinesForEditing(fileName_);
    pendingChanged_ = false;
}

void TIniFile::BeginRewrite() {
    pending_.emplace();
    pendingChanged_ = true;
}

std::vector<std::string> TIniFile::Lines() const {
    return read([](const auto& lines) { return LineList(lines.begin(), lines.end()); });
}

void TIniFile::UpdateFile() {
    if (!pending_)
        return;
    const LineList gathered = std::move(*pending_);
    const bool changed = pendingChanged_;
    pending_.reset();
    pendingChanged_ = false;
    if (!changed)
        return;
    const std::lock_guard lock(editing);
    replaceFile(fileName_, gathered);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
    return read([&](const auto& lines) { return readValue(lines, section, ident); }).value_or(defaultValue);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const {
    const auto text = read([&](const auto& lines) { return readValue(lines, section, ident); });
    if (!text)
        return defaultValue;
    return ParseInteger(*text).value_or(defaultValue);
}

std::optional<int> TIniFile::ParseInteger(const std::string& text) {
    return parseInteger(text);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    edit([&](LineList& lines) {
        const auto range = findSection(lines, section);
        if (!range) {
            lines.push_back("[" + section + "]");
            lines.push_back(ident + "=" + value);
        } else if (const auto index = findKey(lines, *range, ident)) {
            lines[*index] = keyLine(lines[*index])->key + "=" + value;
        } else {
            // A new key goes after the section's last non-blank line, so blank lines
            // that separate it from the next section stay where they are.
            size_t insertAt = range->end;
            while (insertAt > range->begin && trimView(lines[insertAt - 1]).empty())
                --insertAt;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), ident + "=" + value);
        }
        return true;
    });
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> keys;
    for (auto& entry : read([&](const auto& lines) { return sectionEntries(lines, section); }))
        keys.push_back(std::move(entry.key));
    return keys;
}

std::vector<std::string> TIniFile::ReadSectionValues(const std::string& section) const {
    std::vector<std::string> values;
    for (const auto& entry : read([&](const auto& lines) { return sectionEntries(lines, section); }))
        values.push_back(entry.key + "=" + entry.value);
    return values;
}

std::vector<std::string> TIniFile::ReadSections() const {
    return read([](const auto& lines) {
        std::vector<std::string> sections;
        std::unordered_set<std::string> seen;
        for (const auto& line : lines) {
            auto name = sectionName(line);
            if (name && seen.insert(LowerText(*name)).second)
                sections.push_back(std::move(*name));
        }
        return sections;
    });
}

bool TIniFile::SectionExists(const std::string& section) const {
    return read([&](const auto& lines) { return findSection(lines, section).has_value(); });
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    return read([&](const auto& lines) { return readValue(lines, section, ident).has_value(); });
}

void TIniFile::EraseSection(const std::string& section) {
    edit([&](LineList& lines) {
        bool erased = false;
        // Every section of that name goes, so that no later duplicate shows through.
        while (const auto range = findSection(lines, section)) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(range->begin - 1),
                        lines.begin() + static_cast<std::ptrdiff_t>(range->end));
            erased = true;
        }
        return erased;
    });
}

void TIniFile::AddSection(const std::string& section) {
    edit([&](LineList& lines) {
        if (findSection(lines, section))
            return false;
        lines.push_back("[" + section + "]");
        return true;
    });
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    edit([&](LineList& lines) {
        auto range = findSection(lines, section);
        bool deleted = false;
        // Every line of that key goes, so that no later duplicate shows through.
        while (range) {
            const auto index = findKey(lines, *range, ident);
            if (!index)
                break;
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*index));
            --range->end;
            deleted = true;
        }
        return deleted;
    });
}
