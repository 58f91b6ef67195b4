#include "components/generic_protocol_types.h"

#include <iterator>

namespace {
template <size_t N> std::string nameAt(const char* const (&names)[N], int value) {
    return value >= 0 && static_cast<size_t>(value) < N ? names[value] : "";
}

constexpr const char* PacketTypes[GeneralPacketTypeCount] = {
    "Undefined",   "<STX><DATA...><ETX>",   "<STX><DATA>",
    "<DATA><ETX>", "<STX><DATA LEN><DATA>", "Custom DataPacket",
};
constexpr const char* BlockTypes[BlockTypeCount] = {"Undefined", "Data", "STX", "ETX", "Length"};
constexpr const char* FormatTypes[BlockDataFormatTypeCount] = {"Undefined", "Binary", "Ascii", "Ascii Hex"};
constexpr const char* DataTypes[BlockDataTypeCount] = {"Undefined", "Dynamic", "Static"};
constexpr const char* LengthTypes[BlockDataLengthTypeCount] = {"Undefined", "Constant", "Variable",
                                                               "Defined by Block"};
} // namespace

std::string GeneralPacketTypeName(int type) {
    return nameAt(PacketTypes, type);
}

std::string BlockTypeName(int type) {
    return nameAt(BlockTypes, type);
}

std::string BlockDataFormatTypeName(int format) {
    return nameAt(FormatTypes, format);
}

std::string BlockDataTypeName(int type) {
    return nameAt(DataTypes, type);
}

std::string BlockDataLengthTypeName(int type) {
    return nameAt(LengthTypes, type);
}
