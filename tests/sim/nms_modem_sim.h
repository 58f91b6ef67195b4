#pragma once
// A radio modem's side of the NMS dialogue, as bytes in and bytes out: it reads
// request frames, checks their CRC and answers each with an acknowledgement and a
// data frame carrying the value it holds (a SET first stores the value), or with
// a '+' error frame. Faults for tests: replies split into small chunks, silence,
// a bad CRC, a flood of bytes, an oversized length field, an error reply for one
// id, a read-back that differs from what was written, a write not acknowledged,
// every reply sent twice, a failed save.
//
// As a modem in the designer's settings transfer it also answers the programming
// command "SL%P=1" (only at its own line speed), keeps the route table and the
// save and end commands, and, when told to, refuses writes of values of service
// level 5 or 9 until the login of that level has come.

#include "sim/modem_on_port.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class NmsModemSim {
public:
    // Error codes of the '+' frames.
    static constexpr uint16_t kBadCrc = 0x0001;
    static constexpr uint16_t kUnknownValue = 0x0102;

    // NoAcknowledge: the first reply to a SET has another status than an
    // acknowledgement's.
    enum class Fault { None, Silent, BadCrc, Flood, OversizedLength, OtherReadBack, NoAcknowledge };
    static constexpr uint8_t kNotAnAcknowledge = 0x21;
    static constexpr uint16_t kNotLoggedIn = 0x0103;
    static constexpr uint16_t kRefused = 0x0104;
    static constexpr size_t kFloodBytes = 4096;

    void SetValue(uint16_t id, std::string bytes) { values_[id] = std::move(bytes); }
    // The bytes held for an id; empty when it has none.
    std::string Value(uint16_t id) const;
    void SetFault(Fault fault) { fault_ = fault; }
    // Each reply to a request leaves twice in one go, as from a modem that repeats
    // its answers.
    void SetRepeatReply(bool on) { repeatReply_ = on; }
    // Replies leave in chunks of at most this many bytes (0: one chunk per reply).
    void SetSplit(size_t chunkBytes) { split_ = chunkBytes; }
    // The speed at which "SL%P=1" is answered (0: never), and the line's speed now.
    void SetOwnSpeed(int baud) { ownSpeed_ = baud; }
    void SetLineSpeed(int baud) { lineSpeed_ = baud; }
    // Requests for this id get a '+' reply.
    void RefuseId(uint16_t id) { refusedId_ = id; }
    void SetSaveFails(bool fails) { saveFails_ = fails; }
    void SetLoginRequired(bool required) { loginRequired_ = required; }
    // Service level reached by the login, 0 before it.
    int LoginLevel() const { return loginLevel_; }
    // Every id written, in order.
    const std::vector<uint16_t>& Written() const { return written_; }
    int Saves() const { return saves_; }

    // Takes bytes from the line; returns the chunks to send back, in order.
    std::vector<std::string> Receive(const std::string& bytes);

    // Complete request frames received so far, good or bad.
    const std::vector<std::string>& Requests() const { return requests_; }

private:
    std::string answer(const std::string& frame);
    bool takeSpeedCommand(std::vector<std::string>& out);
    // Whether a SET of the id may change the store; the error code when not.
    uint16_t refusal(uint16_t id, const std::string& value);
    std::string valueFrame(uint8_t sequence, char command, uint16_t id) const;

    std::map<uint16_t, std::string> values_;
    Fault fault_ = Fault::None;
    size_t split_ = 0;
    bool repeatReply_ = false;
    int ownSpeed_ = 0;
    int lineSpeed_ = 0;
    uint16_t refusedId_ = 0;
    bool saveFails_ = false;
    bool loginRequired_ = false;
    int loginLevel_ = 0;
    int saves_ = 0;
    std::vector<uint16_t> written_;
    std::string pending_;
    std::vector<std::string> requests_;
};

using NmsModemOnPort = ModemOnPort<NmsModemSim>;
