#pragma once
// Cuts a received byte stream into packets, as the packet serial port receives
// them (components/tcommport.h):
// - pmtKELVO_NMS: a start character, a 16-bit length (high byte first), that many
//   data bytes and two CRC bytes. The packet is the data with the CRC bytes; the
//   CRC is not checked. A length above the largest accepted drops the frame.
// - pmtNORMAL, pmtLENGTH, pmtEND (alike): the bytes between a start and an end
//   character; a start character inside a packet starts it again.
// Bytes outside a packet are dropped. A partial packet waits, however long the
// line stays silent, until its frame ends or the next start character begins a
// new one. A delimited packet that grows past the largest packet is dropped, so
// an endless stream without an end character cannot grow memory without bound.

#include "components/commporttools.h"

#include <cstdint>
#include <functional>
#include <string>

struct TdPacketFraming {
    TdPacketModeType Type = pmtNORMAL;
    char StartChar = 2;
    char EndChar = 3;
    uint16_t MaxPacketLen = 100;
};

class PacketSplitter {
public:
    // Largest packet between a start and an end character.
    static constexpr size_t kMaxDelimitedPacket = 65536;

    // A completed packet, and every byte of its frame from the start character on.
    std::function<void(const std::string& packet, const std::string& frame)> OnPacket;

    void Take(const std::string& bytes, const TdPacketFraming& framing);
    void Take(char c, const TdPacketFraming& framing);
    // Back to outside a packet, with nothing collected.
    void Clear();

    // The packet being collected.
    const std::string& PacketText() const { return packet_; }
    bool InsidePacket() const { return inside_; }

private:
    void takeNms(char c, const TdPacketFraming& framing);
    void takeDelimited(char c, const TdPacketFraming& framing);
    void start(char c);
    void finish();

    std::string packet_;
    std::string frame_;
    uint16_t length_ = 0;
    bool lengthKnown_ = false;
    bool inside_ = false;
};
