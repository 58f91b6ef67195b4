#include "firmware/multi_flash_load.h"

#include "base/hex.h"
#include "firmware/cmassflash.h"
#include "firmware/cmassflash_kz_k10.h"
#include "firmware/firmware_blocks.h"
#include "firmware/srecord_image.h"
#include "platform/portmap.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace {
constexpr size_t kCryptTrailer = 2; // the last two bytes of a protected payload are not programmed
constexpr int kFirstBlockRow = 2;
constexpr int kLastBlockRow = 13;
constexpr int32_t kCrystal24 = 24576000;
constexpr int32_t kCrystal33 = 33000000;

std::string_view textOf(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The port a channel's engine opens: the COM number its box names. A text without
// one stands for itself here; the next check refuses it.
std::string portOf(const MultiFlashChannel& channel) {
    const int number = ComPortNumber(channel.portText);
    return number != 0 ? "COM" + std::to_string(number) : channel.portText;
}

// The boxes' lists may differ (each is refreshed as it drops down), so the
// channels are compared by the ports they will open, not by where the ports stand
// in the lists.
bool portsCollide(const MultiFlashChoices& choices) {
    std::set<std::string> ports;
    for (const MultiFlashChannel& channel : choices.channels)
        if (channel.enabled && !ports.insert(portOf(channel)).second)
            return true;
    return false;
}

std::optional<std::string> portWithoutNumber(const MultiFlashChoices& choices) {
    for (const MultiFlashChannel& channel : choices.channels)
        if (channel.enabled && ComPortNumber(channel.portText) == 0)
            return channel.portText;
    return std::nullopt;
}

// The blocks the engine sends, encoded from the image with a fresh random mask.
void encodeBlocks(MultiFlashFirmware& firmware, std::optional<uint32_t> from) {
    SeedRandomFromTime();
    firmware.image = from ? EncodeFirmwareBlocksFrom(firmware.image, *from, firmware.imageLength)
                          : EncodeFirmwareBlocks(firmware.image, firmware.imageLength);
    firmware.imageLength = static_cast<uint32_t>(firmware.image.size());
}

std::optional<FlashRefusal> prepareCryptFile(MultiFlashFirmware& firmware, const FirmwareFile& file) {
    const size_t programmed = file.data.size() < kCryptTrailer ? 0 : file.data.size() - kCryptTrailer;
    if (programmed > kK10ImageSize)
        return FlashRefusal{refusal_text::kTooBig};
    if (programmed == 0)
        return FlashRefusal{refusal_text::kEmptyImage};
    if (programmed % kFirmwareBlockSize != 0)
        return FlashRefusal{refusal_text::kNotWholeBlocks};
    if (!EncodedBlocksWithin(std::span(file.data).first(programmed), kK10ImageSize))
        return FlashRefusal{refusal_text::kTooBig};
    firmware.image.assign(kK10ImageSize, 0xFF);
    std::copy_n(file.data.begin(), programmed, firmware.image.begin());
    firmware.imageLength = static_cast<uint32_t>(programmed);
    firmware.fileId = file.fileId;
    return std::nullopt;
}

std::optional<FlashRefusal> prepareK10SRecords(MultiFlashFirmware& firmware, const FirmwareFile& file) {
    firmware.image.assign(kK10ImageSize, 0xFF);
    uint32_t lowest = kNoSRecordAddress;
    firmware.imageLength = LoadSRecordImageAt(textOf(file.data), firmware.image, lowest);
    if (firmware.imageLength == 0)
        return FlashRefusal{};
    encodeBlocks(firmware, lowest);
    return std::nullopt;
}

std::optional<FlashRefusal> prepareBootSection(MultiFlashFirmware& firmware,
                                               const std::string& bootFileName) {
    FlashRefusal refusal;
    const auto bootFile = ReadFirmwareFile(bootFileName, false, refusal);
    if (!bootFile)
        return refusal;
    firmware.bootImage.assign(kBootImageSize, 0xFF);
    firmware.bootImageLength = LoadSRecordImage(textOf(bootFile->data), firmware.bootImage);
    if (firmware.bootImageLength == 0)
        return FlashRefusal{};
    return std::nullopt;
}

std::optional<FlashRefusal> prepareH8_3069(MultiFlashFirmware& firmware, const FirmwareFile& file,
                                           const MultiFlashChoices& choices) {
    firmware.image.assign(kH8_3069ImageSize, 0xFF);
    firmware.imageLength = LoadSRecordImage(textOf(file.data), firmware.image);
    if (firmware.imageLength == 0)
        return FlashRefusal{};
    if (choices.update && choices.deviceRow >= kFirstBlockRow && choices.deviceRow <= kLastBlockRow)
        encodeBlocks(firmware, std::nullopt);
    if (choices.bootSection && !choices.bootFileName.empty())
        return prepareBootSection(firmware, choices.bootFileName);
    return std::nullopt;
}

std::optional<FlashRefusal> prepare(MultiFlashFirmware& firmware, FirmwareFile& file,
                                    const MultiFlashChoices& choices) {
    switch (firmware.family) {
    case FlashFamily::H8_3048:
        // A damaged file is refused before any channel opens its port.
        if (CheckPlainFlashFile(file.data) != kFlashOk)
            return FlashRefusal{FlashErrorText(kFlashNotValidFile)};
        // The engine reads the text up to its length; the NUL behind it ends it for
        // readers that look for one.
        firmware.imageLength = static_cast<uint32_t>(file.data.size());
        firmware.image = std::move(file.data);
        firmware.image.push_back(0);
        return std::nullopt;
    case FlashFamily::K10:
        return firmware.cryptFile ? prepareCryptFile(firmware, file) : prepareK10SRecords(firmware, file);
    case FlashFamily::H8_3069:
        return prepareH8_3069(firmware, file, choices);
    }
    return std::nullopt;
}
} // namespace

FlashFamily MultiFlashFamily(bool h8_3069, bool kzModule) {
    if (kzModule)
        return FlashFamily::K10;
    return h8_3069 ? FlashFamily::H8_3069 : FlashFamily::H8_3048;
}

bool IsCryptFile(const MultiFlashChoices& choices) {
    return choices.kzModule && FileExtension(choices.fileName) == ".sf1";
}

std::optional<MultiFlashCheckRefusal> CheckMultiFlashChoices(const MultiFlashChoices& choices) {
    for (int c = 0; c < kFlashChannels; ++c)
        if (choices.channels[c].portText.empty())
            return MultiFlashCheckRefusal{{}, c};
    bool anyEnabled = false;
    for (const MultiFlashChannel& channel : choices.channels)
        anyEnabled = anyEnabled || channel.enabled;
    if (!anyEnabled)
        return MultiFlashCheckRefusal{"One of the ports must be enabled !!!"};
    if (choices.h8_3069 && choices.kzModule)
        return MultiFlashCheckRefusal{"Both H8 and KZ mudules can not be flashed same time !!!"};
    if (portsCollide(choices))
        return MultiFlashCheckRefusal{"All active channels must point to different com ports !!!", -1, true};
    if (const auto port = portWithoutNumber(choices))
        return MultiFlashCheckRefusal{NotAComPortText(*port), -1, true};
    if (const auto problem = UnloadableFileText(choices.fileName, FileMissingText(choices.fileName)))
        return MultiFlashCheckRefusal{*problem, -1, true};
    return std::nullopt;
}

std::variant<MultiFlashFirmware, FlashRefusal> ReadMultiFlashFirmware(const MultiFlashChoices& choices) {
    MultiFlashFirmware firmware;
    firmware.family = MultiFlashFamily(choices.h8_3069, choices.kzModule);
    firmware.cryptFile = IsCryptFile(choices);
    FlashRefusal refusal;
    auto file = ReadFirmwareFile(choices.fileName, firmware.cryptFile, refusal);
    if (!file)
        return refusal;
    if (const auto refused = prepare(firmware, *file, choices))
        return *refused;
    return firmware;
}

MultiFlashEngineInputs MultiFlashInputs(const MultiFlashChoices& choices,
                                        const MultiFlashFirmware& firmware) {
    MultiFlashEngineInputs inputs;
    inputs.updateMode = firmware.family == FlashFamily::K10 ? 1 : choices.update;
    inputs.highSpeed = choices.speedSelection ? 1 : 0;
    inputs.speedIndex = choices.speedSelection ? 1 : 0;
    if (choices.veryslow)
        inputs.speedIndex = 2;
    if (choices.freq24)
        inputs.clockHz = kCrystal24;
    if (choices.freq33)
        inputs.clockHz = kCrystal33;
    if (choices.freqVar)
        inputs.clockHz = choices.crystalHz;
    inputs.deviceRow = static_cast<uint32_t>(choices.deviceRow);
    inputs.fileKind = firmware.cryptFile ? kK10FromProtectedFile : kK10FromSRecords;
    inputs.dsrCheck = choices.dsrMode ? 1 : 0;
    for (int c = 0; c < kFlashChannels; ++c)
        if (choices.channels[c].enabled)
            inputs.ports[c] = static_cast<uint32_t>(ComPortNumber(choices.channels[c].portText));
    return inputs;
}
