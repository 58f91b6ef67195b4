#include "components/torbelprotocol.h"

#include "base/control_chars.h"
#include "base/crc16.h"
#include "base/hex.h"

#include <stdexcept>

namespace {
// Commands by number.
enum : uint8_t {
    cmdNone = 0,
    cmdAck = 1,
    cmdNack = 2,
    cmdPing = 3,
    cmdOldSet = 4,
    cmdSet = 5,
    cmdGet = 6,
    cmdSlCommand = 7,
    cmdSlResponse = 8,
    cmdChangeChannel = 9,
    cmdGetSafeMode = 10,
    cmdSetSafeMode = 11,
    cmdGetVersion = 12,
    cmdSetVersion = 13,
    cmdP2PSet = 14,
    cmdP2PAck = 15,
    cmdP2PNack = 16,
    cmdGetCounters = 17,
    cmdSetCounters = 18,
    cmdInitialCounters = 19,
    cmdSetAutoMode = 20,
    cmdSetDivider = 21,
    cmdGetVelmorund = 22,
    cmdSetVelmorund = 23,
    cmdInitialVelmorund = 24,
    cmdResetCounters = 25,
};

constexpr size_t CrcDigits = 4;
// Frames this long or longer are checked as point-to-point frames first.
constexpr size_t P2PMinLength = 16;
// Length field and mnemonic; with the route in front of them, 8.
constexpr size_t PlainHeader = 5;
constexpr size_t RoutedHeader = 8;
constexpr size_t SafeModeDigits = 5;
constexpr size_t MinSafeModePortData = 7;
constexpr size_t InitialDataDigits = 8;

std::string frameCrc(const std::string& text) {
    return Crc16HexString(text, 0xFFFF, 0x1021, true, true, 0xFFFF);
}

bool routed(uint8_t command) {
    switch (command) {
    case cmdSet:
    case cmdSlCommand:
    case cmdSlResponse:
    case cmdChangeChannel:
    case cmdGetSafeMode:
    case cmdSetCounters:
    case cmdInitialCounters:
        return true;
    default:
        return false;
    }
}

bool endsAfterAddresses(uint8_t command) {
    return (command >= cmdSetVersion && command <= cmdP2PNack) || command == cmdSetAutoMode ||
           command == cmdSetDivider;
}

// The value of a hexadecimal text as the base conversion reads it (backslashes
// left out); false, and the value untouched, when it holds any other character,
// so a damaged frame is rejected rather than thrown out of the parser.
bool hexValue(const std::string& text, uint32_t& value) {
    try {
        value = KelvoBase::StringHexToInt(text);
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}

// Where a mnemonic lies in the rest of a frame: after the length field, or after
// the route and the length field.
enum class At { Plain = 2, Routed = 5 };
bool mnemonicAt(const std::string& rest, const char* mnemonic, At at) {
    return rest.find(mnemonic) == static_cast<size_t>(at);
}
} // namespace

TOrbelProtocol::TOrbelProtocol(QObject* owner) : QObject(owner) {
    Data.ClearData();
}

std::string TOrbelProtocol::strPortTypeRoute() const {
    std::string route;
    for (int slot = 1; slot < OrbelPortSlots; ++slot)
        route += OrbelRouteChar(Data.PortType[slot]);
    return route;
}

std::string TOrbelProtocol::strPortData(int lastSlot) const {
    std::string data;
    for (int slot = 0; slot <= lastSlot; ++slot)
        data += ArrayChars(Data.PortData[slot]).substr(0, OrbelPortDataLength(Data.PortType[slot]));
    return data;
}

std::string TOrbelProtocol::strPayload() const {
    const int allSlots = OrbelPortSlots - 1;
    switch (Data.Command) {
    case cmdOldSet:
        return strPortData(0);
    case cmdSet:
    case cmdSetCounters:
    case cmdSetVelmorund:
        return strPortData(allSlots);
    case cmdSlCommand:
        return ArrayChars(Data.SlCommand.Length) + ArrayText(Data.SlCommand.Text) +
               ArrayChars(Data.SlCommand.Tail);
    case cmdSlResponse:
        return ArrayChars(Data.SlResponse.Head) + ArrayText(Data.SlResponse.Text);
    case cmdChangeChannel:
        return ArrayChars(Data.Channel.Part1) + ArrayChars(Data.Channel.Part2);
    case cmdGetSafeMode:
        return IntToHexFixed(Data.SafeMode.Mode, 1) + IntToHexFixed(Data.SafeMode.Value, 4) +
               strPortData(allSlots);
    case cmdInitialCounters:
        return IntToHexFixed(Data.Counters.Value1, 8) + IntToHexFixed(Data.Counters.Value2, 8) +
               strPortData(allSlots);
    case cmdInitialVelmorund:
        return IntToHexFixed(Data.InitialData, 8);
    default:
        return {};
    }
}

void TOrbelProtocol::vCountDataLength() {
    const auto portData = static_cast<uint32_t>(strPortData(OrbelPortSlots - 1).size());
    switch (Data.Command) {
    case cmdPing:
    case cmdGet:
    case cmdSetSafeMode:
    case cmdGetVersion:
    case cmdGetCounters:
    case cmdGetVelmorund:
    case cmdResetCounters:
        Data.DataLength = 3;
        break;
    case cmdOldSet:
        // Old SET frames always announce ten characters.
        Data.DataLength = 10;
        break;
    case cmdSet:
    case cmdSetCounters:
        Data.DataLength = 3 + portData;
        break;
    case cmdSlCommand:
        Data.DataLength = 3 + static_cast<uint32_t>(strPayload().size());
        break;
    case cmdChangeChannel:
        Data.DataLength = 6;
        break;
    case cmdGetSafeMode:
        Data.DataLength = 8 + portData;
        break;
    case cmdInitialCounters:
        Data.DataLength = 16;
        break;
    case cmdSetVelmorund:
        Data.DataLength = 12;
        break;
    default:
        Data.DataLength = 0;
        break;
    }
}

std::string TOrbelProtocol::GetData() {
    const uint8_t command = Data.Command;
    if (command == cmdNone)
        return {};
    std::string frame = IntToHexFixed(Data.Address1, 2) + IntToHexFixed(Data.Address2, 2);
    if (command == cmdAck || command == cmdNack)
        return frame + OrbelCommandMnemonic(command);
    if (endsAfterAddresses(command))
        return frame;
    if (routed(command))
        frame += strPortTypeRoute();
    vCountDataLength();
    frame += IntToHexFixed(Data.DataLength, 2) + OrbelCommandMnemonic(command) + strPayload();
    return frame + frameCrc(frame);
}

void TOrbelProtocol::ParseData(const std::string& text) {
    vParseFrame(text);
    if (OnPacket)
        OnPacket(this);
}

void TOrbelProtocol::vParseFrame(const std::string& text) {
    Data.ClearData();
    // The record keeps at most 128 characters of the text; the checks below read
    // the text itself, never past the record's copy.
    SetArrayText(Data.RawText, text);
    if (text == "6" || text == "F") {
        Data.Command = text == "6" ? cmdP2PAck : cmdP2PNack;
        return;
    }
    if (text.size() >= P2PMinLength) {
        const std::string body = text.substr(0, text.size() - CrcDigits);
        if (frameCrc(body) != text.substr(body.size()))
            return;
        uint32_t firstAddress = 0;
        if (hexValue(text.substr(0, 2), firstAddress) && firstAddress == body.size() - PlainHeader) {
            Data.Command = cmdP2PSet;
            return;
        }
    }
    if (text.size() < 5)
        return;

    std::string rest = text;
    if (rest.front() == char(STX))
        rest.erase(0, 1);
    if (!rest.empty() && rest.back() == char(ETX))
        rest.pop_back();
    // At least three characters are left; a second address cut short by the end
    // of the text is read as far as it goes.
    const std::string address1 = rest.substr(0, 2), address2 = rest.substr(2, 2);
    if (!IsHexString(address1) || !IsHexString(address2))
        return;
    Data.Address1 = KelvoBase::StringHexToInt(address1);
    Data.Address2 = KelvoBase::StringHexToInt(address2);
    rest.erase(0, std::min<size_t>(4, rest.size()));

    if (rest.size() == 1) {
        Data.Command = rest == "6" ? cmdAck : rest == "F" ? cmdNack : cmdNone;
        return;
    }
    // A text too short for a CRC keeps what it has as one, which never matches.
    const size_t crcLength = std::min(CrcDigits, rest.size());
    SetArrayText(Data.CrcText, rest.substr(rest.size() - crcLength));
    rest.erase(rest.size() - crcLength);
    // The CRC covers the text as it was passed, so a frame between STX and ETX
    // never passes.
    Data.CrcOk = frameCrc(text.substr(0, text.size() - CrcDigits)) == ArrayChars(Data.CrcText);
    if (!Data.CrcOk)
        return;
    vParseCommand(rest);
}

void TOrbelProtocol::vParseCommand(std::string rest) {
    auto skip = [&rest](size_t n) { rest.erase(0, std::min(n, rest.size())); };
    auto route = [&] { Data.vSetPortTypes(rest.substr(0, 3)); };

    if (mnemonicAt(rest, "GET", At::Plain)) {
        Data.Command = cmdGet;
    } else if (mnemonicAt(rest, "PNG", At::Plain)) {
        Data.Command = cmdPing;
    } else if (mnemonicAt(rest, "CFG", At::Plain)) {
        Data.Command = cmdSetSafeMode;
    } else if (mnemonicAt(rest, "SET", At::Plain)) {
        skip(PlainHeader);
        vParsePortData(rest);
        Data.Command = cmdOldSet;
    } else if (mnemonicAt(rest, "SET", At::Routed)) {
        Data.PortType[0] = optOrbel100;
        route();
        skip(RoutedHeader);
        vParsePortData(rest);
        Data.Command = cmdSet;
    } else if (mnemonicAt(rest, "SLC", At::Routed)) {
        route();
        skip(RoutedHeader);
        Data.Command = cmdSlCommand;
        Data.vSetChannel({}, {});
        Data.vSetSlCommandTail({});
        const size_t textLength = rest.size() >= 2 ? rest.size() - 2 : 0;
        Data.vSetSlCommandText(rest.substr(0, textLength));
        Data.vSetSlCommandTail(rest.substr(textLength));
        SetArrayText(Data.DataText, rest);
    } else if (mnemonicAt(rest, "SLR", At::Routed)) {
        route();
        skip(RoutedHeader);
        Data.vSetSlResponse(rest.substr(0, 2), rest.size() > 2 ? rest.substr(2) : std::string());
        Data.Command = cmdSlResponse;
    } else if (mnemonicAt(rest, "CHC", At::Routed)) {
        route();
        skip(RoutedHeader);
        Data.Command = cmdChangeChannel;
        Data.vSetChannel(rest.substr(0, 1), rest.size() > 1 ? rest.substr(1, 2) : std::string());
        Data.vSetSlCommandText({});
        Data.vSetSlCommandTail({});
        SetArrayText(Data.DataText, rest);
    } else if (mnemonicAt(rest, "CFS", At::Routed)) {
        Data.PortType[0] = optOrbel100;
        route();
        skip(RoutedHeader);
        if (rest.size() >= SafeModeDigits) {
            uint32_t mode = 0, value = 0;
            if (!hexValue(rest.substr(0, 1), mode) || !hexValue(rest.substr(1, 4), value))
                return;
            Data.SafeMode.Mode = static_cast<uint8_t>(mode);
            Data.SafeMode.Value = value;
        }
        skip(SafeModeDigits);
        if (rest.size() < MinSafeModePortData)
            return;
        vParsePortData(rest);
        Data.Command = cmdGetSafeMode;
    } else if (mnemonicAt(rest, "VRS", At::Routed)) {
        Data.Command = cmdSetVersion;
        route();
        skip(RoutedHeader);
        Data.vSetVersion(rest.substr(0, Data.Version.size()));
    } else if (mnemonicAt(rest, "GCD", At::Plain)) {
        Data.Command = cmdGetCounters;
    } else if (mnemonicAt(rest, "SCD", At::Routed)) {
        Data.Command = cmdSetCounters;
        Data.PortType[0] = optDunvar100;
        route();
        skip(RoutedHeader);
        vParsePortData(rest);
    } else if (mnemonicAt(rest, "SMD", At::Plain)) {
        Data.Command = cmdSetVelmorund;
        Data.PortType[0] = optVelmorund;
        skip(PlainHeader);
        vParsePortData(rest);
    } else if (mnemonicAt(rest, "GMD", At::Plain)) {
        Data.Command = cmdGetVelmorund;
        Data.PortType[0] = optVelmorund;
    } else if (mnemonicAt(rest, "IMC", At::Plain)) {
        Data.PortType[0] = optVelmorund;
        skip(PlainHeader);
        if (rest.size() == InitialDataDigits && !hexValue(rest, Data.InitialData))
            return;
        Data.Command = cmdInitialVelmorund;
    } else if (mnemonicAt(rest, "RST", At::Plain)) {
        Data.Command = cmdResetCounters;
        Data.PortType[0] = optDunvar100;
    }
}

void TOrbelProtocol::vParsePortData(std::string text) {
    for (int slot = 0; slot < OrbelPortSlots && !text.empty(); ++slot) {
        const size_t length = OrbelPortDataLength(Data.PortType[slot]);
        if (length == 0)
            continue;
        Data.vSetPortData(slot, text.substr(0, length));
        text.erase(0, std::min(length, text.size()));
    }
}
