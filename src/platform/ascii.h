#pragma once
// Letter case of the program's 8-bit texts. Only A-Z and a-z have a case: the
// C library's functions follow the user's locale (which Qt switches on), and
// names in files must compare the same on every machine.

#include <string>
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

// Negative, zero or positive as a sorts before, with or after b when the letters
// of both are taken in lower case.
constexpr int CompareText(std::string_view a, std::string_view b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const int difference =
            static_cast<unsigned char>(AsciiLower(a[i])) - static_cast<unsigned char>(AsciiLower(b[i]));
        if (difference != 0)
            return difference;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// A sorting order of texts without regard to the case of their letters.
constexpr bool LessText(std::string_view a, std::string_view b) {
    return CompareText(a, b) < 0;
}

inline std::string LowerText(std::string text) {
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

inline std::string UpperText(std::string text) {
    for (char& c : text)
        c = AsciiUpper(c);
    return text;
}
