#include "base/crc16.h"

#include <gtest/gtest.h>

namespace {

const std::string checkText = "123456789";
const auto* checkBytes = reinterpret_cast<const uint8_t*>(checkText.data());

TEST(Crc16Test, NibbleCrcCheckValues) {
    EXPECT_EQ(Crc16Nibble(0xFFFF, checkText), 0x6F91);
    EXPECT_EQ(Crc16Nibble(0x0000, checkText), 0x2189);
    EXPECT_EQ(Crc16Nibble(0x1234, checkBytes, 0), 0x1234) << "no bytes leave the start value";
}

TEST(Crc16Test, NibbleCrcRunsOnFromAPartialResult) {
    const uint16_t first = Crc16Nibble(0xFFFF, checkBytes, 4);
    EXPECT_EQ(Crc16Nibble(first, checkBytes + 4, 5), 0x6F91);
}

TEST(Crc16Test, NibbleCrcOfEveryByteIsTheReflectedPolynomialsCrc) {
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<uint8_t>(value);
        const uint8_t twice[] = {byte, static_cast<uint8_t>(~byte)};
        EXPECT_EQ(Crc16Nibble(0xFFFF, twice, 2), Crc16Compute(twice, 2, 0xFFFF, 0x1021, true, true, 0x0000))
            << value;
    }
}

TEST(Crc16Test, ParameterisedCrcCheckValues) {
    EXPECT_EQ(Crc16Compute(checkBytes, 9, 0xFFFF, 0x1021, true, true, 0xFFFF), 0x906E);
    EXPECT_EQ(Crc16Compute(checkBytes, 9, 0xFFFF, 0x1021, true, true, 0x0000), 0x6F91);
    EXPECT_EQ(Crc16Compute(checkBytes, 9, 0xFFFF, 0x1021, false, false, 0x0000), 0x29B1);
    EXPECT_EQ(Crc16Compute(checkBytes, 9, 0x0000, 0x1021, false, false, 0x0000), 0x31C3);
    EXPECT_EQ(Crc16Compute(checkBytes, 9, 0xFFFF, 0x8005, true, true, 0xFFFF), 0x906E)
        << "the polynomial is always 0x1021";
}

TEST(Crc16Test, HexTextsHaveFourUpperCaseDigits) {
    EXPECT_EQ(Crc16X25Hex(checkText), "906E");
    EXPECT_EQ(Crc16HexString("", 0xFFFF, 0x1021, false, false, 0), "FFFF");
    EXPECT_EQ(Crc16HexString(std::string("\x00", 1), 0, 0x1021, false, false, 0), "0000");
}

} // namespace
