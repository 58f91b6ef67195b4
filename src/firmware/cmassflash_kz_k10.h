#pragma once
// The loader engine of the KZ modules built on the K10 processor. The module runs
// its application firmware: the engine wakes it, checks its firmware id, asks it
// into the loader its firmware carries, erases the blocks of its 1 MiB flash that
// the block image's addresses fall in and programs the image. The loader dialogue is that of the H8/3069
// engine in update mode on its later rows; the result codes and texts are that engine's.

#include "firmware/cmassflash_3069.h"

#include <atomic>
#include <cstdint>
#include <string>

class FlashHost;
class WaitClock;

// Firmware kinds of the module.
enum : uint32_t {
    kK10FromSRecords = 17,
    kK10FromProtectedFile = 18,
};

class CMassFlash_KZ_K10 {
public:
    static constexpr uint32_t kLoaderLength = 1748;

    CMassFlash_KZ_K10() = default;
    virtual ~CMassFlash_KZ_K10() = default;
    CMassFlash_KZ_K10(const CMassFlash_KZ_K10&) = delete;
    CMassFlash_KZ_K10& operator=(const CMassFlash_KZ_K10&) = delete;

    // The run. Opens the port, talks to the module and closes the port on every
    // way out.
    uint32_t FlashKZ_K10();
    // The maximum of the initialise bar (the programming bar's is ImageLength).
    uint32_t GetInitSteps() const { return UpdateMode ? LoaderLength : 8; }

    uint32_t LoaderLength = kLoaderLength;
    // 1: ask the module into its loader and check its id (the window sets 1).
    uint8_t UpdateMode = 0;
    // 1: the reply to the loading command must name the module; 0: no reply is
    // accepted.
    uint8_t CheckModuleId = 0;
    uint32_t DataLength = 0;
    // The FileID of the protected firmware file (kind 18); empty for kind 17.
    std::string FileId;
    std::atomic<uint32_t> DataProgress{0};
    std::atomic<uint32_t> LoaderProgress{0};
    // Stored by the worker thread when the run has returned; 65534 until then.
    std::atomic<uint32_t> Result{k3069PortFailure};
    // Written by the window; not read by the run.
    uint32_t SpeedIndex = 0;
    // COM port number, 1 = COM1.
    uint32_t Port = 1;
    // The encoded block image, owned by the window.
    uint8_t* Image = nullptr;
    uint32_t ImageLength = 0;
    // kK10FromSRecords or kK10FromProtectedFile.
    uint32_t FileKind = 0;
    // Written by the window; not read by the run.
    uint8_t DsrCheck = 0;
    // Progress, the lock of Cancel and the notices; null: none.
    FlashHost* Host = nullptr;
    // The clock the run waits on (tests give their own).
    WaitClock* Clock = nullptr;
    // Set by the GUI thread; looked at once, after the wake-up.
    std::atomic<uint8_t> StopRequested{0};
};

// The text of a result code (the H8/3069 engine's table).
std::string FlashErrorTextKZ_K10(uint32_t code, uint32_t loaderProgress);
