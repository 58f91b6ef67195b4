#pragma once
// Small text helpers of the designer's files: numbers in decimal and hexadecimal
// text, lines of a text.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A decimal integer with optional leading blanks and sign; nothing else may follow.
std::optional<int> ParseDecimal(const std::string& text);
// A hexadecimal number with an optional "0x" in front; nothing else may follow.
std::optional<uint32_t> ParseHex(const std::string& text);

// The lines of a text that ends its lines with CR LF, LF or CR; a last line without
// an end counts, an end at the very end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);
