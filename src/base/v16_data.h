#pragma once
// A 16-bit value whose bytes are kept high byte first, as the modems send them.

#include "base/v8_data.h"

class v16_data {
public:
    v16_data() = default;
    explicit v16_data(uint16_t value) { SetValue(value); }

    // Keeps the low 16 bits.
    void SetValue(int value) {
        high_.SetHighByte(static_cast<uint16_t>(value));
        low_.SetLowByte(static_cast<uint16_t>(value));
    }
    uint16_t Value() const { return static_cast<uint16_t>(high_.Value() * 256 + low_.Value()); }
    // The two bytes, high byte first.
    std::string AsString() const { return high_.AsString() + low_.AsString(); }

private:
    v8_data high_;
    v8_data low_;
};
