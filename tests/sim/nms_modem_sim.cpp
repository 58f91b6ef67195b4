#include "sim/nms_modem_sim.h"

#include "base/nms_frame.h"

#include <algorithm>

namespace {

// Request payload offsets (the frame offset less 3).
constexpr size_t kSequenceAt = 2;
constexpr size_t kCommandAt = 8;
constexpr size_t kGetIdAt = 9;
constexpr size_t kSetLengthAt = 9;
constexpr size_t kSetIdAt = 10;
constexpr size_t kSetValueAt = 12;
constexpr size_t kPayloadAt = 3;

uint8_t byteAt(const std::string& bytes, size_t at) {
    return static_cast<uint8_t>(bytes[at]);
}

uint16_t word(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(byteAt(bytes, at) << 8 | byteAt(bytes, at + 1));
}

void appendWord(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value & 0xFF));
}

// Reply payload up to the status byte.
std::string replyHead(uint8_t sequence, uint8_t status) {
    std::string payload(8, '\0');
    payload[kSequenceAt] = static_cast<char>(sequence);
    payload.push_back(static_cast<char>(status));
    return payload;
}

std::string errorFrame(uint8_t sequence, uint16_t code) {
    std::string payload = replyHead(sequence, NmsStatusError);
    appendWord(payload, code);
    return BuildNmsFrame(payload);
}

const std::string kSpeedCommand = "SL%P=1";
const std::string kSelectionMenu = "\r\nTERAMONDO programming\r\nEnter selection\r\n";

// Ids a transfer may write whatever the store holds: login, route table, save and
// end of the exchange.
bool alwaysWritable(uint16_t id) {
    return id == 0x1C0B || id == 0x1190 || (id >= 0x1800 && id < 0x18C8) || id == 0x1C00 || id == 0x1C12;
}

int loginLevelOf(const std::string& value) {
    if (value == std::string(1, '\x09') + "Pilvorna") {
        return 9;
    }
    if (value == std::string(1, '\x05') + "T6rav8ue") {
        return 5;
    }
    return 0;
}

} // namespace

// "SL%P=1" outside a frame: answered with the menu at the modem's own speed. False
// while the command may still be arriving.
bool NmsModemSim::takeSpeedCommand(std::vector<std::string>& out) {
    const size_t compared = std::min(pending_.size(), kSpeedCommand.size());
    if (pending_.compare(0, compared, kSpeedCommand, 0, compared) != 0) {
        pending_.erase(0, 1);
        return true;
    }
    if (compared < kSpeedCommand.size()) {
        return false;
    }
    pending_.erase(0, kSpeedCommand.size());
    if (ownSpeed_ != 0 && ownSpeed_ == lineSpeed_) {
        out.push_back(kSelectionMenu);
    }
    return true;
}

uint16_t NmsModemSim::refusal(uint16_t id, const std::string& value) {
    if (id == 0x1C0B) {
        loginLevel_ = loginLevelOf(value);
        return 0;
    }
    const int level = id >> 12;
    if (loginRequired_ && level >= 5 && loginLevel_ < (level >= 9 ? 9 : 5)) {
        return kNotLoggedIn;
    }
    if (id == 0x1C00) {
        if (saveFails_) {
            return kRefused;
        }
        ++saves_;
    }
    return values_.count(id) != 0 || alwaysWritable(id) ? 0 : kUnknownValue;
}

std::string NmsModemSim::Value(uint16_t id) const {
    const auto found = values_.find(id);
    return found == values_.end() ? "" : found->second;
}

std::vector<std::string> NmsModemSim::Receive(const std::string& bytes) {
    pending_ += bytes;
    std::vector<std::string> out;
    while (!pending_.empty()) {
        if (pending_[0] == kSpeedCommand[0] && !takeSpeedCommand(out)) {
            break;
        }
        if (pending_.empty()) {
            break;
        }
        if (byteAt(pending_, 0) != 0x02) {
            pending_.erase(0, 1);
            continue;
        }
        const NmsFrameCheck check = CheckNmsFrame(pending_);
        if (check.result == NmsFrameCheck::Incomplete) {
            break;
        }
        const std::string frame = pending_.substr(0, check.length);
        pending_.erase(0, check.length);
        requests_.push_back(frame);
        const std::string reply = check.result == NmsFrameCheck::Bad ? errorFrame(0, kBadCrc) : answer(frame);
        for (const std::string& chunk : SplitReply(reply, split_)) {
            out.push_back(chunk);
        }
    }
    return out;
}

std::string NmsModemSim::answer(const std::string& frame) {
    const std::string payload = frame.substr(kPayloadAt, frame.size() - NmsFrameOverhead);
    const uint8_t sequence = byteAt(payload, kSequenceAt);
    const char command = payload.size() > kCommandAt ? payload[kCommandAt] : 0;
    uint16_t id = 0;
    if (command == static_cast<char>(NmsCommandGet) && payload.size() >= kGetIdAt + 2) {
        id = word(payload, kGetIdAt);
    } else if (command == static_cast<char>(NmsCommandSet) && payload.size() >= kSetValueAt &&
               byteAt(payload, kSetLengthAt) >= 2 &&
               payload.size() == kSetValueAt + byteAt(payload, kSetLengthAt) - 2u) {
        id = word(payload, kSetIdAt);
        if (id == refusedId_) {
            return BuildNmsFrame(replyHead(sequence, NmsStatusAcknowledge)) + errorFrame(sequence, kRefused);
        }
        if (const uint16_t code = refusal(id, payload.substr(kSetValueAt)); code != 0) {
            return BuildNmsFrame(replyHead(sequence, NmsStatusAcknowledge)) + errorFrame(sequence, code);
        }
        values_[id] = payload.substr(kSetValueAt);
        written_.push_back(id);
    } else {
        return errorFrame(sequence, kUnknownValue);
    }
    if (fault_ == Fault::Silent) {
        return "";
    }
    if (fault_ == Fault::Flood) {
        return std::string(kFloodBytes, 'U');
    }
    if (fault_ == Fault::OversizedLength) {
        return std::string("\x02\xFF\xFF", 3) + std::string(64, '\0');
    }
    const bool acknowledged = fault_ != Fault::NoAcknowledge || command != static_cast<char>(NmsCommandSet);
    std::string reply =
        BuildNmsFrame(replyHead(sequence, acknowledged ? NmsStatusAcknowledge : kNotAnAcknowledge));
    const bool known = values_.count(id) != 0 && id != refusedId_;
    reply += known ? valueFrame(sequence, command, id) : errorFrame(sequence, kUnknownValue);
    if (fault_ == Fault::BadCrc) {
        reply.back() = static_cast<char>(reply.back() ^ 0xFF);
    }
    return repeatReply_ ? reply + reply : reply;
}

std::string NmsModemSim::valueFrame(uint8_t sequence, char command, uint16_t id) const {
    std::string value = values_.at(id);
    if (fault_ == Fault::OtherReadBack && command == static_cast<char>(NmsCommandSet) && !value.empty()) {
        value.back() = static_cast<char>(value.back() ^ 0x01);
    }
    std::string payload = replyHead(sequence, static_cast<uint8_t>(command));
    payload.push_back(static_cast<char>(value.size() + 2));
    appendWord(payload, id);
    return BuildNmsFrame(payload + value);
}
