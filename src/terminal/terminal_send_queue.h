#pragma once
// A terminal's send path: typed keys collected while a write is in flight, and an
// outgoing queue cut into pieces that fit the free room of the port's transmit
// buffer, each written when the previous one has gone out. With the 5QV/6QV
// handshake RTS is raised before every write and dropped a baud-dependent hold
// time after the transmitter ran empty.

#include "terminal/terminal_settings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the send path needs of the terminal's port.
class TerminalPortLink {
public:
    virtual ~TerminalPortLink() = default;
    virtual bool portOpen() const = 0;
    // Free room in the port's transmit buffer.
    virtual int transmitRoom() const = 0;
    // Hands bytes to the port's transmit buffer; the port reports when they are
    // gone (TerminalSendQueue::writeDone).
    virtual void write(std::string_view bytes) = 0;
    // Bytes that went out on the line, as the write-done being reported counts
    // them (read in writeDone).
    virtual int lastWritten() const = 0;
    // RTS up (handshake mode) or down, for the 5QV/6QV handshake.
    virtual void setRtsRaised(bool raised) = 0;
    // Throws away what the driver still holds to send.
    virtual void flushTransmit() = 0;
};

// What the send path tells the terminal, and the services it borrows from it.
class TerminalSendHost {
public:
    virtual ~TerminalSendHost() = default;
    // Shows sent bytes on the screen (local echo).
    virtual void echo(std::string_view bytes) = 0;
    // True when bytes started from the queue are echoed: an open transmit window
    // that does not send command lines.
    virtual bool echoQueued() const = 0;
    // Hands sent data to the terminals that mirror this one.
    virtual void mirror(std::string_view bytes) = 0;
    // Posts itself a message that calls sendNextChunk.
    virtual void postSendNext() = 0;
    // Posts itself a message that calls typedKeysSent.
    virtual void postKeysReady() = 0;
    // The queue has run empty after a write: tells the transmit window.
    virtual void queueEmptied() = 0;
    // Waits the RTS hold time.
    virtual void holdRts(int ms) = 0;
    // The running count of bytes sent changed.
    virtual void transmitted(uint32_t total) = 0;
};

class TerminalSendQueue {
public:
    TerminalSendQueue(TerminalPortLink& port, TerminalSendHost& host, const TerminalOptions& options);

    // A character typed in the terminal (CR becomes CR LF when that option is
    // on). Ignored while the port is closed.
    void typeKey(char c);
    // Sends the pending typed keys when nothing of theirs is in flight.
    void flushTypedKeys();
    // Appends data to the outgoing queue and starts it when idle. fromUser lets
    // a mirroring terminal pass the data on. Dropped while the port is closed.
    void queueSend(std::string_view data, bool fromUser);
    // The port reports that its last write has gone out.
    void writeDone();
    // Writes the next piece of the queue (posted by writeDone).
    void sendNextChunk();
    // The typed keys written last have gone out (posted by writeDone).
    void typedKeysSent();
    // Drops the queue, also what the driver holds, and ends all in flight; keys
    // typed and not yet written go out after it.
    void cancel();
    // The same, the driver left alone (the port was closed).
    void stopSending();
    // Forgets all of the send state, typed keys included.
    void reset();

    // NMS replies are being collected: nothing queued is echoed or mirrored.
    void setNmsReplyMode(bool on) { nmsReplyMode_ = on; }
    bool nmsReplyMode() const { return nmsReplyMode_; }
    uint32_t transmittedCount() const { return txCount_; }
    void clearTransmittedCount() { txCount_ = 0; }
    size_t queuedBytes() const { return queue_.size(); }
    bool idle() const { return !chunkInFlight_ && !keysBusy_ && queue_.empty(); }

private:
    // Appends to the queue; shown bytes are on the screen already.
    void enqueue(std::string_view data, bool fromUser, bool shown);
    // Writes up to the port's free room from the front of the queue.
    void writeChunk(bool echo);
    void echoUnshown(size_t count);
    size_t freeRoom() const;
    void writeToPort(std::string_view bytes);
    void dropQueue();

    TerminalPortLink& port_;
    TerminalSendHost& host_;
    const TerminalOptions& options_;
    std::string typedKeys_;
    bool keysBusy_ = false;
    std::string queue_;
    // Beside each queued byte: whether the screen shows it already (a typed key,
    // echoed when it was typed).
    std::vector<bool> shown_;
    bool chunkInFlight_ = false;
    bool moreQueued_ = false;
    bool nmsReplyMode_ = false;
    uint32_t txCount_ = 0;
};
