#include "components/packet_splitter.h"

void PacketSplitter::Take(const std::string& bytes, const TdPacketFraming& framing) {
    for (char c : bytes)
        Take(c, framing);
}

void PacketSplitter::Take(char c, const TdPacketFraming& framing) {
    if (framing.Type == pmtKELVO_NMS)
        takeNms(c, framing);
    else
        takeDelimited(c, framing);
}

void PacketSplitter::Clear() {
    packet_.clear();
    frame_.clear();
    length_ = 0;
    lengthKnown_ = false;
    inside_ = false;
}

void PacketSplitter::start(char c) {
    Clear();
    inside_ = true;
    frame_ += c;
}

void PacketSplitter::finish() {
    const std::string packet = std::move(packet_);
    const std::string frame = std::move(frame_);
    Clear();
    if (OnPacket)
        OnPacket(packet, frame);
}

void PacketSplitter::takeNms(char c, const TdPacketFraming& framing) {
    if (!inside_) {
        if (c == framing.StartChar)
            start(c);
        return;
    }
    packet_ += c;
    frame_ += c;
    if (lengthKnown_) {
        if (packet_.size() == size_t{length_} + 2)
            finish();
    } else if (packet_.size() == 2) {
        length_ =
            static_cast<uint16_t>(static_cast<uint8_t>(packet_[0]) << 8 | static_cast<uint8_t>(packet_[1]));
        if (length_ > framing.MaxPacketLen) {
            Clear();
            return;
        }
        lengthKnown_ = true;
        packet_.clear();
    }
}

void PacketSplitter::takeDelimited(char c, const TdPacketFraming& framing) {
    if (c == framing.StartChar) {
        start(c);
        return;
    }
    if (!inside_)
        return;
    frame_ += c;
    if (c == framing.EndChar) {
        finish();
        return;
    }
    packet_ += c;
    if (packet_.size() > kMaxDelimitedPacket)
        Clear();
}
