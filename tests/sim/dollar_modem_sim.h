#pragma once
// A radio modem's side of the "$" programming protocol, and of the ping through a
// master, as bytes in and bytes out. It checks the CRC of every frame, keeps the
// parameters, factory parameters, protocol information and routes it is sent,
// and answers each command with its reply:
//
//     0x00 -> 0   0x01 -> 1 (type name and version)   0x02 -> 2 (rejected items)
//     0x03 -> 3 (parameters)   0x04/0x0D -> 4   0x06 -> 6   0x07 -> 7
//     0x0A/0x0E -> 10   0x0B -> 11   0x0C -> 12   0x0F -> 15   0x11 -> 17
//     0x12 -> 18 (factory parameters)   bad CRC -> 5   anything else -> 19
//
// A ping "SL+P=" plus a hexadecimal address is answered "OK" for the master's
// own address, "OK" and an rssi line for another, nothing for a silent one.
// Faults for tests: silence, replies split into small chunks, each reply sent
// twice in one read, a chosen reply (or none) to one command, a corrupted CRC, the top bit of the reply
// code set, rejected parameters, another type name or version.

#include "sim/modem_on_port.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class DollarModemSim {
public:
    // An item as it came: tag, second byte and the value bytes without the end
    // zero (the length byte included for "N").
    struct Item {
        char tag = 0;
        char second = 0;
        std::string value;
        bool operator==(const Item&) const = default;
    };

    static std::string Frame(uint8_t code, const std::string& items = {});

    void SetTypeName(const std::string& name, int8_t version) {
        typeName_ = name;
        version_ = version;
    }
    void SetSilent(bool silent) { silent_ = silent; }
    void SetSplit(size_t chunkBytes) { split_ = chunkBytes; }
    void SetRepeatReply(bool on) { repeatReply_ = on; }
    // Answers the command with the reply code and status item given (no status
    // item when status is negative), or with nothing when code is negative.
    void OverrideReply(uint8_t command, int code, int status) { overrides_[command] = {code, status}; }
    void ClearOverrides() { overrides_.clear(); }
    void CorruptNextCrc() { corruptNext_ = true; }
    void SetTopBit(bool on) { topBit_ = on; }
    // Parameters of a write (indexes from 0 in the frame) that the modem refuses.
    void RejectParameters(std::set<size_t> indexes) { rejected_ = std::move(indexes); }
    // Status of the reply to the protocol information: 0 asks for saving next,
    // anything else for the address offset and length.
    void SetProtocolStatus(uint8_t status) { protocolStatus_ = status; }
    void SetParameters(std::vector<Item> items) { parameters_ = std::move(items); }
    void SetFactoryParameters(std::vector<Item> items) { factory_ = std::move(items); }

    // Ping: the master's own terminal address, the level of a remote address
    // (-87 dBm unless set), and the addresses that never answer.
    void SetPingMaster(uint64_t ownAddress) { pingMaster_ = ownAddress; }
    void SetPingLevel(uint64_t address, int dBm) { pingLevels_[address] = dBm; }
    void SetPingSilent(std::set<uint64_t> addresses) { pingSilent_ = std::move(addresses); }

    // Takes the bytes of one read from the line; returns the chunks to send back.
    std::vector<std::string> Receive(const std::string& bytes);

    const std::vector<Item>& Parameters() const { return parameters_; }
    const std::vector<Item>& FactoryParameters() const { return factory_; }
    const std::vector<Item>& ProtocolInfo() const { return protocol_; }
    const std::vector<Item>& OffsetAndLength() const { return offsetLength_; }
    // Route lines as saved by 0x0C: the items of each line.
    const std::vector<std::vector<Item>>& Routes() const { return routes_; }
    bool ParametersSaved() const { return saved_; }
    bool InProgrammingMode() const { return progMode_; }
    // Command codes received, in order (0xFF for a frame with a bad CRC).
    const std::vector<uint8_t>& Commands() const { return commands_; }
    const std::vector<std::string>& Pings() const { return pings_; }

private:
    std::string Answer(uint8_t command, const std::vector<Item>& items);
    std::string Reply(uint8_t code, const std::string& items = {});
    std::string Ping(const std::string& command);

    std::string typeName_ = "RADIO-X";
    int8_t version_ = 3;
    bool silent_ = false;
    size_t split_ = 0;
    bool repeatReply_ = false;
    std::map<uint8_t, std::pair<int, int>> overrides_;
    bool corruptNext_ = false;
    bool topBit_ = false;
    std::set<size_t> rejected_;
    uint8_t protocolStatus_ = 1;
    uint64_t pingMaster_ = 0;
    std::map<uint64_t, int> pingLevels_;
    std::set<uint64_t> pingSilent_;

    std::string pending_;
    bool progMode_ = false;
    bool saved_ = false;
    std::vector<Item> parameters_;
    std::vector<Item> factory_;
    std::vector<Item> protocol_;
    std::vector<Item> offsetLength_;
    std::vector<std::vector<Item>> pendingRoutes_;
    std::vector<std::vector<Item>> routes_;
    std::vector<uint8_t> commands_;
    std::vector<std::string> pings_;
};

using DollarModemOnPort = ModemOnPort<DollarModemSim>;
