#include "firmware/firmware_blocks.h"

#include "base/hex.h"

#include <algorithm>

namespace {
constexpr uint32_t kHeaderMask = 0x3E7C19A4;
constexpr std::array<uint8_t, 8> kDataKey{0x3C, 0xC1, 0x7E, 0x94, 0xD2, 0x0B, 0x68, 0xA5};

void scramble(std::span<uint8_t> bytes, size_t firstPosition) {
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] ^= kDataKey[(firstPosition + i) % kDataKey.size()];
}

void appendBlock(std::vector<uint8_t>& out, std::span<const uint8_t> image, uint32_t address) {
    const uint32_t masked = ((address << 8) | static_cast<uint32_t>(RandomBelow(256))) ^ kHeaderMask;
    out.push_back(static_cast<uint8_t>(masked >> 16));
    out.push_back(static_cast<uint8_t>(masked >> 24));
    out.push_back(static_cast<uint8_t>(masked));
    out.push_back(static_cast<uint8_t>(masked >> 8));
    const std::span<const uint8_t> data =
        address < image.size() ? image.subspan(address) : std::span<const uint8_t>();
    const size_t available = std::min(kFirmwareBlockData, data.size());
    out.insert(out.end(), data.begin(), data.begin() + available);
    out.insert(out.end(), kFirmwareBlockData - available, 0xFF);
}

std::vector<uint8_t> encode(std::span<uint8_t> image, uint32_t start, uint32_t length, uint32_t limit) {
    const size_t scrambled = std::min<size_t>(length, image.size());
    scramble(image.first(scrambled), 0);
    std::vector<uint8_t> out;
    for (uint32_t address = start; address < limit && address < length; address += kFirmwareBlockData)
        appendBlock(out, image, address);
    return out;
}

std::array<uint16_t, 256> oemCrcTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}
} // namespace

std::vector<uint8_t> EncodeFirmwareBlocks(std::span<uint8_t> image, uint32_t length) {
    return encode(image, 0, length, kBlockImageLimit);
}

std::vector<uint8_t> EncodeFirmwareBlocksFrom(std::span<uint8_t> image, uint32_t start, uint32_t length) {
    return encode(image, start, length, kBlockImageLimitFrom);
}

uint32_t EncodedBlockAddress(const uint8_t* header) {
    const uint32_t masked =
        uint32_t{header[1]} << 24 | uint32_t{header[0]} << 16 | uint32_t{header[3]} << 8 | header[2];
    return (masked ^ kHeaderMask) >> 8;
}

size_t DecodeFirmwareBlocks(std::span<uint8_t> data) {
    const size_t decoded = data.size() - data.size() % kFirmwareBlockSize;
    for (size_t at = 0; at < decoded; at += kFirmwareBlockSize) {
        uint8_t* block = data.data() + at;
        const uint32_t address = EncodedBlockAddress(block);
        block[0] = 0;
        block[1] = static_cast<uint8_t>(address >> 16);
        block[2] = static_cast<uint8_t>(address >> 8);
        block[3] = static_cast<uint8_t>(address);
        scramble(std::span(block + 4, kFirmwareBlockData), 0);
    }
    return decoded;
}

uint16_t Crc16Update(uint16_t crc, uint8_t byte) {
    static const std::array<uint16_t, 256> table = oemCrcTable();
    return static_cast<uint16_t>(table[crc >> 8] ^ (crc << 8) ^ byte);
}

uint16_t OemFileCrc(std::span<const uint8_t> data) {
    uint16_t crc = 0xFFFF;
    for (const uint8_t byte : data)
        crc = Crc16Update(crc, byte);
    return crc;
}
