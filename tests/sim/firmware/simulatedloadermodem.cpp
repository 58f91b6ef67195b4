#include "sim/firmware/simulatedloadermodem.h"

#include "firmware/firmware_blocks.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr size_t kMemorySize = 0x100000;
constexpr size_t kBootMemorySize = 8192;
constexpr size_t kPlainFrame = 1 + 4 + 128 + 1;
constexpr size_t kEndFrame = 1 + 4 + 1;
constexpr uint32_t kHeaderMask = 0x3E7C19A4;
constexpr uint32_t kEndAddress = 0xFFFFFF;

constexpr char kAck = 0x06;
constexpr uint8_t kEnq = 0x05;
constexpr uint8_t kEndOfUpdate = 0xFE;
const std::string kDeviceCode = "3069";
const std::string kSumError("\xD0\x11", 2);
const std::string kOtherError("\xD0\x2A", 2);

const std::vector<uint32_t> kH8Blocks{4096,  4096,  4096,  4096,  4096,  4096,  4096,  4096,
                                      32768, 65536, 65536, 65536, 65536, 65536, 65536, 65536};

bool sumIsZero(const std::vector<uint8_t>& frame) {
    uint8_t sum = 0;
    for (const uint8_t byte : frame)
        sum = static_cast<uint8_t>(sum + byte);
    return sum == 0;
}

// A boot program's reply: the bytes and their sum byte.
std::string withSum(std::string reply) {
    uint8_t sum = 0;
    for (const char c : reply)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(c));
    return reply + static_cast<char>(-sum);
}

// The address of an encoded block header (bytes 2, 3, 0, 1 of the masked word).
uint32_t encodedAddress(const uint8_t* header) {
    const uint32_t masked =
        static_cast<uint32_t>(header[1] << 24 | header[0] << 16 | header[3] << 8 | header[2]);
    return (masked ^ kHeaderMask) >> 8;
}

uint32_t bigEndian(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3]);
}
} // namespace

SimulatedLoaderModem::Model SimulatedLoaderModem::UpdateRow(uint32_t row) {
    static const char* const kIds[] = {"H3069 OK",   "H7QVNMS+",   "H8OEM OK",    "H8_YAX11",   "H8_YAX12",
                                       "H8_YAX13",   "H8_YAX14",   "H8_YAX15",    "H8_PU13",    "H8_DWX5",
                                       "H8_MIVO35W", "H8_VEDN35W", "H8_869_PU13", "H8_YRF0016", "K10_YRF0017",
                                       "H8_YAX99",   "K10_YRF0099"};
    Model model;
    model.idReply = std::string("\r\n") + kIds[row] + "\r\n";
    model.uploadsLoader = row <= 1;
    model.encodedBlocks = row >= 2;
    model.loaderBaud = row == 14 || row == 16 ? 115200 : 38400;
    model.wakeUpAnswer = row == 14 || row == 16 ? "OK\r\n" : "";
    model.firmwareId = "FW-3069-A";
    model.blockSizes = kH8Blocks;
    return model;
}

SimulatedLoaderModem::Model SimulatedLoaderModem::BootMode() {
    Model model;
    model.updateMode = false;
    model.blockSizes = kH8Blocks;
    return model;
}

SimulatedLoaderModem::Model SimulatedLoaderModem::K10Module() {
    Model model;
    model.idReply = "\r\nH8_YAX22 OK\r\n";
    model.wakeUpAnswer = ">";
    model.firmwareIdValue = 0x94C7;
    model.firmwareId = "KZ-K10-B";
    model.encodedBlocks = true;
    model.loaderBaud = 38400;
    model.blockSizes.assign(8, 4096);
    model.blockSizes.push_back(32768);
    model.blockSizes.insert(model.blockSizes.end(), 15, 65536);
    return model;
}

SimulatedLoaderModem::SimulatedLoaderModem(int comNumber, Model model_)
    : model(std::move(model_)), state_(model.updateMode ? State::Application : State::Sync),
      memory_(kMemorySize, 0xFF), bootMemory_(kBootMemorySize, 0xFF), port_(comNumber) {
    port_.SetDsr(true);
    nms_.SetValue(model.firmwareIdValue, model.firmwareId + '\0');
}

SimulatedLoaderModem::~SimulatedLoaderModem() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void SimulatedLoaderModem::Pump() {
    AnswerWhatArrived(port_, *this);
    if (faults.chatterTurns > 0) {
        --faults.chatterTurns;
        port_.Write("x");
    }
}

void SimulatedLoaderModem::Serve(bool paced) {
    port_.SetPacing(paced);
    thread_ = std::thread([this] { AnswerOnPort(port_, stop_, *this); });
}

std::string SimulatedLoaderModem::Receive(std::string_view bytes, uint32_t baud) {
    std::lock_guard lock(mutex_);
    std::string out;
    for (const char c : bytes)
        receiveByte(static_cast<uint8_t>(c), baud, out);
    return out;
}

void SimulatedLoaderModem::receiveByte(uint8_t byte, uint32_t baud, std::string& out) {
    switch (state_) {
    case State::Application:
        application(byte, out);
        break;
    case State::Sync:
        if (byte == 0x00 && ++zeros_ >= faults.zerosBeforeSync && faults.zerosBeforeSync > 0) {
            out += static_cast<char>(faults.syncAnswer);
            if (faults.syncAnswer == 0x00)
                state_ = State::BitRate;
        }
        break;
    case State::BitRate:
        if (byte == 0x55) {
            out += static_cast<char>(faults.bitRateAnswer.value_or(model.updateMode ? 0xAA : 0xE6));
            state_ = model.updateMode ? State::Upload : State::Boot;
        }
        break;
    case State::Upload:
        if (upload_.Receive(byte, {faults.wrongLengthEcho, faults.wrongLoaderEchoAt}, out))
            state_ = State::LoaderStart;
        break;
    case State::LoaderStart:
        // The loader runs at its own speed: bytes sent at another rate are lost.
        if (byte == kEnq && baud == model.loaderBaud && enqs_++ >= faults.enqsIgnored) {
            out += model.uploadsLoader ? upload_.CrcAnswer(faults.wrongLoaderCrc) : std::string(1, kAck);
            state_ = State::Commands;
        }
        break;
    case State::Boot:
        bootCommand(byte, baud, out);
        break;
    case State::Commands:
        loaderCommand(byte, out);
        break;
    case State::Done:
        break;
    }
}

// The application takes text commands and NMS requests.
void SimulatedLoaderModem::application(uint8_t byte, std::string& out) {
    text_ += static_cast<char>(byte);
    nms_.SetFault(faults.nmsBadCrc ? NmsModemSim::Fault::BadCrc : NmsModemSim::Fault::None);
    for (const std::string& chunk : nms_.Receive(std::string(1, static_cast<char>(byte))))
        if (!faults.nmsSilent)
            out += chunk;
    if (text_.ends_with("SL%P=1")) {
        out += model.wakeUpAnswer;
        text_.clear();
    } else if (text_.ends_with("SLFLASH") || text_.ends_with("SLFLOEM")) {
        text_.clear();
        if (++idAttempts_ <= faults.silentIdAttempts)
            return;
        out += model.idReply;
        state_ = model.uploadsLoader ? State::Sync : State::LoaderStart;
    }
}

size_t SimulatedLoaderModem::bootFrameLength() const {
    switch (frame_[0]) {
    case 0x10:
        return 7;
    case 0x11:
        return 4;
    case 0x3F:
        return 10;
    default:
        return 1;
    }
}

// The boot program's dialogue; after the bit-rate selection it hears only bytes
// sent at the rate it has set up.
void SimulatedLoaderModem::bootCommand(uint8_t byte, uint32_t baud, std::string& out) {
    if (!bitRateFrame_.empty() && std::abs(static_cast<double>(baud) / bootBaud() - 1) > 0.02)
        return;
    frame_.push_back(byte);
    if (frame_.size() < bootFrameLength())
        return;
    ++bootStep_;
    if (faults.bootStepRefused == bootStep_)
        out += "\xBF\xEE";
    else
        bootReply(out);
    frame_.clear();
}

void SimulatedLoaderModem::bootReply(std::string& out) {
    switch (frame_[0]) {
    case 0x20:
        out += withSum(std::string("\x30\x06\x01\x04", 4) + kDeviceCode);
        break;
    case 0x10:
        out += sumIsZero(frame_) && std::string(frame_.begin() + 2, frame_.begin() + 6) == kDeviceCode
                   ? std::string(1, kAck)
                   : std::string("\x90\x21", 2);
        break;
    case 0x21:
        out += withSum(std::string("\x31\x02\x01\x00", 4));
        break;
    case 0x22:
        out += withSum(std::string("\x32\x03\x01\x01\x04", 5));
        break;
    case 0x27:
        out += withSum(std::string("\x37\x01\x80", 3));
        break;
    case 0x3F:
        bitRateFrame_ = frame_;
        out += kAck;
        break;
    case 0x40:
        out += kAck;
        state_ = State::Commands;
        break;
    default:
        out += kAck;
        break;
    }
}

// The rate the boot program runs at after the bit-rate selection: the rate named
// for the input frequency named, scaled to the modem's own crystal.
uint32_t SimulatedLoaderModem::bootBaud() const {
    const double rate = (bitRateFrame_[2] << 8 | bitRateFrame_[3]) * 100.0;
    const double frequency = (bitRateFrame_[4] << 8 | bitRateFrame_[5]) * 10000.0;
    return frequency > 0 ? static_cast<uint32_t>(rate * model.clockHz / frequency) : 0;
}

bool SimulatedLoaderModem::isEndFrame() const {
    const uint8_t* address = frame_.data() + 1;
    if (bigEndian(address) == 0xFFFFFFFF)
        return true;
    return model.updateMode && model.encodedBlocks && encodedAddress(address) == kEndAddress;
}

size_t SimulatedLoaderModem::commandLength() const {
    switch (frame_[0]) {
    case 'X':
        return 4;
    case 'P':
        if (frame_.size() < 5)
            return 5;
        return isEndFrame() ? kEndFrame : kPlainFrame;
    default:
        return 1;
    }
}

void SimulatedLoaderModem::loaderCommand(uint8_t byte, std::string& out) {
    if (frame_.empty() && byte == kEndOfUpdate) {
        endOfUpdate_ = true;
        state_ = State::Done;
        return;
    }
    frame_.push_back(byte);
    if (frame_.size() < commandLength())
        return;
    judgeCommand(out);
    frame_.clear();
}

void SimulatedLoaderModem::judgeCommand(std::string& out) {
    const auto answer = [&out](bool refused, const char* error) {
        out += refused ? std::string(error, 2) : std::string(1, kAck);
    };
    switch (frame_[0]) {
    case 'H':
        if (!faults.eraseSilent)
            answer(faults.eraseRefusedAt == -1, "\xC8\x51");
        break;
    case 'X':
        if (frame_[2] != 0xFF)
            eraseBlock(frame_[2]);
        answer(!sumIsZero(frame_) || faults.eraseRefusedAt == frame_[2], "\xD8\x51");
        break;
    case 'C':
    case 'B':
        bootArea_ = frame_[0] == 'B';
        answer(faults.selectRefused, "\xC3\x54");
        break;
    case 'P':
        judgeProgramFrame(out);
        break;
    default:
        out += "\x80\x80";
        break;
    }
}

void SimulatedLoaderModem::judgeProgramFrame(std::string& out) {
    if (!sumIsZero(frame_)) {
        out += kSumError;
        return;
    }
    if (frame_.size() == kEndFrame) {
        endFrames_.push_back(frame_);
        out += faults.endRefused ? kOtherError : std::string(1, kAck);
        return;
    }
    ++received_;
    if (frame_ == lastFrame_) {
        ++attempt_;
    } else {
        ++frameIndex_;
        attempt_ = 0;
        lastFrame_ = frame_;
    }
    switch (faults.verdict ? faults.verdict(frameIndex_, attempt_) : Verdict::Ack) {
    case Verdict::Ack:
        // The application's loader programs only what this load erased.
        if (model.updateMode && !bootArea_ && !erasedBlockAt(bigEndian(decoded(frame_).data()))) {
            out += kOtherError;
            break;
        }
        store(frame_);
        out += kAck;
        break;
    case Verdict::SumError:
        out += kSumError;
        break;
    case Verdict::OtherError:
        out += kOtherError;
        break;
    case Verdict::Silence:
        break;
    }
}

// Encoded blocks are decoded as the modem's loader does; plain frames and decoded
// blocks carry their address as it is.
std::vector<uint8_t> SimulatedLoaderModem::decoded(const std::vector<uint8_t>& frame) const {
    std::vector<uint8_t> block(frame.begin() + 1, frame.end() - 1);
    if (model.updateMode && model.encodedBlocks)
        DecodeFirmwareBlocks(block);
    return block;
}

// Where block n begins, and one past its end.
std::pair<uint32_t, uint32_t> SimulatedLoaderModem::blockBounds(size_t n) const {
    uint32_t begin = 0;
    for (size_t i = 0; i < n && i < model.blockSizes.size(); ++i)
        begin += model.blockSizes[i];
    return {begin, n < model.blockSizes.size() ? begin + model.blockSizes[n] : begin};
}

// Erasing wipes the block.
void SimulatedLoaderModem::eraseBlock(uint8_t n) {
    erased_.push_back(n);
    const auto [begin, end] = blockBounds(n);
    std::fill(memory_.begin() + std::min<size_t>(begin, memory_.size()),
              memory_.begin() + std::min<size_t>(end, memory_.size()), 0xFF);
}

// Addresses past the flash's last block are not judged.
bool SimulatedLoaderModem::erasedBlockAt(uint32_t address) const {
    if (address >= blockBounds(model.blockSizes.size()).first)
        return true;
    return std::any_of(erased_.begin(), erased_.end(), [&](int n) {
        const auto [begin, end] = blockBounds(static_cast<size_t>(n));
        return address >= begin && address < end;
    });
}

void SimulatedLoaderModem::Preload(uint32_t address, const std::vector<uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
}

void SimulatedLoaderModem::store(const std::vector<uint8_t>& frame) {
    const std::vector<uint8_t> block = decoded(frame);
    const uint32_t address = bigEndian(block.data());
    std::vector<uint8_t>& memory = bootArea_ ? bootMemory_ : memory_;
    for (size_t i = 4; i < block.size() && address + i - 4 < memory.size(); ++i)
        memory[address + i - 4] = block[i];
}

std::vector<uint8_t> SimulatedLoaderModem::Memory(uint32_t address, size_t length) const {
    std::lock_guard lock(mutex_);
    return std::vector<uint8_t>(memory_.begin() + address, memory_.begin() + address + length);
}

std::vector<uint8_t> SimulatedLoaderModem::BootMemory(size_t length) const {
    std::lock_guard lock(mutex_);
    return std::vector<uint8_t>(bootMemory_.begin(), bootMemory_.begin() + length);
}
