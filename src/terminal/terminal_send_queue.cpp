#include "terminal/terminal_send_queue.h"

#include <algorithm>

TerminalSendQueue::TerminalSendQueue(TerminalPortLink& port, TerminalSendHost& host,
                                     const TerminalOptions& options)
    : port_(port), host_(host), options_(options) {}

void TerminalSendQueue::typeKey(char c) {
    if (!port_.portOpen())
        return;
    const std::string_view key =
        (c == '\r' && options_.crLf) ? std::string_view("\r\n") : std::string_view(&c, 1);
    typedKeys_ += key;
    if (options_.localEcho)
        host_.echo(key);
    flushTypedKeys();
}

// Keys go straight to the port only when nothing is queued and they fit its free
// room; only then are they busy, and the end of that write frees them. Keys that
// do not fit (a CR LF pair beside a one-byte buffer, keys beside a write filling
// the buffer) and keys typed while data is queued join the queue, which sends
// them as room comes. So keys never wait for a write that is not on its way. They
// were echoed and mirrored as keys when they were typed, so the queue neither
// shows nor mirrors them again.
void TerminalSendQueue::flushTypedKeys() {
    if (keysBusy_ || !port_.portOpen() || typedKeys_.empty())
        return;
    if (queue_.empty() && freeRoom() >= typedKeys_.size()) {
        writeToPort(typedKeys_);
        keysBusy_ = true;
    } else {
        enqueue(typedKeys_, false, true);
    }
    typedKeys_.clear();
}

void TerminalSendQueue::queueSend(std::string_view data, bool fromUser) {
    enqueue(data, fromUser, false);
}

void TerminalSendQueue::enqueue(std::string_view data, bool fromUser, bool shown) {
    if (!port_.portOpen())
        return;
    moreQueued_ = false;
    const bool wasEmpty = queue_.empty();
    queue_ += data;
    shown_.insert(shown_.end(), data.size(), shown);
    if (wasEmpty && !chunkInFlight_)
        writeChunk(options_.localEcho && host_.echoQueued());
    if (options_.mirror && fromUser && !nmsReplyMode_)
        host_.mirror(data);
    moreQueued_ = !queue_.empty();
}

void TerminalSendQueue::writeDone() {
    if (options_.fiveQv) {
        host_.holdRts(options_.rtsHoldMs);
        port_.setRtsRaised(false);
    }
    if (keysBusy_)
        host_.postKeysReady();
    // Also after a write that put nothing on the line (the transmit buffer had
    // no room): the queue must go on, or it would wait forever.
    if (moreQueued_ && !queue_.empty())
        host_.postSendNext();
    if (queue_.empty())
        host_.queueEmptied();
    chunkInFlight_ = false;
    txCount_ += static_cast<uint32_t>(std::max(port_.lastWritten(), 0));
    host_.transmitted(txCount_);
}

void TerminalSendQueue::sendNextChunk() {
    moreQueued_ = false;
    if (queue_.empty() || !port_.portOpen()) {
        dropQueue();
        return;
    }
    writeChunk(options_.localEcho && !nmsReplyMode_);
    moreQueued_ = !queue_.empty();
}

void TerminalSendQueue::typedKeysSent() {
    keysBusy_ = false;
    flushTypedKeys();
}

// Keys waiting behind keys in flight go out now: those keys are no longer busy,
// so no write's end would send the ones behind them.
void TerminalSendQueue::cancel() {
    stopSending();
    port_.flushTransmit();
    flushTypedKeys();
}

void TerminalSendQueue::stopSending() {
    moreQueued_ = false;
    dropQueue();
    chunkInFlight_ = false;
    keysBusy_ = false;
}

void TerminalSendQueue::reset() {
    stopSending();
    typedKeys_.clear();
}

size_t TerminalSendQueue::freeRoom() const {
    return static_cast<size_t>(std::max(port_.transmitRoom(), 0));
}

void TerminalSendQueue::writeChunk(bool echo) {
    const size_t count = std::min(freeRoom(), queue_.size());
    // No room: a write of the port is still going, and its end moves the queue on.
    if (count == 0)
        return;
    if (echo)
        echoUnshown(count);
    writeToPort(std::string_view(queue_.data(), count));
    chunkInFlight_ = true;
    queue_.erase(0, count);
    shown_.erase(shown_.begin(), shown_.begin() + static_cast<std::ptrdiff_t>(count));
}

void TerminalSendQueue::echoUnshown(size_t count) {
    for (size_t start = 0, end = 0; start < count; start = end) {
        end = start;
        while (end < count && shown_[end] == shown_[start])
            ++end;
        if (!shown_[start])
            host_.echo(std::string_view(queue_.data() + start, end - start));
    }
}

void TerminalSendQueue::writeToPort(std::string_view bytes) {
    if (options_.fiveQv)
        port_.setRtsRaised(true);
    port_.write(bytes);
}

void TerminalSendQueue::dropQueue() {
    queue_.clear();
    shown_.clear();
}
