#pragma once
// COM ports for tests: pseudo-terminals linked as "comN" in the ports folder of
// the test's own program folder, so the port map and the port list see exactly
// these ports and never a device of the machine.

#include "platform/portmap.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

class PseudoTerminalPorts {
public:
    PseudoTerminalPorts() = default;
    ~PseudoTerminalPorts() {
        for (int master : masters_)
            ::close(master);
    }
    PseudoTerminalPorts(const PseudoTerminalPorts&) = delete;
    PseudoTerminalPorts& operator=(const PseudoTerminalPorts&) = delete;

    // Links COM`number` to a new pseudo-terminal and returns its device path. The
    // ports folder is the one of the program path in force at the call.
    std::string Add(int number) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        masters_.push_back(master);
        std::filesystem::create_directories(PortsFolder());
        const std::string device = ::ptsname(master);
        std::filesystem::create_symlink(device, std::filesystem::path(PortsFolder()) /
                                                    ("com" + std::to_string(number)));
        return device;
    }

    // The machine's own serial devices also get COM numbers; a test that needs
    // exactly its own ports cannot run where there are any.
    static bool MachineHasSerialDevices() { return !SerialDevicesPresent().empty(); }

private:
    std::vector<int> masters_;
};
