#pragma once
// What both firmware windows do alike before a load: read the chosen file (as it
// is, or through the protector with the firmware pass phrase) and turn a decoded block file into the flat
// image that the boot mode of the H8/3069 processor programs.
//
// A load that cannot go on ends with a refusal: the text of the box the window
// shows, or no text when a reader has shown its own box already.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class FlashFamily { H8_3048, H8_3069, K10 };

// Sizes of the images the engines program.
constexpr uint32_t kH8_3069ImageSize = 0x80000;
constexpr uint32_t kK10ImageSize = 0x100000;
constexpr uint32_t kBootImageSize = 8192;
// The engines hold a file identifier in 16 bytes with its terminating NUL.
constexpr size_t kMaxFileIdLength = 15;

// Result presets of a channel: disabled, and enabled but not reported yet.
constexpr uint32_t kChannelDisabled = 65535;
constexpr uint32_t kChannelNotReported = 65534;

// The device rows both windows list first; the row index is what the engines
// receive. The multiple window writes row 2 with a trailing blank.
inline constexpr std::array<const char*, 14> kSharedDeviceRows{
    "Zulvane (3.xx or 2.xx)", "7QV NMS",           "7QV-TC/RM - OEM",      "7QV YAX11 - YAX11",
    "DWX2      - YAX12",      "DWX1      - YAX13", "J1        - YAX14",    "Z1        - YAX15",
    "KZ1/Mivo  - PU13",       "DWX5      - YAX16", "MIVo35W   - PU13 35W", "DXW35W    - PU13 35W",
    "KZ1/869   - PU13 869",   "FYJ10-15  - YAX21"};

struct FlashRefusal {
    std::string text; // empty: the reason was shown already
};

// The key of the protected firmware files (Latin-1).
extern const char* const kFirmwarePassPhrase;

struct FirmwareFile {
    std::vector<uint8_t> data;
    std::string fileId; // protected files only
};

// Reads the whole file, or the payload and identifier of a protected one. A file
// that cannot be read, a damaged container and an identifier too long for the
// engines are refusals with their texts.
std::optional<FirmwareFile> ReadFirmwareFile(const std::string& fileName, bool protectedFile,
                                             FlashRefusal& refusal);

// Why a chosen file cannot be loaded, found before anything is read: nothing under
// its name gives `missingText`; a folder, a pipe or a file that cannot be opened
// gives the reader's own words. Nothing when the file can be read.
std::optional<std::string> UnloadableFileText(const std::string& fileName, const std::string& missingText);
// The extension with its dot, as written, and in lower case ("" when there is none).
std::string FileExtension(const std::string& fileName);
std::string LowerCaseExtension(const std::string& fileName);

// Writes the data of each decoded block at the address in its header into an
// image of imageSize bytes filled with 0xFF. Returns the image and, in length, the
// end of the highest block; none when a block lies outside the image or the data
// is not made of whole blocks.
std::optional<std::vector<uint8_t>> FlattenFirmwareBlocks(std::span<const uint8_t> blocks, uint32_t imageSize,
                                                          uint32_t& length);

// Whether every block of an encoded block image (whole blocks) lies inside an image
// of imageSize bytes.
bool EncodedBlocksWithin(std::span<const uint8_t> blocks, uint32_t imageSize);

// The refusal texts the two windows share.
namespace refusal_text {
inline constexpr const char* kWrongCrc = "ERROR: Wrong CRC after decrypting! Check file!";
inline constexpr const char* kNotWholeBlocks = "ERROR: File is not made of whole blocks! Check file!";
inline constexpr const char* kTooBig = "ERROR: File is too big for the image buffer! Check file!";
inline constexpr const char* kFileIdTooLong = "ERROR: File identifier is too long! Check file!";
inline constexpr const char* kEmptyImage = "ERROR: File holds no firmware! Check file!";
} // namespace refusal_text

// The box of a chosen file that is not there.
std::string FileMissingText(const std::string& fileName);
// The box of a port name without a COM number.
std::string NotAComPortText(const std::string& portText);
