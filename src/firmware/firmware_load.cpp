#include "firmware/firmware_load.h"

#include "base/tstreamstring.h"
#include "firmware/firmware_blocks.h"
#include "firmware/tprotector.h"
#include "platform/file_contents.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

const char* const kFirmwarePassPhrase = "qpwzk4710rv8xumt\xE4"
                                        "bn";

namespace {
FirmwareFile readProtected(const std::string& fileName) {
    TProtector crypter;
    crypter.Clear();
    crypter.Key = kFirmwarePassPhrase;
    crypter.UseFileID = true;
    crypter.CompressData = true;
    crypter.PassiveFileID = true;
    crypter.LoadFromFile(fileName);
    const std::string& data = crypter.Data();
    return {std::vector<uint8_t>(data.begin(), data.end()), crypter.FileID};
}

FirmwareFile readPlain(const std::string& fileName) {
    TStreamString stream;
    stream.LoadFromFile(fileName);
    return {std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size()), {}};
}

uint32_t blockAddress(const uint8_t* header) {
    return uint32_t{header[1]} << 16 | uint32_t{header[2]} << 8 | header[3];
}
} // namespace

std::optional<FirmwareFile> ReadFirmwareFile(const std::string& fileName, bool protectedFile,
                                             FlashRefusal& refusal) {
    try {
        FirmwareFile file = protectedFile ? readProtected(fileName) : readPlain(fileName);
        if (file.fileId.size() > kMaxFileIdLength) {
            refusal.text = refusal_text::kFileIdTooLong;
            return std::nullopt;
        }
        return file;
    } catch (const std::exception& error) {
        refusal.text = error.what();
        return std::nullopt;
    }
}

std::optional<std::string> UnloadableFileText(const std::string& fileName, const std::string& missingText) {
    if (fileName.empty() || NothingAt(fileName))
        return missingText;
    try {
        CheckReadableFile(fileName);
    } catch (const EFileReadError& failure) {
        return failure.what();
    }
    return std::nullopt;
}

std::string FileExtension(const std::string& fileName) {
    return std::filesystem::path(fileName).extension().string();
}

std::string LowerCaseExtension(const std::string& fileName) {
    std::string extension = FileExtension(fileName);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::optional<std::vector<uint8_t>> FlattenFirmwareBlocks(std::span<const uint8_t> blocks, uint32_t imageSize,
                                                          uint32_t& length) {
    if (blocks.size() % kFirmwareBlockSize != 0)
        return std::nullopt;
    std::vector<uint8_t> image(imageSize, 0xFF);
    length = 0;
    for (size_t at = 0; at < blocks.size(); at += kFirmwareBlockSize) {
        const uint8_t* block = blocks.data() + at;
        const uint32_t address = blockAddress(block);
        if (block[0] != 0 || address > imageSize - kFirmwareBlockData)
            return std::nullopt;
        std::copy_n(block + 4, kFirmwareBlockData, image.begin() + address);
        length = std::max<uint32_t>(length, address + kFirmwareBlockData);
    }
    return image;
}

bool EncodedBlocksWithin(std::span<const uint8_t> blocks, uint32_t imageSize) {
    for (size_t at = 0; at + kFirmwareBlockSize <= blocks.size(); at += kFirmwareBlockSize)
        if (EncodedBlockAddress(blocks.data() + at) > imageSize - kFirmwareBlockData)
            return false;
    return true;
}

std::string FileMissingText(const std::string& fileName) {
    return "File " + fileName + " does not exists !!!";
}

std::string NotAComPortText(const std::string& portText) {
    return "Serial port " + portText + " is not a COM port !!!";
}
