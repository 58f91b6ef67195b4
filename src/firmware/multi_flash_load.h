#pragma once
// The start of a load in the multiple firmware window, without the window: the
// checks of the window's choices, the reading and preparation of the file for the
// chosen engine family, and what every channel's engine receives.

#include "firmware/firmware_load.h"

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

constexpr int kFlashChannels = 4;

struct MultiFlashChannel {
    bool enabled = false;
    std::string portText; // the selected item of the port box, trimmed
};

struct MultiFlashChoices {
    std::array<MultiFlashChannel, kFlashChannels> channels;
    bool h8_3069 = false;
    bool kzModule = false;
    bool update = false;
    bool speedSelection = false;
    bool veryslow = false;
    bool freq24 = false;
    bool freq33 = false;
    bool freqVar = false;
    int crystalHz = 24576000;
    int deviceRow = 0;
    bool dsrMode = false;
    // BootFlash mode with the boot section chosen, and the boot file (may be empty).
    bool bootSection = false;
    std::string bootFileName;
    std::string fileName;
};

struct MultiFlashCheckRefusal {
    std::string text;      // empty: refused without a box
    int clearChannel = -1; // the channel whose "enabled" box is cleared
    // Refused by a check that comes after the window has reset the channels'
    // colours and stopped the result sound.
    bool afterReset = false;
};

// The checks before anything is read or written, in the window's order.
std::optional<MultiFlashCheckRefusal> CheckMultiFlashChoices(const MultiFlashChoices& choices);

FlashFamily MultiFlashFamily(bool h8_3069, bool kzModule);
// A K10 load of a protected ".sf1" file (the extension compared as written).
bool IsCryptFile(const MultiFlashChoices& choices);

// What the engines program: the file text for the H8/3048 family, the image (or
// block image) for the others.
struct MultiFlashFirmware {
    FlashFamily family = FlashFamily::H8_3048;
    std::vector<uint8_t> image;
    uint32_t imageLength = 0;
    std::vector<uint8_t> bootImage; // empty when no boot section is programmed
    uint32_t bootImageLength = 0;
    bool cryptFile = false;
    std::string fileId;
};

std::variant<MultiFlashFirmware, FlashRefusal> ReadMultiFlashFirmware(const MultiFlashChoices& choices);

// The inputs every channel's engine of the load receives besides the image.
struct MultiFlashEngineInputs {
    uint8_t updateMode = 0;
    uint32_t highSpeed = 0;
    int32_t speedIndex = 0;
    std::optional<int32_t> clockHz; // none: the engine keeps its value
    uint32_t deviceRow = 0;
    uint32_t fileKind = 0;
    uint8_t dsrCheck = 0;
    // COM numbers of the enabled channels.
    std::array<std::optional<uint32_t>, kFlashChannels> ports;
};

// Call after CheckMultiFlashChoices has passed.
MultiFlashEngineInputs MultiFlashInputs(const MultiFlashChoices& choices, const MultiFlashFirmware& firmware);

// The NMS kind the H8/3069 engine gets from this window: kind unknown.
constexpr uint32_t kUnknownNmsKind = 3;
