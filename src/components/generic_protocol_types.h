#pragma once
// The enumerations of the generic protocol's packet definitions and their
// display names, as the editor lists them.

#include <cstdint>
#include <string>

// How a packet is laid out; each layout but the first and the last brings its
// blocks.
enum TdGeneralPacketType : uint8_t {
    gptUndefined,
    gptStxDataEtx,
    gptStxData,
    gptDataEtx,
    gptStxLengthData,
    gptCustomDataPacket,
};
enum TdBlockType : uint8_t { btUndefined, btData, btSTX, btETX, btLength };
enum TdBlockDataFormatType : uint8_t { dftUndefined, dftBinary, dftAscii, dftAsciiHex };
// A Static block has fixed content that a received packet must contain; a
// Dynamic block takes its content from the received text.
enum TdBlockDataType : uint8_t { dtUndefined, dtDynamic, dtStatic };
enum TdBlockDataLengthType : uint8_t { dltUndefined, dltConstant, dltVariable, dltDefinedByBlock };

constexpr int GeneralPacketTypeCount = 6;
constexpr int BlockTypeCount = 5;
constexpr int BlockDataFormatTypeCount = 4;
constexpr int BlockDataTypeCount = 3;
constexpr int BlockDataLengthTypeCount = 4;

// The display name of a value; empty for a value beyond the table.
std::string GeneralPacketTypeName(int type);
std::string BlockTypeName(int type);
std::string BlockDataFormatTypeName(int format);
std::string BlockDataTypeName(int type);
std::string BlockDataLengthTypeName(int type);
