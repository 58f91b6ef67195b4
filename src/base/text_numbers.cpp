#include "base/text_numbers.h"

#include <charconv>
#include <stdexcept>

std::optional<int> ParseDecimal(const std::string& text) {
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return std::nullopt;
    // A plus sign may stand before the digits, but not before a minus sign.
    if (text[start] == '+') {
        ++start;
        if (start < text.size() && text[start] == '-')
            return std::nullopt;
    }
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + start, end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<uint32_t> ParseHex(const std::string& text) {
    size_t start = 0;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        start = 2;
    if (start == text.size())
        return std::nullopt;
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + start, end, value, 16);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

int StrToInt(const std::string& text) {
    const std::optional<int> value = ParseDecimal(text);
    if (!value)
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    return *value;
}
