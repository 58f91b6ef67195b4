// Settings files as the program reads them: any bytes must read without a crash,
// and a write must change only the key written.
#include "fuzz_require.h"
#include "platform/ascii.h"
#include "platform/tinifile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string fileName =
        (std::filesystem::temp_directory_path() / ("quovix-fuzz-" + std::to_string(::getpid()) + ".ini"))
            .string();
    std::ofstream(fileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    TIniFile ini(fileName);
    const auto sections = ini.ReadSections();
    std::vector<std::vector<std::string>> before;
    for (const auto& section : sections) {
        require(ini.SectionExists(section));
        before.push_back(ini.ReadSectionValues(section));
        for (const auto& key : ini.ReadSection(section)) {
            require(ini.ValueExists(section, key));
            ini.ReadString(section, key, "");
            ini.ReadInteger(section, key, 0);
            ini.ReadBool(section, key, false);
        }
    }

    const std::string written = "Fuzz Section";
    ini.WriteString(written, "Key", "value=1");
    require(ini.ReadString(written, "key", "") == "value=1");
    for (size_t i = 0; i < sections.size(); ++i)
        if (!SameText(sections[i], written))
            require(ini.ReadSectionValues(sections[i]) == before[i]);

    std::filesystem::remove(fileName);
    return 0;
}
