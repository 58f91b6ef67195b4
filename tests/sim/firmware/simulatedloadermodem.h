#pragma once
// The modem's side of a firmware load into an H8/3069 modem or a K10 module, as a
// test peer.
//
// Update mode: the application firmware answers the wake-up "SL%P=1", the NMS read
// of its firmware id and the loading command. On the rows that upload a loader the
// boot ROM then synchronises on 0x00, answers 0x55, echoes the loader's length and
// bytes, and the loader starts at its own speed, answering ENQ with ACK and its
// CRC; on the other rows the firmware's own loader answers ENQ with ACK.
// Boot mode: the processor's boot program synchronises, answers 0x55 with 0xE6, and
// takes the inquiries and selections of its boot-mode dialogue; after the bit-rate
// selection it listens only at the rate the frame names for its crystal.
// Both then take the erase by blocks, the area selections and the programming
// frames (plain, or encoded blocks that it decodes), checking each frame's sum, and
// store the data in the modem's memory so tests compare it with the image.
//
// Receive() is the whole dialogue as a byte-in, byte-out state machine. Pump()
// serves it on the far end of a virtual port from the waits of a SimClock; Serve()
// on a thread of its own, for runs in real time.

#include "platform/virtual_port.h"
#include "sim/boot_rom_upload.h"
#include "sim/nms_modem_sim.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

class SimulatedLoaderModem {
public:
    enum class Verdict { Ack, SumError, OtherError, Silence };
    // The answer to a programming frame with a good sum: frame counts the distinct
    // frames from 0, attempt how often this one came (from 0).
    using VerdictScript = std::function<Verdict(int frame, int attempt)>;

    struct Model {
        bool updateMode = true;
        // The reply to the loading command ("SLFLASH" or "SLFLOEM").
        std::string idReply;
        // The answer to "SL%P=1"; empty: the modem ignores it.
        std::string wakeUpAnswer;
        // The NMS value that holds the firmware id, and the id.
        uint16_t firmwareIdValue = 0x929F;
        std::string firmwareId;
        // Update mode: the boot ROM takes a loader before the loader runs.
        bool uploadsLoader = false;
        // Update mode: the programming frames carry encoded blocks.
        bool encodedBlocks = false;
        // The port speed the loader answers at (update mode).
        uint32_t loaderBaud = 38400;
        // The crystal (boot mode: the bit rate the host must take follows from it).
        int clockHz = 24576000;
        std::vector<uint32_t> blockSizes;
    };

    struct Faults {
        // Loading commands the application lets pass without a reply.
        int silentIdAttempts = 0;
        bool nmsSilent = false;
        bool nmsBadCrc = false;
        // Bytes the modem keeps sending whenever it gets a turn, this many times.
        int chatterTurns = 0;
        // 0x00 bytes the boot ROM takes before it answers; 0: it never answers.
        int zerosBeforeSync = 1;
        uint8_t syncAnswer = 0x00;
        std::optional<uint8_t> bitRateAnswer; // the answer to 0x55 (mode's own when unset)
        bool wrongLengthEcho = false;
        int wrongLoaderEchoAt = -1;
        int enqsIgnored = 0;
        bool wrongLoaderCrc = false;
        // The erase command that is refused: -1 'H', a block number, or 0xFF the end.
        std::optional<int> eraseRefusedAt;
        // The erase start 'H' goes unanswered.
        bool eraseSilent = false;
        bool selectRefused = false;
        bool endRefused = false;
        // The boot-mode step (2 to 9) that is refused, with an error reply.
        int bootStepRefused = 0;
        VerdictScript verdict;
    };

    SimulatedLoaderModem(int comNumber, Model model);
    ~SimulatedLoaderModem();
    SimulatedLoaderModem(const SimulatedLoaderModem&) = delete;
    SimulatedLoaderModem& operator=(const SimulatedLoaderModem&) = delete;

    // The models: an H8/3069 modem on a row of the device list in update mode, in
    // boot mode, and a K10 module.
    static Model UpdateRow(uint32_t row);
    static Model BootMode();
    static Model K10Module();

    Model model;
    Faults faults;

    // Takes bytes sent by the host at the host's bit rate; returns the answer.
    std::string Receive(std::string_view bytes, uint32_t baud);
    // Takes what the host has sent and answers it.
    void Pump();
    // Answers on a thread of its own until destroyed; paced, bytes take their time
    // on the line at the host's bit rate.
    void Serve(bool paced);
    VirtualPort& Port() { return port_; }

    // Memory the module holds before the load (its application, say).
    void Preload(uint32_t address, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Memory(uint32_t address, size_t length) const;
    std::vector<uint8_t> BootMemory(size_t length) const;
    std::vector<uint8_t> Loader() const { return locked(upload_.Loader()); }
    std::vector<int> ErasedBlocks() const { return locked(erased_); }
    std::vector<std::vector<uint8_t>> EndFrames() const { return locked(endFrames_); }
    std::vector<uint8_t> BitRateFrame() const { return locked(bitRateFrame_); }
    // Programming frames received, good or not, end frames left out.
    int FramesReceived() const { return locked(received_); }
    // The 0x00 bytes the boot ROM received.
    int Zeros() const { return locked(zeros_); }
    bool EndOfUpdateSeen() const { return locked(endOfUpdate_); }

private:
    enum class State { Application, Sync, BitRate, Upload, LoaderStart, Boot, Commands, Done };

    void receiveByte(uint8_t byte, uint32_t baud, std::string& out);
    void application(uint8_t byte, std::string& out);
    void bootCommand(uint8_t byte, uint32_t baud, std::string& out);
    void loaderCommand(uint8_t byte, std::string& out);
    bool isEndFrame() const;
    size_t bootFrameLength() const;
    size_t commandLength() const;
    void judgeCommand(std::string& out);
    void bootReply(std::string& out);
    void judgeProgramFrame(std::string& out);
    void store(const std::vector<uint8_t>& frame);
    std::vector<uint8_t> decoded(const std::vector<uint8_t>& frame) const;
    std::pair<uint32_t, uint32_t> blockBounds(size_t n) const;
    void eraseBlock(uint8_t n);
    bool erasedBlockAt(uint32_t address) const;
    uint32_t bootBaud() const;
    template <typename T> T locked(const T& member) const {
        std::lock_guard lock(mutex_);
        return member;
    }

    mutable std::mutex mutex_;
    State state_;
    std::string text_;
    NmsModemSim nms_;
    int zeros_ = 0;
    BootRomUpload upload_;
    int enqs_ = 0;
    std::vector<uint8_t> frame_;
    std::vector<uint8_t> lastFrame_;
    int frameIndex_ = -1;
    int attempt_ = 0;
    int received_ = 0;
    int idAttempts_ = 0;
    int bootStep_ = 0;
    bool bootArea_ = false;
    bool endOfUpdate_ = false;
    std::vector<uint8_t> bitRateFrame_;
    std::vector<int> erased_;
    std::vector<std::vector<uint8_t>> endFrames_;
    std::vector<uint8_t> memory_;
    std::vector<uint8_t> bootMemory_;

    VirtualPort port_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
