#include "base/text_numbers.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(TextNumbersTest, DecimalTakesLeadingBlanksAndASignButNothingAfterTheDigits) {
    EXPECT_EQ(ParseDecimal("42"), 42);
    EXPECT_EQ(ParseDecimal("  +7"), 7);
    EXPECT_EQ(ParseDecimal("-2147483648"), -2147483648LL);
    for (const char* bad : {"", "   ", "+", "+-5", "12 ", "1.5", "0x10", "2147483648", "abc"})
        EXPECT_FALSE(ParseDecimal(bad).has_value()) << '"' << bad << '"';
}

TEST(TextNumbersTest, HexTakesAnOptionalPrefixAndFitsThirtyTwoBits) {
    EXPECT_EQ(ParseHex("1C0B"), 0x1C0Bu);
    EXPECT_EQ(ParseHex("0xff"), 0xFFu);
    EXPECT_EQ(ParseHex("0XFFFFFFFF"), 0xFFFFFFFFu);
    for (const char* bad : {"", "0x", "100000000", "-1", "12G", " 1"})
        EXPECT_FALSE(ParseHex(bad).has_value()) << '"' << bad << '"';
}

TEST(TextNumbersTest, StrToIntThrowsWithTheTextInItsMessage) {
    EXPECT_EQ(StrToInt(" 15"), 15);
    try {
        StrToInt("x1");
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "'x1' is not a valid integer value");
    }
}

} // namespace
