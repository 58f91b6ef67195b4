// The transmit window's NMS command lines and the replies it collects: the first
// line of the input is a command line, the rest arrives as received chunks, cut
// wherever a byte 0xFF stands. Lines either build a whole frame or are refused;
// replies are taken without a crash and the collector never holds more than its
// bound.
#include "terminal/nms_command.h"
#include "base/nms_frame.h"
#include "fuzz_require.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t lineEnd = input.find('\n');
    const std::string line = input.substr(0, lineEnd);
    const NmsCommandParse parse = ParseNmsCommandLine(line);
    require(parse.command.has_value() != !parse.error.empty());
    NmsReplyAssembler replies;
    if (parse.command) {
        require(parse.command->value.size() <= kMaxNmsValueLength);
        const std::string frame = BuildNmsRequestFrame(*parse.command, static_cast<uint8_t>(size));
        require(CheckNmsFrame(frame).result == NmsFrameCheck::Complete);
        replies.Start(parse.command->typeCode, parse.command->idText, 0);
    } else {
        replies.Start(NmsText, "", 0);
    }
    size_t at = lineEnd == std::string::npos ? input.size() : lineEnd + 1;
    while (at < input.size() && replies.Awaiting()) {
        const size_t cut = input.find('\xFF', at);
        const size_t end = cut == std::string::npos ? input.size() : cut;
        replies.Feed(input.substr(at, end - at));
        at = end + 1;
    }
    return 0;
}
