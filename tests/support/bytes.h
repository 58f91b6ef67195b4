#pragma once
// Byte strings written as lists of numbers, for tests of wire formats.

#include <initializer_list>
#include <string>

inline std::string bytesOf(std::initializer_list<int> values) {
    std::string text;
    for (int v : values)
        text += static_cast<char>(v);
    return text;
}
