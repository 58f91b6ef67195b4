#pragma once
// The modem's side of an H8/3048 firmware load, as a test peer: in update mode the
// application firmware answers "SLFLASH"; the boot ROM synchronises on 0x00,
// answers 0x55, echoes the loader length and each loader byte and reports the
// erase; the uploaded loader answers ENQ at its own speed with ACK and its CRC, then
// takes the record frames, checks their CRC and stores their data in the modem's
// memory. Faults are set before the load.
//
// Receive() is the whole dialogue as a byte-in, byte-out state machine; Attach()
// runs it on the far end of a virtual port.

#include "sim/boot_rom_upload.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class SimulatedH8_3048 {
public:
    enum class Verdict { Ack, AckAfterBE, Nak, Can, Silence, Noise };
    // The verdict on a frame with a good CRC: frame counts the distinct frames from
    // 0, attempt how often this one came (from 0).
    using VerdictScript = std::function<Verdict(int frame, int attempt)>;

    struct Faults {
        std::string slflashReply = "FLASH OK\r\n";
        // 0x00 bytes the boot ROM takes before it answers; 0: it never answers.
        int zerosBeforeSync = 1;
        bool wrongLengthEcho = false;
        // Index of a loader byte that is echoed wrongly, -1 for none.
        int wrongLoaderEchoAt = -1;
        // The erase status byte; none: the ROM stays silent.
        std::optional<uint8_t> eraseStatus = 0x00;
        // ENQs the loader lets pass before it answers.
        int enqsIgnored = 0;
        bool wrongLoaderCrc = false;
        VerdictScript verdict;
    };

    // fastLoader: the image that runs at 115200 baud; any other runs at 38400.
    SimulatedH8_3048(bool updateMode, std::vector<uint8_t> fastLoader);
    ~SimulatedH8_3048();
    SimulatedH8_3048(const SimulatedH8_3048&) = delete;
    SimulatedH8_3048& operator=(const SimulatedH8_3048&) = delete;

    Faults faults;
    // Called when the application receives "SLFLASH".
    std::function<void()> onSlflash;

    // Takes bytes sent by the host at the host's bit rate; returns the answer.
    std::string Receive(std::string_view bytes, uint32_t baud);

    // Registers COM comNumber and answers there until destroyed; paced, bytes take
    // their time on the line at the host's bit rate.
    void Attach(int comNumber, bool paced = false);
    // Registers COM comNumber and answers there from Pump, which a SimClock's waits
    // call: takes what the host has sent and answers it.
    void AttachPumped(int comNumber);
    void Pump();
    // The far end of the port attached to.
    VirtualPort& Port() { return *port_; }

    // The modem's memory (1 MiB, erased to 0xFF) from the address on.
    std::vector<uint8_t> Memory(uint32_t address, size_t length) const;
    std::vector<uint8_t> Loader() const;
    int FramesAcknowledged() const;
    int FramesReceived() const;
    // Whether the byte that ends an update came, waiting up to the timeout for it
    // (the host may close its port while the byte is still on its way).
    bool EndOfUpdateSeen(std::chrono::milliseconds timeout = std::chrono::milliseconds(0)) const;

private:
    enum class State { Application, Sync, BitRate, Upload, LoaderRunning, Records, Done };

    void receiveByte(uint8_t byte, uint32_t baud, std::string& out);
    void receiveRecordByte(uint8_t byte, std::string& out);
    void judgeFrame(std::string& out);
    void storeFrame();

    mutable std::mutex mutex_;
    State state_;
    std::string application_;
    int zeros_ = 0;
    BootRomUpload upload_;
    std::vector<uint8_t> fastLoader_;
    int enqs_ = 0;
    std::vector<uint8_t> frame_;
    std::vector<uint8_t> lastFrame_;
    int frameIndex_ = -1;
    int attempt_ = 0;
    int received_ = 0;
    int acknowledged_ = 0;
    bool endOfUpdate_ = false;
    std::vector<uint8_t> memory_;

    std::unique_ptr<VirtualPort> port_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
