#include "components/torbeldatapacket.h"

#include "base/hex.h"

namespace {
struct PortTypeRow {
    const char* name;
    size_t dataLength;
    char route;
};
constexpr PortTypeRow PortTypes[OrbelPortTypeCount] = {
    {"None", 0, 'F'},      {"Orbel 100", 7, 'F'},   {"Orbel 200", 7, '1'},
    {"Orbel 300", 2, '2'}, {"Dunvar 100", 18, 'F'}, {"Velmorund", 9, 'F'},
};

struct CommandRow {
    const char* mnemonic;
    const char* name;
};
constexpr CommandRow Commands[OrbelCommandCount] = {
    {"NONE", "None"},
    {"6", "ACK"},
    {"F", "NACK"},
    {"PNG", "PING"},
    {"SET", "Old SET"},
    {"SET", "SET"},
    {"GET", "GET"},
    {"SLC", "SL Command"},
    {"SLR", "SL Response"},
    {"CHC", "Change Channel"},
    {"CFS", "Get Safe-Mode Settings"},
    {"CFG", "Set Safe-Mode Settings"},
    {"VER", "Get Version"},
    {"VRS", "Set Version"},
    {"P2P_SET", "P2P Set"},
    {"P2P_ACK", "P2P Ack"},
    {"P2P_NACK", "P2P Nack"},
    {"GCD", "Get Counter Data"},
    {"SCD", "Set Counter Data"},
    {"ICD", "Initial Counter Data"},
    {"SAM", "Set Auto Mode"},
    {"SDV", "Set Divider Value"},
    {"GMD", "Get Velmorund Data"},
    {"SMD", "Set Velmorund Data"},
    {"IMC", "Initial Velmorund Data"},
    {"RST", "Reset Counter Ports"},
};

constexpr const char* SafeModes[] = {"Normal", "Alarm Only", "Ports Low", "Ports High", "Defined Ports"};

bool setHexAddress(uint32_t& address, const std::string& hex) {
    if (hex.size() != 2 || !IsHexString(hex))
        return false;
    address = KelvoBase::StringHexToInt(hex);
    return true;
}
} // namespace

std::string OrbelPortTypeName(uint8_t type) {
    return type < OrbelPortTypeCount ? PortTypes[type].name : "";
}

size_t OrbelPortDataLength(uint8_t type) {
    return type < OrbelPortTypeCount ? PortTypes[type].dataLength : 0;
}

char OrbelRouteChar(uint8_t type) {
    return type < OrbelPortTypeCount ? PortTypes[type].route : 'F';
}

std::string OrbelCommandMnemonic(uint8_t command) {
    return command < OrbelCommandCount ? Commands[command].mnemonic : "";
}

std::string OrbelCommandName(uint8_t command) {
    return command < OrbelCommandCount ? Commands[command].name : "";
}

std::string OrbelSafeModeName(uint8_t mode) {
    return mode < std::size(SafeModes) ? SafeModes[mode] : "";
}

void TOrbelDataPacket::vSetCommand(int command) {
    if (command >= 0 && command < OrbelCommandCount)
        Command = static_cast<uint8_t>(command);
}

void TOrbelDataPacket::vSetAddress1(const std::string& hex) {
    setHexAddress(Address1, hex);
}

void TOrbelDataPacket::vSetAddress2(const std::string& hex) {
    setHexAddress(Address2, hex);
}

void TOrbelDataPacket::vSetPortTypes(const std::string& route) {
    const bool allSlots = route.size() == 4;
    const size_t first = allSlots ? 0 : 1;
    for (size_t slot = first; slot < OrbelPortSlots && slot - first < route.size(); ++slot) {
        switch (route[slot - first]) {
        case '1':
            PortType[slot] = optOrbel200;
            break;
        case '2':
            PortType[slot] = optOrbel300;
            break;
        case '0':
        case 'F':
            PortType[slot] = optNone;
            break;
        default:
            break;
        }
    }
}

void TOrbelDataPacket::vSetPortData(int slot, const std::string& data) {
    if (slot >= 0 && slot < OrbelPortSlots)
        SetArrayText(PortData[slot], data);
}

void TOrbelDataPacket::vSetChannel(const std::string& part1, const std::string& part2) {
    SetArrayText(Channel.Part1, part1);
    SetArrayText(Channel.Part2, part2);
}

void TOrbelDataPacket::vSetSlCommandText(const std::string& text) {
    SetArrayText(SlCommand.Text, text);
    SetArrayText(SlCommand.Length, IntToHexFixed(ArrayText(SlCommand.Text).size(), 2));
}

void TOrbelDataPacket::vSetSlResponse(const std::string& head, const std::string& text) {
    SetArrayText(SlResponse.Head, head);
    SetArrayText(SlResponse.Text, text);
}

void TOrbelDataPacket::ClearData() {
    Command = 0;
    Address1 = Address2 = 0;
    PortType.fill(optNone);
    for (auto& data : PortData)
        data.fill(0);
    DataText.fill(0);
    CrcOk = 0;
}
