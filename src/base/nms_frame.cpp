#include "base/nms_frame.h"

#include "base/control_chars.h"
#include "base/crc16.h"

#include <charconv>

namespace {

constexpr size_t sequenceOffset = 5;
constexpr size_t statusOffset = 11;
constexpr size_t errorCodeOffset = 12;
constexpr size_t valueLengthOffset = 12;
constexpr size_t valueOffset = 15;

uint8_t byteAt(std::string_view bytes, size_t offset) {
    return static_cast<uint8_t>(bytes[offset]);
}

void appendBigEndian16(std::string& out, uint16_t value) {
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

// Payload bytes 0 to 7: two zero bytes, the sequence number, four zero bytes, flags.
std::string requestHead(uint8_t sequence, uint8_t flags) {
    std::string payload(8, '\0');
    payload[2] = static_cast<char>(sequence);
    payload[7] = static_cast<char>(flags);
    return payload;
}

// A decimal number with optional leading blanks and sign, as scanf's %d reads it.
std::optional<int> scanInteger(std::string_view& text) {
    while (!text.empty() && std::string_view(" \t\n\v\f\r").find(text.front()) != std::string_view::npos)
        text.remove_prefix(1);
    size_t signLength = !text.empty() && (text.front() == '-' || text.front() == '+') ? 1 : 0;
    const bool negative = signLength == 1 && text.front() == '-';
    long long value = 0;
    const char* digits = text.data() + signLength;
    const auto [end, error] = std::from_chars(digits, text.data() + text.size(), value);
    if (error != std::errc() || value > INT32_MAX || (digits < end && *digits == '-'))
        return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return static_cast<int>(negative ? -value : value);
}

} // namespace

size_t NmsNumberSize(int typeCode) {
    switch (NmsTypeKind(typeCode)) {
    case 8:
        return 1;
    case 16:
        return 2;
    case 32:
        return 4;
    default:
        return 0;
    }
}

std::optional<uint16_t> ParseNmsValueId(std::string_view text) {
    const auto group = scanInteger(text);
    if (!group || text.empty())
        return std::nullopt;
    text.remove_prefix(1);
    const auto number = scanInteger(text);
    if (!number)
        return std::nullopt;
    return static_cast<uint16_t>((static_cast<uint32_t>(*group) << 12) | static_cast<uint32_t>(*number));
}

std::string NmsValueIdText(uint16_t valueId) {
    return std::to_string(valueId >> 12) + "." + std::to_string(valueId & 0x0FFF);
}

std::string BuildNmsFrame(std::string_view payload) {
    std::string frame(1, static_cast<char>(STX));
    appendBigEndian16(frame, static_cast<uint16_t>(payload.size()));
    frame += payload;
    appendBigEndian16(frame,
                      Crc16Nibble(0xFFFF, reinterpret_cast<const uint8_t*>(payload.data()), payload.size()));
    return frame;
}

std::string BuildNmsGetFrame(uint8_t sequence, uint16_t valueId) {
    std::string payload = requestHead(sequence, 0x00);
    payload += static_cast<char>(NmsCommandGet);
    appendBigEndian16(payload, valueId);
    return BuildNmsFrame(payload);
}

std::optional<std::string> BuildNmsSetFrame(uint8_t sequence, uint16_t valueId, std::string_view value) {
    if (value.size() > NmsMaxValueLength)
        return std::nullopt;
    std::string payload = requestHead(sequence, NmsSetFlags);
    payload += static_cast<char>(NmsCommandSet);
    payload += static_cast<char>(value.size() + 2);
    appendBigEndian16(payload, valueId);
    payload += value;
    return BuildNmsFrame(payload);
}

std::string NmsNumberBytes(uint32_t value, int typeCode) {
    std::string bytes;
    for (size_t i = NmsNumberSize(typeCode); i > 0; --i)
        bytes += static_cast<char>((value >> (8 * (i - 1))) & 0xFF);
    return bytes;
}

uint32_t NmsBigEndianValue(std::string_view bytes) {
    uint32_t value = 0;
    for (char c : bytes)
        value = (value << 8) | static_cast<uint8_t>(c);
    return value;
}

int64_t NmsNumberValue(std::string_view bytes, int typeCode) {
    const size_t size = NmsNumberSize(typeCode);
    const uint32_t value = NmsBigEndianValue(bytes.substr(0, size));
    if (!NmsTypeIsSigned(typeCode) || size == 0 || bytes.size() < size)
        return value;
    const int bits = static_cast<int>(8 * size);
    const uint64_t signBit = uint64_t{1} << (bits - 1);
    return static_cast<int64_t>(value ^ signBit) - static_cast<int64_t>(signBit);
}

NmsFrameCheck CheckNmsFrame(std::string_view bytes) {
    if (bytes.empty())
        return {NmsFrameCheck::Incomplete, 0};
    if (byteAt(bytes, 0) != STX)
        return {NmsFrameCheck::Bad, 0};
    if (bytes.size() < 3)
        return {NmsFrameCheck::Incomplete, 0};
    const size_t payloadLength = byteAt(bytes, 1) * 256u + byteAt(bytes, 2);
    const size_t length = payloadLength + NmsFrameOverhead;
    if (bytes.size() < length)
        return {NmsFrameCheck::Incomplete, length};
    const uint16_t crc =
        Crc16Nibble(0xFFFF, reinterpret_cast<const uint8_t*>(bytes.data() + 3), payloadLength);
    const uint16_t sent =
        static_cast<uint16_t>(byteAt(bytes, 3 + payloadLength) * 256u + byteAt(bytes, 4 + payloadLength));
    return {crc == sent ? NmsFrameCheck::Complete : NmsFrameCheck::Bad, length};
}

std::optional<NmsReply> ReadNmsReply(std::string_view bytes) {
    const NmsFrameCheck check = CheckNmsFrame(bytes);
    if (check.result != NmsFrameCheck::Complete)
        return std::nullopt;
    // Fields are read only from the payload, never from the CRC behind it.
    const std::string_view frame = bytes.substr(0, check.length - 2);
    if (frame.size() <= statusOffset)
        return std::nullopt;
    NmsReply reply;
    reply.sequence = byteAt(frame, sequenceOffset);
    reply.status = byteAt(frame, statusOffset);
    if (reply.IsError()) {
        if (frame.size() < errorCodeOffset + 2)
            return std::nullopt;
        reply.errorCode =
            static_cast<uint16_t>(byteAt(frame, errorCodeOffset) * 256u + byteAt(frame, errorCodeOffset + 1));
        return reply;
    }
    if (frame.size() > valueLengthOffset && byteAt(frame, valueLengthOffset) >= 2) {
        const size_t valueLength = byteAt(frame, valueLengthOffset) - 2u;
        if (valueOffset + valueLength <= frame.size()) {
            reply.hasValue = true;
            reply.value = std::string(frame.substr(valueOffset, valueLength));
        }
    }
    return reply;
}
