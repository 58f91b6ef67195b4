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

void TerminalSendQueue::flushTypedKeys() {
    if (keysBusy_ || !port_.portOpen() || typedKeys_.empty())
        return;
    const std::string keys = std::move(typedKeys_);
    typedKeys_.clear();
    // Keys typed while queued data is on its way go behind it, so they neither
    // overtake it nor find the transmit buffer full.
    if (!queue_.empty() || chunkInFlight_)
        queueSend(keys, true);
    else
        writeToPort(keys);
    keysBusy_ = true;
}

void TerminalSendQueue::queueSend(std::string_view data, bool fromUser) {
    if (!port_.portOpen())
        return;
    moreQueued_ = false;
    const bool wasEmpty = queue_.empty();
    queue_ += data;
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
        queue_.clear();
        return;
    }
    writeChunk(options_.localEcho && !nmsReplyMode_);
    moreQueued_ = !queue_.empty();
}

void TerminalSendQueue::typedKeysSent() {
    keysBusy_ = false;
    flushTypedKeys();
}

void TerminalSendQueue::cancel() {
    reset();
    port_.flushTransmit();
}

void TerminalSendQueue::reset() {
    moreQueued_ = false;
    queue_.clear();
    typedKeys_.clear();
    chunkInFlight_ = false;
    keysBusy_ = false;
}

void TerminalSendQueue::writeChunk(bool echo) {
    const size_t room = static_cast<size_t>(std::max(port_.transmitRoom(), 0));
    const size_t count = std::min(room, queue_.size());
    // No room: a write of the port is still going, and its end moves the queue on.
    if (count == 0)
        return;
    const std::string_view chunk(queue_.data(), count);
    if (echo)
        host_.echo(chunk);
    writeToPort(chunk);
    chunkInFlight_ = true;
    queue_.erase(0, count);
}

void TerminalSendQueue::writeToPort(std::string_view bytes) {
    if (options_.fiveQv)
        port_.setRtsRaised(true);
    port_.write(bytes);
}
