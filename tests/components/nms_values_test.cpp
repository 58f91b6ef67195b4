#include "components/nms_values.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(NmsValuesTest, TypeNamesGoBothWaysExactly) {
    for (int type = 0; type < kNmsValueTypeCount; ++type)
        EXPECT_EQ(StringToNmsValueType(NmsValueTypeToString(static_cast<uint8_t>(type))), type);
    EXPECT_EQ(NmsValueTypeToString(20), "DIAGNOSTICS MESSAGE 1");
    EXPECT_EQ(StringToNmsValueType("uint8"), 0) << "letter case counts";
    EXPECT_EQ(StringToNmsValueType("UINT8 "), 0);
    EXPECT_EQ(NmsValueTypeToString(32), "");
    EXPECT_EQ(NmsValueTypeToString(255), "");

    int fixed = 0;
    for (int type = 0; type < 256; ++type)
        fixed += IsFixedSizeNmsType(static_cast<uint8_t>(type));
    EXPECT_EQ(fixed, 14);
    EXPECT_TRUE(IsFixedSizeNmsType(20));
    EXPECT_FALSE(IsFixedSizeNmsType(10));
}

TEST(NmsValuesTest, ListKindsGoBothWays) {
    EXPECT_EQ(StringToNmsListKind(NmsListKindToString(kNmsListStatic)), kNmsListStatic);
    EXPECT_EQ(StringToNmsListKind(NmsListKindToString(kNmsListDynamic)), kNmsListDynamic);
    EXPECT_EQ(NmsListKindToString(2), "");
}

TEST(NmsValuesTest, IdentifiersReadAndWriteGroupDotNumber) {
    EXPECT_EQ(NmsIdFromString("1.3083"), 0x1C0B);
    EXPECT_EQ(NmsIdFromString("12.5"), 0xC005);
    EXPECT_EQ(NmsIdToString(0xC005), "12.5");
    EXPECT_EQ(NmsIdFromString(NmsIdToString(0xFFFF)), 0xFFFF);
    EXPECT_EQ(NmsIdFromString(".5"), 0);
    EXPECT_EQ(NmsIdFromString("123.4"), 0) << "a group has one or two digits";
    EXPECT_EQ(NmsIdFromString("1234"), 0);
    EXPECT_EQ(NmsIdFromString("1.4096"), 0x2000) << "a number past 12 bits carries into the group";
    EXPECT_EQ(NmsIdFromString("15.99999999"), static_cast<uint16_t>((15u << 12) + 99999999u));
    EXPECT_THROW(NmsIdFromString("1.x5"), std::invalid_argument);
    EXPECT_THROW(NmsIdFromString("12."), std::invalid_argument);
    EXPECT_THROW(NmsIdFromString("1.99999999999"), std::invalid_argument) << "out of range is no number";
}

} // namespace
