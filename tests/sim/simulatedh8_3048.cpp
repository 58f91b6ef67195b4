#include "sim/simulatedh8_3048.h"

#include "base/crc16.h"

#include <chrono>

namespace {
constexpr size_t kMemorySize = 0x100000;
constexpr uint32_t kFastBaud = 115200;
constexpr uint32_t kSlowBaud = 38400;
constexpr auto kPoll = std::chrono::milliseconds(1);

constexpr char kSyncAnswer = 0x00;
constexpr char kBitRateAnswer = static_cast<char>(0xAA);
constexpr uint8_t kBitRateCheck = 0x55;
constexpr uint8_t kEnq = 0x05;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;
constexpr char kCan = 0x18;
constexpr uint8_t kEndOfUpdate = 0xFE;

size_t addressLength(uint8_t type) {
    switch (type) {
    case '1':
        return 2;
    case '2':
        return 3;
    case '3':
        return 4;
    default:
        return 0;
    }
}
} // namespace

SimulatedH8_3048::SimulatedH8_3048(bool updateMode, std::vector<uint8_t> fastLoader)
    : state_(updateMode ? State::Application : State::Sync), fastLoader_(std::move(fastLoader)),
      memory_(kMemorySize, 0xFF) {}

SimulatedH8_3048::~SimulatedH8_3048() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void SimulatedH8_3048::Attach(int comNumber, bool paced) {
    port_ = std::make_unique<VirtualPort>(comNumber);
    port_->SetPacing(paced);
    thread_ = std::thread([this] { AnswerOnPort(*port_, stop_, *this); });
}

void SimulatedH8_3048::AttachPumped(int comNumber) {
    port_ = std::make_unique<VirtualPort>(comNumber);
}

void SimulatedH8_3048::Pump() {
    AnswerWhatArrived(*port_, *this);
}

std::string SimulatedH8_3048::Receive(std::string_view bytes, uint32_t baud) {
    std::lock_guard lock(mutex_);
    std::string out;
    for (const char c : bytes)
        receiveByte(static_cast<uint8_t>(c), baud, out);
    return out;
}

void SimulatedH8_3048::receiveByte(uint8_t byte, uint32_t baud, std::string& out) {
    switch (state_) {
    case State::Application:
        application_ += static_cast<char>(byte);
        if (application_.find("SLFLASH") != std::string::npos) {
            out += faults.slflashReply;
            if (onSlflash)
                onSlflash();
            state_ = State::Sync;
        }
        break;
    case State::Sync:
        if (byte == 0 && faults.zerosBeforeSync > 0 && ++zeros_ >= faults.zerosBeforeSync) {
            out += kSyncAnswer;
            state_ = State::BitRate;
        }
        break;
    case State::BitRate:
        if (byte == kBitRateCheck) {
            out += kBitRateAnswer;
            state_ = State::Upload;
        }
        break;
    case State::Upload:
        if (upload_.Receive(byte, {faults.wrongLengthEcho, faults.wrongLoaderEchoAt}, out)) {
            if (faults.eraseStatus)
                out += static_cast<char>(*faults.eraseStatus);
            state_ = State::LoaderRunning;
        }
        break;
    case State::LoaderRunning: {
        // The loader runs at its own speed: bytes sent at another rate are lost.
        const uint32_t loaderBaud = upload_.Loader() == fastLoader_ ? kFastBaud : kSlowBaud;
        if (byte == kEnq && baud == loaderBaud && enqs_++ >= faults.enqsIgnored) {
            out += upload_.CrcAnswer(faults.wrongLoaderCrc);
            state_ = State::Records;
        }
        break;
    }
    case State::Records:
        receiveRecordByte(byte, out);
        break;
    case State::Done:
        endOfUpdate_ |= byte == kEndOfUpdate;
        break;
    }
}

// A frame: 'S', the type digit, the count plus one, count - 1 address and data
// bytes, and the CRC of all that, high byte first.
void SimulatedH8_3048::receiveRecordByte(uint8_t byte, std::string& out) {
    if (frame_.empty() && byte != 'S')
        return;
    frame_.push_back(byte);
    if (frame_.size() < 3 || frame_.size() < frame_[2] + 3u)
        return;
    judgeFrame(out);
    frame_.clear();
}

void SimulatedH8_3048::judgeFrame(std::string& out) {
    ++received_;
    const size_t body = frame_.size() - 2;
    const uint16_t crc = static_cast<uint16_t>(frame_[body] << 8 | frame_[body + 1]);
    if (frame_[2] < 2 || Crc16Nibble(0xFFFF, frame_.data(), body) != crc) {
        out += kNak;
        return;
    }
    if (frame_ == lastFrame_) {
        ++attempt_;
    } else {
        ++frameIndex_;
        attempt_ = 0;
        lastFrame_ = frame_;
    }
    const Verdict verdict = faults.verdict ? faults.verdict(frameIndex_, attempt_) : Verdict::Ack;
    switch (verdict) {
    case Verdict::Ack:
    case Verdict::AckAfterBE:
        storeFrame();
        if (verdict == Verdict::AckAfterBE)
            out += "BE";
        out += kAck;
        lastFrame_.clear();
        break;
    case Verdict::Nak:
        out += kNak;
        break;
    case Verdict::Can:
        out += kCan;
        break;
    case Verdict::Silence:
        break;
    case Verdict::Noise:
        out += 'x';
        break;
    }
}

void SimulatedH8_3048::storeFrame() {
    ++acknowledged_;
    const uint8_t type = frame_[1];
    const size_t addressBytes = addressLength(type);
    const size_t body = frame_.size() - 2;
    if (addressBytes > 0 && 3 + addressBytes <= body) {
        uint32_t address = 0;
        for (size_t i = 0; i < addressBytes; ++i)
            address = address << 8 | frame_[3 + i];
        for (size_t i = 3 + addressBytes; i < body && address < memory_.size(); ++i)
            memory_[address++] = frame_[i];
    }
    if (type == '9')
        state_ = State::Done;
}

std::vector<uint8_t> SimulatedH8_3048::Memory(uint32_t address, size_t length) const {
    std::lock_guard lock(mutex_);
    return std::vector<uint8_t>(memory_.begin() + address, memory_.begin() + address + length);
}

std::vector<uint8_t> SimulatedH8_3048::Loader() const {
    std::lock_guard lock(mutex_);
    return upload_.Loader();
}

int SimulatedH8_3048::FramesAcknowledged() const {
    std::lock_guard lock(mutex_);
    return acknowledged_;
}

int SimulatedH8_3048::FramesReceived() const {
    std::lock_guard lock(mutex_);
    return received_;
}

bool SimulatedH8_3048::EndOfUpdateSeen(std::chrono::milliseconds timeout) const {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (endOfUpdate_)
                return true;
        }
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
}
