#include "terminal/terminal_layout.h"

#include "platform/tinifile.h"

#include <algorithm>

namespace {
constexpr int kDefaultBaudOrdinal = 4; // 4800
constexpr int kSevenBits = 3;
constexpr int kBaudOrdinals = 15;
constexpr int kParityOrdinals = 5;
constexpr int kViewTypes = 3;

void WriteFlag(TIniFile& ini, const std::string& section, const char* key, bool on) {
    ini.WriteInteger(section, key, on ? 1 : 0);
}

bool ReadFlag(const TIniFile& ini, const std::string& section, const char* key) {
    return ini.ReadInteger(section, key, 0) > 0;
}

// An ordinal of one of the port's or the view's enumerations; a value that a
// damaged file holds outside the enumeration reads as the default.
int ReadOrdinal(const TIniFile& ini, const std::string& section, const char* key, int defaultValue,
                int count) {
    const int value = ini.ReadInteger(section, key, defaultValue);
    return value >= 0 && value < count ? value : defaultValue;
}
} // namespace

int LayoutHandshakeCode(const LineSettings& line, bool fiveQv) {
    if (fiveQv)
        return kHandshakeFiveQv;
    if (line.rtsMode == LineSettings::kRtsHandshake)
        return kHandshakeHardware;
    if (line.flowControl == LineSettings::kFlowXonXoff)
        return kHandshakeSoftware;
    return kHandshakeNone;
}

void WriteTerminalLayout(TIniFile& ini, const std::string& section, const TerminalLayout& layout) {
    const LineSettings& line = layout.line;
    const TerminalOptions& options = layout.options;
    ini.WriteInteger(section, "Serial port", line.portNumber);
    ini.WriteInteger(section, "Baudrate", line.baudRate);
    ini.WriteInteger(section, "Databits", line.dataBits);
    ini.WriteInteger(section, "Parity", line.parity);
    WriteFlag(ini, section, "Stopbits", line.stopBits == LineSettings::kStopTwo);
    ini.WriteInteger(section, "Handshake", LayoutHandshakeCode(line, options.fiveQv));
    WriteFlag(ini, section, "Local Echo", options.localEcho);
    WriteFlag(ini, section, "Mirror", options.mirror);
    WriteFlag(ini, section, "CR LF", options.crLf);
    WriteFlag(ini, section, "Time stamp", options.timeStamp);
    WriteFlag(ini, section, "Linestart", options.lineStart);
    WriteFlag(ini, section, "CR interval", layout.packetTimerEnabled);
    ini.WriteInteger(section, "Packet Interval", layout.packetIntervalMs);
    ini.WriteInteger(section, "View Type", options.viewType);
    ini.WriteInteger(section, "ScrollBack", options.highMark);
    WriteFlag(ini, section, "5qv6qv", options.fiveQv);
    WriteFlag(ini, section, "trx status", layout.transmitShown);
    ini.WriteString(section, "name", options.name);
    WriteFlag(ini, section, "Counter color", options.colourCounter);
    if (!layout.transmitShown)
        return;
    ini.WriteInteger(section, "tx left", layout.transmit.left);
    ini.WriteInteger(section, "tx top", layout.transmit.top);
    ini.WriteInteger(section, "tx width", layout.transmit.width);
    ini.WriteInteger(section, "tx height", layout.transmit.height);
}

TerminalLayout ReadTerminalLayout(const TIniFile& ini, const std::string& section,
                                  const TerminalLayout& current) {
    TerminalLayout layout = current;
    LineSettings& line = layout.line;
    TerminalOptions& options = layout.options;
    line.portNumber = std::max(0, ini.ReadInteger(section, "Serial port", 0));
    line.baudRate = ReadOrdinal(ini, section, "Baudrate", kDefaultBaudOrdinal, kBaudOrdinals);
    line.dataBits = ini.ReadInteger(section, "Databits", LineSettings::kEightBits) == kSevenBits
                        ? kSevenBits
                        : LineSettings::kEightBits;
    line.parity = ReadOrdinal(ini, section, "Parity", 0, kParityOrdinals);
    line.stopBits = ReadFlag(ini, section, "Stopbits") ? LineSettings::kStopTwo : LineSettings::kStopOne;
    // A stored 5QV/6QV runs with RTS disabled and no flow control between sends.
    const int handshake = ini.ReadInteger(section, "Handshake", kHandshakeNone);
    ApplyHandshake(handshake == kHandshakeFiveQv ? kHandshakeNone : handshake, line);
    options.localEcho = ReadFlag(ini, section, "Local Echo");
    options.mirror = ReadFlag(ini, section, "Mirror");
    options.crLf = ReadFlag(ini, section, "CR LF");
    options.timeStamp = ReadFlag(ini, section, "Time stamp");
    options.lineStart = ReadFlag(ini, section, "Linestart");
    layout.packetTimerEnabled = ReadFlag(ini, section, "CR interval");
    layout.packetIntervalMs = ini.ReadInteger(section, "Packet Interval", 0);
    options.viewType = ReadOrdinal(ini, section, "View Type", kTextView, kViewTypes);
    options.highMark = ini.ReadInteger(section, "ScrollBack", TerminalOptions::kDefaultHighMark);
    if (options.highMark <= TerminalOptions::kTrimBlock)
        options.highMark = TerminalOptions::kDefaultHighMark;
    options.lowMark = options.highMark - TerminalOptions::kTrimBlock;
    options.fiveQv = ReadFlag(ini, section, "5qv6qv");
    layout.transmitShown = ReadFlag(ini, section, "trx status");
    options.name = ini.ReadString(section, "name", "");
    options.colourCounter = ReadFlag(ini, section, "Counter color");
    options.rtsHoldMs = RtsHoldMs(line.baudRate);
    layout.transmit = {ini.ReadInteger(section, "tx left", current.transmit.left),
                       ini.ReadInteger(section, "tx top", current.transmit.top),
                       ini.ReadInteger(section, "tx width", current.transmit.width),
                       ini.ReadInteger(section, "tx height", current.transmit.height)};
    return layout;
}
