#include "terminal/terminal_settings.h"

#include <array>

namespace {

// RTS hold times of 300 to 115200 baud; faster rates hold as 115200 does.
constexpr std::array<int, 10> kRtsHoldTable = {220, 100, 60, 25, 12, 6, 3, 3, 1, 1};

constexpr std::array<const char*, 15> kBaudTexts = {"300",    "600",    "1200",   "2400",   "4800",
                                                    "9600",   "19200",  "38400",  "57600",  "115200",
                                                    "128000", "230400", "256000", "460800", "921600"};
constexpr std::array<const char*, 5> kParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char*, 4> kHandshakeTexts = {"None", "Hardware", "Software", "5QV/6QV"};

template <size_t N> std::string ItemText(const std::array<const char*, N>& items, int index) {
    return index >= 0 && static_cast<size_t>(index) < N ? items[static_cast<size_t>(index)] : "";
}

} // namespace

int RtsHoldMs(int baudOrdinal) {
    if (baudOrdinal < 0)
        return kRtsHoldTable.front();
    if (static_cast<size_t>(baudOrdinal) >= kRtsHoldTable.size())
        return kRtsHoldTable.back();
    return kRtsHoldTable[static_cast<size_t>(baudOrdinal)];
}

std::string BaudRateText(int baudOrdinal) {
    return ItemText(kBaudTexts, baudOrdinal);
}

void ApplyHandshake(int code, LineSettings& line) {
    switch (code) {
    case kHandshakeNone:
        line.rtsMode = LineSettings::kRtsDisable;
        line.flowControl = LineSettings::kFlowNone;
        break;
    case kHandshakeHardware:
        line.rtsMode = LineSettings::kRtsHandshake;
        line.flowControl = LineSettings::kFlowNone;
        break;
    case kHandshakeSoftware:
        line.rtsMode = LineSettings::kRtsDisable;
        line.flowControl = LineSettings::kFlowXonXoff;
        break;
    default:
        break;
    }
}

int ShownHandshake(const LineSettings& line, bool fiveQv) {
    if (fiveQv)
        return kHandshakeFiveQv;
    if (line.rtsMode != LineSettings::kRtsDisable)
        return kHandshakeHardware;
    if (line.flowControl == LineSettings::kFlowXonXoff)
        return kHandshakeSoftware;
    return kHandshakeNone;
}

std::string TransmitWindowCaption(const std::string& terminalCaption) {
    constexpr size_t kKeptPart = 5;
    const std::string port = terminalCaption.substr(0, terminalCaption.find(':') + 1);
    return "Transmit window " + (port.size() > kKeptPart + 1 ? port : terminalCaption.substr(0, kKeptPart));
}

std::string TerminalCaption(const LineSettings& line, const TerminalOptions& options) {
    std::string caption = "COM" + std::to_string(line.portNumber + 1) + ": " + BaudRateText(line.baudRate) +
                          " " + ItemText(kParityTexts, line.parity) + " ";
    caption += line.dataBits == LineSettings::kEightBits ? " 8" : " 7";
    caption += line.stopBits == LineSettings::kStopTwo ? " 2 | " : " 1 | ";
    caption += ItemText(kHandshakeTexts, ShownHandshake(line, options.fiveQv));
    if (options.localEcho)
        caption += " | Echo";
    if (options.crLf)
        caption += " | CR -> CR/LF";
    if (options.mirror)
        caption += " | Mirror";
    if (!options.name.empty())
        caption += " | Name: " + options.name;
    return caption;
}
