#pragma once
// The two CRC-16 routines of the program.
//
// Crc16Nibble protects the NMS frames, the "$" programming frames, the project
// files and the check number of the modem-type files: the reflected polynomial
// 0x8408 computed four bits at a time (from 0xFFFF it is CRC-16/MCRF4XX). Its
// result is always stored high byte first.
//
// Crc16Compute is the parameterised CRC of the packet components. Its polynomial
// argument is kept for its callers but the polynomial is always 0x1021: files and
// peers made with it depend on that.

#include <cstddef>
#include <cstdint>
#include <string>

uint16_t Crc16Nibble(uint16_t start, const uint8_t* data, size_t length);
uint16_t Crc16Nibble(uint16_t start, const std::string& data);

uint16_t Crc16Compute(const uint8_t* data, size_t length, uint16_t start, uint16_t polynomial,
                      bool reflectOutput, bool reflectInput, uint16_t finalXor);
// Crc16Compute over the text's bytes as four upper-case hexadecimal digits.
std::string Crc16HexString(const std::string& text, uint16_t start, uint16_t polynomial, bool reflectOutput,
                           bool reflectInput, uint16_t finalXor);
// CRC-16/X-25 of the text as four hexadecimal digits ("123456789" gives "906E").
std::string Crc16X25Hex(const std::string& text);

uint32_t ReflectBits32(uint32_t value);
