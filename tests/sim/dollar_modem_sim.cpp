#include "sim/dollar_modem_sim.h"

#include "base/crc16.h"

#include <charconv>

namespace {

constexpr char kStart = '$';
constexpr char kEnd = 'L';
constexpr const char* kPingCommand = "SL+P=";

// The length of the item at a position of a complete frame; 0 for the end or a
// tag that cannot stand there.
size_t ItemLength(const std::string& frame, size_t at) {
    switch (frame[at]) {
    case 'A':
    case 'H':
        return 7;
    case 'B':
    case 'M':
    case 'R':
        return 4;
    case 'J':
    case 'W':
        return 5;
    case 'K':
        return 2;
    case 'N':
        return at + 2 < frame.size() ? 4 + static_cast<uint8_t>(frame[at + 2]) : 0;
    case 'S': {
        const size_t zero = frame.find('\0', at + 2);
        return zero == std::string::npos ? 0 : zero + 1 - at;
    }
    default:
        return 0;
    }
}

std::string Encode(const DollarModemSim::Item& item) {
    std::string bytes{item.tag, item.second};
    bytes += item.value;
    if (item.tag != 'K')
        bytes += '\0';
    return bytes;
}

std::string EncodeAll(const std::vector<DollarModemSim::Item>& items) {
    std::string bytes;
    for (const auto& item : items)
        bytes += Encode(item);
    return bytes;
}

std::string StatusItem(uint8_t status) {
    return std::string{'B', '0', static_cast<char>(status), '\0'};
}

} // namespace

std::string DollarModemSim::Frame(uint8_t code, const std::string& items) {
    std::string frame{kStart, static_cast<char>(code), '\0'};
    frame += items;
    frame += kEnd;
    const uint16_t crc = Crc16Nibble(0xFFFF, frame);
    frame += static_cast<char>(crc >> 8);
    frame += static_cast<char>(crc & 0xFF);
    return frame;
}

std::vector<std::string> DollarModemSim::Receive(const std::string& bytes) {
    pending_ += bytes;
    std::vector<std::string> out;
    if (pending_.rfind(kPingCommand, 0) == 0) {
        const std::string reply = Ping(pending_);
        pending_.clear();
        // "OK" and the rssi line leave apart, as the master sends them.
        if (!reply.empty())
            out.push_back(reply.substr(0, 4));
        if (reply.size() > 4)
            out.push_back(reply.substr(4));
        return out;
    }
    for (;;) {
        const size_t start = pending_.find(kStart);
        if (start == std::string::npos) {
            pending_.clear();
            return out;
        }
        pending_.erase(0, start);
        std::vector<Item> items;
        size_t at = 3;
        while (at < pending_.size() && pending_[at] != kEnd) {
            const size_t length = ItemLength(pending_, at);
            if (length == 0 || at + length > pending_.size())
                return out;
            items.push_back(Item{pending_[at], pending_[at + 1],
                                 pending_.substr(at + 2, length - (pending_[at] == 'K' ? 2 : 3))});
            at += length;
        }
        if (at + 3 > pending_.size())
            return out;
        const std::string frame = pending_.substr(0, at + 3);
        pending_.erase(0, at + 3);
        const uint16_t crc = Crc16Nibble(0xFFFF, frame.substr(0, at + 1));
        const bool crcGood = static_cast<uint8_t>(frame[at + 1]) == (crc >> 8) &&
                             static_cast<uint8_t>(frame[at + 2]) == (crc & 0xFF);
        const uint8_t command = static_cast<uint8_t>(frame[1]);
        commands_.push_back(crcGood ? command : 0xFF);
        const std::string reply = crcGood ? Answer(command, items) : Reply(5);
        if (silent_)
            continue;
        for (const std::string& chunk : SplitReply(repeatReply_ ? reply + reply : reply, split_))
            out.push_back(chunk);
    }
}

std::string DollarModemSim::Answer(uint8_t command, const std::vector<Item>& items) {
    if (const auto found = overrides_.find(command); found != overrides_.end()) {
        const auto [code, status] = found->second;
        if (code < 0)
            return {};
        return Reply(static_cast<uint8_t>(code),
                     status < 0 ? std::string() : StatusItem(static_cast<uint8_t>(status)));
    }
    switch (command) {
    case 0x00:
        progMode_ = false;
        return Reply(0);
    case 0x01:
        progMode_ = true;
        return Reply(1, Encode({'S', '0', typeName_ + "/1.00"}) + StatusItem(static_cast<uint8_t>(version_)));
    case 0x02: {
        std::vector<Item> refused;
        parameters_.clear();
        for (size_t i = 0; i < items.size(); ++i) {
            if (rejected_.count(i))
                refused.push_back(items[i]);
            else
                parameters_.push_back(items[i]);
        }
        return Reply(2, EncodeAll(refused));
    }
    case 0x03:
        return Reply(3, EncodeAll(parameters_));
    case 0x04:
    case 0x0D:
        if (command == 0x0D)
            pendingRoutes_.clear();
        pendingRoutes_.push_back(items);
        return Reply(4, StatusItem(1));
    case 0x06:
        saved_ = true;
        return Reply(6, StatusItem(1));
    case 0x07:
        offsetLength_ = items;
        return Reply(7);
    case 0x0A:
    case 0x0E:
        if (command == 0x0E)
            pendingRoutes_.clear();
        pendingRoutes_.push_back(items);
        return Reply(10, StatusItem(1));
    case 0x0B:
        protocol_ = items;
        return Reply(11, StatusItem(protocolStatus_));
    case 0x0C:
        routes_ = pendingRoutes_;
        return Reply(12);
    case 0x0F:
        routes_.clear();
        return Reply(15);
    case 0x11:
        factory_ = items;
        return Reply(17);
    case 0x12:
        return Reply(18, EncodeAll(factory_));
    default:
        return Reply(19);
    }
}

std::string DollarModemSim::Reply(uint8_t code, const std::string& items) {
    std::string frame = Frame(topBit_ ? code | 0x80 : code, items);
    if (corruptNext_) {
        frame.back() = static_cast<char>(frame.back() ^ 0x55);
        corruptNext_ = false;
    }
    return frame;
}

std::string DollarModemSim::Ping(const std::string& command) {
    pings_.push_back(command);
    const std::string digits = command.substr(5);
    uint64_t address = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), address, 16);
    if (silent_ || pingSilent_.count(address))
        return {};
    if (address == pingMaster_)
        return "OK";
    const auto level = pingLevels_.find(address);
    return "OK\r\nrssi " + std::to_string(level == pingLevels_.end() ? -87 : level->second) + " dBm\r\n";
}
