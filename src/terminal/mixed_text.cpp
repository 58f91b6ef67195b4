#include "terminal/mixed_text.h"

#include "base/hex.h"

std::vector<size_t> MixedEscapePositions(const std::string& text) {
    std::vector<size_t> positions;
    for (size_t i = 0; i + 2 < text.size(); ++i) {
        if (text[i] == '\\' && IsHexString(text.substr(i + 1, 2))) {
            positions.push_back(i);
        }
    }
    return positions;
}

int TransmitCharacterCount(const std::string& text, bool counter, bool crLf, bool mixed) {
    int count = static_cast<int>(text.size()) + (counter ? 5 : 0) + (crLf ? 2 : 0);
    if (mixed) {
        for (size_t i = 0; i + 2 < text.size(); ++i) {
            if (text[i] == '\\') {
                count -= 2;
            }
        }
    }
    return count;
}
