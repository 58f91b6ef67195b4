#pragma once
// Hexadecimal texts: numbers and bytes as hexadecimal digits (always upper case)
// and back, the backslash escapes of mixed texts, and random hexadecimal names.
//
// A mixed text shows printable characters as they are and any other byte as a
// backslash followed by two hexadecimal digits ("A\0D\80").

#include <cstdint>
#include <string>

namespace KelvoBase {
// The value of a hexadecimal text (either case; backslashes are ignored), its low
// 32 bits; an empty text is 0. Throws std::runtime_error naming the text when a
// character is no hexadecimal digit.
uint32_t StringHexToInt(const std::string& text);
} // namespace KelvoBase

// True when every character is a hexadecimal digit of either case (and for "").
bool IsHexString(const std::string& text);

// Replaces each backslash followed by two hexadecimal digits with the byte they
// spell; any other backslash stays as it is.
std::string UnescapeHexString(const std::string& text);

// Which bytes EscapeString keeps as they are; it writes every other byte as
// a backslash and two hexadecimal digits.
enum EscapeMode : int {
    EscapeHighBytes = 0,       // keeps 0-127
    EscapeNonPrintable = 1,    // keeps 32-127
    EscapeNonAlphanumeric = 2, // keeps digits, letters and the blanks 9-13 and 32
    EscapeNotAllowed = 3,      // keeps the bytes found in `allowed`
    EscapeAll = 4,             // keeps none
};
// Any other mode gives an empty text.
std::string EscapeString(const std::string& text, int mode, const std::string& allowed = {});
// Appends the escape of one byte: a backslash and two hexadecimal digits.
void AppendEscape(std::string& text, uint8_t byte);

// At least `digits` upper-case hexadecimal digits, more when the value needs them.
std::string IntToHex(uint32_t value, int digits);
// IntToHex cut to exactly `digits` characters: a wider value keeps its leading
// digits (0xABCDE with 4 digits is "ABCD").
std::string IntToHexFixed(uint32_t value, int digits);

// A pseudo-random number in 0 .. n-1 (0 when n is 0).
int RandomBelow(int n);
// Starts RandomBelow's sequence from the clock.
void SeedRandomFromTime();
// A text of n random hexadecimal digits.
std::string RandomHexString(int n);
