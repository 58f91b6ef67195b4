#pragma once
// The loader-to-text converter of the factory menu. A boot loader built as a
// Motorola S-record file becomes a binary image (".bin": the bytes of its data
// records, the form of the loader images beside the executable) and that image a
// text of byte constants (".txt"), the form in which a loader image is built into
// the program as a table of bytes.

#include <cstdint>
#include <string>
#include <string_view>

// The value of one hexadecimal digit as the loader tools take it: the character
// minus '0', less 7 more above 9. Only '0'-'9' and 'A'-'F' give 0 to 15.
constexpr int HexDigitValue(char c) {
    const int value = c - '0';
    return value > 9 ? value - 7 : value;
}

// The value of the two digits at `pair`, kept to 8 bits.
uint8_t HexPairValue(const char* pair);

// The data bytes of the S1, S2 and S3 records of the text in the order of the
// text: addresses and checksums are not used, other lines are skipped. A record
// whose count is too small for its address is skipped; a record that ends before
// its count gives the data it holds.
std::string SRecordDataBytes(std::string_view text);

// Every byte as "0x%02x,", eleven to a line, each full line ended by CR LF.
std::string LoaderByteConstants(std::string_view bytes);

// The two steps of the converter. Each writes the file of the same name with the
// new extension, replacing it whole, and returns that name. They throw
// EStreamError with the text to show when a file cannot be read or written, or
// already has the new extension (it would replace itself).
std::string SRecordFileToBinary(const std::string& sRecordFile);
std::string BinaryFileToText(const std::string& binaryFile);
