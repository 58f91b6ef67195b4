#pragma once
// The dialogue that the H8/3069 engine and the K10 engine hold alike with a modem:
// the wake-up, the firmware-id read by NMS, the loading command, the loader start,
// the erase by blocks, the programming frames and their end. The H8/3048 engine
// holds its own dialogue through the same port, waits and reads. One object serves
// one run; it owns the port for that run and closes it when it ends. A device that
// goes during the run (a pulled cable) ends it: every read, write and wait looks.
//
// Commands are single bytes or frames that end with a sum byte that makes all their
// bytes add up to 0; the loader answers a good command with ACK and a failed one with the command byte
// with bit 7 set and an error code.

#include "serial/cdirectserial.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class FlashHost;
class WaitClock;

// Thrown by the dialogue's reads, writes and waits once the device behind the port
// has gone (an adapter pulled); RunLoad ends the run with the engine's port-failure
// code.
struct LoaderPortGone {};

// A loader image beside the program, read whole: none when the file is missing,
// cannot be read or does not hold exactly `length` bytes.
using LoaderImageBytes = std::array<uint8_t, 2048>;
std::optional<LoaderImageBytes> ReadLoaderImage(const std::string& fileName, size_t length);

// The text of the engines' port-failure code, naming the port (0: none named).
std::string PortFailureText(uint32_t port);

// Runs an engine's run; a port whose device went during it ends it with portFailure.
template <typename Run> uint32_t RunLoad(Run run, uint32_t portFailure) {
    try {
        return run();
    } catch (const LoaderPortGone&) {
        return portFailure;
    }
}

// Notices shown when a step fails, with their caption (the ENQ notice has none);
// empty: none.
struct LoaderNotices {
    std::string caption;
    std::string enqFailed;
    std::string eraseStartFailed;
    std::string eraseBlockFailed;
    std::string eraseEndFailed;
    std::string selectFailed;
    std::string programFailed;
};

// What differs between the engines that hold the dialogue.
struct LoaderProfile {
    // Sizes of the flash blocks the erase command numbers from 0.
    std::span<const uint32_t> blockSizes;
    // Polls of ReadReply before it gives up on a silent modem.
    int replyPolls = 2000;
    // The pause between the ten steps of the initialise bar while the loader starts.
    int barStepMs = 100;
    LoaderNotices notices;
};

// The progress, stop flag and host of the engine that holds the dialogue.
struct LoaderRunFields {
    std::atomic<uint32_t>& dataProgress;
    std::atomic<uint32_t>& loaderProgress;
    const std::atomic<uint8_t>& stopRequested;
    FlashHost* host;
    WaitClock* clock; // null: the machine's
};

// How the image goes out in programming frames.
enum class ProgramForm {
    // 128 bytes a frame with their offset from 0 before them.
    Plain,
    // 132-byte blocks as they are: an encoded header and 128 scrambled bytes.
    EncodedBlocks,
};

// The lowest and the highest flash address an image programs.
struct FlashRange {
    uint32_t lowest = 0;
    uint32_t highest = 0;
};

class LoaderDialogue {
public:
    static constexpr size_t kBufferSize = 2048;
    static constexpr uint8_t kAck = 0x06;
    static constexpr uint8_t kEndOfUpdate = 0xFE;

    LoaderDialogue(const LoaderProfile& profile, const LoaderRunFields& fields);
    ~LoaderDialogue();
    LoaderDialogue(const LoaderDialogue&) = delete;
    LoaderDialogue& operator=(const LoaderDialogue&) = delete;

    // 8 data bits, no parity, one stop bit, no handshake.
    bool Open(uint32_t port, int baud);
    bool DsrOn() { return port_.DsrStatus(); }
    void SetBaudRate(int baud) { port_.SetBaudRate(baud); }
    bool Stopped() const { return fields_.stopRequested != 0; }
    // Waits, looking at the port now and then: a device that has gone ends the run.
    void Sleep(int ms);

    // Sends "SL%P=1" and polls with reads of readCount bytes until the first byte
    // read is one of the answers: 0, 4 (not sent) or 129 (no answer).
    uint32_t WakeUp(size_t readCount, std::string_view answers);
    // Reads the modem's firmware id (value valueId) with an NMS request and checks
    // that it begins with fileId: 0, 4, 129 (no reply), 130 (bad CRC) or 131 (other
    // firmware). The id the modem holds is left in modemFileId.
    uint32_t CheckFileId(uint16_t valueId, uint8_t flags, const std::string& fileId,
                         std::string& modemFileId);
    // Reads what waits until the line is quiet, pausing between reads; false when
    // data still comes after the 20th pause. readTimeoutMs 0: reads that never wait.
    bool Drain(int pauseMs, int readTimeoutMs = 0);
    // Sends the loading command (twice at most) and collects the reply; empty when
    // the modem stayed silent.
    std::string Identify(std::string_view command);
    // From here on the load cannot be stopped: Cancel is locked, the line settles and
    // the loader's speed is taken (baud 0: the speed stays).
    void PassPointOfNoReturn(int baud);
    // Fills the initialise bar in ten steps while the loader starts.
    void FillInitBar(uint32_t maximum);
    // ENQ until the loader answers ACK; false when no ACK answered one of the first 48.
    bool StartLoader();
    // Reads the CRC an uploaded loader sends (two bytes within 100 ms) and compares
    // it with that of the image: 0, 9 (none) or 10 (wrong); a stop requested by
    // the time it came gives userInterrupted.
    uint32_t CheckLoaderCrc(std::span<const uint8_t> loader, uint32_t userInterrupted);
    // The addresses the image programs in the given form; none when it is empty, or
    // when a block image holds a part of a block or a block outside the flash.
    std::optional<FlashRange> ImageRange(const uint8_t* image, uint32_t length, ProgramForm form) const;
    // Erases the blocks from block 0 on that imageLength reaches: 0 or 81.
    uint32_t Erase(uint32_t imageLength);
    // Erases the blocks that hold the addresses from lowest to highest: 0 or 81.
    uint32_t EraseRange(uint32_t lowest, uint32_t highest);
    // Selects the area the frames program ('C' the user area, 'B' the boot area).
    bool Select(uint8_t area);
    uint32_t SelectUserArea();
    // Sends the image in frames; 0 or 100. progressStep is what each frame adds to
    // the engine's data progress (0: none).
    uint32_t Program(const uint8_t* image, uint32_t length, ProgramForm form, uint32_t progressStep);
    // The frame that ends the data of an area: 0 or 100.
    uint32_t EndOfData(ProgramForm form);
    // The single byte that ends an update.
    void EndUpdate();

    // Sends one command (a single command byte as it is, a longer frame with its sum
    // byte added) and collects its reply into the receive buffer; the number of
    // reply bytes.
    int Command(std::vector<uint8_t> frame);
    // Collects a reply into the receive buffer (cleared before): bytes as long as
    // they keep coming, polling while nothing has come; at most n bytes.
    int ReadReply(size_t n);
    // Reads up to count bytes into the receive buffer from offset at, waiting up to
    // timeoutMs (0: not at all).
    int Read(size_t at, size_t count, int timeoutMs);
    // Reads into the receive buffer from offset 0 as long as anything comes, sleeping
    // pauseMs after each read that brought something.
    void DrainAll(int pauseMs);
    bool Send(std::span<const uint8_t> bytes);
    bool Send(uint8_t byte) { return Send(std::span(&byte, 1)); }
    bool Send(std::string_view text);
    uint8_t Received(size_t at) const { return rx_[at]; }
    void ClearReceived(size_t count = kBufferSize);
    void Notice(const std::string& text, const std::string& caption);

    // Adds the byte that makes the frame's bytes sum to 0 modulo 256.
    static void AppendSumByte(std::vector<uint8_t>& frame);

private:
    uint32_t sendFrame(const std::vector<uint8_t>& frame);
    uint32_t eraseBlocks(size_t first, size_t last);
    void endIfGone();
    void failed(const std::string& notice);
    std::vector<uint8_t> programFrame(const uint8_t* at, uint32_t offset, uint32_t length,
                                      ProgramForm form) const;

    const LoaderProfile& profile_;
    LoaderRunFields fields_;
    WaitClock& clock_;
    CDirectSerial port_;
    std::array<uint8_t, kBufferSize> rx_{};
};
