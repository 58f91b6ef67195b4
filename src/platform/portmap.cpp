#include "platform/portmap.h"

#include "platform/ascii.h"
#include "platform/file_contents.h"
#include "platform/program_files.h"
#include "platform/serial_device_p.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>

namespace fs = std::filesystem;

namespace {

std::mutex devicesForTestsMutex;
std::optional<std::vector<std::string>> devicesForTests;

// The numbering of the program's run, for the ports folder it belongs to.
std::mutex numberingMutex;
std::string numberedFolder;
PortNumbering numbering;

// Device families in the order they are given numbers.
const char* const kDeviceFamilies[] = {"ttyS", "ttyUSB", "ttyACM", "rfcomm"};

// Parses the decimal number that follows a prefix, or 0 when the text is not the
// prefix followed by digits only.
int NumberAfter(const std::string& text, const std::string& prefix, bool ignoreCase) {
    if (text.size() <= prefix.size())
        return 0;
    const std::string_view head(text.data(), prefix.size());
    if (ignoreCase ? !SameText(head, prefix) : head != prefix)
        return 0;
    int number = 0;
    const char* first = text.data() + prefix.size();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || number <= 0)
        return 0;
    return number;
}

std::map<int, std::string> PortLinks() {
    std::map<int, std::string> links;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(PortsFolder(), error)) {
        const int number = NumberAfter(entry.path().filename().string(), "com", false);
        if (number == 0)
            continue;
        fs::path target = fs::read_symlink(entry.path(), error);
        if (error) {
            error.clear();
            continue;
        }
        if (target.is_relative())
            target = entry.path().parent_path() / target;
        // The device itself, so a device reached through a link is not numbered twice.
        links[number] = fs::weakly_canonical(target, error).string();
        error.clear();
    }
    return links;
}

// A ttyS node exists for every slot the driver has; only those with a UART type
// other than "unknown" (0) are ports.
bool IsRealUart(const std::string& name) {
    try {
        const std::string type = ReadFileContents("/sys/class/tty/" + name + "/type");
        return std::atoi(type.c_str()) != 0;
    } catch (const EFileReadError&) {
        return false;
    }
}

} // namespace

std::string PortsFolder() {
    return (fs::path(SettingsFileName()).parent_path() / "ports").string();
}

int ComPortNumber(const std::string& name) {
    const std::string devicePrefix = "\\\\.\\";
    const std::string bare = name.rfind(devicePrefix, 0) == 0 ? name.substr(devicePrefix.size()) : name;
    return NumberAfter(bare, "COM", true);
}

void SetSerialDevicesForTests(const std::vector<std::string>& devices) {
    std::lock_guard lock(devicesForTestsMutex);
    devicesForTests = devices;
}

std::vector<std::string> SerialDevicesPresent() {
    {
        std::lock_guard lock(devicesForTestsMutex);
        if (devicesForTests)
            return *devicesForTests;
    }
    std::vector<std::string> devices;
    for (const std::string family : kDeviceFamilies) {
        std::vector<std::pair<int, std::string>> found;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator("/dev", error)) {
            const std::string name = entry.path().filename().string();
            const int number = NumberAfter(name, family, false);
            const bool zero = name == family + "0";
            if ((number > 0 || zero) && (family != "ttyS" || IsRealUart(name)))
                found.emplace_back(zero ? 0 : number, entry.path().string());
        }
        std::sort(found.begin(), found.end());
        for (auto& device : found)
            devices.push_back(std::move(device.second));
    }
    return devices;
}

std::map<int, std::string> AssignPortNumbers(const std::map<int, std::string>& links,
                                             const std::vector<int>& reserved,
                                             const std::vector<std::string>& devices,
                                             PortNumbering& numbering) {
    std::map<int, std::string> ports = links;
    std::set<std::string> linkedTargets;
    for (const auto& [number, target] : links) {
        linkedTargets.insert(target);
        numbering.linked.insert(number);
        numbering.given.erase(number);
    }
    std::map<std::string, int> numberOf;
    for (const auto& [number, device] : numbering.given)
        numberOf[device] = number;
    std::set<int> taken(reserved.begin(), reserved.end());
    taken.insert(numbering.linked.begin(), numbering.linked.end());
    int next = 1;
    for (const std::string& device : devices) {
        if (linkedTargets.count(device) || numberOf.count(device))
            continue;
        while (taken.count(next) || numbering.given.count(next))
            ++next;
        numbering.given[next] = device;
    }
    for (const auto& [number, device] : numbering.given)
        if (!linkedTargets.count(device))
            ports[number] = device;
    return ports;
}

namespace {
// The numbers of the ports folder's links and of the devices present now.
std::map<int, std::string> CurrentPorts() {
    const std::string folder = PortsFolder();
    std::lock_guard lock(numberingMutex);
    // Numbers belong to the ports folder they were given with.
    if (folder != numberedFolder) {
        numberedFolder = folder;
        numbering = PortNumbering();
    }
    return AssignPortNumbers(PortLinks(), VirtualPortNumbers(), SerialDevicesPresent(), numbering);
}
} // namespace

std::string PortDevicePath(int comNumber) {
    const auto ports = CurrentPorts();
    const auto port = ports.find(comNumber);
    return port == ports.end() ? std::string() : port->second;
}

std::vector<int> PresentPortNumbers() {
    std::vector<int> numbers = VirtualPortNumbers();
    std::error_code error;
    for (const auto& [number, path] : CurrentPorts())
        if (fs::exists(path, error))
            numbers.push_back(number);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}
