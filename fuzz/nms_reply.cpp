// Received NMS bytes as the readers take them: frames are found and read without
// a crash or a read outside the frame, and built frames read back.
#include "base/nms_frame.h"
#include "fuzz_require.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Takes the frames off the front of the bytes as a receiver does, dropping a byte
// whenever no good frame starts there.
void readAllFrames(std::string_view bytes) {
    while (!bytes.empty()) {
        const NmsFrameCheck check = CheckNmsFrame(bytes);
        if (check.result == NmsFrameCheck::Incomplete)
            return;
        if (check.result == NmsFrameCheck::Bad) {
            bytes.remove_prefix(1);
            continue;
        }
        require(check.length >= NmsFrameOverhead && check.length <= bytes.size());
        if (const auto reply = ReadNmsReply(bytes); reply && reply->hasValue)
            require(reply->value.size() + 17 <= check.length);
        bytes.remove_prefix(check.length);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    readAllFrames(bytes);

    if (const auto id = ParseNmsValueId(bytes))
        require(ParseNmsValueId(NmsValueIdText(*id)) == id);

    // A SET request has the layout of a data response, so its value reads back.
    const std::string_view value = bytes.substr(0, NmsMaxValueLength);
    const auto frame = BuildNmsSetFrame(size & 0xFF, 0x1100, value);
    require(frame.has_value());
    const auto reply = ReadNmsReply(*frame);
    require(reply && reply->hasValue && reply->value == value);
    return 0;
}
