#include "components/tcolor.h"

namespace {
constexpr uint32_t SystemColorFlag = 0xFF000000;

QPalette::ColorRole systemColorRole(uint32_t index) {
    switch (index) {
    case 5: // window background
        return QPalette::Base;
    case 8: // window text
        return QPalette::Text;
    case 13: // highlight
        return QPalette::Highlight;
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 18: // button text
        return QPalette::ButtonText;
    default: // button face and every other face colour
        return QPalette::Button;
    }
}
} // namespace

QColor ToQColor(TColor color, const QPalette& palette) {
    const auto value = static_cast<uint32_t>(color);
    if ((value & SystemColorFlag) == SystemColorFlag)
        return palette.color(systemColorRole(value & 0xFF));
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
