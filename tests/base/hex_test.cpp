#include "base/hex.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(HexTest, StringHexToIntReadsEitherCaseAndIgnoresBackslashes) {
    EXPECT_EQ(KelvoBase::StringHexToInt(""), 0u);
    EXPECT_EQ(KelvoBase::StringHexToInt("\\1A"), 26u);
    EXPECT_EQ(KelvoBase::StringHexToInt("1a"), 26u);
    EXPECT_EQ(KelvoBase::StringHexToInt("FFFFFFFF"), 4294967295u);
    EXPECT_EQ(KelvoBase::StringHexToInt("100000000"), 0u) << "only the low 32 bits are kept";
    EXPECT_EQ(KelvoBase::StringHexToInt("123456789"), 0x23456789u);
}

TEST(HexTest, StringHexToIntNamesTheConvertedTextWhenItFails) {
    const auto messageFor = [](const std::string& text) {
        try {
            KelvoBase::StringHexToInt(text);
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
        return std::string("no exception");
    };
    EXPECT_EQ(messageFor("0x10"),
              "Exception Error => Invalid HexString '0X10' => [KelvoBase::StringHexToInt]");
    EXPECT_EQ(messageFor("12 3\\4"),
              "Exception Error => Invalid HexString '12 34' => [KelvoBase::StringHexToInt]");
}

TEST(HexTest, UnescapeHexStringTurnsOnlyCompleteEscapesIntoBytes) {
    EXPECT_EQ(UnescapeHexString("A\\41\\4G\\"), "AA\\4G\\");
    EXPECT_EQ(UnescapeHexString("\\4"), "\\4");
    EXPECT_EQ(UnescapeHexString("\\zz"), "\\zz");
    EXPECT_EQ(UnescapeHexString("\\00\\ff\\5c41"), std::string("\0\xFF\\41", 5));
}

TEST(HexTest, EscapeStringKeepsTheBytesOfItsMode) {
    const std::string bytes("A\x0D\x80 \x7F\x1F-", 7);
    EXPECT_EQ(EscapeString(bytes, EscapeHighBytes), "A\x0D\\80 \x7F\x1F-");
    EXPECT_EQ(EscapeString(bytes, EscapeNonPrintable), "A\\0D\\80 \x7F\\1F-");
    EXPECT_EQ(EscapeString(bytes, EscapeNonAlphanumeric), "A\x0D\\80 \\7F\\1F\\2D");
    EXPECT_EQ(EscapeString(bytes, EscapeNotAllowed, "-A"), "A\\0D\\80\\20\\7F\\1F-");
    EXPECT_EQ(EscapeString("Az", EscapeAll), "\\41\\7A");
    EXPECT_EQ(EscapeString(bytes, 5), "");
    EXPECT_EQ(UnescapeHexString(EscapeString(bytes, EscapeAll)), bytes) << "escaping undoes itself";
}

TEST(HexTest, IntToHexFixedKeepsTheLeadingDigits) {
    EXPECT_EQ(IntToHex(0xABC, 2), "ABC");
    EXPECT_EQ(IntToHexFixed(5, 4), "0005");
    EXPECT_EQ(IntToHexFixed(0xABCDE, 4), "ABCD");
    EXPECT_EQ(IntToHexFixed(0xFFFFFFFF, 8), "FFFFFFFF");
}

TEST(HexTest, RandomHexStringHasTheLengthAskedFor) {
    EXPECT_EQ(RandomBelow(0), 0);
    for (int n : {1, 3, 4, 5, 32, 128}) {
        const std::string text = RandomHexString(n);
        EXPECT_EQ(text.size(), static_cast<size_t>(n));
        EXPECT_TRUE(IsHexString(text)) << text;
    }
}

} // namespace
