#pragma once
// Small text helpers of the designer's files: numbers in decimal and hexadecimal
// text.

#include <cstdint>
#include <optional>
#include <string>

// A decimal integer with optional leading blanks and sign; nothing else may follow.
std::optional<int> ParseDecimal(const std::string& text);
// A hexadecimal number with an optional "0x" in front; nothing else may follow.
std::optional<uint32_t> ParseHex(const std::string& text);
