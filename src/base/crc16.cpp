#include "base/crc16.h"

#include "base/hex.h"

#include <array>

namespace {

// Entry i is i run through four steps of the reflected polynomial 0x8408.
constexpr uint16_t nibbleTable[16] = {0x0000, 0x1081, 0x2102, 0x3183, 0x4204, 0x5285, 0x6306, 0x7387,
                                      0x8408, 0x9489, 0xA50A, 0xB58B, 0xC60C, 0xD68D, 0xE70E, 0xF78F};

// One byte is two of the nibble steps: a byte b from the value c gives what a zero
// byte gives from c ^ b, which is entry (c ^ b) & 0xFF of this table ^ (c >> 8).
// Taking a byte at a time halves the work on the large project files.
constexpr auto byteTable = [] {
    std::array<uint16_t, 256> table{};
    for (uint16_t i = 0; i < 256; ++i) {
        uint16_t crc = i;
        crc = nibbleTable[crc & 0x0F] ^ (crc >> 4);
        table[i] = nibbleTable[crc & 0x0F] ^ (crc >> 4);
    }
    return table;
}();

} // namespace

uint16_t Crc16Nibble(uint16_t start, const uint8_t* data, size_t length) {
    uint16_t crc = start;
    for (size_t i = 0; i < length; ++i)
        crc = byteTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint16_t Crc16Nibble(uint16_t start, const std::string& data) {
    return Crc16Nibble(start, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

uint16_t Crc16Compute(const uint8_t* data, size_t length, uint16_t start, uint16_t /*polynomial*/,
                      bool reflectOutput, bool reflectInput, uint16_t finalXor) {
    uint16_t crc = start;
    for (size_t i = 0; i < length; ++i) {
        uint8_t byte = data[i];
        if (reflectInput)
            byte = static_cast<uint8_t>(ReflectBits32(byte) >> 24);
        crc = static_cast<uint16_t>((crc >> 8) | (crc << 8));
        crc ^= byte;
        crc ^= (crc & 0xFF) >> 4;
        crc ^= static_cast<uint16_t>(crc << 12);
        crc ^= static_cast<uint16_t>((crc & 0xFF) << 5);
    }
    if (reflectOutput)
        crc = static_cast<uint16_t>(ReflectBits32(crc) >> 16);
    return crc ^ finalXor;
}

std::string Crc16HexString(const std::string& text, uint16_t start, uint16_t polynomial, bool reflectOutput,
                           bool reflectInput, uint16_t finalXor) {
    const uint16_t crc = Crc16Compute(reinterpret_cast<const uint8_t*>(text.data()), text.size(), start,
                                      polynomial, reflectOutput, reflectInput, finalXor);
    return IntToHex(crc, 4);
}

std::string Crc16X25Hex(const std::string& text) {
    return Crc16HexString(text, 0xFFFF, 0x1021, true, true, 0xFFFF);
}

uint32_t ReflectBits32(uint32_t value) {
    uint32_t reflected = 0;
    for (int bit = 0; bit < 32; ++bit) {
        reflected = (reflected << 1) | (value & 1);
        value >>= 1;
    }
    return reflected;
}
