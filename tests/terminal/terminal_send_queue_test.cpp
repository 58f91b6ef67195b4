#include "terminal/terminal_send_queue.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <utility>

using namespace std::chrono_literals;

namespace {

// A port whose writes end when the test says so; every end is reported.
class FakePort : public TerminalPortLink {
public:
    bool open = true;
    unsigned opens = 1;
    int capacity = 2048;
    std::string pending;
    // The end of a purged write is still to be reported.
    bool endDue = false;
    std::vector<std::string> writes;
    std::string wire;
    int lastCount = 0;
    bool rts = false;
    std::vector<std::string> events; // "rts+", "write", "rts-", in order
    int flushes = 0;

    bool portOpen() const override { return open; }
    unsigned openCount() const override { return opens; }
    int transmitRoom() const override { return capacity - static_cast<int>(pending.size()); }
    bool transmitting() const override { return open && (!pending.empty() || endDue); }
    void write(std::string_view bytes) override {
        writes.emplace_back(bytes);
        pending += bytes;
        events.push_back("write");
    }
    int lastWritten() const override { return lastCount; }
    void setRtsRaised(bool raised) override {
        rts = raised;
        events.push_back(raised ? "rts+" : "rts-");
    }
    void flushTransmit() override {
        ++flushes;
        pending.clear();
        endDue = true;
    }
    // A character sent ahead of the buffer leaves at once, or waits while the
    // line holds it.
    bool lineHeld = false;
    std::string heldCharacter;
    void sendCharacterNow(char c) override { (lineHeld ? heldCharacter : wire) += c; }
    bool characterWaiting() const override { return !heldCharacter.empty(); }
    void releaseLine() {
        lineHeld = false;
        wire += std::exchange(heldCharacter, {});
    }

    // The write ends with its first `sent` bytes on the line (all by default).
    void complete(size_t sent = std::string::npos) {
        sent = std::min(sent, pending.size());
        wire += pending.substr(0, sent);
        lastCount = static_cast<int>(sent);
        pending.clear();
        endDue = false;
    }
};

class FakeHost : public TerminalSendHost {
public:
    std::string echoed;
    std::string mirrored;
    bool echoQueuedData = false;
    std::deque<int> posted;
    int emptied = 0;
    int ended = 0;
    std::vector<int> holds;
    uint32_t total = 0;
    std::vector<std::string>* events = nullptr;
    std::function<void()> onEmptied;

    void echo(std::string_view bytes) override { echoed += bytes; }
    bool echoQueued() const override { return echoQueuedData; }
    void mirror(std::string_view bytes) override { mirrored += bytes; }
    void postSendNext() override { posted.push_back(kSendNext); }
    void postKeysReady() override { posted.push_back(kKeysReady); }
    void queueEmptied() override {
        ++emptied;
        if (onEmptied)
            onEmptied();
    }
    void sendEnded() override { ++ended; }
    void holdRts(int ms) override {
        holds.push_back(ms);
        if (events)
            events->push_back("hold");
    }
    void transmitted(uint32_t count) override { total = count; }
    // The escape timer, on a clock the test hands on.
    std::optional<std::chrono::milliseconds> escapeTimer;
    std::chrono::steady_clock::time_point clock;
    void startEscapeTimer(std::chrono::milliseconds interval) override { escapeTimer = interval; }
    std::chrono::steady_clock::time_point now() const override { return clock; }

    static constexpr int kSendNext = 1;
    static constexpr int kKeysReady = 2;
};

// A port, a terminal and their send path.
struct SendBench {
    FakePort port;
    FakeHost host;
    TerminalOptions options;
    TerminalSendQueue queue{port, host, options};

    // Delivers one posted message, or else ends the write on its way, or else
    // lets the escape timer run out; false when nothing moves.
    bool step() {
        if (!host.posted.empty()) {
            const int message = host.posted.front();
            host.posted.pop_front();
            if (message == FakeHost::kSendNext)
                queue.sendNextChunk();
            else
                queue.typedKeysSent();
        } else if (port.transmitting()) {
            port.complete();
            queue.writeDone();
        } else if (host.escapeTimer) {
            fireEscapeTimer(*host.escapeTimer);
        } else {
            return false;
        }
        return true;
    }
    // The escape timer fires after `after` (early or late) on the handed clock.
    void fireEscapeTimer(std::chrono::milliseconds after) {
        host.clock += after;
        host.escapeTimer.reset();
        queue.escapeTimer();
    }
    bool runToIdle() {
        for (int guard = 0; guard < 100000; ++guard)
            if (!step())
                return true;
        return false;
    }
};

class SendQueueTest : public ::testing::Test, protected SendBench {
protected:
    void runToIdle() { ASSERT_TRUE(SendBench::runToIdle()) << "the send path never came to rest"; }
};

std::string Pattern(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 7 + i / 256);
    return data;
}

TEST_F(SendQueueTest, LongSendGoesOutWholeInPiecesThatFitWithOneDoneReport) {
    const std::string data = Pattern(10000);
    queue.queueSend(data, true);
    runToIdle();
    EXPECT_EQ(port.wire, data);
    ASSERT_EQ(port.writes.size(), 5u);
    for (const std::string& piece : port.writes)
        EXPECT_LE(piece.size(), 2048u);
    EXPECT_EQ(host.emptied, 1);
    EXPECT_EQ(host.total, 10000u);
    EXPECT_TRUE(queue.idle());
}

TEST_F(SendQueueTest, KeysTypedDuringAQueuedSendGoBehindIt) {
    options.localEcho = true;
    options.crLf = true;
    const std::string data = Pattern(5000);
    queue.queueSend(data, true);
    queue.typeKey('x');
    queue.typeKey('\r');
    EXPECT_EQ(host.echoed, "") << "keys are echoed as they go out";
    runToIdle();
    EXPECT_EQ(port.wire, data + "x\r\n");
    EXPECT_EQ(host.echoed, "x\r\n"); // queued data is echoed only for a transmit window
}

TEST_F(SendQueueTest, KeysTypedWhileKeysAreInFlightWaitAndFollow) {
    queue.typeKey('a');
    queue.typeKey('b');
    queue.typeKey('c');
    ASSERT_EQ(port.writes, std::vector<std::string>{"a"});
    runToIdle();
    EXPECT_EQ(port.wire, "abc");
    EXPECT_EQ(port.writes.size(), 2u);
}

TEST_F(SendQueueTest, ClosedPortSendsAndKeepsNothing) {
    port.open = false;
    options.localEcho = true;
    queue.typeKey('a');
    queue.queueSend("data", true);
    port.open = true;
    queue.flushTypedKeys();
    runToIdle();
    EXPECT_EQ(port.wire, "");
    EXPECT_EQ(host.echoed, "");
}

TEST_F(SendQueueTest, FiveQvRaisesRtsBeforeEachWriteAndDropsItAfterTheHold) {
    options.fiveQv = true;
    options.rtsHoldMs = RtsHoldMs(5);
    host.events = &port.events;
    queue.queueSend(Pattern(3000), true);
    runToIdle();
    const std::vector<std::string> expected = {"rts+", "write", "hold", "rts-",
                                               "rts+", "write", "hold", "rts-"};
    EXPECT_EQ(port.events, expected);
    EXPECT_EQ(host.holds, (std::vector<int>{6, 6}));
    EXPECT_FALSE(port.rts);
}

TEST_F(SendQueueTest, WriteDoneWithNothingWrittenDoesNotStallTheQueue) {
    // The transmit buffer is full with bytes written outside the queue.
    port.pending = std::string(2048, 'k');
    queue.queueSend("queued", true);
    EXPECT_TRUE(port.writes.empty());
    port.complete();
    port.lastCount = 0;
    queue.writeDone();
    runToIdle();
    EXPECT_EQ(port.wire, std::string(2048, 'k') + "queued");
}

TEST_F(SendQueueTest, OnlyUserDataIsMirrored) {
    options.mirror = true;
    queue.queueSend("from user", true);
    queue.queueSend(" mirrored", false);
    runToIdle();
    EXPECT_EQ(host.mirrored, "from user");
    queue.setNmsReplyMode(true);
    queue.queueSend("frame", true);
    EXPECT_EQ(host.mirrored, "from user");
}

TEST_F(SendQueueTest, CancelDropsTheQueueAndPurgesTheDriver) {
    queue.queueSend(Pattern(5000), true);
    queue.cancel();
    runToIdle();
    EXPECT_EQ(port.wire, "");
    EXPECT_EQ(port.flushes, 1);
    EXPECT_TRUE(queue.idle());
}

// A write that fails with the port open would fail again: its send ends with
// what the line took, visibly, and the next send goes out whole.
TEST_F(SendQueueTest, AFailedWriteEndsItsSendWithoutAHole) {
    const std::string data = Pattern(5000);
    queue.queueSend(data, true);
    port.complete(100);
    queue.writeDone();
    queue.queueSend("next", true);
    runToIdle();
    EXPECT_EQ(port.wire, data.substr(0, 100) + "next");
    EXPECT_EQ(host.ended, 1);
}

// A key typed while the one before it is in flight waits; neither a cancel nor
// the end of the sends drops it.
TEST_F(SendQueueTest, KeysWaitingBehindAKeyInFlightOutliveACancelAndAClose) {
    for (void (TerminalSendQueue::*stop)() : {&TerminalSendQueue::cancel, &TerminalSendQueue::stopSending}) {
        port.wire.clear();
        queue.typeKey('a');
        queue.typeKey('b');
        (queue.*stop)();
        runToIdle();
        EXPECT_EQ(port.wire, "ab");
        queue.typeKey('c');
        runToIdle();
        EXPECT_EQ(port.wire, "abc");
    }
}

// An escape line holds the line from its first character to the pause after its
// last, each pause counted from when the character before it left: a character
// the line holds is waited for, and a timer that fires early runs on for the
// rest of the pause. A key typed meanwhile waits in the queue, not in the port.
TEST_F(SendQueueTest, EscapePausesRunFromWhenEachCharacterLeftAndHoldEverythingElse) {
    port.lineHeld = true;
    queue.queueEscape("+++", true);
    queue.typeKey('k');
    EXPECT_EQ(host.escapeTimer, TerminalSendQueue::kEscapePoll);
    fireEscapeTimer(20ms);
    EXPECT_EQ(host.escapeTimer, TerminalSendQueue::kEscapePoll) << "the first '+' still waits";
    port.releaseLine();
    fireEscapeTimer(5ms);
    EXPECT_EQ(host.escapeTimer, 100ms);
    fireEscapeTimer(95ms);
    EXPECT_EQ(port.wire, "+");
    EXPECT_EQ(host.escapeTimer, 5ms);
    fireEscapeTimer(5ms);
    EXPECT_EQ(port.wire, "++");
    fireEscapeTimer(100ms);
    EXPECT_EQ(port.writes, std::vector<std::string>{"+"});
    port.complete();
    queue.writeDone();
    EXPECT_EQ(host.emptied, 1);
    queue.queueSend("AT", true);
    fireEscapeTimer(99ms);
    EXPECT_EQ(port.writes.size(), 1u) << "the pause after the last '+' holds the line too";
    runToIdle();
    EXPECT_EQ(port.wire, "+++kAT");
    EXPECT_TRUE(queue.idle());
}

// The user's typed bytes (upper case, digits, CR and LF) and sent data (lower
// case) never share a byte.
std::string TypedOnly(const std::string& bytes) {
    std::string typed;
    std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(typed), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '\r' || c == '\n';
    });
    return typed;
}

bool InOrderWithin(const std::string& part, const std::string& whole) {
    size_t at = 0;
    for (char c : whole)
        at += at < part.size() && part[at] == c;
    return at == part.size();
}

// Keys typed while something is being sent are the user's: whatever is sent
// beside them and however the sending ends, each typed byte reaches the line
// once, in the order typed, and the screen (local echo) shows the line's bytes in
// the line's order. A send started between typed keys goes out between them. A
// send keeps the echo it was given with when the transmit window's source,
// local echo or the NMS reply mode change as it goes out.
TEST(SendPathTable, TypedBytesArriveOnceInOrderAndTheEchoFollowsTheLine) {
    struct Source {
        const char* name;
        std::string typed; // what the source itself types
        std::string data;  // what it sends through the queue
        int repeats;
        bool escape = false; // the data is an escape line
    };
    std::string file(19800, '\0');
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<char>('a' + i % 26);
    const Source sources[] = {
        {"typed key", "AB", "", 0},         {"Enter", "\r", "", 0}, {"paste", "", "pasted text", 0},
        {"script", "", "script line", 0},   {"file", "", file, 0},  {"repeat", "", file.substr(0, 300), 3},
        {"escape line", "", "+++", 0, true}};
    enum End { Written, Cancelled, PortClosed, PortLent };
    for (const Source& source : sources)
        for (End end : {Written, Cancelled, PortClosed, PortLent})
            for (int capacity : {1, 7, 10240})
                for (const auto& [laterSend, sourceChanges] :
                     {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
                    const std::string label = std::string(source.name) + " end " + std::to_string(end) +
                                              " buffer " + std::to_string(capacity) +
                                              (laterSend ? " later send" : "") +
                                              (sourceChanges ? " source changes" : "");
                    if (sourceChanges && source.repeats > 0)
                        continue; // a repeat after the change is a send of its own
                    SendBench b;
                    b.port.capacity = capacity;
                    b.options.localEcho = b.options.crLf = true;
                    b.host.echoQueuedData = true;
                    int repeatsLeft = source.repeats;
                    b.host.onEmptied = [&] {
                        if (repeatsLeft-- > 0)
                            b.queue.queueSend(source.data, true);
                    };
                    for (char c : source.typed)
                        b.queue.typeKey(c);
                    if (source.escape)
                        b.queue.queueEscape(source.data, true);
                    else if (!source.data.empty())
                        b.queue.queueSend(source.data, true);
                    for (char c : std::string("KC1")) {
                        b.step();
                        b.queue.typeKey(c);
                        if (laterSend && c == 'K')
                            b.queue.queueSend("later", true);
                    }
                    b.host.echoQueuedData = !sourceChanges;
                    if (sourceChanges) {
                        b.options.localEcho = false;
                        b.queue.setNmsReplyMode(true);
                    }
                    if (end == Cancelled) {
                        repeatsLeft = 0;
                        b.queue.cancel();
                    } else if (end != Written) {
                        // The close ends the write on its way with half of it on the line.
                        repeatsLeft = 0;
                        b.port.open = false;
                        const bool ended = !b.port.pending.empty();
                        b.port.complete(b.port.pending.size() / 2);
                        if (end == PortClosed)
                            b.queue.stopSending();
                        if (ended)
                            b.queue.writeDone();
                        ASSERT_TRUE(b.runToIdle()) << label;
                        b.port.open = true;
                        b.queue.flushTypedKeys(); // the terminal shows the port open again
                    }
                    ASSERT_TRUE(b.runToIdle()) << label;
                    std::string typed; // CR goes out as CR LF
                    for (char c : source.typed + "KC1")
                        typed += c == '\r' ? std::string("\r\n") : std::string(1, c);
                    EXPECT_EQ(TypedOnly(b.port.wire), typed) << label;
                    EXPECT_EQ(TypedOnly(b.host.echoed), typed) << label;
                    EXPECT_TRUE(InOrderWithin(b.port.wire, b.host.echoed)) << label;
                    // Nothing comes between an escape line's characters.
                    const size_t escape = b.port.wire.find('+');
                    if (escape != std::string::npos) {
                        EXPECT_GT(b.port.wire.find_first_not_of('+', escape), b.port.wire.rfind('+'))
                            << label;
                    }
                    if (end == Written) {
                        EXPECT_EQ(b.host.echoed, b.port.wire) << label;
                    }
                    if (end == Written && source.repeats == 0) {
                        EXPECT_EQ(b.port.wire, typed.substr(0, typed.size() - 3) + source.data + "K" +
                                                   (laterSend ? "later" : "") + "C1")
                            << label;
                    }
                }
}

} // namespace
