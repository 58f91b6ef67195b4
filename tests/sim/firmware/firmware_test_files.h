#pragma once
// Firmware files made by the tests themselves: S-record texts, images and loader
// images of the right length with known content.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One S-record line without its line end: 'S', the type, the count, the address
// (2 bytes for types 0, 1, 9; 3 for 2, 8; 4 for 3, 7), the data and the checksum.
std::string MakeSRecord(char type, uint32_t address, std::span<const uint8_t> data);

// An S-record text of the image: an S0 header, S2 records of bytesPerRecord data
// bytes each from address 0, and an S9 end record, each line ended by lineEnd.
std::string MakeSRecordFile(std::span<const uint8_t> image, size_t bytesPerRecord = 32,
                            std::string_view lineEnd = "\r\n");

// An enciphered firmware file as the maker's tool writes it: the plain content and
// the high byte of its CRC (Crc16Nibble from 0) enciphered in CFB-64 mode with the
// strengthened schedule and 10 rounds, then the CRC's low byte as it is. A
// crcError changes the stored CRC.
std::vector<uint8_t> EncipherFirmwareFile(const std::string& plain, const std::array<uint8_t, 16>& key,
                                          uint16_t crcError = 0);

// A firmware image of the given size with bytes that differ from record to record.
std::vector<uint8_t> MakeTestImage(size_t size, uint32_t seed = 1);

// A loader image of the length the H8/3048 boot ROM takes, its bytes drawn from the
// seed (so the fast and the slow loader differ).
std::vector<uint8_t> MakeTestLoader(uint32_t seed);
