#pragma once
// Letter case of the program's 8-bit texts. Only A-Z and a-z have a case: the
// C library's functions follow the user's locale (which Qt switches on), and
// names in files must compare the same on every machine.

#include <string_view>

constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal texts without regard to the case of their letters.
constexpr bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}
