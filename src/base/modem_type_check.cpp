#include "base/modem_type_check.h"

#include "base/crc16.h"
#include "base/text_lines.h"
#include "platform/ascii.h"

#include <algorithm>

namespace {
// Where the check puts a missing "Number" line: after the name and five lines.
constexpr size_t kNumberLinePosition = 6;
constexpr const char* kZeroNumberLine = "Number=0000";
} // namespace

uint16_t ModemTypeCheckValue(const std::string& typeFileName, std::vector<std::string> lines,
                             NumberLineForm form) {
    lines.insert(lines.begin(), LowerText(typeFileName));
    const auto numberLine = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        const size_t equals = line.find('=');
        return equals != std::string::npos && SameText(Trimmed(line.substr(0, equals)), "Number");
    });
    if (numberLine != lines.end())
        *numberLine = form == NumberLineForm::OwnKey
                          ? numberLine->substr(0, numberLine->find('=') + 1) + "0000"
                          : kZeroNumberLine;
    else
        lines.insert(lines.begin() + static_cast<long>(std::min(kNumberLinePosition, lines.size())),
                     kZeroNumberLine);
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    // The text is handed on as a zero-terminated string: it ends at a zero byte.
    text = text.substr(0, text.find('\0'));
    return Crc16Nibble(0xFFFF, text);
}
