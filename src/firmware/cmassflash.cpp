#include "firmware/cmassflash.h"

#include "base/crc16.h"
#include "firmware/ccrypt.h"
#include "firmware/flashhost.h"
#include "firmware/loader_text.h"
#include "firmware/loaderdialogue.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

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
constexpr int kBeforeLoaderCrc = 100;
constexpr int kVerdict = 500;
} // namespace wait

constexpr int kOpenBaud = 9600;
constexpr int kFastBaud = 115200;
constexpr int kSlowBaud = 38400;
// Replies are read into a buffer of 1024 bytes, at most 1023 at a time.
constexpr size_t kReplyBytes = 1023;
constexpr int kSlflashMoreReads = 15;
constexpr int kSyncTries = 31;
constexpr uint32_t kLoaderChunk = 32;
constexpr int kRetryLimit = 50;
constexpr size_t kMaxSkipped = 1024;
constexpr size_t kSkipWarning = 512;
constexpr int kMinRecordCount = 3; // two address bytes and the checksum
constexpr std::string_view kMagic = "KelvoFlash";

constexpr uint8_t kSync = 0x00;
constexpr uint8_t kBitRateCheck = 0x55;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCan = 0x18;
constexpr uint8_t kEraseFailed = 0xFF;

// The dialogue holds no erase by blocks and shows no notices of its own.
const LoaderProfile kProfile{.blockSizes = {}, .replyPolls = 0, .barStepMs = 0, .notices = {}};

using Text = std::span<const uint8_t>;

std::optional<uint8_t> hexByte(const uint8_t* at) {
    const int high = HexDigitValue(static_cast<char>(at[0]));
    const int low = HexDigitValue(static_cast<char>(at[1]));
    if (high < 0 || high > 15 || low < 0 || low > 15)
        return std::nullopt;
    return static_cast<uint8_t>(high << 4 | low);
}

// Moves position past the characters before the next 'S', at most kMaxSkipped of
// them, and returns how many were skipped.
size_t skipToRecord(Text text, size_t& position) {
    size_t skipped = 0;
    while (position < text.size() && text[position] != 'S' && skipped < kMaxSkipped)
        ++position, ++skipped;
    return skipped;
}

// A record as the loader takes it: 'S', the type, the count plus one, the address
// and data bytes, and the CRC of all that. The record's own checksum is not sent.
struct Frame {
    std::array<uint8_t, 3 + 255 + 2> bytes{};
    int length = 0;
    char type = 0;
    bool checksumRight = false;
};

// Converts the record at position into the frame and moves position past the
// converted characters (the next search for 'S' skips the checksum digits); false
// when the record is not valid, and when the search for its 'S' gave up first: no
// frame goes out then.
bool convertRecord(Text text, size_t& position, Frame& frame) {
    if (position >= text.size() || text.size() - position < 4 || text[position] != 'S')
        return false;
    frame.type = static_cast<char>(text[position + 1]);
    const std::optional<uint8_t> count = hexByte(&text[position + 2]);
    if (frame.type < '0' || frame.type > '9' || !count || *count < kMinRecordCount)
        return false;
    const size_t bytes = *count - 1u;
    if (text.size() - position - 4 < 2 * bytes)
        return false;
    frame.bytes[0] = 'S';
    frame.bytes[1] = static_cast<uint8_t>(frame.type);
    frame.bytes[2] = static_cast<uint8_t>(*count + 1);
    unsigned sum = *count;
    for (size_t i = 0; i < bytes; ++i) {
        const std::optional<uint8_t> value = hexByte(&text[position + 4 + 2 * i]);
        if (!value)
            return false;
        frame.bytes[3 + i] = *value;
        sum += *value;
    }
    size_t length = 3 + bytes;
    const uint16_t crc = Crc16Nibble(0xFFFF, frame.bytes.data(), length);
    frame.bytes[length++] = static_cast<uint8_t>(crc >> 8);
    frame.bytes[length++] = static_cast<uint8_t>(crc);
    frame.length = static_cast<int>(length);
    position += 4 + 2 * bytes;
    const std::optional<uint8_t> checksum =
        text.size() - position >= 2 ? hexByte(&text[position]) : std::nullopt;
    frame.checksumRight = checksum && ((sum + *checksum) & 0xFF) == 0xFF;
    return true;
}

// Walks the records as the run sends them. A record the run would refuse halfway
// through a load, a wrong checksum, more than the search skips before the next 'S'
// or a text that ends before its S9 record would leave the modem half programmed:
// such a file is refused before the port opens.
bool wholeRecords(Text text) {
    Frame frame;
    for (size_t position = 0;;) {
        skipToRecord(text, position);
        if (!convertRecord(text, position, frame) || !frame.checksumRight)
            return false;
        if (frame.type == '9')
            return true;
    }
}

class Run {
public:
    explicit Run(CMassFlash& engine)
        : engine_(engine), line_(kProfile, {engine.DataProgress, engine.LoaderProgress, engine.StopRequested,
                                            engine.Host, engine.Clock}) {}

    uint32_t flash() {
        if (!engine_.LoadLoader())
            return engine_.HighSpeed ? kFlashFastLoaderMissing : kFlashSlowLoaderMissing;
        if (const uint32_t code = checkFile())
            return code;
        if (!line_.Open(engine_.Port, kOpenBaud))
            return kFlashPortNotOpened;
        return talk();
    }

private:
    uint32_t checkFile() {
        uint8_t* data = engine_.Data;
        const uint32_t length = data ? engine_.DataLength : 0;
        if (!engine_.Encrypted) {
            text_ = Text(data, length);
            return CheckPlainFlashFile(text_);
        }
        DecipherFirmwareFile(std::span(data, length), engine_.Key);
        if (length < kMagic.size() || std::memcmp(data, kMagic.data(), kMagic.size()) != 0)
            return kFlashWrongKey;
        const uint16_t stored = static_cast<uint16_t>(data[length - 2] << 8 | data[length - 1]);
        if (Crc16Nibble(0, data, length - 2) != stored)
            return kFlashFileCrc;
        text_ = Text(data + kMagic.size(), length - 2 - kMagic.size());
        return wholeRecords(text_) ? kFlashOk : kFlashNotValidFile;
    }

    uint32_t talk() {
        line_.Sleep(wait::kAfterOpen);
        if (line_.Stopped())
            return kFlashUserInterrupted;
        line_.DrainAll(wait::kFirstDrain);
        if (engine_.UpdateMode) {
            if (const uint32_t code = askForLoadingMode())
                return code;
        }
        line_.DrainAll(wait::kDrain);
        if (!synchronise())
            return kFlashNoModem;
        if (line_.Stopped())
            return kFlashUserInterrupted;
        line_.Sleep(wait::kAround55);
        line_.Send(kBitRateCheck);
        line_.Sleep(wait::kAround55);
        line_.DrainAll(wait::kDrain);
        if (const uint32_t code = sendLoaderLength())
            return code;
        if (const uint32_t code = uploadLoader())
            return code;
        if (const uint32_t code = checkErase())
            return code;

        if (engine_.Host)
            engine_.Host->CancelLocked();
        line_.Sleep(wait::kBeforeSpeedChange);
        line_.SetBaudRate(engine_.HighSpeed ? kFastBaud : kSlowBaud);
        if (!line_.StartLoader())
            return kFlashNoEnqReply;
        line_.Sleep(wait::kBeforeLoaderCrc);
        if (const uint32_t code = line_.CheckLoaderCrc(loader(), kFlashUserInterrupted))
            return code;
        if (const uint32_t code = sendRecords())
            return code;
        if (engine_.UpdateMode)
            line_.Send(LoaderDialogue::kEndOfUpdate);
        return kFlashOk;
    }

    std::span<const uint8_t> loader() const { return {engine_.LoaderImage.data(), engine_.LoaderLength}; }

    // The running firmware is asked to restart into its loader.
    uint32_t askForLoadingMode() {
        line_.Send(std::string_view("SLFLASH"));
        line_.ClearReceived();
        line_.Sleep(wait::kBeforeSlflashReply);
        size_t received = static_cast<size_t>(line_.Read(0, kReplyBytes, wait::kSlflashReply));
        int last = static_cast<int>(received);
        for (int reads = 0; last > 0 && reads < kSlflashMoreReads; ++reads) {
            line_.Sleep(wait::kBetweenSlflashReads);
            last = line_.Read(received, kReplyBytes - received, wait::kSlflashMore);
            received += static_cast<size_t>(last);
        }
        std::string reply;
        for (size_t at = 0; at < received; ++at)
            reply += static_cast<char>(line_.Received(at));
        if (reply.find("H3069 OK") != std::string::npos)
            return kFlashWrongModemType;
        if (!reply.empty() && reply.find("FLASH OK") == std::string::npos && !continueAnyway())
            return kFlashSlflashRefused;
        line_.Sleep(wait::kAfterSlflash);
        return kFlashOk;
    }

    // A question asked after a stop request is answered No at once.
    bool continueAnyway() {
        if (line_.Stopped() || engine_.Host == nullptr)
            return false;
        return engine_.Host->AskYesNo("But if leds are in order"
                                      "\r\nRTS CTS    TD         RD          CD"
                                      "\r\nRED NONE GREEN ORANGE RED\r\nYou may try to continue"
                                      "\r\n\r\nContinue anyway ?",
                                      "FLASH ERROR !!");
    }

    bool synchronise() {
        for (int tries = 0; tries < kSyncTries; ++tries) {
            line_.Send(kSync);
            if (line_.Read(0, 1, wait::kSyncReply) > 0)
                return true;
        }
        return false;
    }

    uint32_t sendLoaderLength() {
        const uint8_t high = static_cast<uint8_t>(engine_.LoaderLength >> 8);
        line_.Send(high);
        if (line_.Read(0, kReplyBytes, wait::kLengthEcho) == 0 || line_.Received(0) != high)
            return kFlashNoResponse;
        const uint8_t low = static_cast<uint8_t>(engine_.LoaderLength);
        line_.Send(low);
        if (line_.Read(0, 1, wait::kLengthEcho) == 0 || line_.Received(0) != low)
            return kFlashNoResponse;
        return line_.Stopped() ? kFlashUserInterrupted : kFlashOk;
    }

    // The boot ROM echoes every loader byte.
    uint32_t uploadLoader() {
        const uint32_t length = engine_.LoaderLength;
        for (uint32_t sent = 0; sent < length;) {
            const uint32_t chunk = std::min(kLoaderChunk, length - sent);
            const std::span<const uint8_t> bytes(engine_.LoaderImage.data() + sent, chunk);
            line_.DrainAll(wait::kDrain);
            if (!line_.Send(bytes))
                return kFlashNoLoaderEcho;
            line_.Sleep(wait::kAfterLoaderChunk);
            const int timeout = static_cast<int>(chunk) * wait::kLoaderEchoPerByte + wait::kLoaderEchoExtra;
            if (line_.Read(0, chunk, timeout) < static_cast<int>(chunk))
                return kFlashNoLoaderEcho;
            for (uint32_t i = 0; i < chunk; ++i)
                if (line_.Received(i) != bytes[i])
                    return kFlashWrongLoaderEcho;
            sent += chunk;
            engine_.LoaderProgress = std::min(length, sent);
            if (engine_.Host)
                engine_.Host->LoaderProgress(engine_.LoaderProgress);
            if (line_.Stopped())
                return kFlashUserInterrupted;
        }
        return kFlashOk;
    }

    uint32_t checkErase() {
        if (line_.Read(0, 5, wait::kEraseStatus) == 0)
            return kFlashNoEraseStatus;
        return line_.Received(0) == kEraseFailed ? kFlashEraseFailed : kFlashOk;
    }

    // Sends the records up to the S9 record that ends the load; the text was checked
    // whole before the port opened.
    uint32_t sendRecords() {
        Frame frame;
        size_t position = 0;
        do {
            if (skipToRecord(text_, position) > kSkipWarning && engine_.Host)
                engine_.Host->Inform("debug version error: Not a valid S-file, couldn't find 'S'", "");
            if (!convertRecord(text_, position, frame))
                return kFlashNotValidFile;
            engine_.DataProgress = static_cast<uint32_t>(position);
            if (engine_.Host)
                engine_.Host->DataProgress(engine_.DataProgress);
            if (line_.Stopped())
                return kFlashUserInterrupted;
            if (const uint32_t code = sendFrame(frame))
                return code;
        } while (frame.type != '9');
        return kFlashOk;
    }

    // Sends the frame until the loader acknowledges it (result 0). Every answer that is not an
    // ACK counts against the retry limit, so a noisy line cannot hold the run.
    uint32_t sendFrame(const Frame& frame) {
        const std::span<const uint8_t> bytes(frame.bytes.data(), static_cast<size_t>(frame.length));
        for (int failures = 0;; ++failures) {
            line_.DrainAll(wait::kDrain);
            line_.Send(bytes);
            const std::optional<uint8_t> verdict = readVerdict();
            if (verdict == LoaderDialogue::kAck)
                return kFlashOk;
            if (verdict == kCan)
                return kFlashCan;
            if (failures > kRetryLimit)
                return verdict == kNak ? kFlashNak : kFlashNoAck;
            if (line_.Stopped())
                return kFlashUserInterrupted;
        }
    }

    // The loader may put "e", "B" or "BE" before its verdict byte.
    std::optional<uint8_t> readVerdict() {
        if (line_.Read(0, 1, wait::kVerdict) == 0)
            return std::nullopt;
        uint8_t verdict = line_.Received(0);
        if (verdict == 'e' || verdict == 'B') {
            if (line_.Read(0, 1, wait::kVerdict) > 0) {
                verdict = line_.Received(0);
                if (verdict == 'E' && line_.Read(0, 1, wait::kVerdict) > 0)
                    verdict = line_.Received(0);
            }
        }
        return verdict;
    }

    CMassFlash& engine_;
    LoaderDialogue line_;
    // The record text: the file, or the deciphered file between its magic and its CRC.
    Text text_;
};
} // namespace

uint32_t CheckPlainFlashFile(std::span<const uint8_t> data) {
    if (data.size() < 2 || data[0] != 'S' || data[1] != '0')
        return kFlashNotValidFile;
    return wholeRecords(data) ? kFlashOk : kFlashNotValidFile;
}

bool CMassFlash::LoadLoader() {
    LoaderLength = kLoaderLength;
    const auto image = ReadLoaderImage(HighSpeed ? kFastLoaderFile : kSlowLoaderFile, kLoaderLength);
    if (!image)
        return false;
    LoaderImage = *image;
    return true;
}

uint32_t CMassFlash::FlashH8_3048() {
    DataProgress = 0;
    LoaderProgress = 0;
    return RunLoad([this] { return Run(*this).flash(); }, kFlashPortFailure);
}

std::string FlashErrorText(uint32_t code, uint32_t port) {
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
    case kFlashPortFailure:
        return PortFailureText(port);
    case kFlashPortNotEnabled:
        return "Port not enabled!";
    default:
        return "ERROR: Unknown error occured!";
    }
}
