#pragma once
// The parts of a firmware load that the simulated H8 modems play alike: the boot
// ROM echoes the loader's length (high byte first) and then each loader byte; the
// loader, once started, answers ENQ with ACK and the CRC of what it received. And
// the thread that answers on the far end of a virtual port.

#include "platform/virtual_port.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class BootRomUpload {
public:
    struct Faults {
        bool wrongLengthEcho = false;
        // Index of a loader byte that is echoed wrongly, -1 for none.
        int wrongLoaderEchoAt = -1;
    };

    // Takes one byte of the length or of the loader and appends its echo; true
    // when it was the loader's last byte.
    bool Receive(uint8_t byte, const Faults& faults, std::string& out);
    const std::vector<uint8_t>& Loader() const { return loader_; }
    // ACK and the CRC of the loader, high byte first; wrongCrc spoils it.
    std::string CrcAnswer(bool wrongCrc) const;

private:
    int lengthBytes_ = 0;
    uint32_t length_ = 0;
    std::vector<uint8_t> loader_;
};

// Hands what the host has sent, with the host's bit rate, to the modem's Receive and
// writes its answer back (a turn of a modem that a SimClock's waits drive).
template <typename Modem> void AnswerWhatArrived(VirtualPort& port, Modem& modem) {
    const std::string bytes = port.Read();
    if (bytes.empty())
        return;
    const std::string answer = modem.Receive(bytes, port.NearSettings().BaudRate);
    if (!answer.empty())
        port.Write(answer);
}

// Until stop is set: hands what the host sends, with the host's bit rate, to the
// modem's Receive and writes its answer back.
template <typename Modem> void AnswerOnPort(VirtualPort& port, const std::atomic<bool>& stop, Modem& modem) {
    constexpr auto kPoll = std::chrono::milliseconds(1);
    while (!stop) {
        std::string bytes = port.ReadFor(1, kPoll);
        if (bytes.empty())
            continue;
        bytes += port.Read();
        const std::string answer = modem.Receive(bytes, port.NearSettings().BaudRate);
        if (!answer.empty())
            port.Write(answer);
    }
}
