#include "firmware/loader_text.h"

#include "base/text_lines.h"
#include "base/tstreamstring.h"
#include "firmware/srecord_image.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

// The characters before a record's data: 'S', the type and the count, then the
// address of 2, 3 or 4 bytes. The count covers address, data and checksum.
constexpr size_t kRecordHead = 4;
constexpr int kChecksumBytes = 1;

// A line of constants ends once it holds more than this many characters.
constexpr size_t kLineWidth = 50;

void AppendRecordData(const std::string& line, std::string& bytes) {
    if (line.size() < kRecordHead || line[0] != 'S')
        return;
    const int addressBytes = SRecordAddressBytes(line[1]);
    if (addressBytes == 0)
        return;
    const int dataBytes = HexPairValue(&line[2]) - addressBytes - kChecksumBytes;
    const size_t first = kRecordHead + 2 * static_cast<size_t>(addressBytes);
    if (dataBytes <= 0 || line.size() < first)
        return;
    const size_t present = std::min(static_cast<size_t>(dataBytes), (line.size() - first) / 2);
    for (size_t i = 0; i < present; ++i)
        bytes += static_cast<char>(HexPairValue(&line[first + 2 * i]));
}

std::string ReadFile(const std::string& fileName) {
    TStreamString file;
    file.LoadFromFile(fileName);
    return file.AsString();
}

void WriteFile(const std::string& fileName, const std::string& contents) {
    TStreamString file;
    file.AppendString(contents);
    file.SaveToFile(fileName);
}

std::string WithExtension(const std::string& fileName, const std::string& extension) {
    return std::filesystem::path(fileName).replace_extension(extension).string();
}

// Writes the conversion of the file beside it under the new extension. A file that
// already has that extension is refused, so that it never replaces itself.
std::string Convert(const std::string& fileName, const std::string& extension,
                    std::string (*conversion)(std::string_view)) {
    const std::string target = WithExtension(fileName, extension);
    if (target == fileName)
        throw EStreamError("The file \"" + fileName + "\" is already a " + extension + " file");
    WriteFile(target, conversion(ReadFile(fileName)));
    return target;
}

} // namespace

uint8_t HexPairValue(const char* pair) {
    return static_cast<uint8_t>(16 * HexDigitValue(pair[0]) + HexDigitValue(pair[1]));
}

std::string SRecordDataBytes(std::string_view text) {
    std::string bytes;
    for (const std::string& line : SplitLines(std::string(text)))
        AppendRecordData(line, bytes);
    return bytes;
}

std::string LoaderByteConstants(std::string_view bytes) {
    std::string text;
    size_t lineLength = 0;
    for (const char byte : bytes) {
        char constant[8];
        lineLength += static_cast<size_t>(
            std::snprintf(constant, sizeof constant, "0x%02x,", static_cast<unsigned char>(byte)));
        text += constant;
        if (lineLength > kLineWidth) {
            text += "\r\n";
            lineLength = 0;
        }
    }
    return text;
}

std::string SRecordFileToBinary(const std::string& sRecordFile) {
    return Convert(sRecordFile, ".bin", SRecordDataBytes);
}

std::string BinaryFileToText(const std::string& binaryFile) {
    return Convert(binaryFile, ".txt", LoaderByteConstants);
}
