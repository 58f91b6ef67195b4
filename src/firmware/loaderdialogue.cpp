#include "firmware/loaderdialogue.h"

#include "base/crc16.h"
#include "base/nms_frame.h"
#include "firmware/cmassflash_3069.h"
#include "firmware/firmware_blocks.h"
#include "firmware/flashhost.h"
#include "platform/file_contents.h"
#include "platform/program_files.h"
#include "platform/wait_clock.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {
using std::chrono::milliseconds;

// The waits and time-outs of the dialogue, in milliseconds.
namespace wait {
constexpr int kAfterWakeUp = 15;
constexpr int kPoll = 1;
constexpr int kFirstFrameRest = 5;
constexpr int kBetweenNmsFrames = 150;
constexpr int kSecondFrameRest = 15;
// The NMS reply's bytes are awaited this long at most.
constexpr int kNmsBytes = 1000;
constexpr int kBeforeReply = 500;
constexpr int kReply = 200;
constexpr int kBetweenReplyReads = 50;
constexpr int kAfterLock = 100;
constexpr int kEnqReply = 2;
constexpr int kReplyByte = 10;
constexpr int kAfterReplyByte = 5;
constexpr int kErrorCode = 100;
constexpr int kLoaderCrc = 100;
} // namespace wait

// A wait looks at the port at least this often, so a device that goes during a
// long wait ends the run promptly.
constexpr int kGoneCheckMs = 100;

constexpr int kWakeUpPolls = 1000;
constexpr int kIdentifyAttempts = 2;
constexpr int kMoreReplyReads = 35;
constexpr int kDrainPauses = 20;
constexpr int kEnqTries = 50;
constexpr int kEnqAnsweredInTime = 48;
constexpr int kResendRounds = 10;
constexpr int kBarSteps = 10;
constexpr size_t kReplyBytes = 100;
constexpr size_t kClearedForReply = 100;
// Frame offsets of an NMS reply: the length, and the value of a read reply.
constexpr size_t kNmsLengthAt = 1;
constexpr size_t kNmsValueAt = 15;

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEnq = 0x05;
constexpr uint8_t kEraseStart = 'H';
constexpr uint8_t kEraseBlock = 'X';
constexpr uint8_t kEraseEndBlock = 0xFF;
constexpr uint8_t kUserArea = 'C';
constexpr uint8_t kProgram = 'P';
constexpr uint8_t kProgramError = 0xD0;
constexpr uint8_t kSumCheckError = 0x11;
constexpr uint32_t kEndAddress = 0xFFFFFF;
constexpr uint32_t kHeaderMask = 0x3E7C19A4;

// The NMS read request of a value: sequence 1, the flags and the read command.
std::string nmsReadRequest(uint16_t valueId, uint8_t flags) {
    std::string payload(11, '\0');
    payload[2] = 1;
    payload[7] = static_cast<char>(flags);
    payload[8] = static_cast<char>(NmsCommandGet);
    payload[9] = static_cast<char>(valueId >> 8);
    payload[10] = static_cast<char>(valueId);
    return BuildNmsFrame(payload);
}

// The header of the block that ends a block image: the address 0xFFFFFF masked with
// a random byte, in the byte order of every block header.
std::array<uint8_t, 4> endBlockHeader() {
    static thread_local std::mt19937 random(std::random_device{}());
    const uint32_t masked = ((kEndAddress << 8) | (random() & 0xFF)) ^ kHeaderMask;
    return {static_cast<uint8_t>(masked >> 16), static_cast<uint8_t>(masked >> 24),
            static_cast<uint8_t>(masked), static_cast<uint8_t>(masked >> 8)};
}
} // namespace

LoaderDialogue::LoaderDialogue(const LoaderProfile& profile, const LoaderRunFields& fields)
    : profile_(profile), fields_(fields), clock_(fields.clock ? *fields.clock : SystemWaitClock()),
      port_(clock_) {
    port_.SetGoneQuiet(true);
}

LoaderDialogue::~LoaderDialogue() {
    port_.Close();
}

bool LoaderDialogue::Open(uint32_t port, int baud) {
    return port_.Open(static_cast<int>(port), baud, 8, 0);
}

void LoaderDialogue::Sleep(int ms) {
    int slept = 0;
    do {
        const int step = std::min(kGoneCheckMs, ms - slept);
        clock_.Sleep(milliseconds(step));
        slept += step;
        endIfGone();
    } while (slept < ms);
}

void LoaderDialogue::endIfGone() {
    if (port_.DeviceGone())
        throw LoaderPortGone{};
}

uint32_t LoaderDialogue::WakeUp(size_t readCount, std::string_view answers) {
    if (!Send(std::string_view("SL%P=1")))
        return k3069NoLoaderEcho;
    Sleep(wait::kAfterWakeUp);
    ClearReceived();
    for (int poll = 0; poll < kWakeUpPolls; ++poll) {
        Read(0, readCount, 0);
        Sleep(wait::kPoll);
        if (answers.find(static_cast<char>(rx_[0])) != std::string_view::npos)
            return k3069Ok;
    }
    return k3069NmsNotReceived;
}

// The modem answers the request with two frames: an acknowledgement, which is
// dropped, and the reply that carries the value.
uint32_t LoaderDialogue::CheckFileId(uint16_t valueId, uint8_t flags, const std::string& fileId,
                                     std::string& modemFileId) {
    if (!Send(std::string_view(nmsReadRequest(valueId, flags))))
        return k3069NoLoaderEcho;
    Sleep(wait::kAfterWakeUp);
    ClearReceived();
    int poll = 0;
    for (; poll < kWakeUpPolls && rx_[0] != kStx; ++poll) {
        Read(0, 1, 0);
        Sleep(wait::kPoll);
    }
    if (rx_[0] != kStx || Read(1, 2, wait::kNmsBytes) < 2)
        return k3069NmsNotReceived;
    const size_t firstLength = static_cast<size_t>(rx_[1] << 8 | rx_[2]);
    Sleep(static_cast<int>(firstLength) + wait::kFirstFrameRest);
    if (Read(3, firstLength + 2, wait::kNmsBytes) < static_cast<int>(firstLength + 2))
        return k3069NmsNotReceived;

    Sleep(wait::kBetweenNmsFrames);
    ClearReceived();
    if (Read(0, 3, wait::kNmsBytes) < 3 || rx_[0] != kStx)
        return k3069NmsNotReceived;
    const size_t length = static_cast<size_t>(rx_[kNmsLengthAt] << 8 | rx_[kNmsLengthAt + 1]);
    Sleep(static_cast<int>(length) + wait::kSecondFrameRest);
    if (Read(3, length + 2, wait::kNmsBytes) < static_cast<int>(length + 2))
        return k3069NmsNotReceived;
    const uint8_t* payload = rx_.data() + 3;
    if (Crc16Nibble(0xFFFF, payload, length) != (payload[length] << 8 | payload[length + 1]))
        return k3069NmsCrcError;
    const size_t valueEnd = 3 + length;
    modemFileId.clear();
    for (size_t at = kNmsValueAt; at < valueEnd && rx_[at] != 0; ++at)
        modemFileId += static_cast<char>(rx_[at]);
    return modemFileId.starts_with(fileId) ? k3069Ok : k3069WrongModemType;
}

bool LoaderDialogue::Drain(int pauseMs, int readTimeoutMs) {
    for (int pauses = 0;; ++pauses) {
        if (Read(0, kBufferSize - 1, readTimeoutMs) == 0)
            return true;
        if (pauses == kDrainPauses)
            return false;
        Sleep(pauseMs);
    }
}

std::string LoaderDialogue::Identify(std::string_view command) {
    for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
        Send(command);
        ClearReceived();
        Sleep(wait::kBeforeReply);
        size_t received = static_cast<size_t>(Read(0, kBufferSize - 1, wait::kReply));
        int last = static_cast<int>(received);
        for (int reads = 0; last > 0 && reads < kMoreReplyReads; ++reads) {
            Sleep(wait::kBetweenReplyReads);
            last = Read(received, kBufferSize - 1 - received, wait::kReply);
            received += static_cast<size_t>(last);
        }
        if (received > 0)
            return std::string(reinterpret_cast<const char*>(rx_.data()), received);
    }
    return {};
}

void LoaderDialogue::PassPointOfNoReturn(int baud) {
    if (fields_.host)
        fields_.host->CancelLocked();
    Sleep(wait::kAfterLock);
    ClearReceived();
    if (baud != 0)
        port_.SetBaudRate(baud);
}

void LoaderDialogue::FillInitBar(uint32_t maximum) {
    for (uint32_t step = 1; step <= kBarSteps; ++step) {
        fields_.loaderProgress = step * (maximum / kBarSteps);
        if (fields_.host)
            fields_.host->LoaderProgress(fields_.loaderProgress);
        Sleep(profile_.barStepMs);
    }
}

bool LoaderDialogue::StartLoader() {
    for (int enq = 1; enq <= kEnqTries; ++enq) {
        Send(kEnq);
        if (Read(0, 1, wait::kEnqReply) > 0 && rx_[0] == kAck) {
            if (enq <= kEnqAnsweredInTime)
                return true;
            break;
        }
    }
    if (!profile_.notices.enqFailed.empty())
        Notice(profile_.notices.enqFailed, "");
    return false;
}

uint32_t LoaderDialogue::CheckLoaderCrc(std::span<const uint8_t> loader, uint32_t userInterrupted) {
    if (Read(0, 2, wait::kLoaderCrc) < 2)
        return k3069NoLoaderCrc;
    if (Stopped())
        return userInterrupted;
    const uint16_t crc = Crc16Nibble(0xFFFF, loader.data(), loader.size());
    return (rx_[0] << 8 | rx_[1]) == crc ? k3069Ok : k3069WrongLoaderCrc;
}

std::optional<FlashRange> LoaderDialogue::ImageRange(const uint8_t* image, uint32_t length,
                                                     ProgramForm form) const {
    if (image == nullptr || length == 0)
        return std::nullopt;
    // A plain image is programmed from address 0 on.
    if (form == ProgramForm::Plain)
        return FlashRange{0, length - 1};
    if (length % kFirmwareBlockSize != 0)
        return std::nullopt;
    uint64_t flashSize = 0;
    for (const uint32_t size : profile_.blockSizes)
        flashSize += size;
    FlashRange range{UINT32_MAX, 0};
    for (uint32_t at = 0; at < length; at += kFirmwareBlockSize) {
        const uint8_t* header = image + at;
        const uint32_t address = EncodedBlockAddress(header);
        if (address + kFirmwareBlockData > flashSize)
            return std::nullopt;
        range.lowest = std::min(range.lowest, address);
        range.highest = std::max<uint32_t>(range.highest, address + kFirmwareBlockData - 1);
    }
    return range;
}

uint32_t LoaderDialogue::Erase(uint32_t imageLength) {
    size_t blocks = 0;
    for (uint64_t erased = 0; erased < imageLength && blocks < profile_.blockSizes.size(); ++blocks)
        erased += profile_.blockSizes[blocks];
    return eraseBlocks(0, blocks);
}

uint32_t LoaderDialogue::EraseRange(uint32_t lowest, uint32_t highest) {
    size_t first = 0;
    size_t end = 0;
    for (uint64_t start = 0; end < profile_.blockSizes.size() && start <= highest; ++end) {
        if (start + profile_.blockSizes[end] <= lowest)
            first = end + 1;
        start += profile_.blockSizes[end];
    }
    return eraseBlocks(first, end);
}

// Erases the blocks from first up to end (not included) between the erase start and
// its end.
uint32_t LoaderDialogue::eraseBlocks(size_t first, size_t end) {
    Command({kEraseStart});
    if (rx_[0] != kAck) {
        failed(profile_.notices.eraseStartFailed);
        return k3069EraseError;
    }
    for (size_t block = first; block < end; ++block) {
        Command({kEraseBlock, 0x01, static_cast<uint8_t>(block)});
        if (rx_[0] != kAck) {
            failed(profile_.notices.eraseBlockFailed);
            return k3069EraseError;
        }
    }
    Command({kEraseBlock, 0x01, kEraseEndBlock});
    if (rx_[0] != kAck) {
        failed(profile_.notices.eraseEndFailed);
        return k3069EraseError;
    }
    return k3069Ok;
}

bool LoaderDialogue::Select(uint8_t area) {
    Command({area});
    return rx_[0] == kAck;
}

uint32_t LoaderDialogue::SelectUserArea() {
    if (Select(kUserArea))
        return k3069Ok;
    failed(profile_.notices.selectFailed);
    return k3069ProgrammingError;
}

uint32_t LoaderDialogue::Program(const uint8_t* image, uint32_t length, ProgramForm form,
                                 uint32_t progressStep) {
    const uint32_t step = form == ProgramForm::Plain ? kFirmwareBlockData : kFirmwareBlockSize;
    for (uint32_t offset = 0; offset < length; offset += step) {
        if (const uint32_t code = sendFrame(programFrame(image + offset, offset, length - offset, form))) {
            failed(profile_.notices.programFailed);
            return code;
        }
        if (progressStep != 0) {
            fields_.dataProgress += progressStep;
            if (fields_.host)
                fields_.host->DataProgress(fields_.dataProgress);
        }
    }
    return k3069Ok;
}

// A plain frame carries its offset and 128 bytes; past the image's end it is filled
// with erased bytes, so no frame reads beyond the image.
std::vector<uint8_t> LoaderDialogue::programFrame(const uint8_t* at, uint32_t offset, uint32_t length,
                                                  ProgramForm form) const {
    std::vector<uint8_t> frame{kProgram};
    if (form == ProgramForm::Plain) {
        frame.insert(frame.end(), {static_cast<uint8_t>(offset >> 24), static_cast<uint8_t>(offset >> 16),
                                   static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset)});
        const uint32_t bytes = std::min<uint32_t>(length, kFirmwareBlockData);
        frame.insert(frame.end(), at, at + bytes);
        frame.resize(1 + 4 + kFirmwareBlockData, 0xFF);
    } else {
        frame.insert(frame.end(), at, at + kFirmwareBlockSize);
    }
    return frame;
}

uint32_t LoaderDialogue::EndOfData(ProgramForm form) {
    std::vector<uint8_t> frame{kProgram, 0xFF, 0xFF, 0xFF, 0xFF};
    if (form == ProgramForm::EncodedBlocks) {
        const std::array<uint8_t, 4> header = endBlockHeader();
        std::copy(header.begin(), header.end(), frame.begin() + 1);
    }
    Command(std::move(frame));
    return rx_[0] == kAck ? k3069Ok : k3069PacketFailure;
}

void LoaderDialogue::EndUpdate() {
    Send(kEndOfUpdate);
    Sleep(2);
}

// A frame the loader refuses with a sum check error is sent again, ten times at most.
uint32_t LoaderDialogue::sendFrame(const std::vector<uint8_t>& frame) {
    int received = Command(frame);
    for (int round = 0; round < kResendRounds && rx_[0] == kProgramError; ++round) {
        if (received < 2) {
            Sleep(wait::kPoll);
            while (Read(1, 1, wait::kErrorCode) > 0)
                Sleep(wait::kPoll);
        }
        if (rx_[1] != kSumCheckError)
            break;
        received = Command(frame);
    }
    return rx_[0] == kAck ? k3069Ok : k3069PacketFailure;
}

int LoaderDialogue::Command(std::vector<uint8_t> frame) {
    if (frame.size() > 1)
        AppendSumByte(frame);
    Send(frame);
    ClearReceived(kClearedForReply);
    return ReadReply(kReplyBytes);
}

int LoaderDialogue::ReadReply(size_t n) {
    n = std::min(n, kBufferSize);
    size_t received = 0;
    for (int poll = 0; rx_[0] == 0 && received < n && poll < profile_.replyPolls; ++poll) {
        while (received < n && Read(received, 1, wait::kReplyByte) == 1) {
            ++received;
            Sleep(wait::kAfterReplyByte);
        }
        Sleep(wait::kPoll);
    }
    return static_cast<int>(received);
}

int LoaderDialogue::Read(size_t at, size_t count, int timeoutMs) {
    if (at >= kBufferSize)
        return 0;
    const int n = static_cast<int>(std::min(count, kBufferSize - at));
    char* into = reinterpret_cast<char*>(rx_.data() + at);
    const int received = timeoutMs > 0 ? port_.ReadWithTimeout(into, n, timeoutMs) : port_.Read(into, n);
    if (received < n)
        endIfGone();
    return received;
}

void LoaderDialogue::DrainAll(int pauseMs) {
    while (Read(0, kBufferSize - 1, 0) > 0)
        Sleep(pauseMs);
}

bool LoaderDialogue::Send(std::span<const uint8_t> bytes) {
    const int n = static_cast<int>(bytes.size());
    if (port_.Write(reinterpret_cast<const char*>(bytes.data()), n) == n)
        return true;
    endIfGone();
    return false;
}

bool LoaderDialogue::Send(std::string_view text) {
    return Send(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void LoaderDialogue::ClearReceived(size_t count) {
    std::fill_n(rx_.begin(), std::min(count, kBufferSize), 0);
}

void LoaderDialogue::Notice(const std::string& text, const std::string& caption) {
    if (fields_.host)
        fields_.host->Inform(text, caption);
}

void LoaderDialogue::failed(const std::string& notice) {
    if (!notice.empty())
        Notice(notice, profile_.notices.caption);
}

void LoaderDialogue::AppendSumByte(std::vector<uint8_t>& frame) {
    uint8_t sum = 0;
    for (const uint8_t byte : frame)
        sum = static_cast<uint8_t>(sum + byte);
    frame.push_back(static_cast<uint8_t>(-sum));
}

std::optional<LoaderImageBytes> ReadLoaderImage(const std::string& fileName, size_t length) {
    std::string bytes;
    try {
        bytes = ReadFileContents(ProgramFile(fileName));
    } catch (const EFileReadError&) {
        return std::nullopt;
    }
    LoaderImageBytes image{};
    if (bytes.size() != length || length > image.size())
        return std::nullopt;
    std::memcpy(image.data(), bytes.data(), length);
    return image;
}

std::string PortFailureText(uint32_t port) {
    return port == 0 ? "Port failure!" : "Port failure on COM" + std::to_string(port) + "!";
}
