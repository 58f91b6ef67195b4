#pragma once
// The single firmware window without the window: what a chosen file's extension
// selects, the key fields, and the start of a load from the window's choices and
// the file to the inputs of the engine that runs it.

#include "firmware/firmware_load.h"

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

struct SingleFlashFileKind {
    bool h8_3069 = false;
    int row = 0;
    bool protectedFile = false;
};

struct SingleFlashFileChoice {
    bool enableDeviceList = false; // a factory file in factory mode
    // None: the window keeps the engine, row and protector flag of the last file.
    std::optional<SingleFlashFileKind> kind;
};

// Looks at the extension in lower case.
SingleFlashFileChoice SingleFlashFileKindOf(const std::string& fileName, bool factoryMode);

// Four bytes from exactly 8 hexadecimal digits of either case, first pair first.
std::optional<std::array<uint8_t, 4>> ParseKeyField(const std::string& text);

struct SingleFlashChoices {
    std::string fileName;
    SingleFlashFileKind kind;
    bool update = true;
    bool veryslow = false;
    std::string portText;
    // The first three key fields; the last four key bytes repeat the third field.
    std::array<std::string, 3> keyFields;
};

struct SingleFlashLoad {
    bool h8_3069 = false;
    // H8/3048: the enciphered file as read; H8/3069: the image to program.
    std::vector<uint8_t> data;
    uint32_t length = 0;
    std::array<uint8_t, 16> key{};
    uint32_t port = 1;
    uint8_t updateMode = 0;
    int32_t speedIndex = 0;
    int32_t clockHz = 0;
    uint32_t deviceRow = 0;
    uint32_t nmsKind = 0;
    std::string fileId;
};

// From the key check on: reads, deciphers and checks the file and builds the
// engine's inputs, or says why the load cannot start.
std::variant<SingleFlashLoad, FlashRefusal> PrepareSingleFlashLoad(const SingleFlashChoices& choices);
