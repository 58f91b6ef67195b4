#pragma once
// The fuzz targets' check: a broken property aborts, which the fuzzer and the
// seed replay both report as a failure.

#include <cstdlib>

inline void require(bool condition) {
    if (!condition)
        std::abort();
}
