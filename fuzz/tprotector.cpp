// Loads arbitrary bytes as a protected container with the switches taken from the
// first byte; only the container's own error texts may come out.
#include "firmware/tprotector.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const std::string name = "/tmp/quovix-fuzz-protector-" + std::to_string(getpid());
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    TProtector protector;
    protector.Key = "qpwzk4710rv8xumt\xE4"
                    "bn";
    protector.FileID = "OEM";
    protector.UseFileID = data[0] & 1;
    protector.PassiveFileID = data[0] & 2;
    try {
        protector.LoadFromFile(name);
    } catch (const TProtectorError&) {
    }
    std::remove(name.c_str());
    return 0;
}
