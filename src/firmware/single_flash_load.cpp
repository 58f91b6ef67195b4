#include "firmware/single_flash_load.h"

#include "base/crc16.h"
#include "base/hex.h"
#include "firmware/ccrypt.h"
#include "firmware/firmware_blocks.h"
#include "firmware/srecord_image.h"
#include "platform/portmap.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {
constexpr size_t kKeyFieldLength = 8;
constexpr size_t kCrcLength = 2;
constexpr int kFirstBlockRow = 2;
constexpr int kNmsRow = 1;
constexpr int32_t kNmsClockHz = 33000000;
constexpr int32_t kClockHz = 24576000;
constexpr int32_t kSlowSpeed = 2;
constexpr std::string_view kFlashMagic = "KelvoFlash";
constexpr std::string_view kUhfMagic = "KelvoUHFNMS";
constexpr std::string_view kVhfMagic = "KelvoVHFNMS";
constexpr uint32_t kUhfKind = 1;
constexpr uint32_t kVhfKind = 2;
const char* const kWrongKey = "ERROR: Wrong key or file isn't correct!";

// The number of the two characters after ".s" or ".u"; 0 when they are none.
int extensionNumber(const std::string& extension) {
    const std::string digits = extension.substr(2, 2);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc() && end == digits.data() + digits.size() ? number : 0;
}

std::optional<SingleFlashFileKind> protectedOrOemKind(int number) {
    switch (number) {
    case 11:
        return SingleFlashFileKind{true, 3, false};
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 21:
    case 22:
        return SingleFlashFileKind{true, 15, true};
    case 20:
        return SingleFlashFileKind{true, 16, true};
    default:
        return std::nullopt;
    }
}

std::optional<SingleFlashFileKind> factoryKind(int number) {
    if (number >= 11 && number <= 18)
        return SingleFlashFileKind{true, number - 8, false};
    switch (number) {
    case 20:
        return SingleFlashFileKind{true, 14, false};
    case 21:
        return SingleFlashFileKind{true, 13, false};
    case 26:
        return SingleFlashFileKind{true, 12, false};
    default:
        return std::nullopt;
    }
}

bool startsWith(const std::vector<uint8_t>& data, std::string_view magic) {
    return data.size() >= magic.size() &&
           std::string_view(reinterpret_cast<const char*>(data.data()), magic.size()) == magic;
}

std::optional<std::array<uint8_t, 16>> keyOf(const std::array<std::string, 3>& fields) {
    std::array<uint8_t, 16> key{};
    const std::array<const std::string*, 4> sources{&fields[0], &fields[1], &fields[2], &fields[2]};
    for (size_t i = 0; i < sources.size(); ++i) {
        const auto bytes = ParseKeyField(*sources[i]);
        if (!bytes)
            return std::nullopt;
        std::copy(bytes->begin(), bytes->end(), key.begin() + static_cast<long>(4 * i));
    }
    return key;
}

uint16_t storedCrc(const std::vector<uint8_t>& data) {
    return static_cast<uint16_t>(data[data.size() - 2] << 8 | data[data.size() - 1]);
}

// Block files end in the CRC of the OEM files; the blocks before it are sent as
// they are in update mode, and flattened into a plain image for the boot mode.
std::optional<FlashRefusal> prepareBlockFile(SingleFlashLoad& load, bool update) {
    std::vector<uint8_t>& data = load.data;
    if (data.size() < kCrcLength)
        return FlashRefusal{refusal_text::kWrongCrc};
    const uint16_t stored = storedCrc(data);
    data.resize(data.size() - kCrcLength);
    if (OemFileCrc(data) != stored)
        return FlashRefusal{refusal_text::kWrongCrc};
    if (data.empty())
        return FlashRefusal{refusal_text::kEmptyImage};
    if (data.size() % kFirmwareBlockSize != 0)
        return FlashRefusal{refusal_text::kNotWholeBlocks};
    if (data.size() > kH8_3069ImageSize / kFirmwareBlockData * kFirmwareBlockSize)
        return FlashRefusal{refusal_text::kTooBig};
    load.length = static_cast<uint32_t>(data.size());
    if (update)
        return EncodedBlocksWithin(data, kH8_3069ImageSize)
                   ? std::nullopt
                   : std::optional(FlashRefusal{refusal_text::kTooBig});
    DecodeFirmwareBlocks(data);
    auto image = FlattenFirmwareBlocks(data, kH8_3069ImageSize, load.length);
    if (!image)
        return FlashRefusal{refusal_text::kTooBig};
    data = std::move(*image);
    return std::nullopt;
}

// Enciphered S-record files: decipher, check the magic and the CRC, then write the
// records into a 512 KiB image.
std::optional<FlashRefusal> prepareEncipheredFile(SingleFlashLoad& load, const SingleFlashChoices& choices) {
    std::vector<uint8_t>& data = load.data;
    DecipherFirmwareFile(data, load.key);
    const bool nmsFile = FileExtension(choices.fileName) == ".sf3";
    size_t textBegin = kFlashMagic.size();
    if (nmsFile &&
        (startsWith(data, kUhfMagic) || startsWith(data, kVhfMagic) || startsWith(data, kFlashMagic))) {
        load.nmsKind = startsWith(data, kUhfMagic) ? kUhfKind : kVhfKind;
        textBegin = kUhfMagic.size();
    } else if (!startsWith(data, kFlashMagic)) {
        return FlashRefusal{kWrongKey};
    }
    if (data.size() < textBegin + kCrcLength)
        return FlashRefusal{kWrongKey};
    if (Crc16Nibble(0, data.data(), data.size() - kCrcLength) != storedCrc(data))
        return FlashRefusal{refusal_text::kWrongCrc};
    const std::string_view text(reinterpret_cast<const char*>(data.data()) + textBegin,
                                data.size() - kCrcLength - textBegin);
    std::vector<uint8_t> image(kH8_3069ImageSize, 0xFF);
    load.length = ParseSRecordImage(text, image);
    if (load.length == 0)
        return FlashRefusal{};
    data = std::move(image);
    return std::nullopt;
}

std::optional<FlashRefusal> readFile(SingleFlashLoad& load, const SingleFlashChoices& choices) {
    FlashRefusal refusal;
    auto file = ReadFirmwareFile(choices.fileName, choices.kind.protectedFile, refusal);
    if (!file)
        return refusal;
    if (file->data.empty() && !choices.kind.protectedFile)
        return FlashRefusal{choices.kind.h8_3069 ? "Code file *.sf2 is empty. Check file and retry"
                                                 : "Code file *.sff is empty. Check file and retry"};
    load.data = std::move(file->data);
    load.length = static_cast<uint32_t>(load.data.size());
    load.fileId = file->fileId;
    return std::nullopt;
}
} // namespace

SingleFlashFileChoice SingleFlashFileKindOf(const std::string& fileName, bool factoryMode) {
    const std::string extension = LowerCaseExtension(fileName);
    if (extension == ".sfo")
        return {false, SingleFlashFileKind{true, 2, false}};
    if (extension == ".sf2")
        return {false, SingleFlashFileKind{true, 0, false}};
    if (extension == ".sf3")
        return {false, SingleFlashFileKind{true, 1, false}};
    if (extension == ".sff")
        return {false, SingleFlashFileKind{false, 0, false}};
    if (extension.rfind(".s", 0) == 0)
        return {false, protectedOrOemKind(extensionNumber(extension))};
    if (extension.rfind(".u", 0) == 0)
        return {factoryMode, factoryKind(extensionNumber(extension))};
    return {};
}

std::optional<std::array<uint8_t, 4>> ParseKeyField(const std::string& text) {
    if (text.size() != kKeyFieldLength || !IsHexString(text))
        return std::nullopt;
    std::array<uint8_t, 4> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(KelvoBase::StringHexToInt(text.substr(2 * i, 2)));
    return bytes;
}

std::variant<SingleFlashLoad, FlashRefusal> PrepareSingleFlashLoad(const SingleFlashChoices& choices) {
    SingleFlashLoad load;
    const auto key = keyOf(choices.keyFields);
    if (!key)
        return FlashRefusal{"The format of key is NOT valid! Check It!"};
    const int port = ComPortNumber(choices.portText);
    if (port == 0)
        return FlashRefusal{NotAComPortText(choices.portText)};
    load.key = *key;
    load.port = static_cast<uint32_t>(port);
    load.h8_3069 = choices.kind.h8_3069;
    load.updateMode = choices.update ? 1 : 0;
    if (const auto refused = readFile(load, choices))
        return *refused;
    if (!load.h8_3069)
        return load;
    load.deviceRow = static_cast<uint32_t>(choices.kind.row);
    load.speedIndex = choices.veryslow ? kSlowSpeed : 0;
    load.clockHz = choices.kind.row == kNmsRow ? kNmsClockHz : kClockHz;
    const auto refused = choices.kind.row >= kFirstBlockRow ? prepareBlockFile(load, choices.update)
                                                            : prepareEncipheredFile(load, choices);
    if (refused)
        return *refused;
    return load;
}
