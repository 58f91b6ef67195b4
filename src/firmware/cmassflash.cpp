#include "firmware/cmassflash.h"

#include "base/crc16.h"
#include "firmware/ccrypt.h"
#include "firmware/flashhost.h"
#include "firmware/loader_text.h"
#include "platform/program_files.h"
#include "serial/cdirectserial.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>
#include <thread>

namespace {
using std::chrono::milliseconds;

// The waits and time-outs of the dialogue, in milliseconds.
namespace wait {
constexpr int kAfterOpen = 1600;
constexpr int kFirstDrain = 5;
constexpr int kDrain = 10;
constexpr int kBeforeSlflashReply = 500;
constexpr int kSlflashReply = 300;
constexpr int kBetweenSlflashReads = 50;
constexpr int kSlflashMore = 200;
constexpr int kAfterSlflash = 50;
constexpr int kSyncReply = 20;
constexpr int kAround55 = 100;
constexpr int kLengthEcho = 50;
constexpr int kAfterLoaderChunk = 45;
constexpr int kLoaderEchoPerByte = 100;
constexpr int kLoaderEchoExtra = 150;
constexpr int kEraseStatus = 500;
constexpr int kBeforeSpeedChange = 20;
constexpr int kEnqReply = 2;
constexpr int kBeforeLoaderCrc = 100;
constexpr int kLoaderCrc = 100;
constexpr int kVerdict = 500;
} // namespace wait

constexpr int kOpenBaud = 9600;
constexpr int kFastBaud = 115200;
constexpr int kSlowBaud = 38400;
constexpr int kBufferSize = 1024;
constexpr int kSlflashMoreReads = 15;
constexpr int kSyncTries = 31;
constexpr int kLoaderChunk = 32;
constexpr int kEnqTries = 50;
constexpr int kEnqAnsweredInTime = 48;
constexpr int kRetryLimit = 50;
constexpr size_t kMaxSkipped = 1024;
constexpr size_t kSkipWarning = 512;
constexpr int kMinRecordCount = 3; // two address bytes and the checksum
constexpr std::string_view kMagic = "KelvoFlash";

constexpr uint8_t kSync = 0x00;
constexpr uint8_t kBitRateCheck = 0x55;
constexpr uint8_t kEnq = 0x05;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCan = 0x18;
constexpr uint8_t kEraseFailed = 0xFF;
constexpr uint8_t kEndOfUpdate = 0xFE;

void sleepMs(int ms) {
    std::this_thread::sleep_for(milliseconds(ms));
}

std::optional<uint8_t> hexByte(const uint8_t* at) {
    const int high = HexDigitValue(static_cast<char>(at[0]));
    const int low = HexDigitValue(static_cast<char>(at[1]));
    if (high < 0 || high > 15 || low < 0 || low > 15)
        return std::nullopt;
    return static_cast<uint8_t>(high << 4 | low);
}

class Run {
public:
    explicit Run(CMassFlash& engine) : engine_(engine) {}

    uint32_t flash() {
        if (!engine_.LoadLoader())
            return engine_.HighSpeed ? kFlashFastLoaderMissing : kFlashSlowLoaderMissing;
        if (const uint32_t code = checkFile())
            return code;
        if (!port_.Open(static_cast<int>(engine_.Port), kOpenBaud, 8, 0)) {
            port_.Close();
            return kFlashPortNotOpened;
        }
        const uint32_t code = talk();
        port_.Close();
        return code;
    }

private:
    bool stopped() const { return engine_.StopRequested != 0; }

    uint32_t checkFile() {
        const uint8_t* data = engine_.Data;
        const uint32_t length = data ? engine_.DataLength : 0;
        if (engine_.Encrypted) {
            DecipherFirmwareFile(std::span(engine_.Data, length), engine_.Key);
            if (length < kMagic.size() || std::memcmp(data, kMagic.data(), kMagic.size()) != 0)
                return kFlashWrongKey;
            const uint16_t stored = static_cast<uint16_t>(data[length - 2] << 8 | data[length - 1]);
            if (Crc16Nibble(0, data, length - 2) != stored)
                return kFlashFileCrc;
            textBegin_ = kMagic.size();
            textEnd_ = length - 2;
            return kFlashOk;
        }
        if (length < 2 || data[0] != 'S' || data[1] != '0')
            return kFlashNotValidFile;
        textBegin_ = 0;
        textEnd_ = length;
        return kFlashOk;
    }

    uint32_t talk() {
        sleepMs(wait::kAfterOpen);
        if (stopped())
            return kFlashUserInterrupted;
        drain(wait::kFirstDrain);
        if (engine_.UpdateMode) {
            if (const uint32_t code = askForLoadingMode())
                return code;
        }
        drain(wait::kDrain);
        if (!synchronise())
            return kFlashNoModem;
        if (stopped())
            return kFlashUserInterrupted;
        sleepMs(wait::kAround55);
        send(kBitRateCheck);
        sleepMs(wait::kAround55);
        drain(wait::kDrain);
        if (const uint32_t code = sendLoaderLength())
            return code;
        const uint16_t loaderCrc = Crc16Nibble(0xFFFF, engine_.LoaderImage.data(), engine_.LoaderLength);
        if (const uint32_t code = uploadLoader())
            return code;
        if (const uint32_t code = checkErase())
            return code;

        if (engine_.Host)
            engine_.Host->CancelLocked();
        sleepMs(wait::kBeforeSpeedChange);
        port_.SetBaudRate(engine_.HighSpeed ? kFastBaud : kSlowBaud);
        if (!startLoader())
            return kFlashNoEnqReply;
        sleepMs(wait::kBeforeLoaderCrc);
        if (read(2, wait::kLoaderCrc) < 2)
            return kFlashNoLoaderCrc;
        if (stopped())
            return kFlashUserInterrupted;
        if ((rx_[0] << 8 | rx_[1]) != loaderCrc)
            return kFlashWrongLoaderCrc;
        if (const uint32_t code = sendRecords())
            return code;
        if (engine_.UpdateMode)
            send(kEndOfUpdate);
        return kFlashOk;
    }

    // The running firmware is asked to restart into its loader.
    uint32_t askForLoadingMode() {
        static constexpr char command[] = "SLFLASH";
        port_.Write(command, sizeof command - 1);
        sleepMs(wait::kBeforeSlflashReply);
        int received = read(kBufferSize - 1, wait::kSlflashReply);
        int last = received;
        for (int reads = 0; last > 0 && reads < kSlflashMoreReads; ++reads) {
            sleepMs(wait::kBetweenSlflashReads);
            last = port_.ReadWithTimeout(reinterpret_cast<char*>(rx_.data()) + received,
                                         kBufferSize - 1 - received, wait::kSlflashMore);
            received += last;
        }
        const std::string_view reply(reinterpret_cast<const char*>(rx_.data()),
                                     static_cast<size_t>(received));
        if (!reply.empty() && reply.find("H3069 OK") != std::string_view::npos)
            return kFlashWrongModemType;
        if (!reply.empty() && reply.find("FLASH OK") == std::string_view::npos && !continueAnyway())
            return kFlashSlflashRefused;
        sleepMs(wait::kAfterSlflash);
        return kFlashOk;
    }

    // A question asked after a stop request is answered No at once.
    bool continueAnyway() {
        if (stopped() || engine_.Host == nullptr)
            return false;
        return engine_.Host->AskYesNo("But if leds are in order"
                                      "\r\nRTS CTS    TD         RD          CD"
                                      "\r\nRED NONE GREEN ORANGE RED\r\nYou may try to continue"
                                      "\r\n\r\nContinue anyway ?",
                                      "FLASH ERROR !!");
    }

    bool synchronise() {
        for (int tries = 0; tries < kSyncTries; ++tries) {
            send(kSync);
            if (read(1, wait::kSyncReply) > 0)
                return true;
        }
        return false;
    }

    uint32_t sendLoaderLength() {
        const uint8_t high = static_cast<uint8_t>(engine_.LoaderLength >> 8);
        send(high);
        if (read(kBufferSize - 1, wait::kLengthEcho) == 0 || rx_[0] != high)
            return kFlashNoResponse;
        const uint8_t low = static_cast<uint8_t>(engine_.LoaderLength);
        send(low);
        if (read(1, wait::kLengthEcho) == 0 || rx_[0] != low)
            return kFlashNoResponse;
        return stopped() ? kFlashUserInterrupted : kFlashOk;
    }

    // The boot ROM echoes every loader byte.
    uint32_t uploadLoader() {
        const uint32_t length = engine_.LoaderLength;
        for (uint32_t sent = 0; sent < length;) {
            const int chunk = static_cast<int>(std::min<uint32_t>(kLoaderChunk, length - sent));
            const char* bytes = reinterpret_cast<const char*>(engine_.LoaderImage.data()) + sent;
            drain(wait::kDrain);
            if (port_.Write(bytes, chunk) < chunk)
                return kFlashNoLoaderEcho;
            sleepMs(wait::kAfterLoaderChunk);
            if (read(chunk, chunk * wait::kLoaderEchoPerByte + wait::kLoaderEchoExtra) < chunk)
                return kFlashNoLoaderEcho;
            if (std::memcmp(rx_.data(), bytes, static_cast<size_t>(chunk)) != 0)
                return kFlashWrongLoaderEcho;
            sent += static_cast<uint32_t>(chunk);
            engine_.LoaderProgress = std::min(length, sent);
            if (engine_.Host)
                engine_.Host->LoaderProgress(engine_.LoaderProgress);
            if (stopped())
                return kFlashUserInterrupted;
        }
        return kFlashOk;
    }

    uint32_t checkErase() {
        if (read(5, wait::kEraseStatus) == 0)
            return kFlashNoEraseStatus;
        return rx_[0] == kEraseFailed ? kFlashEraseFailed : kFlashOk;
    }

    // The loader answers ENQ with ACK once it runs at the new speed.
    bool startLoader() {
        for (int enq = 1; enq <= kEnqTries; ++enq) {
            send(kEnq);
            if (read(1, wait::kEnqReply) > 0 && rx_[0] == kAck)
                return enq <= kEnqAnsweredInTime;
        }
        return false;
    }

    uint32_t sendRecords() {
        size_t position = textBegin_;
        while (true) {
            size_t skipped = 0;
            while (position < textEnd_ && engine_.Data[position] != 'S' && skipped < kMaxSkipped)
                ++position, ++skipped;
            if (skipped > kSkipWarning && engine_.Host)
                engine_.Host->Inform("debug version error: Not a valid S-file, couldn't find 'S'", "");
            const bool found = position < textEnd_ && engine_.Data[position] == 'S';
            // Without a record one more verdict is awaited with nothing sent.
            char type = 0;
            frameLength_ = 0;
            if (found && !buildFrame(position, type))
                return kFlashNotValidFile;
            engine_.DataProgress = static_cast<uint32_t>(position - textBegin_);
            if (engine_.Host)
                engine_.Host->DataProgress(engine_.DataProgress);
            if (stopped())
                return kFlashUserInterrupted;
            if (const uint32_t code = sendFrame())
                return code;
            if (!found || type == '9')
                return kFlashOk;
        }
    }

    // Converts the record at position into a frame: 'S', the type, the count plus
    // one, the address and data bytes, and the CRC of all that. The record's own
    // checksum is not sent. Moves position past the converted characters.
    bool buildFrame(size_t& position, char& type) {
        const uint8_t* text = engine_.Data;
        if (textEnd_ - position < 4)
            return false;
        type = static_cast<char>(text[position + 1]);
        const std::optional<uint8_t> count = hexByte(text + position + 2);
        if (type < '0' || type > '9' || !count || *count < kMinRecordCount)
            return false;
        const size_t bytes = *count - 1u;
        if (textEnd_ - position - 4 < 2 * bytes)
            return false;
        frame_[0] = 'S';
        frame_[1] = static_cast<uint8_t>(type);
        frame_[2] = static_cast<uint8_t>(*count + 1);
        for (size_t i = 0; i < bytes; ++i) {
            const std::optional<uint8_t> value = hexByte(text + position + 4 + 2 * i);
            if (!value)
                return false;
            frame_[3 + i] = *value;
        }
        size_t length = 3 + bytes;
        const uint16_t crc = Crc16Nibble(0xFFFF, frame_.data(), length);
        frame_[length++] = static_cast<uint8_t>(crc >> 8);
        frame_[length++] = static_cast<uint8_t>(crc);
        frameLength_ = static_cast<int>(length);
        position += 4 + 2 * bytes;
        return true;
    }

    // Sends the frame until the loader acknowledges it (result 0). Every answer that is not an
    // ACK counts against the retry limit, so a noisy line cannot hold the run.
    uint32_t sendFrame() {
        for (int failures = 0;; ++failures) {
            drain(wait::kDrain);
            if (frameLength_ > 0)
                port_.Write(reinterpret_cast<const char*>(frame_.data()), frameLength_);
            const std::optional<uint8_t> verdict = readVerdict();
            if (verdict == kAck)
                return kFlashOk;
            if (verdict == kCan)
                return kFlashCan;
            if (failures > kRetryLimit)
                return verdict == kNak ? kFlashNak : kFlashNoAck;
            if (stopped())
                return kFlashUserInterrupted;
        }
    }

    // The loader may put "e", "B" or "BE" before its verdict byte.
    std::optional<uint8_t> readVerdict() {
        if (read(1, wait::kVerdict) == 0)
            return std::nullopt;
        uint8_t verdict = rx_[0];
        if (verdict == 'e' || verdict == 'B') {
            if (read(1, wait::kVerdict) > 0) {
                verdict = rx_[0];
                if (verdict == 'E' && read(1, wait::kVerdict) > 0)
                    verdict = rx_[0];
            }
        }
        return verdict;
    }

    void send(uint8_t byte) {
        const char c = static_cast<char>(byte);
        port_.Write(&c, 1);
    }

    int read(int count, int timeoutMs) {
        return port_.ReadWithTimeout(reinterpret_cast<char*>(rx_.data()), count, timeoutMs);
    }

    // Reads whatever waits, and again after a pause as long as anything came.
    void drain(int pauseMs) {
        while (port_.Read(reinterpret_cast<char*>(rx_.data()), kBufferSize - 1) > 0)
            sleepMs(pauseMs);
    }

    CMassFlash& engine_;
    CDirectSerial port_;
    std::array<uint8_t, kBufferSize> rx_{};
    std::array<uint8_t, kBufferSize> frame_{};
    int frameLength_ = 0;
    size_t textBegin_ = 0;
    size_t textEnd_ = 0;
};
} // namespace

bool CMassFlash::LoadLoader() {
    LoaderLength = kLoaderLength;
    std::ifstream file(ProgramFile(HighSpeed ? kFastLoaderFile : kSlowLoaderFile), std::ios::binary);
    file.read(reinterpret_cast<char*>(LoaderImage.data()), LoaderImage.size());
    return file.gcount() == static_cast<std::streamsize>(kLoaderLength);
}

uint32_t CMassFlash::FlashH8_3048() {
    DataProgress = 0;
    LoaderProgress = 0;
    return Run(*this).flash();
}

std::string FlashErrorText(uint32_t code) {
    switch (code) {
    case kFlashOk:
        return "Programming completed succesfully!";
    case kFlashNoModem:
        return "ERROR: Couldn't find Kelvo Modem!";
    case kFlashNoReplyTo55:
        return "ERROR: Modem didn't reply to 0x55!";
    case kFlashNoResponse:
        return "ERROR: No response from the modem!!!\r\nCheck the selected port, the power supply, the "
               "serial cable "
               "and set the modem to the programming mode.";
    case kFlashNoLoaderEcho:
        return "ERROR: Modem didn't reply to sent loader byte!";
    case kFlashWrongLoaderEcho:
        return "ERROR: Modem didn't reply right to send loader byte!";
    case kFlashNoEraseStatus:
        return "ERROR: Modem didn't send erase status byte!";
    case kFlashEraseFailed:
        return "ERROR: Modem couldn't erase properly!";
    case kFlashNoEnqReply:
        return "ERROR: Loader didn't reply to ENQ!";
    case kFlashNoLoaderCrc:
        return "ERROR: Loader didn't send CRC!";
    case kFlashWrongLoaderCrc:
        return "ERROR: Loader has wrong CRC!";
    case kFlashNak:
        return "ERROR: Hitachi couldn't burn (NAK), tried 50 times!";
    case kFlashCan:
        return "ERROR: Hitachi couldn't program (CAN)!";
    case kFlashPortNotOpened:
        return "ERROR: Couldn't open com port!";
    case kFlashFileCrc:
        return "ERROR: Wrong CRC after decrypting! Check file!";
    case kFlashWrongKey:
        return "ERROR: Wrong key or file isn't correct!";
    case kFlashNotValidFile:
        return "ERROR: Not a valid file!";
    case kFlashFastLoaderMissing:
        return std::string("ERROR: Loader image ") + CMassFlash::kFastLoaderFile +
               " is missing beside the program or is not 1436 bytes long!";
    case kFlashSlowLoaderMissing:
        return std::string("ERROR: Loader image ") + CMassFlash::kSlowLoaderFile +
               " is missing beside the program or is not 1436 bytes long!";
    case kFlashNoAck:
        return "ERROR: No ack after sending user program packet";
    case kFlashSlflashRefused:
        return "ERROR: Modem didn't reply to SLFLASH modem right!";
    case kFlashUserInterrupted:
        return "User interrupted flashing!";
    case kFlashWrongModemType:
        return "ERROR: Modem software not suitable for this modem type!";
    case kFlashPortNotEnabled:
        return "Port not enabled!";
    default:
        return "ERROR: Unknown error occured!";
    }
}
