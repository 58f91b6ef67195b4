#include "terminal/colour_counter.h"

#include <algorithm>
#include <cstdlib>

size_t ColourCounter::highlight(size_t length, int nowMs, bool plain) {
    const int gap = std::abs(nowMs - lastAppendMs_);
    lastAppendMs_ = nowMs;
    if (gap > kPauseMs && inProgress_) {
        count_ = 0;
        inProgress_ = false;
    }
    if (plain || (gap <= kPauseMs && !inProgress_))
        return 0;
    const size_t highlighted = std::min(static_cast<size_t>(kHighlighted - count_), length);
    inProgress_ = length + static_cast<size_t>(count_) < kHighlighted;
    count_ += static_cast<int>(highlighted);
    if (count_ >= kHighlighted)
        count_ = 0;
    return highlighted;
}

void ColourCounter::reset() {
    count_ = 0;
    inProgress_ = false;
    lastAppendMs_ = 0;
}
