#pragma once
// Readers that write Motorola S-record text into a flat firmware image (a buffer
// the caller has filled with 0xFF). S1 and S2 records carry data, S8 and S9 end the
// text, every other record type is checked and skipped. Each record's address is
// an offset into the image. The result is the image size: the smallest multiple of
// 128 above the highest address written (128 when no data was written), or 0 when
// a record is refused.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A record holds at most this many bytes after its count (address, data and
// checksum): the record buffer takes 120 hexadecimal digits.
constexpr int kMaxSRecordBytes = 60;

// The lowest address reported when the text holds no S1 or S2 record.
constexpr uint32_t kNoSRecordAddress = 0x7FFFFFFF;

enum class SRecordError {
    None,
    Checksum,      // wrong sum, or the record ends before its count says
    CountTooSmall, // a data record too short for its address and checksum
    TooLong,       // more bytes than the record buffer holds
    OutsideImage,  // data addressed beyond the image buffer
};

// The address width of the data records S1, S2 and S3 (2, 3 and 4 bytes); 0 for
// any other record type.
int SRecordAddressBytes(char type);

// How the text is cut into records.
enum class SRecordCutting {
    // A record runs from its 'S' to the next 'S'; two 'S's in a row end the text.
    // Line ends inside a record are ignored.
    AtEachS,
    // A record is one line; an empty line or the end of the text ends it.
    ByLines,
};

struct SRecordImage {
    uint32_t size = 0; // image size, 0 after an error
    uint32_t lowest = kNoSRecordAddress;
    SRecordError error = SRecordError::None;
};

// Reads the text (ending at its end or at a NUL byte) into the image. Errors and
// warnings are shown in message boxes as they arise.
SRecordImage ReadSRecordImage(std::string_view text, std::span<uint8_t> image, SRecordCutting cutting);

// The message box text of an error.
std::string SRecordErrorText(SRecordError error);

// Reader of the deciphered firmware files: cut at each 'S'.
uint32_t ParseSRecordImage(std::string_view text, std::span<uint8_t> image);
// Readers of S-record files: one record per line.
uint32_t LoadSRecordImage(std::string_view text, std::span<uint8_t> image);
uint32_t LoadSRecordImageAt(std::string_view text, std::span<uint8_t> image, uint32_t& lowest);

// Copies the characters before the first CR, LF or NUL (or the end of the text) into
// the line buffer, at most as many as it holds, and writes no terminator. Returns the
// length of the line in the text, which is more than was copied when the line is
// longer than the buffer.
size_t CopyTextLine(std::string_view text, std::span<char> line);
