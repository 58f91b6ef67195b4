#include "terminal/mixed_text.h"

#include <gtest/gtest.h>

TEST(MixedText, EscapesNeedTwoHexDigitsAndOverlappingCandidatesAreAllFound) {
    EXPECT_EQ((std::vector<size_t>{0, 3}), MixedEscapePositions("\\41\\fFx"));
    EXPECT_EQ((std::vector<size_t>{1}), MixedEscapePositions("\\\\5C41"));
    EXPECT_TRUE(MixedEscapePositions("\\4G \\zz \\4").empty());
}

TEST(MixedText, TransmitCountAddsCounterAndCrLfAndTakesTwoPerBackslash) {
    EXPECT_EQ(7, TransmitCharacterCount("A\\41\\4G", false, false, false));
    EXPECT_EQ(3, TransmitCharacterCount("A\\41\\4G", false, false, true));
    EXPECT_EQ(10, TransmitCharacterCount("A\\41\\4G", true, true, true));
    // A backslash among the last two characters counts whole.
    EXPECT_EQ(2, TransmitCharacterCount("x\\", false, false, true));
}
