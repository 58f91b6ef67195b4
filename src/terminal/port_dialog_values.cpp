#include "terminal/port_dialog_values.h"

#include "platform/tinifile.h"

#include <charconv>

namespace {
const char* const kSection = "Terminal port";
constexpr int kDataBitsOrdinalOffset = 3; // position 0 = seven bits = ordinal 3
constexpr int kBytesPerKb = 1024;
constexpr int kMsPerSecond = 1000;
constexpr size_t kNumberStart = 3; // after "COM"
constexpr size_t kMaxNumberDigits = 3;
} // namespace

PortDialogValues ReadTerminalPortSection(const TIniFile& ini) {
    PortDialogValues defaults;
    PortDialogValues values;
    values.portPosition = ini.ReadInteger(kSection, "Serial port", defaults.portPosition);
    values.baudPosition = ini.ReadInteger(kSection, "Baudrate", defaults.baudPosition);
    values.dataBitsPosition = ini.ReadInteger(kSection, "Databits", defaults.dataBitsPosition);
    values.parityPosition = ini.ReadInteger(kSection, "Parity", defaults.parityPosition);
    values.stopBitsPosition = ini.ReadInteger(kSection, "Stopbits", defaults.stopBitsPosition);
    values.handshakePosition = ini.ReadInteger(kSection, "Handshake", defaults.handshakePosition);
    values.localEcho = ini.ReadInteger(kSection, "Local Echo", 1) == 1;
    values.mirror = ini.ReadInteger(kSection, "Mirror", 0) == 1;
    values.crLf = ini.ReadInteger(kSection, "CR LF", 1) == 1;
    values.timeStamp = ini.ReadInteger(kSection, "Time stamp", 0) == 1;
    values.packetTimerEnabled = ini.ReadInteger(kSection, "CR interval", 0) == 1;
    values.packetIntervalSeconds =
        ini.ReadInteger(kSection, "Packet Interval", defaults.packetIntervalSeconds);
    values.viewPosition = ini.ReadInteger(kSection, "View Type", defaults.viewPosition);
    values.scrollBackKb = ini.ReadInteger(kSection, "ScrollBack", defaults.scrollBackKb);
    values.lineStart = ini.ReadInteger(kSection, "Linestart", 0) == 1;
    return values;
}

void WriteTerminalPortSection(TIniFile& ini, const PortDialogValues& values) {
    ini.WriteInteger(kSection, "Serial port", values.portPosition);
    ini.WriteInteger(kSection, "Baudrate", values.baudPosition);
    ini.WriteInteger(kSection, "Databits", values.dataBitsPosition);
    ini.WriteInteger(kSection, "Parity", values.parityPosition);
    ini.WriteInteger(kSection, "Stopbits", values.stopBitsPosition);
    ini.WriteInteger(kSection, "Handshake", values.handshakePosition);
    ini.WriteBool(kSection, "Local Echo", values.localEcho);
    ini.WriteBool(kSection, "Mirror", values.mirror);
    ini.WriteBool(kSection, "CR LF", values.crLf);
    ini.WriteBool(kSection, "Time stamp", values.timeStamp);
    ini.WriteBool(kSection, "CR interval", values.packetTimerEnabled);
    ini.WriteInteger(kSection, "Packet Interval", values.packetIntervalSeconds);
    ini.WriteInteger(kSection, "View Type", values.viewPosition);
    ini.WriteInteger(kSection, "ScrollBack", values.scrollBackKb);
    ini.WriteBool(kSection, "Linestart", values.lineStart);
}

int PortIndexOfEntry(const std::string& entry) {
    if (entry.size() <= kNumberStart)
        return -1;
    const std::string digits = entry.substr(kNumberStart, kMaxNumberDigits);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || number < 1)
        return -1;
    return number - 1;
}

std::vector<std::string> PortEntries(const std::string& comList) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start <= comList.size()) {
        const size_t comma = std::min(comList.find(',', start), comList.size());
        const std::string entry = comList.substr(start, comma - start);
        if (PortIndexOfEntry(entry) >= 0)
            entries.push_back(entry);
        start = comma + 1;
    }
    return entries;
}

int FirstFreePosition(const std::vector<std::string>& entries, const std::set<int>& inUse, int current) {
    for (size_t position = 0; position < entries.size(); ++position)
        if (!inUse.count(PortIndexOfEntry(entries[position])))
            return static_cast<int>(position);
    return current;
}

int PositionOfPort(const std::vector<std::string>& entries, int portIndex) {
    for (size_t position = 0; position < entries.size(); ++position)
        if (PortIndexOfEntry(entries[position]) == portIndex)
            return static_cast<int>(position);
    return 0;
}

PortDialogValues ValuesFromTerminal(const LineSettings& line, const TerminalOptions& options,
                                    int packetIntervalMs) {
    PortDialogValues values;
    values.baudPosition = line.baudRate;
    values.dataBitsPosition = line.dataBits - kDataBitsOrdinalOffset;
    values.parityPosition = line.parity;
    values.stopBitsPosition = line.stopBits == LineSettings::kStopTwo ? 1 : 0;
    values.handshakePosition = ShownHandshake(line, options.fiveQv);
    values.localEcho = options.localEcho;
    values.mirror = options.mirror;
    values.crLf = options.crLf;
    values.timeStamp = options.timeStamp;
    values.lineStart = options.lineStart;
    values.packetIntervalSeconds = packetIntervalMs / kMsPerSecond;
    values.viewPosition = options.viewType;
    values.scrollBackKb = options.highMark / kBytesPerKb;
    values.counterColour = options.colourCounter;
    return values;
}

int DataBitsOrdinal(int dataBitsPosition) {
    return dataBitsPosition + kDataBitsOrdinalOffset;
}

int StopBitsOrdinal(int stopBitsPosition) {
    return stopBitsPosition == 1 ? LineSettings::kStopTwo : LineSettings::kStopOne;
}

void ApplyLineValues(const PortDialogValues& values, LineSettings& line, TerminalOptions& options) {
    line.baudRate = values.baudPosition;
    line.dataBits = DataBitsOrdinal(values.dataBitsPosition);
    line.parity = values.parityPosition;
    line.stopBits = StopBitsOrdinal(values.stopBitsPosition);
    options.fiveQv = values.handshakePosition == kHandshakeFiveQv;
    if (options.fiveQv)
        ApplyHandshake(kHandshakeNone, line);
    else
        ApplyHandshake(values.handshakePosition, line);
}

void ApplyOptionValues(const PortDialogValues& values, TerminalOptions& options) {
    options.localEcho = values.localEcho;
    options.mirror = values.mirror;
    options.crLf = values.crLf;
    options.timeStamp = values.timeStamp;
    options.lineStart = values.lineStart;
    options.viewType = values.viewPosition;
    options.highMark = values.scrollBackKb * kBytesPerKb;
    options.colourCounter = values.counterColour;
}
