#include "terminal/transmit_text.h"

#include "base/crc16.h"
#include "base/hex.h"
#include "base/text_lines.h"
#include "platform/tinifile.h"
#include "terminal/nms_command.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kMinimumDelay = 0.2;
constexpr double kDelayStep = 0.1;

std::string delayText(double seconds, char separator) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', separator);
    return result;
}

} // namespace

int NextPacketCounter(int counter) {
    return counter >= kPacketCounterLimit ? 0 : counter + 1;
}

std::string BuildTransmitText(const std::string& boxText, int counter, const TransmitTextOptions& options) {
    std::string text = boxText;
    if (options.counter) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%05d", counter);
        text = digits + text;
    }
    if (options.mixed) {
        text = UnescapeHexString(text);
    }
    if (options.crc) {
        const uint16_t crc = Crc16Nibble(0xFFFF, text);
        text.push_back(static_cast<char>(crc >> 8));
        text.push_back(static_cast<char>(crc & 0xFF));
    }
    if (options.crLf) {
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> ReadCommandLines(const std::string& fileBytes) {
    std::vector<std::string> lines;
    for (const std::string& line : SplitLines(fileBytes)) {
        const size_t comment = line.find("//");
        if (comment != 0) {
            lines.push_back(comment == std::string::npos ? line : Trimmed(line.substr(0, comment)));
        }
    }
    return lines;
}

CommandLineAction ClassifyCommandLine(const std::string& line) {
    CommandLineAction action;
    if (line.empty()) {
        return action;
    }
    action.echo = "\r\n" + line + " ";
    if (line == "+++" || line == "---") {
        action.kind = CommandLineAction::Escape;
        action.data = line;
    } else if (IsNmsCommandLine(line)) {
        action.kind = CommandLineAction::Nms;
    } else {
        action.kind = CommandLineAction::Text;
        action.data = line + "\r\n";
    }
    return action;
}

std::optional<double> ParseDelay(const std::string& text) {
    std::string number = Trimmed(text);
    std::replace(number.begin(), number.end(), ',', '.');
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc() || end != number.data() + number.size()) {
        return std::nullopt;
    }
    return value;
}

std::string AppliedDelayText(const std::string& text, char separator) {
    const auto value = ParseDelay(text);
    if (!value || *value < kMinimumDelay) {
        return delayText(kMinimumDelay, separator);
    }
    return text;
}

std::string SteppedDelayText(const std::string& text, char separator, bool up) {
    const double value = ParseDelay(text).value_or(kMinimumDelay);
    return delayText(up ? value + kDelayStep : std::max(kMinimumDelay, value - kDelayStep), separator);
}

int RepeatIntervalMs(const std::string& delayText) {
    const double seconds = ParseDelay(delayText).value_or(kMinimumDelay);
    return static_cast<int>(std::max<double>(kMinimumRepeatMs, std::round(seconds * 1000)));
}

std::string TransmitSectionName(const std::string& caption) {
    return caption.substr(0, caption.find(':'));
}

void SaveTransmitSettings(TIniFile& settings, const std::string& section, const TransmitSettings& values) {
    settings.WriteBool(section, "CR_LF", values.crLf);
    settings.WriteBool(section, "Mixed", values.mixed);
    settings.WriteBool(section, "CRC", values.crc);
    settings.WriteString(section, "TXFILE", values.txFile);
    settings.WriteInteger(section, "SELECT", values.select);
    settings.WriteInteger(section, "NEWFORMAT", 1);
    settings.WriteBool(section, "COUNTER", values.counter);
    settings.WriteBool(section, "CONTINUOUS", values.continuous);
    settings.WriteString(section, "DELAY", values.delay);
}

TransmitSettings LoadTransmitSettings(const TIniFile& settings, const std::string& section, char separator,
                                      bool factoryMode) {
    TransmitSettings values;
    values.crLf = settings.ReadBool(section, "CR_LF", false);
    values.mixed = settings.ReadBool(section, "Mixed", false);
    values.crc = settings.ReadBool(section, "CRC", false);
    values.txFile = settings.ReadString(section, "TXFILE", "");
    values.select = settings.ReadInteger(section, "SELECT", 1);
    // The command source needs factory mode; its file stays chosen, only its
    // caption goes, so the next save keeps it.
    if (!factoryMode && values.select > 1) {
        values.select = 1;
        values.fileCaptionCleared = true;
    }
    values.newFormat = settings.ReadInteger(section, "NEWFORMAT", 0) != 0;
    values.counter = settings.ReadBool(section, "COUNTER", false);
    values.continuous = settings.ReadBool(section, "CONTINUOUS", false);
    values.delay = settings.ReadString(section, "DELAY", delayText(kMinimumDelay, separator));
    return values;
}

std::string TransmitBoxText(const std::string& fileBytes, bool newFormat) {
    if (newFormat) {
        return fileBytes;
    }
    std::string text;
    for (const std::string& line : SplitLines(fileBytes)) {
        text += line + "\r\n";
    }
    return text;
}
