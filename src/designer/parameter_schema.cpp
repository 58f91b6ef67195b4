#include "designer/parameter_schema.h"

#include "designer/modem_type_files.h"
#include "platform/ascii.h"
#include "platform/message_box.h"
#include "platform/tinifile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <unordered_map>

namespace {

constexpr const char* kProperties = "Properties";
constexpr const char* kNmsInfo = "nms info";
constexpr const char* kHelpText = "help text";
constexpr const char* kVisibilitySuffix = "_v";

bool IsListLetter(char letter) {
    return letter == 'R' || letter == 'C';
}

// The number at the start of the text (after blanks, with a sign), and where it
// ends; 0 when there is none.
long LeadingNumber(const char* text, const char** end) {
    errno = 0;
    char* stop = nullptr;
    const long value = std::strtol(text, &stop, 10);
    *end = stop;
    return errno == ERANGE ? 0 : value;
}

// The values of one section of a type file, found by key in constant time and
// without regard to letter case, so that a file is read in time linear in its size.
class SectionValues {
public:
    SectionValues(const TIniFile& ini, const char* section) {
        for (const std::string& line : ini.ReadSectionValues(section)) {
            const size_t equals = line.find('=');
            values_.emplace(UpperText(line.substr(0, equals)), line.substr(equals + 1));
        }
    }

    std::optional<std::string> find(const std::string& key) const {
        const auto found = values_.find(UpperText(key));
        return found == values_.end() ? std::nullopt : std::optional(found->second);
    }

    std::string text(const std::string& key, const std::string& defaultValue) const {
        return find(key).value_or(defaultValue);
    }

    int integer(const std::string& key, int defaultValue) const {
        const std::optional<std::string> value = find(key);
        return value ? TIniFile::ParseInteger(*value).value_or(defaultValue) : defaultValue;
    }

private:
    std::unordered_map<std::string, std::string> values_;
};

ParameterItem ReadItem(const SectionValues& properties, char letter, const std::string& key, size_t index) {
    const std::string value = properties.text(key, "ERROR");
    if (letter == 'R')
        return {static_cast<int>(index), value};
    const char* end = nullptr;
    const int number = static_cast<int>(LeadingNumber(value.c_str(), &end));
    const size_t comma = value.find(',');
    if (comma == std::string::npos) {
        ShowMessage(value);
        return {number, value};
    }
    return {number, value.substr(comma + 1)};
}

} // namespace

bool ParameterField::HasControl() const {
    return std::string_view("BWSHMRC").find(letter) != std::string_view::npos;
}

bool ParameterSchema::Shown(const ParameterField& field, const SchemaView& view) {
    if (!field.HasControl())
        return false;
    const int modeBit = view.singleModem ? 2 : 1;
    if (!view.factoryMode && (field.visibilityMask & modeBit) == 0)
        return false;
    return field.level != '9' || view.securityChar == '9';
}

bool ParameterSchema::Enabled(const ParameterField& field, const SchemaView& view) {
    return field.level <= view.securityChar;
}

size_t ParameterSchema::FactorySeparatorIndex(const SchemaView& view) const {
    if (view.securityChar != '9')
        return fields.size();
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].level == '9' && Shown(fields[i], view))
            return i;
    return fields.size();
}

size_t ParameterSchema::FirstFactoryField() const {
    const auto found =
        std::find_if(fields.begin(), fields.end(), [](const ParameterField& f) { return f.level == '9'; });
    return static_cast<size_t>(found - fields.begin());
}

std::vector<size_t> ParameterSchema::ShownFields(const SchemaView& view) const {
    std::vector<size_t> shown;
    for (size_t i = 0; i < fields.size(); ++i)
        if (Shown(fields[i], view))
            shown.push_back(i);
    return shown;
}

std::optional<size_t> ParameterSchema::ReportedField(std::optional<size_t> previous, int number) const {
    size_t field = fields.size();
    if (number == 1)
        field = 0;
    else if (number == 1001)
        field = FirstFactoryField();
    else if (previous)
        field = *previous + 1;
    return field < fields.size() ? std::optional(field) : std::nullopt;
}

void ReadNmsDescription(const std::string& text, ParameterField& field) {
    // A sign letter, then the width, the group and the number, each pair of numbers
    // separated by one character of any kind.
    long numbers[3] = {0, 0, 0};
    const char* at = text.empty() ? text.c_str() : text.c_str() + 1;
    for (int i = 0; i < 3 && *at != '\0'; ++i) {
        const char* end = nullptr;
        numbers[i] = LeadingNumber(at, &end);
        if (end == at)
            break;
        at = *end == '\0' ? end : end + 1;
    }
    const char sign = text.empty() ? 0 : text[0];
    if (sign != 'U' && sign != 'I')
        ShowMessage("hassu " + text);
    field.nmsSize = static_cast<int>(numbers[0]) | (sign == 'I' ? 1 : 0);
    field.nmsId = static_cast<uint16_t>((numbers[1] << 12) + numbers[2]);
}

ParameterSchema ReadParameterSchema(const std::string& path) {
    ParameterSchema schema;
    // A file far larger than any type file is not read (its check reports it); any
    // other is read once for all the reads below.
    const TIniFile ini = TIniFile::ReadIntoMemory(TypeFileTooLarge(path) ? std::string() : path);
    std::vector<std::string> keys = ini.ReadSection(kProperties);
    if (keys.empty()) {
        ShowMessage("ERROR: Check ini-file");
        return schema;
    }
    for (std::string& key : keys)
        key = UpperText(key);
    const SectionValues properties(ini, kProperties);
    const SectionValues nmsInfo(ini, kNmsInfo);
    const SectionValues helpTexts(ini, kHelpText);

    for (size_t i = 0; i < keys.size();) {
        ParameterField field;
        field.key = keys[i];
        field.letter = field.key[0];
        field.level = field.key.size() > 1 ? field.key[1] : 0;
        if (!field.HasControl()) {
            // Only the key itself is passed: a "_v" key after it becomes a field of
            // its own, as the stored values of such types were written.
            schema.fields.push_back(std::move(field));
            ++i;
            continue;
        }
        field.label = properties.text(field.key, "ERROR");
        field.visibilityMask = properties.integer(field.key + kVisibilitySuffix, 0);
        field.hint = helpTexts.text(field.key + "_h", "ERROR");
        const std::string nms = nmsInfo.text(field.key + "_i", "XXX");
        if (nms != "XXX")
            ReadNmsDescription(nms, field);
        // The key after a parameter is taken as its "_v" key, whatever it is; the
        // values stored for a type follow its fields counted so.
        i += 2;
        // Every following key that contains a list's key is one of its items, even
        // one with a "_v" key of its own; the first other key is the next parameter.
        if (IsListLetter(field.letter))
            for (; i < keys.size() && keys[i].find(field.key) != std::string::npos; ++i)
                field.items.push_back(ReadItem(properties, field.letter, keys[i], field.items.size()));
        schema.fields.push_back(std::move(field));
    }
    return schema;
}
