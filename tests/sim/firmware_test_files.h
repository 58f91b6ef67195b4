#pragma once
// Firmware files made by the tests themselves: S-record texts, images and loader
// images of the right length with known content.

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

// A firmware image of the given size with bytes that differ from record to record.
std::vector<uint8_t> MakeTestImage(size_t size, uint32_t seed = 1);

// A loader image of the length the H8/3048 boot ROM takes, its bytes drawn from the
// seed (so the fast and the slow loader differ).
std::vector<uint8_t> MakeTestLoader(uint32_t seed);
