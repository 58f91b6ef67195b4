#include "firmware/firmware_blocks.h"

#include "sim/firmware/firmware_test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {
std::vector<uint8_t> header(const std::vector<uint8_t>& blocks, size_t index) {
    const auto at = blocks.begin() + static_cast<long>(index * kFirmwareBlockSize);
    return std::vector<uint8_t>(at, at + 4);
}

std::vector<uint8_t> dataOf(const std::vector<uint8_t>& blocks, size_t index) {
    const auto at = blocks.begin() + static_cast<long>(index * kFirmwareBlockSize + 4);
    return std::vector<uint8_t>(at, at + kFirmwareBlockData);
}
} // namespace

TEST(FirmwareBlocks, RoundTripGivesAddressHeadersAndTheImage) {
    const auto original = MakeTestImage(256);
    auto image = original;
    auto blocks = EncodeFirmwareBlocks(image, 256);
    ASSERT_EQ(blocks.size(), 2 * kFirmwareBlockSize);
    EXPECT_NE(dataOf(blocks, 0), std::vector<uint8_t>(original.begin(), original.begin() + 128));
    EXPECT_EQ(DecodeFirmwareBlocks(blocks), blocks.size());
    EXPECT_EQ(header(blocks, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(header(blocks, 1), (std::vector<uint8_t>{0, 0, 0, 0x80}));
    EXPECT_EQ(dataOf(blocks, 0), std::vector<uint8_t>(original.begin(), original.begin() + 128));
    EXPECT_EQ(dataOf(blocks, 1), std::vector<uint8_t>(original.begin() + 128, original.end()));
}

// Fixed example: a block of 0xFF bytes at address 0x012300 with the random byte 0.
TEST(FirmwareBlocks, EncodedLayoutOfAKnownBlock) {
    std::vector<uint8_t> image(0x12380, 0xFF);
    std::srand(1);
    const int first = std::rand() % 256;
    std::srand(1);
    const auto blocks = EncodeFirmwareBlocksFrom(image, 0x12300, 0x12380);
    ASSERT_EQ(blocks.size(), kFirmwareBlockSize);
    const uint32_t m = ((0x12300u << 8) | static_cast<uint32_t>(first)) ^ 0x3E7C19A4u;
    EXPECT_EQ(header(blocks, 0),
              (std::vector<uint8_t>{static_cast<uint8_t>(m >> 16), static_cast<uint8_t>(m >> 24),
                                    static_cast<uint8_t>(m), static_cast<uint8_t>(m >> 8)}));
    const std::vector<uint8_t> key{0x3C, 0xC1, 0x7E, 0x94, 0xD2, 0x0B, 0x68, 0xA5};
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(blocks[4 + i], 0xFF ^ key[i % 8]) << i;
}

TEST(FirmwareBlocks, EncodingsDifferOnlyInTheirHeaders) {
    const auto original = MakeTestImage(1024);
    auto first = original;
    auto second = original;
    const auto a = EncodeFirmwareBlocks(first, 1024);
    const auto b = EncodeFirmwareBlocks(second, 1024);
    bool headersDiffer = false;
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(dataOf(a, i), dataOf(b, i));
        headersDiffer |= header(a, i) != header(b, i);
    }
    EXPECT_TRUE(headersDiffer);
}

TEST(FirmwareBlocks, LimitsAndShortInputs) {
    std::vector<uint8_t> large(0x90000, 0);
    EXPECT_EQ(EncodeFirmwareBlocks(large, 0x90000).size(), 4096 * kFirmwareBlockSize);

    std::vector<uint8_t> k10(0x10100, 0);
    auto blocks = EncodeFirmwareBlocksFrom(k10, 0x10000, 0x10100);
    ASSERT_EQ(blocks.size(), 2 * kFirmwareBlockSize);
    DecodeFirmwareBlocks(blocks);
    EXPECT_EQ(header(blocks, 0), (std::vector<uint8_t>{0, 1, 0, 0}));
    EXPECT_EQ(header(blocks, 1), (std::vector<uint8_t>{0, 1, 0, 0x80}));

    std::vector<uint8_t> none;
    EXPECT_TRUE(EncodeFirmwareBlocks(none, 0).empty());
    EXPECT_EQ(DecodeFirmwareBlocks(none), 0u);

    // A length past the buffer never reads past it: the missing bytes go out as 0xFF.
    std::vector<uint8_t> small(100, 0);
    blocks = EncodeFirmwareBlocks(small, 300);
    ASSERT_EQ(blocks.size(), 3 * kFirmwareBlockSize);
    EXPECT_EQ(dataOf(blocks, 2), std::vector<uint8_t>(128, 0xFF));

    // A block file cut short decodes its whole blocks and leaves the rest.
    auto image = MakeTestImage(256);
    blocks = EncodeFirmwareBlocks(image, 256);
    blocks.resize(blocks.size() - 1);
    const std::vector<uint8_t> tail(blocks.begin() + kFirmwareBlockSize, blocks.end());
    EXPECT_EQ(DecodeFirmwareBlocks(blocks), kFirmwareBlockSize);
    EXPECT_EQ(std::vector<uint8_t>(blocks.begin() + kFirmwareBlockSize, blocks.end()), tail);
}

TEST(FirmwareBlocks, OemFileCrcXorsTheByteAfterTheTableStep) {
    EXPECT_EQ(Crc16Update(0xFFFF, 0), 0x1EF0 ^ 0xFF00); // T[0xFF] = 0x1EF0
    EXPECT_EQ(Crc16Update(0x0100, 0x00), 0x1021);
    EXPECT_EQ(Crc16Update(0x0000, 0x5A), 0x005A);
    EXPECT_EQ(OemFileCrc(std::vector<uint8_t>{}), 0xFFFF);
}
