#pragma once
// One byte of a value in the modems' wire formats.

#include <cstdint>
#include <string>

class v8_data {
public:
    explicit v8_data(char c = 0) : byte_(static_cast<uint8_t>(c)) {}

    void SetValue(int value) { byte_ = static_cast<uint8_t>(value); }
    void SetHighByte(uint16_t value) { byte_ = static_cast<uint8_t>(value >> 8); }
    void SetLowByte(uint16_t value) { byte_ = static_cast<uint8_t>(value); }

    uint8_t Value() const { return byte_; }
    std::string AsString() const { return std::string(1, static_cast<char>(byte_)); }

private:
    uint8_t byte_;
};
