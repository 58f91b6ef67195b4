#pragma once
// A terminal's send path: sends (pasted text, scripts, the transmit window's
// data) and the keys the user typed wait in one line, in the order the user gave
// them. One piece at a time goes to the port, no larger than the free room of its
// transmit buffer and never mixing a send with typed keys, and the next only when
// the port has ended the write of the one before. A cancel drops the sends and
// the piece of them on its way, never a typed key. A piece that a close cut short
// goes on from its first byte the line did not take once the port reopens on the
// same device, unless the send ended with the close; a write that failed ends its
// send, while typed keys of it wait for the next open. An escape line ("+++")
// takes its place in that line too and holds it: from its first character to
// the pause after its last nothing else reaches the port, and what is given
// meanwhile goes out after it. Local echo shows each
// piece as it is handed to the port, once; whether a send or typed keys are
// echoed is settled as they are given (local echo, the transmit window, NMS
// reply mode), whatever changes while they go out. With the
// 5QV/6QV handshake RTS is raised before every write and dropped a baud-dependent
// hold time after the transmitter ran empty.

#include "terminal/terminal_settings.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

// What the send path needs of the terminal's port.
class TerminalPortLink {
public:
    virtual ~TerminalPortLink() = default;
    virtual bool portOpen() const = 0;
    // Counts the port's opens: a write whose end comes under another count, or
    // while the port is closed, was cut short by a close.
    virtual unsigned openCount() const = 0;
    // Free room in the port's transmit buffer.
    virtual int transmitRoom() const = 0;
    // The port holds bytes to send or has a write whose end it has not reported.
    virtual bool transmitting() const = 0;
    // Hands bytes to the port's transmit buffer; the port reports the end of
    // their write (TerminalSendQueue::writeDone), however it ended.
    virtual void write(std::string_view bytes) = 0;
    // Bytes that went out on the line, as the write-done being reported counts
    // them (read in writeDone).
    virtual int lastWritten() const = 0;
    // RTS up (handshake mode) or down, for the 5QV/6QV handshake.
    virtual void setRtsRaised(bool raised) = 0;
    // Throws away what the port and its driver still hold to send; the write
    // then ends.
    virtual void flushTransmit() = 0;
    // Sends one character at once, ahead of the port's transmit buffer.
    virtual void sendCharacterNow(char c) = 0;
    // The character of sendCharacterNow still waits for the line (held by flow
    // control).
    virtual bool characterWaiting() const = 0;
};

// What the send path tells the terminal, and the services it borrows from it.
class TerminalSendHost {
public:
    virtual ~TerminalSendHost() = default;
    // Shows sent bytes on the screen (local echo).
    virtual void echo(std::string_view bytes) = 0;
    // True when a send given now is echoed: an open transmit window that does
    // not send command lines.
    virtual bool echoQueued() const = 0;
    // Hands sent data to the terminals that mirror this one.
    virtual void mirror(std::string_view bytes) = 0;
    // Posts itself a message that calls sendNextChunk.
    virtual void postSendNext() = 0;
    // Posts itself a message that calls typedKeysSent.
    virtual void postKeysReady() = 0;
    // The queue has run empty after a write: tells the transmit window.
    virtual void queueEmptied() = 0;
    // A send ended before all of it went out (its write failed): tells the
    // transmit window, as a close does.
    virtual void sendEnded() = 0;
    // Waits the RTS hold time.
    virtual void holdRts(int ms) = 0;
    // The running count of bytes sent changed.
    virtual void transmitted(uint32_t total) = 0;
    // Starts, or starts again, the one-shot timer that calls escapeTimer.
    virtual void startEscapeTimer(std::chrono::milliseconds interval) = 0;
    // The clock the escape line's pauses are measured by.
    virtual std::chrono::steady_clock::time_point now() const = 0;
};

class TerminalSendQueue {
public:
    // An escape line's pause after each of its characters, counted from when the
    // character left; while its character waits for a held line, the port is
    // asked this often whether it has left.
    static constexpr std::chrono::milliseconds kEscapePause{100};
    static constexpr std::chrono::milliseconds kEscapePoll{5};

    TerminalSendQueue(TerminalPortLink& port, TerminalSendHost& host, const TerminalOptions& options);

    // A character typed in the terminal (CR becomes CR LF when that option is
    // on). Ignored while the port is closed.
    void typeKey(char c);
    // Sends what waits when the port is free (also after it reopened).
    void flushTypedKeys() { sendWhatIsNext(); }
    // Appends data to the outgoing queue and starts it when idle. fromUser lets
    // a mirroring terminal pass the data on. Dropped while the port is closed.
    void queueSend(std::string_view data, bool fromUser);
    // An escape line, in its place among what is given: its characters go one
    // at a time, each a pause after the one before it left, all but the last
    // ahead of the port's buffer (nothing of this path is in it then) and the
    // last written as a send, whose end the transmit window hears of. Nothing
    // else goes until the pause after the last has passed. A cancel, a close or
    // a reopen ends it. Dropped while the port is closed.
    void queueEscape(std::string_view characters, bool fromUser);
    // The escape timer fired.
    void escapeTimer();
    // The port reports the end of a write.
    void writeDone();
    // Writes the next piece of the queue (posted by writeDone).
    void sendNextChunk();
    // Writes the typed keys that wait (posted by writeDone).
    void typedKeysSent() { sendWhatIsNext(); }
    // Drops the sends and the piece of them on its way (the port purges it);
    // typed keys stay in their place.
    void cancel();
    // Ends the sends: the port closed, or was lent. Typed keys go out after the
    // reopen.
    void stopSending();
    // The port moved to another device: nothing meant for the old one goes out
    // on the new one, neither sends nor typed keys.
    void portMoved();
    // Forgets all of the send state, typed keys included.
    void reset();

    // NMS replies are being collected: nothing queued is echoed or mirrored.
    void setNmsReplyMode(bool on) { nmsReplyMode_ = on; }
    bool nmsReplyMode() const { return nmsReplyMode_; }
    uint32_t transmittedCount() const { return txCount_; }
    void clearTransmittedCount() { txCount_ = 0; }
    size_t queuedBytes() const;
    bool idle() const {
        return inFlight_ == Piece::None && waiting_.empty() && escapeStage_ == EscapeStage::None;
    }

private:
    // An escape line is a send of its own kind.
    enum class Piece { None, Send, Keys, Escape };
    enum class EscapeStage { None, Leaving, Pausing };
    static bool isSend(Piece kind) { return kind == Piece::Send || kind == Piece::Escape; }
    // One send, or keys typed one after another, waiting in the user's order;
    // the first `echoed` bytes the screen shows already (the rest of a piece a
    // close cut short). Whether it is echoed is settled as it is given.
    struct Waiting {
        Piece kind;
        std::string bytes;
        size_t echoed = 0;
        bool echo = false;
    };

    void append(Piece kind, std::string_view bytes);
    // Puts the rest of the piece back in front, into what it was cut from.
    void putBack(Piece kind, const std::string& rest);
    // The one place that decides what goes to the port next, and what of it is
    // echoed: nothing while a piece is on its way or an escape line goes, else
    // the front of what waits.
    void sendWhatIsNext();
    void writePiece(Piece kind, std::string bytes);
    void startEscape();
    void sendEscapeCharacter();
    void pauseAfterEscapeCharacter();
    void endEscape();
    // The piece on its way has ended: what the line did not take of it waits
    // again in front when a close cut it short, else a failed write ends its
    // send (true).
    bool pieceEnded(Piece kind);
    void dropSends();
    bool holdsSends() const;

    TerminalPortLink& port_;
    TerminalSendHost& host_;
    const TerminalOptions& options_;
    std::deque<Waiting> waiting_;
    // What the port holds of this path, those bytes, how many of them the port
    // has reported gone, the open they were written in, and whether what the
    // line does not take of them still wants to go (no cancel, close or move
    // ended them).
    Piece inFlight_ = Piece::None;
    std::string piece_;
    size_t pieceWritten_ = 0;
    unsigned pieceOpen_ = 0;
    bool pieceRestWanted_ = false;
    // The open in which a write of typed keys failed: they wait for another
    // open, or for what the user gives next.
    std::optional<unsigned> failedOpen_;
    // What the piece was cut from still waits in front.
    bool pieceHasMore_ = false;
    bool nmsReplyMode_ = false;
    uint32_t txCount_ = 0;
    // The escape line going out, from its first character to the pause after
    // its last: whether the character given last is leaving or the pause after
    // it runs and when that ends, the characters still to go, whether they are
    // echoed, and the open they go in.
    EscapeStage escapeStage_ = EscapeStage::None;
    std::chrono::steady_clock::time_point pauseEnds_;
    std::string escapeRest_;
    bool escapeEcho_ = false;
    unsigned escapeOpen_ = 0;
};
