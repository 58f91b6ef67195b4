#include "components/nms_values.h"

#include "base/nms_frame.h"
#include "base/text_numbers.h"

#include <array>

namespace {

struct ValueTypeEntry {
    const char* name;
    bool fixedSize;
};

const std::array<ValueTypeEntry, kNmsValueTypeCount> kValueTypes = {{
    {"NONE", false},
    {"UINT8", true},
    {"UINT16", true},
    {"UINT32", true},
    {"UINT64", true},
    {"BOOLEAN", true},
    {"INT8", true},
    {"INT16", true},
    {"INT32", true},
    {"WORD", true},
    {"STRING", false},
    {"RSSI RECORD TYPE 1", true},
    {"RSSI RECORD TYPE 2", true},
    {"BYTE", true},
    {"VIRTUAL ROUTE", false},
    {"SOURCE ROUTE", false},
    {"IDENTIFIER LIST", false},
    {"DATE", false},
    {"DATETIME", false},
    {"ALARM BITS 1", true},
    {"DIAGNOSTICS MESSAGE 1", true},
    {"RSSI CALIBRATION VALUES", false},
    {"ACCESS 1", false},
    {"PACKET FILTER NAME", false},
    {"PACKET FILTER HEADER", false},
    {"PACKET FILTER LINES", false},
    {"MIXED STRING", false},
    {"PACKET FILTER EXTENSION", false},
    {"ARRAY", false},
    {"PRROUTE_ARRAY", false},
    {"IP_ROUTE_ARRAY", false},
    {"IP_ADDR_ARRAY", false},
}};

const std::array<const char*, 2> kListKinds = {"DYNAMIC", "STATIC"};

constexpr int kGroupShift = 12;

} // namespace

std::string NmsValueTypeToString(uint8_t type) {
    return type < kValueTypes.size() ? kValueTypes[type].name : "";
}

uint8_t StringToNmsValueType(const std::string& name) {
    for (uint8_t type = 0; type < kValueTypes.size(); ++type)
        if (name == kValueTypes[type].name)
            return type;
    return 0;
}

bool IsFixedSizeNmsType(uint8_t type) {
    return type < kValueTypes.size() && kValueTypes[type].fixedSize;
}

std::string NmsListKindToString(uint8_t kind) {
    return kind < kListKinds.size() ? kListKinds[kind] : "";
}

uint8_t StringToNmsListKind(const std::string& name) {
    return name == kListKinds[kNmsListStatic] ? kNmsListStatic : kNmsListDynamic;
}

std::string NmsIdToString(uint16_t id) {
    return NmsValueIdText(id);
}

uint16_t NmsIdFromString(const std::string& text) {
    if (text.size() <= 2)
        return 0;
    const size_t dot = text.find('.');
    if (dot != 1 && dot != 2)
        return 0;
    const auto group = static_cast<uint32_t>(StrToInt(text.substr(0, dot)));
    const auto number = static_cast<uint32_t>(StrToInt(text.substr(dot + 1)));
    return static_cast<uint16_t>((group << kGroupShift) + number);
}
