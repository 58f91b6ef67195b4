#include "base/hex.h"

#include "platform/ascii.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool keptAsItIs(unsigned char byte, int mode, const std::string& allowed) {
    switch (mode) {
    case EscapeHighBytes:
        return byte <= 127;
    case EscapeNonPrintable:
        return byte >= 32 && byte <= 127;
    case EscapeNonAlphanumeric:
        return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
               (byte >= 9 && byte <= 13) || byte == ' ';
    case EscapeNotAllowed:
        return allowed.find(static_cast<char>(byte)) != std::string::npos;
    default:
        return false;
    }
}

} // namespace

uint32_t KelvoBase::StringHexToInt(const std::string& text) {
    std::string converted;
    for (char c : text)
        if (c != '\\')
            converted += AsciiUpper(c);
    uint32_t value = 0;
    for (char c : converted) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            throw std::runtime_error("Exception Error => Invalid HexString '" + converted +
                                     "' => [KelvoBase::StringHexToInt]");
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

bool IsHexString(const std::string& text) {
    for (char c : text)
        if (hexDigitValue(c) < 0)
            return false;
    return true;
}

std::string UnescapeHexString(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 2 < text.size() && IsHexString(text.substr(i + 1, 2))) {
            result += static_cast<char>(KelvoBase::StringHexToInt(text.substr(i + 1, 2)));
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string EscapeString(const std::string& text, int mode, const std::string& allowed) {
    if (mode < EscapeHighBytes || mode > EscapeAll)
        return {};
    std::string result;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (mode != EscapeAll && keptAsItIs(byte, mode, allowed))
            result += c;
        else
            AppendEscape(result, byte);
    }
    return result;
}

void AppendEscape(std::string& text, uint8_t byte) {
    static const char hexDigits[] = "0123456789ABCDEF";
    const char escape[] = {'\\', hexDigits[byte >> 4], hexDigits[byte & 0xF]};
    text.append(escape, sizeof escape);
}

std::string IntToHex(uint32_t value, int digits) {
    static const char hexDigits[] = "0123456789ABCDEF";
    // The digits from the last one backwards, then the zeros that fill up to `digits`.
    char backwards[8];
    size_t count = 0;
    do {
        backwards[sizeof backwards - ++count] = hexDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::string text(static_cast<size_t>(std::max(digits - static_cast<int>(count), 0)), '0');
    text.append(backwards + sizeof backwards - count, count);
    return text;
}

std::string IntToHexFixed(uint32_t value, int digits) {
    return IntToHex(value, digits).substr(0, digits > 0 ? static_cast<size_t>(digits) : 0);
}

int RandomBelow(int n) {
    return n == 0 ? 0 : std::rand() % n;
}

void SeedRandomFromTime() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}

std::string RandomHexString(int n) {
    std::string text;
    switch (n) {
    case 4:
    case 8:
    case 16:
    case 32:
    case 64:
    case 128:
        // Four digits per draw: the leading digits of a large random number.
        for (int i = 0; i < n / 4; ++i)
            text += IntToHexFixed(static_cast<uint32_t>(RandomBelow(0x7FFFFFFF)), 4);
        break;
    default:
        for (int i = 0; i < n; ++i)
            text += IntToHexFixed(static_cast<uint32_t>(RandomBelow(255)), 1);
        break;
    }
    return text;
}
