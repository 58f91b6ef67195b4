#include "firmware/cmassflash_3069.h"

#include "base/crc16.h"
#include "firmware/firmware_blocks.h"
#include "firmware/flashhost.h"
#include "firmware/loaderdialogue.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// The waits and time-outs of the dialogue, in milliseconds.
namespace wait {
constexpr int kAfterOpenUpdate = 2000;
constexpr int kAfterOpenBoot = 400;
constexpr int kDrain = 5;
constexpr int kDrainAfterReply = 10;
constexpr int kAfterReply = 50;
constexpr int kSyncPause = 3;
constexpr int kSyncReply = 5;
constexpr int kSyncRetry = 100;
constexpr int kUploadDrainRead = 10;
constexpr int kUploadDrainPause = 2;
constexpr int kLengthEcho = 50;
constexpr int kChunkDrain = 10;
constexpr int kAfterChunk = 50;
constexpr int kEchoPerByte = 10;
constexpr int kEchoExtra = 150;
constexpr int kLoaderStart = 1000;
constexpr int kBeforeLoaderCrc = 100;
constexpr int kAfterSpeedChange = 1;
constexpr int kAfterTransition = 20;
constexpr int kListenRead = 10;
constexpr int kListenByte = 20;
constexpr int kListenPause = 1;
} // namespace wait

constexpr int kOpenBaud = 9600;
constexpr int kWakeUpBaud = 115200;
constexpr int kClockSplit = 25000000;
constexpr int kSyncTries = 31;
constexpr int kSyncAnsweredInTime = 30;
constexpr int kSyncAttempts = 2;
constexpr uint32_t kLoaderChunk = 32;
constexpr size_t kEchoCleared = 100;
constexpr int kListenRounds = 2000;
constexpr uint16_t kFileIdValue = 0x929F;

constexpr uint8_t kSync = 0x00;
constexpr uint8_t kBitRateCheck = 0x55;
constexpr uint8_t kBootModeAnswer = 0xE6;
constexpr uint8_t kBootErrorReply = 0xBF;
constexpr uint8_t kBootArea = 'B';

// Eight blocks of 4 KiB, one of 32 KiB and seven of 64 KiB.
constexpr std::array<uint32_t, 16> kBlockSizes{4096,  4096,  4096,  4096,  4096,  4096,  4096,  4096,
                                               32768, 65536, 65536, 65536, 65536, 65536, 65536, 65536};
const LoaderProfile kProfile{.blockSizes = kBlockSizes, .replyPolls = 2000, .barStepMs = 100, .notices = {}};

// What the run does per row of the window's device list.
struct DeviceRow {
    int openBaud;
    bool wakeUp;              // "SL%P=1" after opening
    std::string_view command; // the loading command of update mode
    std::string_view id;      // what the reply must contain (rows 2 to 16)
    bool checksFileId;        // the firmware id is read by NMS
};

constexpr std::array<DeviceRow, CMassFlash_3069::kRowCount> kRows{{
    {kOpenBaud, false, "SLFLASH", "H3069 OK", false},
    {kOpenBaud, false, "SLFLASH", "", false},
    {kOpenBaud, false, "SLFLOEM", "H8OEM OK", false},
    {kOpenBaud, false, "SLFLOEM", "H8_YAX11", false},
    {kOpenBaud, false, "SLFLOEM", "H8_YAX12", false},
    {kOpenBaud, false, "SLFLOEM", "H8_YAX13", false},
    {kOpenBaud, false, "SLFLOEM", "H8_YAX14", false},
    {kOpenBaud, false, "SLFLOEM", "H8_YAX15", false},
    {kOpenBaud, false, "SLFLOEM", "H8_PU13", false},
    {kOpenBaud, false, "SLFLOEM", "H8_DWX5", false},
    {kOpenBaud, false, "SLFLOEM", "H8_MIVO35W", false},
    {kOpenBaud, false, "SLFLOEM", "H8_VEDN35W", false},
    {kOpenBaud, false, "SLFLOEM", "H8_869_PU13", false},
    {kOpenBaud, false, "SLFLOEM", "H8_YRF0016", false},
    {kWakeUpBaud, true, "SLFLOEM", "K10_YRF0017", false},
    {kOpenBaud, false, "SLFLOEM", "H8_", true},
    {kWakeUpBaud, true, "SLFLOEM", "K10_", true},
}};

// The ids of the NMS firmware kinds of row 1: NMS, UHF, VHF.
constexpr std::array<std::string_view, 3> kNmsIds{"H7QVNMS+", "H7QVUHF+", "H7QVVHF+"};

// Loader image numbers by speed index, below the clock split and from it on.
constexpr std::array<std::array<int, 2>, 3> kLoaderNumbers{{{2, 5}, {0, 4}, {3, 6}}};

class Run {
public:
    explicit Run(CMassFlash_3069& engine)
        : engine_(engine), row_(kRows[std::min(engine.DeviceRow, CMassFlash_3069::kRowCount - 1)]),
          line_(kProfile, {engine.DataProgress, engine.LoaderProgress, engine.StopRequested, engine.Host,
                           engine.Clock}) {}

    uint32_t flash() {
        if (const uint32_t code = checkInput())
            return code;
        if (!line_.Open(engine_.Port, row_.openBaud))
            return k3069PortNotOpened;
        if (row_.wakeUp) {
            if (const uint32_t code = line_.WakeUp(2, "O"))
                return code;
        }
        line_.Sleep(update() ? wait::kAfterOpenUpdate : wait::kAfterOpenBoot);
        if (engine_.DsrCheck && !line_.DsrOn())
            return k3069BoardNotInPlace;
        if (line_.Stopped())
            return k3069UserInterrupted;
        if (update() && row_.checksFileId) {
            std::string modemFileId;
            if (const uint32_t code = line_.CheckFileId(kFileIdValue, 0, engine_.FileId, modemFileId))
                return code;
        }
        if (!line_.Drain(wait::kDrain))
            return k3069StartFailure;
        const uint32_t code = update() ? loadUpdate() : loadBoot();
        if (code == k3069Ok && update())
            line_.EndUpdate();
        return code;
    }

private:
    bool update() const { return engine_.UpdateMode != 0; }
    bool uploadsLoader() const { return engine_.DeviceRow <= 1; }

    // How the image goes out: the rows with a loader of their own take the encoded
    // blocks as they are; the boot mode and the uploaded loader a plain image.
    ProgramForm form() const {
        return update() && !uploadsLoader() ? ProgramForm::EncodedBlocks : ProgramForm::Plain;
    }

    // An empty image, blocks cut short or blocks outside the flash would erase the
    // modem and program nothing, read past the image or be refused halfway through
    // the load: refused before the port is opened.
    uint32_t checkInput() {
        if (engine_.DeviceRow >= CMassFlash_3069::kRowCount ||
            !line_.ImageRange(engine_.Image, engine_.ImageLength, form()))
            return k3069NotValidFile;
        if (update() && uploadsLoader() && !engine_.LoadLoader())
            return k3069LoaderMissing + static_cast<uint32_t>(engine_.LoaderNumber());
        return k3069Ok;
    }

    uint32_t loadUpdate() {
        if (const uint32_t code = identify())
            return code;
        if (uploadsLoader()) {
            if (const uint32_t code = synchronise())
                return code;
            if (const uint32_t code = uploadLoader())
                return code;
        }
        line_.PassPointOfNoReturn(speed());
        if (uploadsLoader())
            line_.Sleep(wait::kLoaderStart);
        else
            line_.FillInitBar(engine_.LoaderLength);
        if (!line_.StartLoader())
            return k3069NoEnqReply;
        if (uploadsLoader()) {
            line_.Sleep(wait::kBeforeLoaderCrc);
            const std::span<const uint8_t> loader(engine_.LoaderImage.data(), engine_.LoaderLength);
            if (const uint32_t code = line_.CheckLoaderCrc(loader, k3069UserInterrupted))
                return code;
        }
        if (const uint32_t code = line_.Erase(engine_.ImageLength))
            return code;
        return programUserArea();
    }

    uint32_t loadBoot() {
        if (const uint32_t code = synchronise())
            return code;
        line_.ClearReceived();
        line_.ReadReply(LoaderDialogue::kBufferSize - 1);
        if (line_.Received(0) != kBootModeAnswer)
            return k3069NoReplyTo55;
        if (const uint32_t code = bootModeDialogue())
            return code;
        if (const uint32_t code = programUserArea())
            return code;
        return engine_.BootImage ? programBootSection() : k3069Ok;
    }

    uint32_t programUserArea() {
        if (const uint32_t code = line_.SelectUserArea())
            return code;
        const ProgramForm how = form();
        const uint32_t step = how == ProgramForm::Plain ? kFirmwareBlockData : kFirmwareBlockSize;
        if (const uint32_t code = line_.Program(engine_.Image, engine_.ImageLength, how, step))
            return code;
        return line_.EndOfData(how);
    }

    uint32_t identify() {
        const std::string reply = line_.Identify(row_.command);
        if (reply.empty())
            return k3069NoModem;
        const auto contains = [&reply](std::string_view text) {
            return reply.find(text) != std::string::npos;
        };
        const bool ask = engine_.AskOnMismatch != 0;
        const uint32_t row = engine_.DeviceRow;
        bool match = false;
        if (contains("FLASH OK")) {
            if (!ask || !continueAnyway("You try to flash H8/3069 software to modem"
                                        "\r\nwhich contains H8/3048 prosessor !!!"
                                        "\r\nYou may continue, if you are upgrading from"
                                        "\r\nH8/3069 sw 3.00 to 3.01. SW 3.00 Replies old FLASH OK"
                                        "\r\n\r\nContinue anyway ?"))
                return k3069SoftwareNotSuitable;
            match = true;
        }
        // An NMS modem that still runs the old portable code answers as row 0 does;
        // a Yes takes it, as the question says the upgrade is meant.
        if (ask && row == 1 && contains("H3069 OK")) {
            if (!continueAnyway("You try to flash NMS software to modem"
                                "\r\nwhich contains old portable code !!!"
                                "\r\nYou may continue, if you are upgrading from"
                                "\r\nNMS sw 0.23 to newer. SW 0.23 Replies old H3069 OK"
                                "\r\n\r\nContinue anyway ?"))
                return k3069SoftwareNotSuitable;
            match = true;
        }
        if (row == 1)
            match = match || (ask ? std::any_of(kNmsIds.begin(), kNmsIds.end(), contains)
                                  : engine_.NmsKind < kNmsIds.size() && contains(kNmsIds[engine_.NmsKind]));
        else
            match = match || contains(row_.id);
        if (!match)
            return k3069WrongReply;
        if (!line_.Drain(wait::kDrainAfterReply))
            return k3069TooMuchData;
        line_.Sleep(wait::kAfterReply);
        return k3069Ok;
    }

    // Without a window no question is asked and the load goes on; a question after a
    // stop request is answered No at once.
    bool continueAnyway(const std::string& text) {
        if (engine_.Host == nullptr)
            return true;
        return !line_.Stopped() && engine_.Host->AskYesNo(text, "FLASH ERROR !!");
    }

    // The boot ROM answers a 0x00 with 0x00 once it has measured the bit rate; one
    // more round is given after a wrong answer.
    uint32_t synchronise() {
        line_.ClearReceived(10);
        for (int unanswered = 0, attempt = 0; attempt < kSyncAttempts; ++attempt) {
            int received = 0;
            for (; unanswered < kSyncTries; ++unanswered) {
                line_.Send(kSync);
                line_.Sleep(wait::kSyncPause);
                if ((received = line_.Read(0, 1, wait::kSyncReply)) > 0)
                    break;
            }
            if (received > 0 && line_.Received(0) == kSync && unanswered < kSyncAnsweredInTime)
                return checkBitRate();
            line_.Sleep(wait::kSyncRetry);
        }
        return k3069NoModem;
    }

    uint32_t checkBitRate() {
        if (line_.Stopped())
            return k3069UserInterrupted;
        line_.Send(kBitRateCheck);
        line_.ClearReceived();
        return k3069Ok;
    }

    // The boot ROM echoes the loader's length and every loader byte.
    uint32_t uploadLoader() {
        if (!line_.Drain(wait::kUploadDrainPause, wait::kUploadDrainRead))
            return k3069TooMuchData;
        const uint32_t length = engine_.LoaderLength;
        const uint8_t high = static_cast<uint8_t>(length >> 8);
        line_.Send(high);
        if (line_.Read(0, LoaderDialogue::kBufferSize - 1, wait::kLengthEcho) == 0 ||
            line_.Received(0) != high)
            return k3069NoResponse;
        const uint8_t low = static_cast<uint8_t>(length);
        line_.Send(low);
        if (line_.Read(0, 1, wait::kLengthEcho) == 0 || line_.Received(0) != low)
            return k3069NoResponse;
        if (line_.Stopped())
            return k3069UserInterrupted;
        for (uint32_t sent = 0; sent < length;) {
            const uint32_t chunk = std::min(kLoaderChunk, length - sent);
            const std::span<const uint8_t> bytes(engine_.LoaderImage.data() + sent, chunk);
            if (!line_.Drain(wait::kChunkDrain))
                return k3069TooMuchData;
            if (!line_.Send(bytes))
                return k3069NoLoaderEcho;
            line_.ClearReceived(kEchoCleared);
            line_.Sleep(wait::kAfterChunk);
            const int echoed =
                line_.Read(0, chunk, static_cast<int>(wait::kEchoPerByte * chunk + wait::kEchoExtra));
            if (echoed < static_cast<int>(chunk))
                return k3069NoLoaderEcho;
            for (uint32_t i = 0; i < chunk; ++i)
                if (line_.Received(i) != bytes[i])
                    return k3069WrongLoaderEcho;
            sent += chunk;
            engine_.LoaderProgress = std::min(sent, length);
            if (engine_.Host)
                engine_.Host->LoaderProgress(engine_.LoaderProgress);
            if (line_.Stopped())
                return k3069UserInterrupted;
        }
        return k3069Ok;
    }

    // The port speed of the loader or of the boot program after the bit-rate change.
    int speed() const {
        if (update() && row_.wakeUp)
            return kWakeUpBaud;
        switch (engine_.SpeedIndex) {
        case 0:
            return 38400;
        case 1:
            return engine_.ClockHz > kClockSplit ? 115200 : 128000;
        case 2:
            return 9600;
        default:
            return 0;
        }
    }

    // The bit-rate selection names a rate and an input frequency in the same ratio
    // as the port speed the host then takes: 19200 baud at half the clock for 38400,
    // 38400 at a third of the clock for 115200, 128000 or 9600 at the full clock.
    std::vector<uint8_t> bitRateFrame() const {
        const int64_t clock = engine_.ClockHz;
        uint16_t rate = 0;
        int64_t frequency = 0;
        if (engine_.SpeedIndex == 0) {
            rate = 19200 / 100;
            frequency = (clock + 5000) / 2 / 10000;
        } else if (engine_.SpeedIndex == 2) {
            rate = 9600 / 100;
            frequency = clock / 10000;
        } else if (clock > kClockSplit) {
            rate = 38400 / 100;
            frequency = (clock + 5000) / 3 / 10000;
        } else {
            rate = 128000 / 100;
            frequency = clock / 10000;
        }
        const auto units = static_cast<uint16_t>(frequency);
        return {0x3F,
                0x07,
                static_cast<uint8_t>(rate >> 8),
                static_cast<uint8_t>(rate),
                static_cast<uint8_t>(units >> 8),
                static_cast<uint8_t>(units),
                0x01,
                0x01,
                0x00};
    }

    // The processor's boot program: device, clock mode and bit rate are inquired and
    // selected, then it enters its programming state. The initialise bar counts the
    // steps passed.
    uint32_t bootModeDialogue() {
        engine_.LoaderProgress = 0;
        line_.Command({0x20});
        const std::array<uint8_t, 4> device{line_.Received(4), line_.Received(5), line_.Received(6),
                                            line_.Received(7)};
        if (const uint32_t code = stepPassed())
            return code;
        const int received = line_.Command({0x10, 0x04, device[0], device[1], device[2], device[3]});
        if (received == 0)
            listen(10, wait::kListenRead, 0);
        if (const uint32_t code = expect(LoaderDialogue::kAck, true))
            return code;
        line_.Command({0x21});
        if (const uint32_t code = expect(0x31, true))
            return code;
        line_.Command({0x11, 0x01, 0x00});
        if (const uint32_t code = expect(LoaderDialogue::kAck, false))
            return code;
        line_.Command({0x22});
        if (const uint32_t code = expect(0x32, false))
            return code;
        line_.Command({0x27});
        if (const uint32_t code = expect(0x37, false))
            return code;
        const int rateReply = line_.Command(bitRateFrame());
        if (rateReply < 2 && line_.Received(0) != LoaderDialogue::kAck)
            listen(1, wait::kListenByte, static_cast<size_t>(rateReply));
        if (line_.Received(0) == LoaderDialogue::kAck) {
            if (const int baud = speed())
                line_.SetBaudRate(baud);
            line_.Sleep(wait::kAfterSpeedChange);
        }
        if (const uint32_t code = expect(LoaderDialogue::kAck, true))
            return code;
        line_.Command({LoaderDialogue::kAck});
        if (const uint32_t code = expect(LoaderDialogue::kAck, false))
            return code;
        line_.Command({0x40});
        if (line_.Received(0) != LoaderDialogue::kAck)
            return k3069InitializationError;
        if (engine_.Host)
            engine_.Host->CancelLocked();
        line_.Sleep(wait::kAfterTransition);
        return line_.Stopped() ? k3069UserInterrupted : k3069Ok;
    }

    // Keeps listening for a reply that has not come whole: reads of up to count
    // bytes from offset at, as long as they bring something, for a limited time.
    void listen(size_t count, int timeoutMs, size_t at) {
        for (int round = 0; round < kListenRounds && at < LoaderDialogue::kBufferSize - 1; ++round) {
            const int n = line_.Read(at, count, timeoutMs);
            if (n == 0 && at > 0)
                return;
            at += static_cast<size_t>(n);
            line_.Sleep(wait::kListenPause);
        }
    }

    // The reply of a boot-mode step must begin with the expected byte; the failing
    // reply's error code is shown where the boot program reports one.
    uint32_t expect(uint8_t expected, bool showsError) {
        if (line_.Received(0) != expected) {
            if (showsError && line_.Received(0) == kBootErrorReply)
                line_.Notice(std::to_string(static_cast<int8_t>(line_.Received(1))), "");
            return k3069InitializationError;
        }
        return stepPassed();
    }

    uint32_t stepPassed() {
        engine_.LoaderProgress =
            std::min<uint32_t>(engine_.LoaderProgress + 1, CMassFlash_3069::kBootModeSteps);
        if (engine_.Host)
            engine_.Host->LoaderProgress(engine_.LoaderProgress);
        return line_.Stopped() ? k3069UserInterrupted : k3069Ok;
    }

    // The boot section goes up to the block that holds its last byte that is not
    // erased; a section of erased bytes sends only the selection and the end.
    uint32_t programBootSection() {
        if (!line_.Select(kBootArea))
            return k3069ProgrammingError;
        const uint8_t* boot = engine_.BootImage;
        const auto last = std::find_if(std::make_reverse_iterator(boot + CMassFlash_3069::kBootImageSize),
                                       std::make_reverse_iterator(boot), [](uint8_t b) { return b != 0xFF; });
        const auto used = static_cast<uint32_t>(std::make_reverse_iterator(boot) - last);
        const uint32_t length = (used + kFirmwareBlockData - 1) / kFirmwareBlockData * kFirmwareBlockData;
        if (const uint32_t code = line_.Program(boot, length, ProgramForm::Plain, 0))
            return code;
        return line_.EndOfData(ProgramForm::Plain);
    }

    CMassFlash_3069& engine_;
    const DeviceRow& row_;
    LoaderDialogue line_;
};
} // namespace

CMassFlash_3069::CMassFlash_3069() {
    LoadLoader();
}

int CMassFlash_3069::LoaderNumber() const {
    if (SpeedIndex < 0 || SpeedIndex >= static_cast<int>(kLoaderNumbers.size()))
        return -1;
    return kLoaderNumbers[static_cast<size_t>(SpeedIndex)][ClockHz >= kClockSplit ? 1 : 0];
}

std::string CMassFlash_3069::LoaderFile(int number) {
    static constexpr std::array<const char*, 8> kFiles{
        "h8_3069_loader_fast_below_25mhz.bin",   "h8_3069_loader_unused_1.bin",
        "h8_3069_loader_normal_below_25mhz.bin", "h8_3069_loader_slow_below_25mhz.bin",
        "h8_3069_loader_fast_from_25mhz.bin",    "h8_3069_loader_normal_from_25mhz.bin",
        "h8_3069_loader_slow_from_25mhz.bin",    "h8_3069_loader_unused_7.bin"};
    return number >= 0 && number < static_cast<int>(kFiles.size()) ? kFiles[static_cast<size_t>(number)] : "";
}

bool CMassFlash_3069::LoadLoader() {
    const int number = LoaderNumber();
    if (number < 0)
        return true;
    LoaderLength = kLoaderLength;
    const auto image = ReadLoaderImage(LoaderFile(number), kLoaderLength);
    if (!image)
        return false;
    LoaderImage = *image;
    return true;
}

uint32_t CMassFlash_3069::FlashH8_3069() {
    DataProgress = 0;
    LoaderProgress = 0;
    return RunLoad([this] { return Run(*this).flash(); }, k3069PortFailure);
}

std::string FlashErrorText3069(uint32_t code, uint32_t loaderProgress) {
    if (code >= k3069LoaderMissing && code < k3069LoaderMissing + 8)
        return "ERROR: Loader image " +
               CMassFlash_3069::LoaderFile(static_cast<int>(code - k3069LoaderMissing)) +
               " is missing beside the program or is not 1748 bytes long!";
    switch (code) {
    case 0:
        return "Programming completed successfully!";
    case 1:
        return "ERROR: Couldn't find Kelvo Modem!";
    case 2:
        return "ERROR: Modem didn't reply to 0x55!";
    case 3:
        return "ERROR: No response from the modem!!!\r\nCheck the selected port, the power supply, the "
               "serial "
               "cable and set the modem to the programming mode.";
    case 4:
        return "ERROR: Modem didn't reply to sent loader byte!";
    case 5:
        return "ERROR: Modem didn't reply right to send loader byte!";
    case 6:
        return "ERROR: Modem didn't send erase status byte!";
    case 7:
        return "ERROR: Modem couldn't erase properly!";
    case 8:
        return "ERROR: Loader didn't reply to ENQ!";
    case 9:
        return "ERROR: Loader didn't send CRC!";
    case 10:
        return "ERROR: Loader has wrong CRC!";
    case 11:
        return "ERROR: Hitachi couldn't burn (NAK), tried 50 times!";
    case 12:
        return "ERROR: Hitachi couldn't program (CAN)!";
    case 17:
        return "ERROR: Sum check error";
    case 18:
        return "ERROR: Program size error";
    case 19:
        return "ERROR: Modem start failure";
    case 20:
        return "ERROR: Modem send too much data";
    case 33:
        return "ERROR: Device code mismatch error";
    case 34:
        return "ERROR: Clock mode mismatch error";
    case 36:
        return "ERROR: Bit rate selection error";
    case 37:
        return "ERROR: Input frequency error";
    case 38:
        return "ERROR: Multiplication ratio error";
    case 39:
        return "ERROR: Operation frequency error";
    case 41:
        return "ERROR: Block number error";
    case 42:
        return "ERROR: Address error";
    case 43:
        return "ERROR: Data length error";
    case 48:
        return "ERROR: Couldn't open com port!";
    case 49:
        return "ERROR: Wrong CRC after decrypting! Check file!";
    case 50:
        return "ERROR: Wrong key or file isn't correct!";
    case 51:
        return "ERROR: Not a valid file!";
    case 81:
        return "ERROR: Erasure error";
    case 82:
        return "ERROR: Erasure incompletion error";
    case 83:
        return "ERROR: Programming error";
    case 84:
        return "ERROR: Selection error";
    case 85:
        return "ERROR: Modem software not suitable for this modem type!";
    case 96:
        return "ERROR: No ack after sending user program packet";
    case 97:
        return "ERROR: Modem didn't reply to SLFLASH modem right!";
    case 98:
        return "User interrupted flashing!";
    case 99:
        return "ERROR: Serialport speed change failure !";
    case 100:
        return "ERROR: Data packet (128 bytes) programming failure !";
    case 101:
        return "ERROR: Initialization error ! " + std::to_string(loaderProgress);
    case 113:
        return "ERROR: Board not in plase ! ";
    case 128:
        return "ERROR: Command error";
    case 129:
        return "ERROR: NMS msg not received !\r\nCheck the selected port, the power supply, the serial cable "
               "and "
               "set the modem to the programming mode.";
    case 130:
        return "ERROR: NMS msg crc error !";
    case 131:
        return "ERROR: Wrong modem type for this firmware !";
    case 255:
        return "ERROR: Bit-rate-adjustment confirmation error";
    case 65534:
        return "Port failure!";
    case 65535:
        return "Port not enabled!";
    default:
        return "ERROR: Unknown error occured!";
    }
}
