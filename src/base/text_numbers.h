#pragma once
// Numbers in decimal and hexadecimal text.

#include <cstdint>
#include <optional>
#include <string>

// A decimal integer with optional leading blanks and sign; nothing else may follow.
std::optional<int> ParseDecimal(const std::string& text);
// A hexadecimal number with an optional "0x" in front; nothing else may follow.
std::optional<uint32_t> ParseHex(const std::string& text);
// ParseDecimal for values that must be numbers: throws std::invalid_argument
// ("'x' is not a valid integer value") when the text is none.
int StrToInt(const std::string& text);
