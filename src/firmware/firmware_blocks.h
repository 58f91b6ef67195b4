#pragma once
// The firmware block image: a flat image cut into 128-byte pieces, each sent with
// a 4-byte header that carries its address. Encoded, the data is scrambled with an
// 8-byte key by image position and the header is masked with a random byte mixed
// in; decoded, the header is the block address as a big-endian number.
//
//   encoded header: byte 2, byte 3 (highest), byte 0, byte 1 of
//                   M = ((A << 8) | random byte) XOR 0x3E7C19A4
//   decoded header: 00, address bits 23-16, 15-8, 7-0

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

constexpr size_t kFirmwareBlockData = 128;
constexpr size_t kFirmwareBlockSize = kFirmwareBlockData + 4;
// Highest image sizes of the two encoders.
constexpr uint32_t kBlockImageLimit = 0x80000;
constexpr uint32_t kBlockImageLimitFrom = 0x100000;

// Scrambles the first length bytes of the image in place and returns the blocks of
// addresses 0, 128, ... below both the length and 512 KiB. The last block always
// carries 128 bytes: bytes past the length are copied as they are, bytes past the
// end of the image buffer are sent as 0xFF.
std::vector<uint8_t> EncodeFirmwareBlocks(std::span<uint8_t> image, uint32_t length);
// The same for images of up to 1 MiB, with blocks from the address start on.
std::vector<uint8_t> EncodeFirmwareBlocksFrom(std::span<uint8_t> image, uint32_t start, uint32_t length);
// The address the header of an encoded block carries.
uint32_t EncodedBlockAddress(const uint8_t* header);

// Decodes the whole blocks of the data in place and returns the number of bytes
// decoded; a trailing part shorter than a block is left as it is, so a result
// below the data's length means the block file was cut short.
size_t DecodeFirmwareBlocks(std::span<uint8_t> data);

// One step of the CRC that ends the OEM block files: start 0xFFFF, table of the
// polynomial 0x1021 without reflection, the byte XORed in after the table step.
uint16_t Crc16Update(uint16_t crc, uint8_t byte);
// That CRC over a whole buffer.
uint16_t OemFileCrc(std::span<const uint8_t> data);
