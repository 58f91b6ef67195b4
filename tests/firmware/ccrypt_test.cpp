#include "firmware/ccrypt.h"

#include "base/crc16.h"
#include "sim/firmware/firmware_test_files.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {
using Block = std::array<uint8_t, 8>;

Block encrypt(const std::array<uint8_t, 16>& key, bool strengthened, unsigned rounds, Block block) {
    const CCrypt crypt;
    CCrypt::KeySchedule schedule{};
    crypt.ExpandUserKey(schedule, key.data(), strengthened, rounds);
    crypt.EncryptBlock(block.data(), schedule);
    return block;
}

constexpr Block kPlain{1, 2, 3, 4, 5, 6, 7, 8};
} // namespace

// Published test vectors of SAFER: the 64-bit variants use the same key for both
// halves of the 128-bit schedule.
TEST(CCrypt, MatchesPublishedVectors) {
    EXPECT_EQ(encrypt({1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0}, true, 10, kPlain),
              (Block{0xFF, 0x78, 0x11, 0xE4, 0xB3, 0xA7, 0x2E, 0x71}));
    EXPECT_EQ(encrypt({1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8}, true, 6, kPlain),
              (Block{0x5F, 0xCE, 0x9B, 0xA2, 0x05, 0x84, 0x38, 0xC7}));
    EXPECT_EQ(encrypt({8, 7, 6, 5, 4, 3, 2, 1, 8, 7, 6, 5, 4, 3, 2, 1}, false, 6, kPlain),
              (Block{0xC8, 0xF2, 0x9C, 0xDD, 0x87, 0x78, 0x3E, 0xD9}));
}

TEST(CCrypt, RoundsAboveThirteenAreThirteen) {
    const std::array<uint8_t, 16> key{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(encrypt(key, true, 20, kPlain), encrypt(key, true, 13, kPlain));
    EXPECT_NE(encrypt(key, true, 12, kPlain), encrypt(key, true, 13, kPlain));
}

// In cipher feedback each plain block is the cipher block XOR the encryption of the
// previous cipher block (of the vector for the first): with the vector set to the
// published plain text, deciphering zeros yields the published cipher text.
TEST(CCrypt, CipherFeedbackChainsThroughTheBlockCipher) {
    const CCrypt crypt;
    CCrypt::KeySchedule schedule{};
    const std::array<uint8_t, 16> key{1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0};
    crypt.ExpandUserKey(schedule, key.data(), true, 10);

    std::vector<uint8_t> data(8 + 8 + 3, 0);
    data[8] = 0x55; // second block: its plain text depends on the first cipher block
    crypt.DecryptCfb(data.data(), data.size(), schedule, kPlain.size(), kPlain.data());
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 8,
                           Block{0xFF, 0x78, 0x11, 0xE4, 0xB3, 0xA7, 0x2E, 0x71}.begin()));

    Block second{};
    crypt.EncryptBlock(second.data(), schedule); // E(first cipher block = zeros)
    EXPECT_EQ(data[8], second[0] ^ 0x55);
    EXPECT_TRUE(std::equal(data.begin() + 9, data.begin() + 16, second.begin() + 1));
    Block third{0x55, 0, 0, 0, 0, 0, 0, 0};
    crypt.EncryptBlock(third.data(), schedule);
    EXPECT_TRUE(std::equal(data.begin() + 16, data.end(), third.begin())); // short last block
}

TEST(CCrypt, FirmwareFileKeepsItsLastByte) {
    const std::array<uint8_t, 16> key{};
    std::vector<uint8_t> one{0x42};
    DecipherFirmwareFile(one, key);
    EXPECT_EQ(one, std::vector<uint8_t>{0x42});

    std::vector<uint8_t> empty;
    DecipherFirmwareFile(empty, key); // nothing to do, nothing touched
    EXPECT_TRUE(empty.empty());
}

TEST(CCrypt, DeciphersFilesOfTheMakersTool) {
    const std::array<uint8_t, 16> key{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0,
                                      0x0F, 0xED, 0xCB, 0xA9, 0x87, 0x65, 0x43, 0x21};
    const std::string plain = "KelvoFlash" + MakeSRecordFile(MakeTestImage(100));
    std::vector<uint8_t> file = EncipherFirmwareFile(plain, key);
    ASSERT_EQ(file.size(), plain.size() + 2);
    EXPECT_NE(std::string(file.begin(), file.begin() + 10), "KelvoFlash");
    DecipherFirmwareFile(file, key);
    EXPECT_EQ(std::string(file.begin(), file.end() - 2), plain);
    const uint16_t crc = Crc16Nibble(0, file.data(), file.size() - 2);
    EXPECT_EQ(file[file.size() - 2], crc >> 8);
    EXPECT_EQ(file.back(), crc & 0xFF);

    std::vector<uint8_t> wrong = EncipherFirmwareFile(plain, key);
    std::array<uint8_t, 16> otherKey = key;
    otherKey[15] ^= 1; // the second half of the key matters too
    DecipherFirmwareFile(wrong, otherKey);
    EXPECT_NE(std::string(wrong.begin(), wrong.begin() + 10), "KelvoFlash");
}
