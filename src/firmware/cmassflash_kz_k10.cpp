#include "firmware/cmassflash_kz_k10.h"

#include "firmware/firmware_blocks.h"
#include "firmware/flashhost.h"
#include "firmware/loaderdialogue.h"

#include <array>

namespace {

namespace wait {
constexpr int kAfterWakeUp = 100;
constexpr int kDrain = 5;
constexpr int kDrainAfterReply = 10;
constexpr int kAfterReply = 50;
constexpr int kLoaderStart = 1000;
} // namespace wait

constexpr int kOpenBaud = 115200;
constexpr int kLoaderBaud = 38400;
constexpr uint16_t kFileIdValue = 0x94C7;
constexpr uint8_t kFileIdFlags = 0xA0;
constexpr std::string_view kModuleId = "H8_YAX22";
constexpr const char* kFailed = "flash failed";
// The notices are Latin-1 text, as every text of the program below its windows.

// Eight blocks of 4 KiB, one of 32 KiB and fifteen of 64 KiB.
constexpr std::array<uint32_t, 24> kBlockSizes{4096,  4096,  4096,  4096,  4096,  4096,  4096,  4096,
                                               32768, 65536, 65536, 65536, 65536, 65536, 65536, 65536,
                                               65536, 65536, 65536, 65536, 65536, 65536, 65536, 65536};

const LoaderProfile kProfile{.blockSizes = kBlockSizes,
                             .replyPolls = 1000,
                             .barStepMs = 40,
                             .notices = {.caption = kFailed,
                                         .enqFailed = "ENQ v\xE4\xE4rin!!",
                                         .eraseStartFailed = "0x48 1 v\xE4\xE4rin!!",
                                         .eraseBlockFailed = "0x58 1 v\xE4\xE4rin!!",
                                         .eraseEndFailed = "0x58 2 v\xE4\xE4rin!!",
                                         .selectFailed = "0x43 v\xE4\xE4rin!!",
                                         .programFailed = "0x50 v\xE4\xE4rin!!"}};

class Run {
public:
    explicit Run(CMassFlash_KZ_K10& engine)
        : engine_(engine), line_(kProfile, {engine.DataProgress, engine.LoaderProgress, engine.StopRequested,
                                            engine.Host, engine.Clock}) {}

    uint32_t flash() {
        const uint32_t kind = engine_.FileKind;
        if (kind != kK10FromSRecords && kind != kK10FromProtectedFile) {
            line_.Notice("Wrong device type!!", "");
            return k3069PortNotOpened;
        }
        // An empty image, blocks cut short or blocks outside the flash would erase the
        // module and program nothing, read past the image or be refused halfway
        // through the load.
        const std::optional<FlashRange> range =
            line_.ImageRange(engine_.Image, engine_.ImageLength, ProgramForm::EncodedBlocks);
        if (!range)
            return k3069NotValidFile;
        if (!line_.Open(engine_.Port, kOpenBaud))
            return k3069PortNotOpened;
        if (const uint32_t code = line_.WakeUp(1, kind == kK10FromSRecords ? ">!" : ">")) {
            if (code == k3069NmsNotReceived && kind == kK10FromSRecords)
                line_.Notice("mets\xE4\xE4n meni!!", "");
            return code;
        }
        line_.Sleep(wait::kAfterWakeUp);
        if (line_.Stopped())
            return k3069UserInterrupted;
        if (update() && kind == kK10FromProtectedFile) {
            if (const uint32_t code = checkFileId())
                return code;
        }
        if (!line_.Drain(wait::kDrain))
            return k3069StartFailure;
        if (update()) {
            if (const uint32_t code = identify())
                return code;
        }
        line_.PassPointOfNoReturn(kLoaderBaud);
        if (update())
            line_.FillInitBar(engine_.LoaderLength);
        else
            line_.Sleep(wait::kLoaderStart);
        if (!line_.StartLoader())
            return k3069NoEnqReply;
        // The blocks the image's addresses fall in are erased, so an image that
        // starts above block 0 finds its blocks erased and leaves the blocks below
        // it alone.
        if (const uint32_t code = line_.EraseRange(range->lowest, range->highest))
            return code;
        if (const uint32_t code = program())
            return code;
        if (update())
            line_.EndUpdate();
        return k3069Ok;
    }

private:
    bool update() const { return engine_.UpdateMode != 0; }

    uint32_t checkFileId() {
        std::string modemFileId;
        const uint32_t code = line_.CheckFileId(kFileIdValue, kFileIdFlags, engine_.FileId, modemFileId);
        if (code == k3069WrongModemType)
            line_.Notice(modemFileId + engine_.FileId, kFailed);
        return code;
    }

    uint32_t identify() {
        const std::string reply = line_.Identify("SLFLOEM");
        if (reply.empty())
            return k3069NoModem;
        if (!engine_.CheckModuleId || reply.find(kModuleId) == std::string::npos)
            return k3069WrongReply;
        if (!line_.Drain(wait::kDrainAfterReply))
            return k3069TooMuchData;
        line_.Sleep(wait::kAfterReply);
        return k3069Ok;
    }

    uint32_t program() {
        if (const uint32_t code = line_.SelectUserArea())
            return code;
        const uint32_t step = update() ? kFirmwareBlockSize : kFirmwareBlockData;
        if (const uint32_t code =
                line_.Program(engine_.Image, engine_.ImageLength, ProgramForm::EncodedBlocks, step))
            return code;
        return line_.EndOfData(update() ? ProgramForm::EncodedBlocks : ProgramForm::Plain);
    }

    CMassFlash_KZ_K10& engine_;
    LoaderDialogue line_;
};
} // namespace

uint32_t CMassFlash_KZ_K10::FlashKZ_K10() {
    DataProgress = 0;
    LoaderProgress = 0;
    return RunLoad([this] { return Run(*this).flash(); }, k3069PortFailure);
}

std::string FlashErrorTextKZ_K10(uint32_t code, uint32_t loaderProgress) {
    return FlashErrorText3069(code, loaderProgress);
}
