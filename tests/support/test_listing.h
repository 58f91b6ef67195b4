#pragma once
// CTest discovers the tests by listing them: a test program's main then starts no
// application and no display.

#include <gtest/gtest.h>

// Asked after testing::InitGoogleTest, which takes the listing flag out of the
// arguments and keeps it as GoogleTest's own.
inline bool OnlyListingTests() {
    return GTEST_FLAG_GET(list_tests);
}
