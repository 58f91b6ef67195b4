#include "terminal/terminal_send_queue.h"

#include <deque>
#include <gtest/gtest.h>

namespace {

// A port whose writes complete when the test says so.
class FakePort : public TerminalPortLink {
public:
    bool open = true;
    int capacity = 2048;
    std::string pending;
    std::vector<std::string> writes;
    std::string wire;
    int lastCount = 0;
    bool rts = false;
    std::vector<std::string> events; // "rts+", "write", "rts-", in order
    int flushes = 0;

    bool portOpen() const override { return open; }
    int transmitRoom() const override { return capacity - static_cast<int>(pending.size()); }
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
    void flushTransmit() override { ++flushes; }

    // The transmitter ran empty.
    void complete() {
        wire += pending;
        lastCount = static_cast<int>(pending.size());
        pending.clear();
    }
};

class FakeHost : public TerminalSendHost {
public:
    std::string echoed;
    std::string mirrored;
    bool echoQueuedData = false;
    std::deque<int> posted;
    int emptied = 0;
    std::vector<int> holds;
    uint32_t total = 0;
    std::vector<std::string>* events = nullptr;

    void echo(std::string_view bytes) override { echoed += bytes; }
    bool echoQueued() const override { return echoQueuedData; }
    void mirror(std::string_view bytes) override { mirrored += bytes; }
    void postSendNext() override { posted.push_back(kSendNext); }
    void postKeysReady() override { posted.push_back(kKeysReady); }
    void queueEmptied() override { ++emptied; }
    void holdRts(int ms) override {
        holds.push_back(ms);
        if (events)
            events->push_back("hold");
    }
    void transmitted(uint32_t count) override { total = count; }

    static constexpr int kSendNext = 1;
    static constexpr int kKeysReady = 2;
};

class SendQueueTest : public ::testing::Test {
protected:
    FakePort port;
    FakeHost host;
    TerminalOptions options;
    TerminalSendQueue queue{port, host, options};

    // Completes writes and delivers the posted messages until nothing moves.
    void runToIdle() {
        for (int guard = 0; guard < 1000; ++guard) {
            if (!host.posted.empty()) {
                const int message = host.posted.front();
                host.posted.pop_front();
                if (message == FakeHost::kSendNext)
                    queue.sendNextChunk();
                else
                    queue.typedKeysSent();
            } else if (!port.pending.empty()) {
                port.complete();
                queue.writeDone();
            } else {
                return;
            }
        }
        FAIL() << "the send path never came to rest";
    }
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
    EXPECT_EQ(host.echoed, "x\r\n"); // queued data is echoed only for a transmit window
    runToIdle();
    EXPECT_EQ(port.wire, data + "x\r\n");
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
    EXPECT_EQ(port.wire.size(), 2048u);
    EXPECT_EQ(port.flushes, 1);
    EXPECT_TRUE(queue.idle());
}

// A key typed while the one before it is in flight waits; neither a cancel nor
// closing the port drops it. After a cancel it goes at once, after a close with
// the next key.
TEST_F(SendQueueTest, KeysWaitingBehindAKeyInFlightOutliveACancelAndAClose) {
    struct Stop {
        void (TerminalSendQueue::*stop)();
        const char* sentAtOnce;
    };
    for (const auto& [stop, sentAtOnce] :
         {Stop{&TerminalSendQueue::cancel, "ab"}, Stop{&TerminalSendQueue::stopSending, "a"}}) {
        port.wire.clear();
        queue.typeKey('a');
        queue.typeKey('b');
        (queue.*stop)();
        runToIdle();
        EXPECT_EQ(port.wire, sentAtOnce);
        queue.typeKey('c');
        runToIdle();
        EXPECT_EQ(port.wire, "abc");
    }
}

} // namespace
