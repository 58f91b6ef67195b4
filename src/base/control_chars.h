#pragma once
// Control characters of the modems' serial protocols.

#include <cstdint>

constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t LF = 0x0A;
constexpr uint8_t CR = 0x0D;
