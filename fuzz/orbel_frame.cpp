// Received I/O-converter texts as the codec parses them: no crash, no read past
// the text, every text reported once; and a recognised frame that the codec can
// build again reads back as the same command and addresses (or, by the length
// rule, as a point-to-point frame).
#include "components/torbelprotocol.h"
#include "fuzz_require.h"

#include <cstdint>
#include <set>
#include <string>

namespace {
// Commands whose frame GetData builds in full (length field, payload and CRC).
const std::set<uint8_t> rebuiltCommands = {3, 5, 6, 7, 8, 9, 10, 11, 17, 18, 22, 23, 24, 25};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TOrbelProtocol codec;
    int reports = 0;
    codec.OnPacket = [&reports](TOrbelProtocol*) { ++reports; };
    codec.ParseData(std::string(reinterpret_cast<const char*>(data), size));
    require(reports == 1);
    require(codec.Data.Command < OrbelCommandCount);

    const TOrbelDataPacket parsed = codec.Data;
    if (!rebuiltCommands.contains(parsed.Command))
        return 0;
    const std::string rebuilt = codec.GetData();
    codec.ParseData(rebuilt);
    // A frame whose first address equals its length less 9 reads as a
    // point-to-point frame, whatever its mnemonic.
    const bool pointToPoint = rebuilt.size() >= 16 && parsed.Address1 == rebuilt.size() - 9;
    require(codec.Data.Command == (pointToPoint ? 14 : parsed.Command));
    if (!pointToPoint)
        require(codec.Data.Address1 == parsed.Address1 && codec.Data.Address2 == parsed.Address2);
    return 0;
}
