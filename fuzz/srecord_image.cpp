// Reads arbitrary text as S-records with both cuttings into a small image; every
// write must stay inside the image buffer.
#include "firmware/srecord_image.h"

#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<uint8_t> image(0x2000, 0xFF);
    const SRecordImage byLines = ReadSRecordImage(text, image, SRecordCutting::ByLines);
    const SRecordImage atEachS = ReadSRecordImage(text, image, SRecordCutting::AtEachS);
    if (byLines.size > image.size() || atEachS.size > image.size())
        __builtin_trap();
    return 0;
}
