#include "terminal/terminal_send_queue.h"

#include <algorithm>
#include <numeric>
#include <utility>

TerminalSendQueue::TerminalSendQueue(TerminalPortLink& port, TerminalSendHost& host,
                                     const TerminalOptions& options)
    : port_(port), host_(host), options_(options) {}

void TerminalSendQueue::typeKey(char c) {
    if (!port_.portOpen())
        return;
    failedOpen_.reset();
    append(Piece::Keys, (c == '\r' && options_.crLf) ? std::string_view("\r\n") : std::string_view(&c, 1));
    sendWhatIsNext();
}

void TerminalSendQueue::queueSend(std::string_view data, bool fromUser) {
    if (!port_.portOpen())
        return;
    failedOpen_.reset();
    append(Piece::Send, data);
    sendWhatIsNext();
    if (options_.mirror && fromUser && !nmsReplyMode_)
        host_.mirror(data);
}

void TerminalSendQueue::queueEscape(std::string_view characters, bool fromUser) {
    if (!port_.portOpen() || characters.empty())
        return;
    failedOpen_.reset();
    append(Piece::Escape, characters);
    sendWhatIsNext();
    // Mirroring terminals get what a send hands to the queue: of an escape line
    // its last character, the others going ahead of the queue.
    if (options_.mirror && fromUser && !nmsReplyMode_)
        host_.mirror(characters.substr(characters.size() - 1));
}

void TerminalSendQueue::append(Piece kind, std::string_view bytes) {
    if (bytes.empty())
        return;
    // Typed keys that follow each other go out together; each send stays apart,
    // so a failed write ends its own send only.
    const bool echo = options_.localEcho && (kind == Piece::Keys || (host_.echoQueued() && !nmsReplyMode_));
    if (kind != Piece::Keys || waiting_.empty() || waiting_.back().kind != kind ||
        waiting_.back().echo != echo)
        waiting_.push_back({kind, {}, 0, echo});
    waiting_.back().bytes += bytes;
}

void TerminalSendQueue::putBack(Piece kind, const std::string& rest) {
    if (!pieceHasMore_)
        waiting_.push_front({kind, {}, 0});
    waiting_.front().bytes.insert(0, rest);
    waiting_.front().echoed += rest.size();
}

size_t TerminalSendQueue::queuedBytes() const {
    return std::accumulate(waiting_.begin(), waiting_.end(), size_t{0}, [](size_t sum, const Waiting& w) {
        return sum + (w.kind == Piece::Send ? w.bytes.size() : 0);
    });
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
    const bool sendFailed = ended != Piece::None && pieceEnded(ended);
    if (ended == Piece::Escape && escapeStage_ == EscapeStage::Leaving)
        pauseAfterEscapeCharacter();
    if (!waiting_.empty()) {
        if (waiting_.front().kind == Piece::Keys)
            host_.postKeysReady();
        else
            host_.postSendNext();
    }
    if (isSend(ended) && !sendFailed && !holdsSends())
        host_.queueEmptied();
}

// True when the end of the piece ended its send.
bool TerminalSendQueue::pieceEnded(Piece kind) {
    const std::string rest = piece_.substr(std::min(pieceWritten_, piece_.size()));
    if (rest.empty() || !pieceRestWanted_)
        return false;
    const bool sameOpen = port_.portOpen() && port_.openCount() == pieceOpen_;
    // The write failed in this open: trying it again at once would fail again.
    // Typed keys wait in front for the next open or what the user gives next; a
    // send ends, so the line never carries it with a hole.
    if (sameOpen && kind == Piece::Keys)
        failedOpen_ = pieceOpen_;
    if (!sameOpen || kind == Piece::Keys) {
        putBack(kind, rest);
        return false;
    }
    if (pieceHasMore_)
        waiting_.pop_front();
    host_.sendEnded();
    return true;
}

// A closed port ends the sends as everywhere else, the piece on its way too: its
// entry has gone, so its rest has nowhere to go back to.
void TerminalSendQueue::sendNextChunk() {
    if (!port_.portOpen())
        stopSending();
    sendWhatIsNext();
}

// A piece of a send on its way is purged, so its end comes at once; a piece of
// typed keys is left to go out.
void TerminalSendQueue::cancel() {
    stopSending();
    if (isSend(inFlight_))
        port_.flushTransmit();
}

// The port, closed, ends the piece on its way and reports it.
void TerminalSendQueue::stopSending() {
    dropSends();
    if (isSend(inFlight_))
        pieceRestWanted_ = false;
}

void TerminalSendQueue::portMoved() {
    waiting_.clear();
    endEscape();
    pieceRestWanted_ = false;
}

void TerminalSendQueue::reset() {
    waiting_.clear();
    endEscape();
    inFlight_ = Piece::None;
    pieceRestWanted_ = false;
}

// What waits for the line goes on once the escape line has ended.
void TerminalSendQueue::dropSends() {
    std::erase_if(waiting_, [](const Waiting& w) { return isSend(w.kind); });
    if (escapeStage_ != EscapeStage::None) {
        endEscape();
        sendWhatIsNext();
    }
}

bool TerminalSendQueue::holdsSends() const {
    return std::any_of(waiting_.begin(), waiting_.end(), [](const Waiting& w) { return isSend(w.kind); });
}

// Writes up to the port's free room from the front of what waits; the bytes
// the screen does not show yet are shown as they go.
void TerminalSendQueue::sendWhatIsNext() {
    if (escapeStage_ != EscapeStage::None || inFlight_ != Piece::None || waiting_.empty() ||
        !port_.portOpen() || port_.transmitting() || failedOpen_ == port_.openCount())
        return;
    if (waiting_.front().kind == Piece::Escape) {
        startEscape();
        return;
    }
    Waiting& front = waiting_.front();
    const size_t count = std::min(front.bytes.size(), static_cast<size_t>(std::max(port_.transmitRoom(), 0)));
    if (count == 0)
        return;
    const Piece kind = front.kind;
    const bool echo = front.echo;
    const size_t echoFrom = std::min(front.echoed, count);
    std::string piece = front.bytes.substr(0, count);
    front.bytes.erase(0, count);
    front.echoed -= echoFrom;
    pieceHasMore_ = !front.bytes.empty();
    if (!pieceHasMore_)
        waiting_.pop_front();
    if (echo && echoFrom < count)
        host_.echo(std::string_view(piece).substr(echoFrom));
    writePiece(kind, std::move(piece));
}

void TerminalSendQueue::writePiece(Piece kind, std::string bytes) {
    piece_ = std::move(bytes);
    inFlight_ = kind;
    pieceWritten_ = 0;
    pieceOpen_ = port_.openCount();
    // An escape line's character that a close cuts short does not go later: the
    // line would carry no escape.
    pieceRestWanted_ = kind != Piece::Escape;
    if (options_.fiveQv)
        port_.setRtsRaised(true);
    port_.write(piece_);
}

// The port has ended everything before the escape line: its first character
// goes out alone on a free line.
void TerminalSendQueue::startEscape() {
    Waiting& front = waiting_.front();
    escapeRest_ = std::move(front.bytes);
    escapeEcho_ = front.echo;
    waiting_.pop_front();
    escapeOpen_ = port_.openCount();
    sendEscapeCharacter();
}

void TerminalSendQueue::sendEscapeCharacter() {
    const char c = escapeRest_.front();
    escapeRest_.erase(0, 1);
    escapeStage_ = EscapeStage::Leaving;
    if (escapeEcho_)
        host_.echo(std::string_view(&c, 1));
    if (escapeRest_.empty()) {
        pieceHasMore_ = false;
        writePiece(Piece::Escape, std::string(1, c)); // its end starts the pause
        return;
    }
    port_.sendCharacterNow(c);
    escapeTimer();
}

// Timer-driven steps of the escape line: a character sent ahead of the buffer
// is looked at until it has left; a pause that the timer ended early runs on
// for what is left of it.
void TerminalSendQueue::escapeTimer() {
    if (escapeStage_ == EscapeStage::None)
        return;
    // A close or reopen has lost what the port held of the escape line: the
    // rest would make no escape.
    if (!port_.portOpen() || port_.openCount() != escapeOpen_) {
        endEscape();
        sendWhatIsNext();
        return;
    }
    if (escapeStage_ == EscapeStage::Leaving) {
        if (inFlight_ == Piece::Escape)
            return;
        if (port_.characterWaiting())
            host_.startEscapeTimer(kEscapePoll);
        else
            pauseAfterEscapeCharacter();
        return;
    }
    const auto left = pauseEnds_ - host_.now();
    if (left > std::chrono::steady_clock::duration::zero()) {
        host_.startEscapeTimer(std::chrono::ceil<std::chrono::milliseconds>(left));
    } else if (!escapeRest_.empty()) {
        sendEscapeCharacter();
    } else {
        endEscape();
        sendWhatIsNext();
    }
}

void TerminalSendQueue::pauseAfterEscapeCharacter() {
    escapeStage_ = EscapeStage::Pausing;
    pauseEnds_ = host_.now() + kEscapePause;
    host_.startEscapeTimer(kEscapePause);
}

void TerminalSendQueue::endEscape() {
    escapeStage_ = EscapeStage::None;
    escapeRest_.clear();
}
