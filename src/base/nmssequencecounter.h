#pragma once
// The sequence numbers of one sender's NMS requests: 0 for the first request, then
// growing by 2; a frame carries the low 8 bits (0, 2, ..., 254, 0, ...).

#include <cstdint>

class NmsSequenceCounter {
public:
    // The number for the next request frame.
    uint8_t Next() {
        const auto number = static_cast<uint8_t>(counter_);
        counter_ += 2;
        return number;
    }
    uint32_t Value() const { return counter_; }

private:
    uint32_t counter_ = 0;
};
