#include "sim/boot_rom_upload.h"

#include "base/crc16.h"

namespace {
constexpr char kAck = 0x06;
} // namespace

bool BootRomUpload::Receive(uint8_t byte, const Faults& faults, std::string& out) {
    if (lengthBytes_ < 2) {
        ++lengthBytes_;
        length_ = length_ << 8 | byte;
        out += static_cast<char>(faults.wrongLengthEcho ? byte ^ 0x01 : byte);
        return false;
    }
    const bool wrong = static_cast<int>(loader_.size()) == faults.wrongLoaderEchoAt;
    loader_.push_back(byte);
    out += static_cast<char>(wrong ? byte ^ 0xFF : byte);
    return loader_.size() == length_;
}

std::string BootRomUpload::CrcAnswer(bool wrongCrc) const {
    const uint16_t crc = Crc16Nibble(0xFFFF, loader_.data(), loader_.size()) ^ (wrongCrc ? 1 : 0);
    return {kAck, static_cast<char>(crc >> 8), static_cast<char>(crc)};
}
