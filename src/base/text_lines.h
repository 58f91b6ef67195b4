#pragma once
// Trimming and line splitting as the program's texts and files are handled.

#include <string>
#include <vector>

// Blanks and control characters (every byte up to ' ') go from both ends.
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

// The lines of a text that ends its lines with CR LF, LF or CR; a last line without
// an end counts, an end at the very end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);
