#include "platform/tregistry.h"

#include "platform/ascii.h"
#include "platform/portmap.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"

#include <algorithm>
#include <charconv>

namespace {

const char kSerialCommKey[] = "hardware\\devicemap\\serialcomm";
const char kSerialValuePrefix[] = "\\Device\\Serial";

// "\a\b\" and "a\b" name the same key.
std::string TrimSeparators(const std::string& key) {
    const size_t first = key.find_first_not_of('\\');
    if (first == std::string::npos)
        return {};
    return key.substr(first, key.find_last_not_of('\\') - first + 1);
}

std::string RootName(HKEY root) {
    return root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

TIniFile RegistryFile() {
    return TIniFile(ProgramFile("registry.ini"));
}

std::vector<std::pair<std::string, std::string>> SerialCommValues() {
    std::vector<std::pair<std::string, std::string>> values;
    int index = 0;
    for (int number : PresentPortNumbers())
        values.emplace_back(kSerialValuePrefix + std::to_string(index++), "COM" + std::to_string(number));
    return values;
}

// The sections of the file that lie below the section (its subkeys at any depth).
std::vector<std::string> SectionsBelow(const std::string& section) {
    const std::string prefix = section + "\\";
    std::vector<std::string> below;
    for (const std::string& name : RegistryFile().ReadSections())
        if (name.size() > prefix.size() && SameText(name.substr(0, prefix.size()), prefix))
            below.push_back(name);
    return below;
}

bool SectionExists(const std::string& section) {
    return RegistryFile().SectionExists(section) || !SectionsBelow(section).empty();
}

} // namespace

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    return Open(key, false, OpenState::ReadOnly);
}

bool TRegistry::OpenKey(const std::string& key, bool create) {
    return Open(key, create, OpenState::ReadWrite);
}

bool TRegistry::Open(const std::string& key, bool create, OpenState state) {
    CloseKey();
    openRoot_ = RootKey;
    key_ = TrimSeparators(key);
    if (IsSerialCommKey()) {
        state_ = OpenState::ReadOnly;
        return true;
    }
    if (create)
        RegistryFile().AddSection(SectionName());
    else if (!SectionExists(SectionName()))
        return false;
    state_ = state;
    return true;
}

void TRegistry::CloseKey() {
    state_ = OpenState::Closed;
    key_.clear();
}

bool TRegistry::IsSerialCommKey() const {
    return openRoot_ == HKEY_LOCAL_MACHINE && SameText(key_, kSerialCommKey);
}

std::string TRegistry::SectionName() const {
    return SectionOf(openRoot_, key_);
}

std::string TRegistry::SectionOf(HKEY root, const std::string& key) {
    return RootName(root) + "\\" + TrimSeparators(key);
}

std::vector<std::string> TRegistry::GetValueNames() {
    if (state_ == OpenState::Closed)
        return {};
    if (!IsSerialCommKey())
        return RegistryFile().ReadSection(SectionName());
    std::vector<std::string> names;
    for (const auto& value : SerialCommValues())
        names.push_back(value.first);
    return names;
}

std::string TRegistry::ReadString(const std::string& name) {
    if (state_ == OpenState::Closed)
        return {};
    if (!IsSerialCommKey())
        return RegistryFile().ReadString(SectionName(), name, "");
    for (const auto& value : SerialCommValues())
        if (SameText(value.first, name))
            return value.second;
    return {};
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (state_ == OpenState::ReadWrite)
        RegistryFile().WriteString(SectionName(), name, value);
}

bool TRegistry::ValueExists(const std::string& name) {
    if (state_ == OpenState::Closed)
        return false;
    if (!IsSerialCommKey())
        return RegistryFile().ValueExists(SectionName(), name);
    const auto names = GetValueNames();
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, name); });
}

bool TRegistry::KeyExists(const std::string& key) {
    const std::string trimmed = TrimSeparators(key);
    if (RootKey == HKEY_LOCAL_MACHINE && SameText(trimmed, kSerialCommKey))
        return true;
    return SectionExists(SectionOf(RootKey, trimmed));
}

bool TRegistry::CreateKey(const std::string& key) {
    if (TrimSeparators(key).empty())
        return false;
    RegistryFile().AddSection(SectionOf(RootKey, key));
    return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
    const std::string section = SectionOf(RootKey, key);
    if (TrimSeparators(key).empty() || !SectionExists(section))
        return false;
    TIniFile file = RegistryFile();
    file.BeginUpdate();
    for (const std::string& below : SectionsBelow(section))
        file.EraseSection(below);
    file.EraseSection(section);
    file.UpdateFile();
    return true;
}

std::vector<std::string> TRegistry::GetKeyNames() {
    std::vector<std::string> names;
    if (state_ == OpenState::Closed || IsSerialCommKey())
        return names;
    const size_t prefixLength = SectionName().size() + 1;
    for (const std::string& below : SectionsBelow(SectionName())) {
        const std::string name = below.substr(prefixLength, below.find('\\', prefixLength) - prefixLength);
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, name); }))
            names.push_back(name);
    }
    return names;
}

int TRegistry::ReadInteger(const std::string& name) {
    // A missing value reads as an empty text, which is no integer either.
    const std::string text = ReadString(name);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw ERegistryException("Invalid data type for '" + name + "'");
    return value;
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    WriteString(name, std::to_string(value));
}

void TRegistry::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (state_ != OpenState::ReadWrite || !ValueExists(name))
        return false;
    RegistryFile().DeleteKey(SectionName(), name);
    return true;
}
