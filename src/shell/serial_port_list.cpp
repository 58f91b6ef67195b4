#include "shell/serial_port_list.h"

#include "platform/ascii.h"
#include "platform/tregistry.h"

#include <algorithm>

namespace {
const char* const kSerialCommKey = "hardware\\devicemap\\serialcomm";
constexpr int kDefaultPortCount = 16;
constexpr int kFallbackPortCount = 4;

std::vector<std::string> NumberedPorts(int count) {
    std::vector<std::string> names;
    for (int number = 1; number <= count; ++number)
        names.push_back("COM" + std::to_string(number));
    return names;
}

} // namespace

std::string ComListFromPortNames(const std::optional<std::vector<std::string>>& portNames) {
    std::vector<std::string> names = portNames ? *portNames : NumberedPorts(kDefaultPortCount);
    std::erase(names, std::string());
    if (names.empty())
        names = NumberedPorts(kFallbackPortCount);
    std::stable_sort(names.begin(), names.end(), LessText);
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ",") + name;
    return list;
}

std::string ReadSerialPortList() {
    TRegistry registry;
    registry.RootKey = HKEY_LOCAL_MACHINE;
    if (!registry.OpenKeyReadOnly(kSerialCommKey))
        return ComListFromPortNames(std::nullopt);
    const std::vector<std::string> valueNames = registry.GetValueNames();
    if (valueNames.empty())
        return ComListFromPortNames(std::nullopt);
    // A value that cannot be read comes back empty and is left out.
    std::vector<std::string> portNames;
    for (const std::string& valueName : valueNames)
        portNames.push_back(registry.ReadString(valueName));
    return ComListFromPortNames(portNames);
}
