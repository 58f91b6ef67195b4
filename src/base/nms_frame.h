#pragma once
// NMS frames: the network-management messages exchanged with the radio modems.
// A request reads one value of the modem (GET) or writes one (SET); the modem
// answers each request with two frames, an acknowledgement and then a response
// that carries the value or an error code.
//
// Frame: STX, payload length L (16 bits, high byte first), L payload bytes, and
// Crc16Nibble from 0xFFFF over the payload, high byte first. Offsets below count
// from the STX.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr size_t NmsFrameOverhead = 5; // STX, two length bytes, two CRC bytes
constexpr size_t NmsGetFrameLength = 16;
constexpr uint8_t NmsCommandGet = ':';
constexpr uint8_t NmsCommandSet = 'E';
constexpr uint8_t NmsSetFlags = 0xA0;
// Status byte of a reply (offset 11).
constexpr uint8_t NmsStatusAcknowledge = 0x22;
constexpr uint8_t NmsStatusError = '+';
// The value length byte of a SET holds n + 2.
constexpr size_t NmsMaxValueLength = 253;

// Value type codes: the code with its low bit cleared is the kind; for numbers
// the low bit set means signed.
enum NmsValueType : int {
    NmsUnsigned8 = 8,
    NmsSigned8 = 9,
    NmsUnsigned16 = 16,
    NmsSigned16 = 17,
    NmsUnsigned32 = 32,
    NmsSigned32 = 33,
    NmsText = 100,
    NmsByteString = 110,
};
constexpr int NmsTypeKind(int typeCode) {
    return typeCode & ~1;
}
constexpr bool NmsTypeIsSigned(int typeCode) {
    return (typeCode & 1) != 0;
}
// 1, 2 or 4 bytes for the number types, 0 for any other code.
size_t NmsNumberSize(int typeCode);

// Value ids are written "a.b": group a (the top 4 bits, also the access level the
// value needs) and number b, both decimal; the id is ((a << 12) | b) taken to 16
// bits. The separator may be any one character, and blanks may precede the numbers.
std::optional<uint16_t> ParseNmsValueId(std::string_view text);
std::string NmsValueIdText(uint16_t valueId);

// A frame around the payload.
std::string BuildNmsFrame(std::string_view payload);
std::string BuildNmsGetFrame(uint8_t sequence, uint16_t valueId);
// Nothing when the value is longer than NmsMaxValueLength.
std::optional<std::string> BuildNmsSetFrame(uint8_t sequence, uint16_t valueId, std::string_view value);

// The value bytes of a number: the low 1, 2 or 4 bytes by the type code, high byte
// first; empty for a code that is no number.
std::string NmsNumberBytes(uint32_t value, int typeCode);
// Big-endian bytes as a number: the last four when there are more.
uint32_t NmsBigEndianValue(std::string_view bytes);
// A number value as the type code reads it: its 1, 2 or 4 leading bytes (fewer when
// fewer came), sign-extended for the signed codes.
int64_t NmsNumberValue(std::string_view bytes, int typeCode);

// Whether the bytes begin with a whole frame. A frame that does not begin with
// STX, or whose CRC does not match, is bad; `length` is the whole frame's length.
struct NmsFrameCheck {
    enum Result { Incomplete, Bad, Complete };
    Result result;
    size_t length;
};
NmsFrameCheck CheckNmsFrame(std::string_view bytes);

struct NmsReply {
    uint8_t sequence = 0; // that of the request it answers
    uint8_t status = 0;
    uint16_t errorCode = 0; // with NmsStatusError
    bool hasValue = false;  // a response that carries a value
    std::string value;      // its bytes, numbers high byte first

    bool IsError() const { return status == NmsStatusError; }
    bool IsAcknowledge() const { return status == NmsStatusAcknowledge; }
};
// Reads the frame at the start of the bytes. Nothing when there is no whole, good
// frame there, or when it is too short for its status byte, or for the error code
// of an error reply. A response's value is taken only when it lies within the
// payload; otherwise hasValue stays false.
std::optional<NmsReply> ReadNmsReply(std::string_view bytes);
