#pragma once
// CTest discovers the tests by listing them: a test program's main then starts no
// application and no display.

#include <cstring>

inline bool OnlyListingTests(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            return true;
    return false;
}
