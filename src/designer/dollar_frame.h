#pragma once
// The frames of the "$" programming protocol, with which the designer programs
// modems that do not speak NMS:
//
//     "$", code, 0x00, items..., "L", CRC high, CRC low
//
// The CRC is Crc16Nibble from 0xFFFF over every byte from the "$" up to and
// including the "L". An item is a tag letter, a second byte (the character "0",
// or a property entry's access-level character) and the value in the tag's
// encoding, ended by a zero byte:
//
//     "B" "R" one byte      "W" "J" two bytes     "H" "A" four bytes
//     "S" a text            "M" one character     "N" length L, L bytes
//     "K" nothing (two bytes in all, no end byte)
//
// Numbers are big-endian. Replies have the same layout; their code is taken with
// its top bit cleared.

#include "designer/tkuvio.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Command codes, PC to modem.
enum class DollarCommand : uint8_t {
    ProgModeOff = 0x00,
    ProgModeOn = 0x01,
    WriteParameters = 0x02,
    ReadParameters = 0x03,
    NextSourceRoute = 0x04,
    SaveParameters = 0x06,
    AddressOffsetLength = 0x07,
    NextVirtualRoute = 0x0A,
    ProtocolInfo = 0x0B,
    SaveRoutes = 0x0C,
    FirstSourceRoute = 0x0D,
    FirstVirtualRoute = 0x0E,
    RemoveSourceRoutes = 0x0F,
    WriteFactoryParameters = 0x11,
    ReadFactoryParameters = 0x12,
};

// Reply codes, modem to PC (after the top bit is cleared).
enum DollarReply : uint8_t {
    ReplyNormalState = 0,
    ReplyProgMode = 1,
    ReplyParametersWritten = 2,
    ReplyParameters = 3,
    ReplySourceRoute = 4,
    ReplyCrcError = 5,
    ReplyParametersSaved = 6,
    ReplyAddressOffsetLength = 7,
    ReplyRemoteState = 8,
    ReplyVirtualRoute = 10,
    ReplyProtocolInfo = 11,
    ReplyRoutesSaved = 12,
    ReplySourceRoutesRemoved = 15,
    ReplyFactoryWritten = 17,
    ReplyFactoryParameters = 18,
    ReplyUnknownCommand = 19,
};

constexpr char kDollarStart = '$';
constexpr char kDollarEnd = 'L';
// The second byte of the property entries of the factory block.
constexpr char kFactoryGroup = '9';
// "$", the code and the zero before the items; "L" and the CRC after them.
constexpr size_t kDollarHeader = 3;
constexpr size_t kDollarTrailer = 3;

// A whole frame: header, the items as given, "L" and the CRC.
std::string BuildDollarFrame(uint8_t code, const std::string& items = {});
std::string BuildDollarFrame(DollarCommand command, const std::string& items = {});

// Items that the designer builds itself (second byte "0").
std::string ByteItem(uint8_t value);
std::string WordItem(uint16_t value);
std::string TextItem(const std::string& text);

// The items of a figure's property entries: those before the factory block, or
// the factory block itself (the consecutive entries from the first one of group
// "9"). None when no entry falls there. An entry of type "C" adds nothing and
// shows its box; an entry with a letter that is no item tag adds nothing.
std::optional<std::string> ParameterItems(const std::vector<PropertyEntry>& entries);
std::optional<std::string> FactoryParameterItems(const std::vector<PropertyEntry>& entries);
bool HasFactoryBlock(const std::vector<PropertyEntry>& entries);

// The items of one route line, or why there are none.
struct RouteLineItems {
    enum Failure { None, BadAddress, BadLine };
    std::string items;
    Failure failure = None;
};
// A source-route line "address id id ...": one "N" item.
RouteLineItems SourceRouteItems(const std::string& line);
// A virtual route line "a <-> b": "A" or "J" for a, then "J" for b.
RouteLineItems VirtualRouteItems(const std::string& line);

// The protocol information and the address offset and length of a project.
struct ProjectProperties;
std::string ProtocolInfoItems(const ProjectProperties& properties, uint16_t modemNumber);
std::string AddressOffsetLengthItems(const ProjectProperties& properties);

// One item of a reply, its value as the properties window shows it.
struct DollarItem {
    char tag = 0;
    char second = 0;
    std::string value;
    bool operator==(const DollarItem&) const = default;
};

// How the item at a position of received bytes ends: its length, the end of the
// items ("L"), bytes missing, or a tag that cannot stand there.
struct ItemStep {
    enum Kind { Item, End, Incomplete, Misplaced, Unknown };
    Kind kind = Incomplete;
    size_t length = 0;
};
ItemStep StepItem(const std::string& bytes, size_t position);

// The parts of a frame that has been checked complete.
uint8_t ReplyCode(const std::string& frame);
// The byte at offset 5: the value of a leading "B" item.
uint8_t ReplyStatus(const std::string& frame);
// The items between the header and the "L".
std::vector<DollarItem> DecodeItems(const std::string& frame);

// What a programming-mode reply says of the modem's software: the modem-type
// name it needs and the type's version; no version when the frame carries none.
struct ModemTypeAnswer {
    std::string name;
    std::optional<int8_t> version;
};
ModemTypeAnswer ReadModemTypeAnswer(const std::string& frame);

// The box of an item that stands where it must not.
void ShowMisplacedItem();
