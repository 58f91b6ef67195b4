#include "app/window_layout.h"

#include "platform/ascii.h"
#include "platform/tinifile.h"

#include <algorithm>
#include <set>

namespace {
const char* const kLayout = "Layout";
const char* const kLayoutCount = "Layout count";
const char* const kSectionPrefix = "Window number ";
const char* const kWindowType = "Window type";
constexpr int kFirstMultiFlash = 1;
constexpr int kLastMultiFlash = 4;
constexpr size_t kMaxIndexDigits = 9;

bool Reopens(const LayoutWindow& window) {
    switch (window.type) {
    case kLayoutTerminal:
    case kLayoutSingleFlash:
    case kLayoutDesigner:
    case kLayoutSingleModem:
        return true;
    case kLayoutMultiFlash:
        return window.info >= kFirstMultiFlash && window.info <= kLastMultiFlash;
    default:
        return false;
    }
}

void WriteWindow(TIniFile& ini, const std::string& section, const LayoutWindow& window) {
    ini.WriteInteger(section, kWindowType, window.type);
    if (window.type == kLayoutNoWindow)
        return;
    ini.WriteInteger(section, "Window info", window.info);
    ini.WriteInteger(section, "Left", window.place.left);
    ini.WriteInteger(section, "Top", window.place.top);
    ini.WriteInteger(section, "Width", window.place.width);
    ini.WriteInteger(section, "Height", window.place.height);
}

// The index of a section named "Window number " and a decimal index written as
// the layout writes it, or -1.
int SectionIndex(const std::string& section) {
    const std::string prefix = kSectionPrefix;
    if (section.size() <= prefix.size() || section.size() > prefix.size() + kMaxIndexDigits)
        return -1;
    const std::string digits = section.substr(prefix.size());
    if (!SameText(section.substr(0, prefix.size()), prefix) ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    const int index = std::stoi(digits);
    return std::to_string(index) == digits ? index : -1;
}

LayoutWindow ReadWindow(const TIniFile& ini, const std::string& section) {
    const LayoutWindow defaults;
    return {ini.ReadInteger(section, kWindowType, defaults.type),
            ini.ReadInteger(section, "Window info", defaults.info),
            {ini.ReadInteger(section, "Left", defaults.place.left),
             ini.ReadInteger(section, "Top", defaults.place.top),
             ini.ReadInteger(section, "Width", defaults.place.width),
             ini.ReadInteger(section, "Height", defaults.place.height)}};
}
} // namespace

std::string LayoutSectionName(int index) {
    return kSectionPrefix + std::to_string(index);
}

void SaveLayout(TIniFile& ini, const std::vector<LayoutChild>& children) {
    ini.WriteInteger(kLayout, kLayoutCount, static_cast<int>(children.size()));
    for (size_t i = 0; i < children.size(); ++i) {
        const std::string section = LayoutSectionName(static_cast<int>(i));
        WriteWindow(ini, section, children[i].window);
        if (children[i].writeOwnKeys)
            children[i].writeOwnKeys(ini, section);
    }
}

// Only indexes that have a section can reopen a window, so the sections present
// are looked up rather than every index below the count: a damaged count cannot
// make the restore run for ever.
std::vector<SavedWindow> ReadLayout(const TIniFile& ini) {
    const int count = ini.ReadInteger(kLayout, kLayoutCount, 0);
    std::set<int> indexes;
    for (const std::string& section : ini.ReadSections()) {
        const int index = SectionIndex(section);
        if (index >= 0 && index < count)
            indexes.insert(index);
    }
    std::vector<SavedWindow> windows;
    for (int index : indexes) {
        const LayoutWindow window = ReadWindow(ini, LayoutSectionName(index));
        if (Reopens(window))
            windows.push_back({index, window});
    }
    return windows;
}
