#include "terminal/terminal_send_queue.h"

#include <algorithm>
#include <utility>

namespace {
// Where no byte of a piece is echoed.
constexpr size_t kEchoNone = std::string::npos;
} // namespace

TerminalSendQueue::TerminalSendQueue(TerminalPortLink& port, TerminalSendHost& host,
                                     const TerminalOptions& options)
    : port_(port), host_(host), options_(options) {}

void TerminalSendQueue::typeKey(char c) {
    if (!port_.portOpen())
        return;
    typedKeys_ += (c == '\r' && options_.crLf) ? std::string_view("\r\n") : std::string_view(&c, 1);
    sendWhatIsNext();
}

void TerminalSendQueue::queueSend(std::string_view data, bool fromUser) {
    if (!port_.portOpen())
        return;
    queue_ += data;
    sendWhatIsNext();
    if (options_.mirror && fromUser && !nmsReplyMode_)
        host_.mirror(data);
}

// Every end of a write that the port reports comes here, also one from before a
// close or a purge. The piece on its way has ended when the port holds nothing
// more to send.
void TerminalSendQueue::writeDone() {
    const auto written = static_cast<size_t>(std::max(port_.lastWritten(), 0));
    pieceWritten_ += written;
    txCount_ += static_cast<uint32_t>(written);
    host_.transmitted(txCount_);
    if (port_.transmitting())
        return;
    if (options_.fiveQv) {
        host_.holdRts(options_.rtsHoldMs);
        port_.setRtsRaised(false);
    }
    const Piece ended = std::exchange(inFlight_, Piece::None);
    if (ended == Piece::Keys && !port_.portOpen())
        keepUnsentKeys();
    if (!queue_.empty())
        host_.postSendNext();
    else if (!typedKeys_.empty())
        host_.postKeysReady();
    if (ended == Piece::Send && queue_.empty())
        host_.queueEmptied();
}

void TerminalSendQueue::sendNextChunk() {
    if (!port_.portOpen())
        queue_.clear();
    sendWhatIsNext();
}

// A piece of the queue on its way is purged, so its end comes at once; a piece
// of typed keys is left to go out.
void TerminalSendQueue::cancel() {
    queue_.clear();
    if (inFlight_ == Piece::Send)
        port_.flushTransmit();
}

// The port, closed, ends the piece on its way and reports it.
void TerminalSendQueue::stopSending() {
    queue_.clear();
}

void TerminalSendQueue::reset() {
    queue_.clear();
    typedKeys_.clear();
    keysEchoed_ = 0;
    inFlight_ = Piece::None;
}

void TerminalSendQueue::sendWhatIsNext() {
    if (inFlight_ != Piece::None || !port_.portOpen() || port_.transmitting())
        return;
    if (!queue_.empty())
        handToPort(Piece::Send, queue_,
                   options_.localEcho && host_.echoQueued() && !nmsReplyMode_ ? 0 : kEchoNone);
    else if (!typedKeys_.empty())
        handToPort(Piece::Keys, typedKeys_, options_.localEcho ? keysEchoed_ : kEchoNone);
}

// Writes up to the port's free room from the front of source; the bytes from
// echoFrom on are shown as they go.
void TerminalSendQueue::handToPort(Piece kind, std::string& source, size_t echoFrom) {
    const size_t count = std::min(source.size(), static_cast<size_t>(std::max(port_.transmitRoom(), 0)));
    if (count == 0)
        return;
    piece_ = source.substr(0, count);
    source.erase(0, count);
    if (kind == Piece::Keys)
        keysEchoed_ -= std::min(keysEchoed_, count);
    if (echoFrom < count)
        host_.echo(std::string_view(piece_).substr(echoFrom));
    inFlight_ = kind;
    pieceWritten_ = 0;
    if (options_.fiveQv)
        port_.setRtsRaised(true);
    port_.write(piece_);
}

void TerminalSendQueue::keepUnsentKeys() {
    const size_t sent = std::min(pieceWritten_, piece_.size());
    typedKeys_.insert(0, piece_, sent);
    keysEchoed_ += piece_.size() - sent;
}
