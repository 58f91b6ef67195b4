#include "platform/ascii.h"

#include <gtest/gtest.h>

TEST(Ascii, OnlyLatinLettersHaveACase) {
    EXPECT_TRUE(SameText("Window Number 3", "WINDOW number 3"));
    EXPECT_FALSE(SameText("\xE4", "\xC4")); // a-umlaut and A-umlaut stay apart in every locale
    EXPECT_EQ(LowerText("Ab\xC4Z"), "ab\xC4z");
    EXPECT_EQ(UpperText("aB\xE4z"), "AB\xE4Z");
}

TEST(Ascii, SortingOrderIgnoresCaseAndPutsPrefixesFirst) {
    EXPECT_TRUE(LessText("com1", "COM10"));
    EXPECT_FALSE(LessText("COM10", "com1"));
    EXPECT_FALSE(LessText("Com2", "cOM2"));
    EXPECT_TRUE(LessText("B", "c"));
    EXPECT_TRUE(LessText("z", "\x80")); // bytes compare unsigned
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
}
