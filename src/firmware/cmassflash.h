#pragma once
// The loader engine of the modems built on the H8/3048 processor. A firmware
// window fills the input fields, then a worker thread calls FlashH8_3048, which
// uploads a boot loader into the modem's RAM through the boot ROM and sends the
// firmware's S-records one by one as frames to that loader. Every outcome is a
// result code; FlashErrorText gives its text. The dialogue runs on the loader
// dialogue the other engines use (its port, waits and the end of a load whose
// device goes).
//
// The two loader images are the modem maker's; they are read from files beside the
// executable at the start of each run.

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>

class FlashHost;
class WaitClock;

// Result codes of FlashH8_3048.
enum : uint32_t {
    kFlashOk = 0,
    kFlashNoModem = 1,
    kFlashNoReplyTo55 = 2,
    kFlashNoResponse = 3,
    kFlashNoLoaderEcho = 4,
    kFlashWrongLoaderEcho = 5,
    kFlashNoEraseStatus = 6,
    kFlashEraseFailed = 7,
    kFlashNoEnqReply = 8,
    kFlashNoLoaderCrc = 9,
    kFlashWrongLoaderCrc = 10,
    kFlashNak = 11,
    kFlashCan = 12,
    kFlashPortNotOpened = 40,
    kFlashFileCrc = 41,
    kFlashWrongKey = 42,
    kFlashNotValidFile = 43,
    kFlashFastLoaderMissing = 44,
    kFlashSlowLoaderMissing = 45,
    kFlashNoAck = 50,
    kFlashSlflashRefused = 51,
    kFlashUserInterrupted = 52,
    kFlashWrongModemType = 55,
    // The device behind the port went during the load (the windows' preset of a
    // channel that has not reported, as in the other engines).
    kFlashPortFailure = 65534,
    kFlashPortNotEnabled = 65535,
};

class CMassFlash {
public:
    static constexpr uint32_t kLoaderLength = 1436;
    // The loader images beside the executable: the first runs the records at
    // 115200 baud (HighSpeed set), the second at 38400 baud.
    static constexpr const char* kFastLoaderFile = "h8_3048_loader_115200.bin";
    static constexpr const char* kSlowLoaderFile = "h8_3048_loader_38400.bin";

    CMassFlash() = default;
    virtual ~CMassFlash() = default;
    CMassFlash(const CMassFlash&) = delete;
    CMassFlash& operator=(const CMassFlash&) = delete;

    // Reads the loader image chosen by HighSpeed into LoaderImage; false when its
    // file is missing or is not kLoaderLength bytes long.
    bool LoadLoader();
    // The run. Opens the port, talks to the modem and closes the port on every way
    // out; Data is deciphered in place when Encrypted is set.
    uint32_t FlashH8_3048();
    // The maximum of the loader progress bar.
    uint32_t GetInitSteps() const { return LoaderLength; }

    std::array<uint8_t, 2048> LoaderImage{};
    uint32_t LoaderLength = kLoaderLength;
    // 1: the modem runs its application and is asked to load by "SLFLASH", and 0xFE
    // ends the load. 0: the modem waits in its boot mode.
    uint8_t UpdateMode = 0;
    uint32_t DataLength = 0;
    std::array<uint8_t, 16> Key{};
    // 1: Data is an enciphered firmware file; 0: plain S-record text.
    uint8_t Encrypted = 0;
    std::atomic<uint32_t> DataProgress{0};
    std::atomic<uint32_t> LoaderProgress{0};
    // Stored by the worker thread when the run has returned.
    std::atomic<uint32_t> Result{0};
    // Non-zero: fast loader and 115200 baud after the erase; zero: 38400 baud.
    uint32_t HighSpeed = 0;
    // COM port number, 1 = COM1.
    uint32_t Port = 1;
    // The firmware file, owned by the window.
    uint8_t* Data = nullptr;
    FlashHost* Host = nullptr;
    // The clock the run waits on (tests give their own).
    WaitClock* Clock = nullptr;
    // Set by the GUI thread to stop the run between steps.
    std::atomic<uint8_t> StopRequested{0};
};

// The text of a result code; that of a port failure names the port (0: none named).
std::string FlashErrorText(uint32_t code, uint32_t port = 0);

// The check the run makes of a plain S-record file before it opens the port: the
// file begins with "S0", and every record the run sends, up to the S9 record that
// ends the load, is whole and carries its right checksum. kFlashOk or
// kFlashNotValidFile.
uint32_t CheckPlainFlashFile(std::span<const uint8_t> data);
