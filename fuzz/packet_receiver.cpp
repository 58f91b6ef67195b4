// Received bytes as the packet serial port cuts them into packets, in every
// packet mode and with any start, end and length limit: no crash, no packet
// longer than its limit, every packet framed as its mode says, and the partial
// packet always bounded.
#include "components/packet_splitter.h"
#include "fuzz_require.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    TdPacketFraming framing;
    framing.Type = static_cast<TdPacketModeType>(data[0] & 3);
    framing.StartChar = static_cast<char>(data[1]);
    framing.EndChar = static_cast<char>(data[2]);
    framing.MaxPacketLen = static_cast<uint16_t>(data[3] << 8 | data[4]);
    const std::string bytes(reinterpret_cast<const char*>(data) + 5, size - 5);

    PacketSplitter splitter;
    std::vector<std::string> packets;
    splitter.OnPacket = [&](const std::string& packet, const std::string& frame) {
        packets.push_back(packet);
        require(!frame.empty() && frame[0] == framing.StartChar);
        if (framing.Type == pmtKELVO_NMS) {
            require(packet.size() >= 2 && packet.size() <= size_t{framing.MaxPacketLen} + 2);
            require(frame.size() == packet.size() + 3);
        } else {
            require(packet.size() <= PacketSplitter::kMaxDelimitedPacket);
            require(frame.size() == packet.size() + 2 && frame.back() == framing.EndChar);
        }
    };
    // The same bytes whole and in pieces of varying size must give the same
    // packets.
    splitter.Take(bytes, framing);
    const std::vector<std::string> wholePackets = std::move(packets);
    const std::string wholePartial = splitter.PacketText();
    splitter.Clear();
    packets.clear();
    for (size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece % 7 + 1)
        splitter.Take(bytes.substr(at, piece), framing);
    require(packets == wholePackets);
    require(splitter.PacketText() == wholePartial);
    require(splitter.PacketText().size() <= PacketSplitter::kMaxDelimitedPacket + 2);
    return 0;
}
