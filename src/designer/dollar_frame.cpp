#include "designer/dollar_frame.h"

#include "base/crc16.h"
#include "base/text_lines.h"
#include "base/text_numbers.h"
#include "designer/field_value.h"
#include "designer/project_properties.h"
#include "platform/message_box.h"

#include <algorithm>

namespace {

constexpr char kOwnGroup = '0';

void AppendBigEndian(std::string& out, uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t BigEndianAt(const std::string& bytes, size_t position, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | static_cast<uint8_t>(bytes[position + static_cast<size_t>(i)]);
    return value;
}

std::string NumberItem(char tag, char second, uint32_t value, int bytes) {
    std::string item{tag, second};
    AppendBigEndian(item, value, bytes);
    item += '\0';
    return item;
}

std::string TextItemOf(char tag, char second, const std::string& text) {
    std::string item{tag, second};
    item += text;
    item += '\0';
    return item;
}

// A number as the route lines write it: decimal, or hexadecimal after "0x" or "$".
std::optional<uint32_t> ParseRouteNumber(const std::string& text) {
    if (!text.empty() && text[0] == '$')
        return ParseHex("0x" + text.substr(1));
    if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return ParseHex(text);
    if (const auto value = ParseDecimal(text))
        return static_cast<uint32_t>(*value);
    return std::nullopt;
}

std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    size_t start = 0;
    while (start < line.size()) {
        size_t blank = line.find(' ', start);
        if (blank == std::string::npos)
            blank = line.size();
        if (blank > start)
            tokens.push_back(line.substr(start, blank - start));
        start = blank + 1;
    }
    return tokens;
}

std::string PropertyItem(const PropertyEntry& entry) {
    switch (entry.tag) {
    case 'B':
    case 'R':
        return NumberItem(entry.tag, entry.second,
                          static_cast<uint32_t>(ParseDecimal(entry.value).value_or(0)), 1);
    case 'W':
        return NumberItem('W', entry.second, static_cast<uint32_t>(ParseDecimal(entry.value).value_or(0)), 2);
    case 'H':
        return NumberItem('H', entry.second, HexFieldNumber(entry.value), 4);
    case 'S':
    case 'M':
        return TextItemOf(entry.tag, entry.second, entry.value);
    case 'C':
        ShowMisplacedItem();
        return {};
    default:
        return {};
    }
}

std::optional<std::string> ItemsOf(std::vector<PropertyEntry>::const_iterator first,
                                   std::vector<PropertyEntry>::const_iterator last) {
    if (first == last)
        return std::nullopt;
    std::string items;
    for (auto entry = first; entry != last; ++entry)
        items += PropertyItem(*entry);
    return items;
}

bool InFactoryBlock(const PropertyEntry& entry) {
    return entry.second == kFactoryGroup;
}

} // namespace

std::string BuildDollarFrame(uint8_t code, const std::string& items) {
    std::string frame{kDollarStart, static_cast<char>(code), '\0'};
    frame += items;
    frame += kDollarEnd;
    AppendBigEndian(frame, Crc16Nibble(0xFFFF, frame), 2);
    return frame;
}

std::string BuildDollarFrame(DollarCommand command, const std::string& items) {
    return BuildDollarFrame(static_cast<uint8_t>(command), items);
}

std::string ByteItem(uint8_t value) {
    return NumberItem('B', kOwnGroup, value, 1);
}

std::string WordItem(uint16_t value) {
    return NumberItem('W', kOwnGroup, value, 2);
}

std::string TextItem(const std::string& text) {
    return TextItemOf('S', kOwnGroup, text);
}

std::optional<std::string> ParameterItems(const std::vector<PropertyEntry>& entries) {
    return ItemsOf(entries.begin(), std::find_if(entries.begin(), entries.end(), InFactoryBlock));
}

std::optional<std::string> FactoryParameterItems(const std::vector<PropertyEntry>& entries) {
    const auto first = std::find_if(entries.begin(), entries.end(), InFactoryBlock);
    const auto last = std::find_if_not(first, entries.end(), InFactoryBlock);
    return ItemsOf(first, last);
}

bool HasFactoryBlock(const std::vector<PropertyEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), InFactoryBlock);
}

RouteLineItems SourceRouteItems(const std::string& line) {
    const std::vector<std::string> tokens = Tokens(Trimmed(line));
    if (tokens.empty())
        return {{}, RouteLineItems::BadLine};
    const auto address = ParseHexAddress(tokens.front());
    if (!address)
        return {{}, RouteLineItems::BadAddress};
    const size_t length = 4 + 2 * (tokens.size() - 1);
    if (length > 0xFF)
        return {{}, RouteLineItems::BadLine};
    std::string item{'N', kOwnGroup, static_cast<char>(length)};
    AppendBigEndian(item, *address, 4);
    for (size_t i = 1; i < tokens.size(); ++i) {
        const auto value = ParseRouteNumber(tokens[i]);
        if (!value)
            return {{}, RouteLineItems::BadLine};
        AppendBigEndian(item, *value, 2);
    }
    item += '\0';
    return {item};
}

RouteLineItems VirtualRouteItems(const std::string& line) {
    const std::string text = Trimmed(line);
    const size_t arrow = text.find("<->");
    if (arrow == std::string::npos)
        return {{}, RouteLineItems::BadLine};
    const bool longAddress = arrow >= 7;
    const auto first = ParseHex("0x" + text.substr(0, longAddress ? 8 : 4));
    const auto second =
        ParseHex("0x" + text.substr(std::min(text.size(), longAddress ? size_t{13} : size_t{9}), 4));
    if (!first || !second)
        return {{}, RouteLineItems::BadAddress};
    std::string items =
        longAddress ? NumberItem('A', kOwnGroup, *first, 4) : NumberItem('J', kOwnGroup, *first, 2);
    items += NumberItem('J', kOwnGroup, *second, 2);
    return {items};
}

std::string ProtocolInfoItems(const ProjectProperties& properties, uint16_t modemNumber) {
    return ByteItem(static_cast<uint8_t>(properties.addressType)) +
           ByteItem(static_cast<uint8_t>(properties.routingType)) + WordItem(modemNumber) +
           TextItem(properties.netId.substr(0, ProjectProperties::kNetIdLength));
}

std::string AddressOffsetLengthItems(const ProjectProperties& properties) {
    return ByteItem(static_cast<uint8_t>(properties.offset)) +
           ByteItem(static_cast<uint8_t>(properties.length));
}

ItemStep StepItem(const std::string& bytes, size_t position) {
    if (position >= bytes.size())
        return {ItemStep::Incomplete};
    switch (bytes[position]) {
    case kDollarEnd:
        return {ItemStep::End, 1};
    case 'A':
    case 'H':
        return {ItemStep::Item, 7};
    case 'B':
    case 'M':
    case 'R':
        return {ItemStep::Item, 4};
    case 'J':
    case 'W':
        return {ItemStep::Item, 5};
    case 'K':
        return {ItemStep::Item, 2};
    case 'N':
        if (position + 2 >= bytes.size())
            return {ItemStep::Incomplete};
        return {ItemStep::Item, size_t{4} + static_cast<uint8_t>(bytes[position + 2])};
    case 'S': {
        const size_t zero = bytes.find('\0', position);
        if (zero == std::string::npos)
            return {ItemStep::Incomplete};
        return {ItemStep::Item, zero + 1 - position};
    }
    case 'C':
        return {ItemStep::Misplaced};
    default:
        return {ItemStep::Unknown};
    }
}

uint8_t ReplyCode(const std::string& frame) {
    return frame.size() > 1 ? static_cast<uint8_t>(frame[1]) & 0x7F : 0;
}

uint8_t ReplyStatus(const std::string& frame) {
    return frame.size() > 5 ? static_cast<uint8_t>(frame[5]) : 0;
}

std::vector<DollarItem> DecodeItems(const std::string& frame) {
    std::vector<DollarItem> items;
    size_t position = kDollarHeader;
    for (;;) {
        const ItemStep step = StepItem(frame, position);
        if (step.kind != ItemStep::Item || position + step.length > frame.size())
            return items;
        DollarItem item{frame[position], frame[position + 1], {}};
        const size_t value = position + 2;
        switch (item.tag) {
        case 'B':
        case 'R':
            item.value = std::to_string(static_cast<uint8_t>(frame[value]));
            break;
        case 'W':
            item.value = std::to_string(BigEndianAt(frame, value, 2));
            break;
        case 'H':
            item.value = HexFieldText(BigEndianAt(frame, value, 4));
            break;
        case 'S':
        case 'M':
            item.value = frame.substr(value, frame.find('\0', value) - value);
            break;
        default:
            break;
        }
        items.push_back(item);
        position += step.length;
    }
}

ModemTypeAnswer ReadModemTypeAnswer(const std::string& frame) {
    ModemTypeAnswer answer;
    constexpr size_t kNameStart = kDollarHeader + 2;
    if (frame.size() <= kNameStart + kDollarTrailer)
        return answer;
    const size_t itemsEnd = frame.size() - kDollarTrailer;
    const size_t zero = std::min(frame.find('\0', kNameStart), itemsEnd);
    const std::string text = frame.substr(kNameStart, zero - kNameStart);
    answer.name = text.substr(0, text.find('/'));
    if (zero + 3 < itemsEnd)
        answer.version = static_cast<int8_t>(frame[zero + 3]);
    return answer;
}

void ShowMisplacedItem() {
    ShowMessage("nyt v\xE4\xE4r\xE4ss\xE4 paikassa");
}
