// Fuzz target of the project-file reader: any bytes, read as a project file and as
// a single-modem file, and written out again.
#include "designer/project_file.h"
#include "designer/network_design.h"
#include "platform/message_box.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        SetMessageBoxResponder([](const MessageBoxRequest&) { return IDOK; });
        return true;
    }();
    (void)quiet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (bool singleModem : {false, true}) {
        NetworkDesign design(singleModem);
        LoadProjectBytes(design, "fuzz.spf", bytes, {});
        // What was read must write out again.
        EncodeProjectFile(design, "5.2.1", "caption");
    }
    return 0;
}
