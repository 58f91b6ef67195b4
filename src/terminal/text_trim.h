#pragma once
// Trimming as the program's texts are trimmed: blanks and control characters
// (every byte up to ' ') go from both ends.

#include <string>

inline std::string Trimmed(const std::string& text) {
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}
