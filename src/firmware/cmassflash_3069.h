#pragma once
// The loader engine of the modems built on the H8/3069 processor and of the later
// module rows. A firmware window fills the input fields, then a worker thread calls
// FlashH8_3069, which owns the serial dialogue from the first byte to the last and
// returns a result code; FlashErrorText3069 gives its text.
//
// Update mode: the modem runs its application firmware and is asked into loading
// mode by a text command; rows 0 and 1 then take a boot loader into RAM through the
// boot ROM, the other rows talk straight to the loader their firmware carries. The
// flash is erased block by block and the image programmed frame by frame.
// Boot mode: the processor was started in its own boot mode; after the bit-rate
// synchronisation the engine runs the processor's boot-mode dialogue, programs the
// image and, when given, the boot section.
//
// The loader images are the modem maker's; they are read from files beside the
// executable when a load uploads one.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

class FlashHost;
class WaitClock;

// Result codes of FlashH8_3069 and FlashKZ_K10.
enum : uint32_t {
    k3069Ok = 0,
    k3069NoModem = 1,
    k3069NoReplyTo55 = 2,
    k3069NoResponse = 3,
    k3069NoLoaderEcho = 4,
    k3069WrongLoaderEcho = 5,
    k3069NoEnqReply = 8,
    k3069NoLoaderCrc = 9,
    k3069WrongLoaderCrc = 10,
    k3069StartFailure = 19,
    k3069TooMuchData = 20,
    k3069PortNotOpened = 48,
    k3069NotValidFile = 51,
    k3069EraseError = 81,
    k3069ProgrammingError = 83,
    k3069SoftwareNotSuitable = 85,
    k3069WrongReply = 97,
    k3069UserInterrupted = 98,
    k3069PacketFailure = 100,
    k3069InitializationError = 101,
    k3069BoardNotInPlace = 113,
    k3069NmsNotReceived = 129,
    k3069NmsCrcError = 130,
    k3069WrongModemType = 131,
    // A loader image file is missing or has the wrong length; the image's number
    // (0 to 7) is added.
    k3069LoaderMissing = 140,
    // Also the run's result when the device behind the port goes during the load.
    k3069PortFailure = 65534,
    k3069PortNotEnabled = 65535,
};

class CMassFlash_3069 {
public:
    static constexpr uint32_t kLoaderLength = 1748;
    static constexpr uint32_t kBootImageSize = 8192;
    static constexpr int kBootModeSteps = 8;
    // Rows of the window's device list.
    static constexpr uint32_t kRowCount = 17;

    CMassFlash_3069();
    virtual ~CMassFlash_3069() = default;
    CMassFlash_3069(const CMassFlash_3069&) = delete;
    CMassFlash_3069& operator=(const CMassFlash_3069&) = delete;

    // The loader image's number by SpeedIndex and ClockHz (0 to 7), -1 for a speed
    // index that chooses none.
    int LoaderNumber() const;
    // The file beside the executable that holds loader image number n.
    static std::string LoaderFile(int number);
    // Reads the loader image chosen by SpeedIndex and ClockHz into LoaderImage;
    // false when its file is missing or is not kLoaderLength bytes long. A speed
    // index that chooses no image leaves LoaderImage as it was.
    bool LoadLoader();
    // The run. Opens the port, talks to the modem and closes the port on every way
    // out.
    uint32_t FlashH8_3069();
    // The maximum of the initialise bar (the programming bar's is ImageLength).
    uint32_t GetInitSteps() const { return UpdateMode ? LoaderLength : kBootModeSteps; }

    std::array<uint8_t, 2048> LoaderImage{};
    uint32_t LoaderLength = kLoaderLength;
    // 1: update mode; 0: boot mode.
    uint8_t UpdateMode = 0;
    // The window's H8/3069 box; not read by the run.
    uint8_t Select3069 = 0;
    // 1 (multiple window): a reply from a modem of another kind raises a question
    // instead of failing, and row 1 takes any of the three NMS ids.
    uint8_t AskOnMismatch = 0;
    // Written by the single window; not read by the run.
    uint32_t DataLength = 0;
    // The FileID of the protected firmware file, empty when it has none: the
    // modem's firmware id must begin with it on rows 15 and 16.
    std::string FileId;
    std::atomic<uint32_t> DataProgress{0};
    std::atomic<uint32_t> LoaderProgress{0};
    // Stored by the worker thread when the run has returned; 65534 until then.
    std::atomic<uint32_t> Result{k3069PortFailure};
    // 0 normal, 1 fast, 2 slow.
    int32_t SpeedIndex = 0;
    // The modem's crystal frequency.
    int32_t ClockHz = 0;
    // COM port number, 1 = COM1.
    uint32_t Port = 1;
    // Update mode, rows 0 and 1, and boot mode: the plain image from flash address 0.
    // Update mode, rows 2 to 16: the encoded block image, sent block by block.
    uint8_t* Image = nullptr;
    uint32_t ImageLength = 0;
    // Boot mode: the boot section (8 KiB) or null. Owned by the window.
    uint8_t* BootImage = nullptr;
    // Written by the multiple window; not read by the run.
    uint32_t BootImageLength = 0;
    // Index of the window's device list (0 to 16).
    uint32_t DeviceRow = 0;
    // 1: the DSR line must be on once the port is open.
    uint8_t DsrCheck = 0;
    // Row 1: 0 NMS, 1 UHF, 2 VHF, 3 unknown.
    uint32_t NmsKind = 0;
    // Progress, the lock of Cancel and the questions; null: none, and no questions.
    FlashHost* Host = nullptr;
    // The clock the run waits on (tests give their own).
    WaitClock* Clock = nullptr;
    // Set by the GUI thread to stop the run between steps.
    std::atomic<uint8_t> StopRequested{0};
};

// The text of a result code; the text of an initialisation error names the boot-mode
// steps passed (the engine's LoaderProgress).
std::string FlashErrorText3069(uint32_t code, uint32_t loaderProgress);
