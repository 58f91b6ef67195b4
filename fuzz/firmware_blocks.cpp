// Decodes arbitrary bytes as a block file, then encodes the decoded data again from
// both encoders with lengths taken from the input.
#include "firmware/firmware_blocks.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> blocks(data, data + size);
    if (DecodeFirmwareBlocks(blocks) > blocks.size())
        __builtin_trap();
    if (size < 4)
        return 0;
    const uint32_t length = (uint32_t{data[0]} << 8 | data[1]) * 16;
    const uint32_t start = uint32_t{data[2]} << 7;
    EncodeFirmwareBlocks(blocks, length);
    EncodeFirmwareBlocksFrom(blocks, start, length + start);
    return 0;
}
