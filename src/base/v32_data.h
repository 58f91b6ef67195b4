#pragma once
// A 32-bit value whose bytes are kept in big-endian order, as the modems send them.

#include "base/v16_data.h"

class v32_data {
public:
    v32_data() = default;

    void SetValue(unsigned value) {
        high_.SetValue(static_cast<int>(value >> 16));
        low_.SetValue(static_cast<int>(value & 0xFFFF));
    }
    uint32_t Value() const { return static_cast<uint32_t>(high_.Value()) * 65536 + low_.Value(); }
    // The four bytes, highest first.
    std::string AsString() const { return high_.AsString() + low_.AsString(); }

private:
    v16_data high_;
    v16_data low_;
};
