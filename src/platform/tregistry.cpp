#include "platform/tregistry.h"

#include "platform/ascii.h"
#include "platform/portmap.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"

#include <algorithm>

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
    // A created key exists from its first value on.
    if (!create && !RegistryFile().SectionExists(SectionName()))
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
    return RootName(openRoot_) + "\\" + key_;
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
