#include "serial/tquovixcommport.h"

#include "event_loop.h"
#include "port_backends.h"
#include "serial/tcomm_event.h"
#include "support/message_box_recorder.h"

#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string_view>

namespace {

char* Malloced(const std::string& bytes) {
    char* buffer = static_cast<char*>(std::malloc(bytes.size()));
    std::memcpy(buffer, bytes.data(), bytes.size());
    return buffer;
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 13 + i / 256);
    return bytes;
}

// A component in background run on COM7 that records what its owner hears.
class CommPortTest : public testing::Test {
protected:
    explicit CommPortTest(Backend backend = Backend::Virtual) : bench(backend) {
        port.setPortin_nro(COM7);
        port.setover(true);
        port.SetEvents({ceRxChar, ceTxEmpty, ceErr, ceCts});
        port.vaihda_rx_size(2048);
        port.vaihda_tx_size(2048);
        port.vaihda_rx_raja(2048);
        port.tulleet_merkit = [this](TQuovixCommPort* sender) {
            log += "rx ";
            char* bytes = sender->lue_rx_char();
            chunks.push_back(sender->merkkien_maara());
            received.append(bytes, static_cast<size_t>(sender->merkkien_maara()));
            std::free(bytes);
            onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        };
        port.lahteneet_merkit = [this](TQuovixCommPort* sender) {
            log += "tx ";
            sent += sender->LastWritten();
            onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        };
        port.tapahtumat = [this](TQuovixCommPort* sender) {
            log += "ev ";
            words.push_back(sender->tapahtumasana);
            openAtEvent.push_back(sender->IsOpen());
            errors |= sender->linjavirheet;
            onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
        };
    }

    bool Send(const std::string& bytes) {
        port.lahetettavat(Malloced(bytes), static_cast<int>(bytes.size()));
        return true;
    }

    MessageBoxRecorder boxes;
    PortBench bench;
    TQuovixCommPort port;
    std::string log;
    std::string received;
    std::vector<int> chunks;
    int sent = 0;
    std::vector<uint32_t> words;
    std::vector<bool> openAtEvent;
    uint32_t errors = 0;
    bool onGuiThread = true;
};

class VirtualCommPort : public CommPortTest {
protected:
    VirtualPort& far = *bench.Virtual();
};

} // namespace

TEST_F(VirtualCommPort, BytesBothWaysFireTheOwnersEventsOnTheGuiThread) {
    port.aukaise(false);
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(far.NearSettings().BaudRate, 9600u);
    far.Write("hello");
    ASSERT_TRUE(ProcessEventsUntil([&] { return received == "hello"; }, 2000ms));
    Send("world!");
    EXPECT_EQ(far.ReadFor(6, 2000ms), "world!");
    ASSERT_TRUE(ProcessEventsUntil([&] { return sent == 6; }, 2000ms));
    EXPECT_TRUE(onGuiThread);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(VirtualCommPort, OneWordFiresWriteDoneThenReceivedThenTheEvent) {
    far.SetPacing(true);
    port.aukaise(false);
    Send("0123456789"); // about 10 ms on the line at 9600 baud: the write pends
    far.Write("abc");
    far.ReadFor(10, 2000ms);
    std::this_thread::sleep_for(50ms);
    log.clear();
    port.mita_tapahtui(EV_TXEMPTY | EV_RXCHAR, 0);
    EXPECT_EQ(log, "tx rx ev ");
    EXPECT_EQ(words.back(), uint32_t(EV_TXEMPTY | EV_RXCHAR));
    EXPECT_EQ(received, "abc");
}

TEST_F(VirtualCommPort, ABurstArrivesAtMostRxNotifyBytesPerEvent) {
    port.aukaise(false);
    const std::string burst = Pattern(5000);
    far.Write(burst);
    ASSERT_TRUE(ProcessEventsUntil([&] { return received.size() == burst.size(); }, 3000ms));
    EXPECT_EQ(received, burst);
    EXPECT_EQ(chunks, (std::vector<int>{2048, 2048, 904}));

    char* copy = port.lue_rx_char();
    EXPECT_EQ(copy[904], '\0');
    std::free(copy);
}

TEST_F(VirtualCommPort, AFailedWaitClosesReportsAndReopensOnceQuietly) {
    port.aukaise(false);
    port.tapahtumat = [this](TQuovixCommPort* sender) {
        words.push_back(sender->tapahtumasana);
        openAtEvent.push_back(sender->IsOpen());
        far.SetWaitsFail(false);
    };
    far.SetWaitsFail(true);
    // The thread posts its failure at every pass until it is stopped: let several
    // posts queue up. Only the first counts.
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !words.empty(); }, 3000ms));
    ProcessEventsFor(300ms);
    EXPECT_EQ(words, std::vector<uint32_t>{kCommWaitFailedBit});
    EXPECT_EQ(openAtEvent, std::vector<bool>{false});
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(boxes.texts().empty());
    far.Write("after");
    EXPECT_TRUE(ProcessEventsUntil([&] { return received == "after"; }, 2000ms));
}

TEST_F(VirtualCommPort, CtsLowFlagFollowsTheLine) {
    port.aukaise(false);
    far.SetCts(true);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !words.empty(); }, 2000ms));
    EXPECT_FALSE(port.cts_alhaalla);
    EXPECT_TRUE(port.CTS_status());
    far.SetCts(false);
    ASSERT_TRUE(ProcessEventsUntil([&] { return port.cts_alhaalla; }, 2000ms));
    EXPECT_FALSE(port.CTS_status());
}

TEST_F(VirtualCommPort, LineErrorsReachTheOwnerApartFromTheWaitBit) {
    port.aukaise(false);
    far.InjectLineErrors(CE_RXPARITY | CE_FRAME);
    ASSERT_TRUE(ProcessEventsUntil([&] { return errors != 0; }, 2000ms));
    EXPECT_EQ(errors, uint32_t(CE_RXPARITY | CE_FRAME));
    EXPECT_EQ(words.back(), uint32_t(EV_ERR));

    // A status read on the GUI thread that takes an error before the event
    // thread does keeps it for the error event. Without a thread, the test posts
    // the event, which found the driver's errors already taken.
    port.sulje();
    port.setover(false);
    port.aukaise(false);
    const std::pair<const char*, std::function<void()>> reads[] = {
        {"escape character check", [&] { port.CharacterWaiting(); }},
        {"receive", [&] { port.luku_aloita(); }},
    };
    for (const auto& [name, read] : reads) {
        errors = 0;
        far.InjectLineErrors(CE_OVERRUN);
        read();
        port.WndProc(WM_COMM_EVENT, CommPostWParam(port.OpenCount(), EV_ERR), 0);
        EXPECT_EQ(errors, uint32_t(CE_OVERRUN)) << name;
    }
}

TEST_F(VirtualCommPort, AnOversizedBlockIsDroppedWhole) {
    port.vaihda_tx_size(512);
    Send(std::string(600, 'x')); // closed: only freed
    port.aukaise(false);
    Send(std::string(600, 'x'));
    EXPECT_EQ(port.TxPending(), 0);
    ProcessEventsFor(50ms);
    EXPECT_EQ(far.Read(), "");
    EXPECT_EQ(log, "");
    Send(std::string(512, 'y'));
    EXPECT_EQ(far.ReadFor(512, 2000ms), std::string(512, 'y'));
}

TEST_F(VirtualCommPort, BytesQueuedWhileAWriteIsInFlightFollowIt) {
    port.aukaise(false);
    Send("abc"); // completes at once; its done-message is still queued
    Send("def");
    ASSERT_TRUE(ProcessEventsUntil([&] { return sent == 6; }, 2000ms));
    EXPECT_EQ(far.ReadFor(6, 1000ms), "abcdef");
}

TEST_F(VirtualCommPort, AWriteThatFailsAtOnceReportsDropsTheQueueAndGoesIdle) {
    port.aukaise(false);
    far.Vanish();
    Send("lost");
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.find("tx") != std::string::npos; }, 2000ms));
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(port.TxPending(), 0);
    ASSERT_FALSE(boxes.texts().empty());
    EXPECT_EQ(boxes.texts()[0].rfind("Write failed on ComPort COM7!", 0), 0u);
}

TEST_F(VirtualCommPort, AWriteThatFailsOnItsWayDoesNotHoldTheGuiThread) {
    far.SetPacing(true);
    port.vaihda_bitti_nop(br___300);
    port.aukaise(false);
    Send(std::string(100, 'z')); // over three seconds on the line
    ProcessEventsFor(50ms);
    far.Vanish();
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.find("tx") != std::string::npos; }, 2000ms));
    // Its end counts the bytes that left before the device went.
    const std::string arrived = far.ReadFor(100, 1ms);
    EXPECT_FALSE(arrived.empty());
    EXPECT_EQ(static_cast<size_t>(sent), arrived.size());
}

TEST_F(VirtualCommPort, ClosingStopsTheEventThreadPromptly) {
    port.aukaise(false);
    ProcessEventsFor(30ms);
    const auto start = std::chrono::steady_clock::now();
    port.sulje();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 510ms + 100ms);
    EXPECT_FALSE(far.NearEndOpen());
    far.Write("late");
    ProcessEventsFor(50ms);
    EXPECT_EQ(received, "");
}

TEST_F(VirtualCommPort, SettingsApplyAtOnceWhileOpenAndFailuresAreBoxed) {
    port.setPortin_nro(COM7);
    port.vaihda_bitti_luku(db_7_Seven);
    port.vaihda_pariteetti(pbEven);
    EXPECT_EQ(far.NearSettings().ByteSize, 8) << "a closed port only stores";
    port.aukaise(false);
    DCB seen = far.NearSettings();
    EXPECT_EQ(seen.ByteSize, 7);
    EXPECT_EQ(seen.Parity, EVENPARITY);
    port.vaihda_bitti_nop(br921600);
    port.vaihda_stop(sbTwo);
    seen = far.NearSettings();
    EXPECT_EQ(seen.BaudRate, 921600u);
    EXPECT_EQ(seen.StopBits, TWOSTOPBITS);

    port.vaihda_bitti_luku(db_4_Four);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Port COM7 can't set it's parameter ! 4"});
    EXPECT_EQ(boxes.boxes()[0].caption, "Port set failed");
    EXPECT_EQ(port.Databits(), db_4_Four);
}

TEST_F(VirtualCommPort, FlowRuleDrivesTheLinesAndTheCtsWatch) {
    port.setdtrmode(dtrENABLE);
    port.setrtsmode(rtsHANDSHAKE);
    port.SetEvents({ceRxChar});
    port.aukaise(false);
    EXPECT_TRUE(far.Dtr());
    EXPECT_TRUE(far.NearSettings().fOutxCtsFlow);
    port.setrtsmode(rtsDISABLE);
    EXPECT_FALSE(far.Rts());
    EXPECT_FALSE(far.NearSettings().fOutxCtsFlow);
    port.setrtsmode(rtsHANDSHAKE); // watches CTS from now on
    far.SetCts(true);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !words.empty() && (words.back() & EV_CTS); }, 2000ms));
    port.setrtsline(false);
    EXPECT_FALSE(far.Rts());
}

TEST_F(VirtualCommPort, TransmitPurgeActsOnlyOnMoreThanTenQueuedBytes) {
    far.SetPacing(true);
    port.vaihda_bitti_nop(br___300);
    port.aukaise(false);
    Send("0123456789");
    port.flushtx();
    EXPECT_EQ(far.ReadFor(10, 2000ms), "0123456789") << "ten queued bytes are left alone";
    ProcessEventsUntil([&] { return sent == 10; }, 2000ms);

    Send(std::string(40, 'q'));
    port.flushtx();
    ProcessEventsFor(200ms);
    const size_t onTheLine = far.Read().size();
    EXPECT_LT(onTheLine, 40u);
    EXPECT_LE(port.TxPending() + onTheLine, 40u) << "the component keeps its queue less what the device took";
    EXPECT_TRUE(boxes.texts().empty());
}

// Every byte of the pattern is distinct, so a byte received twice was sent twice.
bool NoByteTwice(const std::string& bytes) {
    std::string sorted = bytes;
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

TEST_F(VirtualCommPort, NoQueuedByteIsSentTwiceAfterACancelOrAClose) {
    far.SetPacing(true);
    port.vaihda_bitti_nop(br__2400);
    port.aukaise(false);
    Send(Pattern(100));
    std::this_thread::sleep_for(60ms);
    port.flushtx();
    Send("END");
    std::string received = far.ReadFor(200, 1500ms);
    EXPECT_TRUE(NoByteTwice(received.substr(0, received.size() - 3))) << "after the transmit purge";

    Send(Pattern(100));
    ProcessEventsFor(150ms);
    port.sulje();
    port.aukaise(false);
    ProcessEventsFor(600ms);
    received = far.Read();
    EXPECT_TRUE(NoByteTwice(received)) << "after closing and reopening";
    EXPECT_LE(received.size(), 100u);
}

TEST_F(VirtualCommPort, AFullQueueIsEmptiedByClosingAndTheReopenedPortSends) {
    far.SetPacing(true);
    port.vaihda_bitti_nop(br___300);
    port.aukaise(false);
    Send(std::string(2048, 'f'));
    port.sulje();
    EXPECT_EQ(port.TxPending(), 0);
    port.aukaise(false);
    Send("ok");
    EXPECT_EQ(port.TxPending(), 2) << "the send after the reopen is queued, not dropped";
}

// A close during a held-up write drops what the line has not taken, as the
// driver would otherwise hold the close until it had, and the owner hears of
// only the bytes that went out.
TEST_F(VirtualCommPort, AClosedPortDropsWhatTheLineHasNotTakenAndCountsWhatWent) {
    far.SetPacing(true);
    port.vaihda_bitti_nop(br__2400);
    port.aukaise(false);
    Send(Pattern(100));
    ProcessEventsFor(100ms);
    port.sulje();
    const std::string arrived = far.ReadFor(100, 600ms);
    ProcessEventsFor(50ms);
    EXPECT_LT(arrived.size(), 100u);
    EXPECT_EQ(sent, static_cast<int>(arrived.size()));
}

TEST_F(VirtualCommPort, SixFailedErrorQueriesInARowBringTheBox) {
    port.aukaise(false);
    port.luku_aloita(); // a success starts the count again
    far.Vanish();
    for (int i = 0; i < 5; ++i)
        port.luku_aloita();
    EXPECT_TRUE(boxes.texts().empty());
    port.luku_aloita();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ClearCommError on ComPort COM7!"});
    EXPECT_EQ(boxes.boxes()[0].caption, "Port failed");
}

// However small the notify level, one event takes all the driver holds, so the
// port keeps up with the line.
TEST_F(VirtualCommPort, OneEventReadsAllHeldBytesInChunksOfAtMostRxNotify) {
    const std::string burst = Pattern(3000);
    for (int notify : {2048, 7, 1}) {
        received.clear();
        chunks.clear();
        port.vaihda_rx_raja(notify);
        port.aukaise(false);
        far.Write(burst);
        std::this_thread::sleep_for(20ms);
        port.mita_tapahtui(EV_RXCHAR, 0);
        EXPECT_TRUE(received == burst) << notify << ": " << received.size() << " bytes";
        EXPECT_EQ(*std::max_element(chunks.begin(), chunks.end()), std::min(notify, 3000)) << notify;
        port.sulje();
    }
}

// An owner that waits in a box over a chunk (a nested event loop) gets what came
// meanwhile after it returns, never inside it.
TEST_F(VirtualCommPort, BytesArrivingWhileTheOwnerWaitsOverAChunkFollowItInLineOrder) {
    port.vaihda_rx_raja(4);
    port.aukaise(false);
    int depth = 0;
    int deepest = 0;
    const auto record = port.tulleet_merkit;
    port.tulleet_merkit = [&](TQuovixCommPort* sender) {
        deepest = std::max(deepest, ++depth);
        record(sender);
        if (received == "0123") {
            far.Write("456789");
            ProcessEventsFor(100ms);
        }
        --depth;
    };
    far.Write("0123");
    ASSERT_TRUE(ProcessEventsUntil([&] { return received.size() == 10; }, 3000ms));
    EXPECT_EQ(received, "0123456789");
    EXPECT_EQ(deepest, 1);
}

TEST(CommPortMessages, OpeningMissingOrBusyPortsSaysSoUnlessQuiet) {
    MessageBoxRecorder boxes;
    PortBench bench(Backend::Virtual);
    TQuovixCommPort port;
    port.aukaise(true);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(boxes.texts().empty());
    port.aukaise(false);
    port.setPortin_nro(COM10);
    port.tila(true);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Port COM2 doesn't exist or is already in use",
                                                       "Port COM10 doesn't exist or is already in use"}));
    EXPECT_EQ(boxes.boxes()[0].caption, "Error opening port");
    EXPECT_EQ(boxes.boxes()[0].flags, unsigned(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(port.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(port.DSR_status());
}

TEST(CommPortMessages, SettersClampTheNotifyLimits) {
    TQuovixCommPort port;
    port.vaihda_rx_size(2048);
    port.vaihda_rx_raja(5000);
    EXPECT_EQ(port.RX_notify(), 2048);
    port.vaihda_rx_size(256);
    EXPECT_EQ(port.RX_notify(), 256);
    port.vaihda_rx_size(0);
    port.vaihda_rx_raja(0);
    EXPECT_EQ(port.RX_puskurin_koko(), 1);
    EXPECT_EQ(port.RX_notify(), 1) << "a level of 0 would never receive";
    EXPECT_EQ(port.virhe_kasittelija(),
              "T\xE4m\xE4  virhek\xE4sittelij\xE4 ei toimi en\xE4\xE4 WIN95:n kanssa");
}

// ---------------------------------------------------------------------------
// Polled run

TEST_F(VirtualCommPort, PolledRunReadsWhatIsQueuedAndLowersTheLimit) {
    port.setover(false);
    port.aukaise(false);
    unsigned long count = 99;
    EXPECT_EQ(port.ReadDirect(&count), nullptr);
    EXPECT_EQ(count, 0u);
    far.Write("1234567");
    ProcessEventsFor(10ms);
    char* bytes = port.ReadDirect(&count);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, count), "1234567");
    EXPECT_EQ(port.RX_notify(), 7);
    std::free(bytes);
    EXPECT_EQ(port.WriteDirect("abc", 3), 3);
    EXPECT_EQ(far.ReadFor(3, 1000ms), "abc");
    EXPECT_EQ(log, "") << "a polled port fires no events";
    port.sulje();
    EXPECT_EQ(port.WriteDirect("abc", 3), 0);
}

// ---------------------------------------------------------------------------
// Over a pseudo-terminal: the real termios path

namespace {
class PtyCommPort : public CommPortTest {
protected:
    PtyCommPort() : CommPortTest(Backend::Pty) {}
};
} // namespace

TEST_F(PtyCommPort, OpensByNumberAndCarriesBytesBothWaysAtHighRates) {
    for (TBaudRate rate : {br115200, br921600}) {
        received.clear();
        sent = 0;
        port.vaihda_bitti_nop(rate);
        port.aukaise(false);
        ASSERT_TRUE(port.IsOpen()) << BaudRateValue(rate);
        const std::string in = Pattern(3000);
        bench.Far().Write(in);
        ASSERT_TRUE(ProcessEventsUntil([&] { return received.size() >= in.size(); }, 3000ms));
        EXPECT_EQ(received, in);
        const std::string out = Pattern(1500).substr(7);
        Send(out);
        EXPECT_EQ(bench.Far().ReadFor(out.size(), 2000ms), out);
        ASSERT_TRUE(ProcessEventsUntil([&] { return sent == static_cast<int>(out.size()); }, 2000ms));
        port.sulje();
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(PtyCommPort, ASecondOpenOfTheSamePortIsRefused) {
    port.aukaise(false);
    TQuovixCommPort second;
    second.setPortin_nro(COM7);
    second.aukaise(false);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Port COM7 doesn't exist or is already in use"});
}

TEST_F(PtyCommPort, ClosingTheFarEndMidSessionEndsQuietlyWithoutHanging) {
    port.aukaise(false);
    bench.Far().Write("x");
    ASSERT_TRUE(ProcessEventsUntil([&] { return received == "x"; }, 2000ms));
    bench.Far().Vanish();
    ASSERT_TRUE(
        ProcessEventsUntil([&] { return !words.empty() && words.back() == kCommWaitFailedBit; }, 3000ms));
    ProcessEventsFor(100ms);
    EXPECT_FALSE(port.IsOpen()) << "the device is gone, so the quiet reopen fails";
    EXPECT_TRUE(boxes.texts().empty());
}

// With parity on, a byte with a parity or framing error must reach the owner as
// it came off the line, the error told by the line-error flags alone: the
// terminal layer neither replaces such a byte by 0 (INPCK) nor drops (IGNPAR) or
// marks (PARMRK) it. A pseudo-terminal carries no line errors and keeps no parity
// (it clears PARENB), so what it shows is the input modes the port set.
TEST_F(PtyCommPort, WithParityOnErrorBytesArriveAsOnTheLine) {
    for (TParityBits parity : {pbOdd, pbEven, pbMark, pbSpace}) {
        port.vaihda_pariteetti(parity);
        port.aukaise(false);
        EXPECT_EQ(bench.Pty()->Modes().c_iflag & (INPCK | IGNPAR | PARMRK), 0u) << parity;
        port.sulje();
    }
}

namespace {

// The bytes of stream `tag` (0..31): the tag in the high five bits of every
// byte, so the far end can tell where one stream ends and the next begins, and
// generated bits below it, so a byte missing or repeated shifts what follows out
// of step.
std::string Stream(uint32_t tag, size_t size) {
    std::string bytes(size, '\0');
    uint32_t seed = tag;
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>((tag << 3) | ((seed >> 16) & 7));
    }
    return bytes;
}

} // namespace

// The length of the longest common start of two byte strings.
size_t CommonStart(std::string_view a, std::string_view b) {
    return static_cast<size_t>(
        std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin());
}

// The far end reads slower than the component sends, so a write is always held
// up; the port is closed and reopened again and again while blocks keep coming,
// at moments that vary from round to round (just after a block was queued, with
// the write on its way, with done-messages still queued). Each open sends a stream
// of its own. The far end must see of each stream a start (the close dropped the
// rest, once) and of the last stream everything, in order, each byte once.
TEST_F(PtyCommPort, CloseAndReopenDuringAHeldUpWriteNeitherLosesNorRepeatsQueuedBytes) {
    constexpr int kTxSize = 16384;
    constexpr size_t kBlock = 1500;
    constexpr int kRounds = 16;
    port.vaihda_tx_size(kTxSize);
    port.vaihda_bitti_nop(br921600);
    std::vector<std::string> streams;
    std::string farSaw;
    const auto queueWhatFits = [&](const std::string& pool, size_t& offered) {
        while (offered + kBlock <= pool.size() && port.TxPending() + static_cast<int>(kBlock) <= kTxSize) {
            Send(pool.substr(offered, kBlock));
            offered += kBlock;
        }
    };
    port.aukaise(false);
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_TRUE(port.IsOpen());
        const std::string pool = Stream(static_cast<uint32_t>(round), 200 * kBlock);
        size_t offered = 0;
        for (int step = 0; step < 3 + round * 5 % 17; ++step) {
            queueWhatFits(pool, offered);
            QCoreApplication::processEvents();
            farSaw += bench.Far().ReadFor(400, 2ms);
        }
        if (round % 2 == 1) {
            // Drained, so the next block leaves at once and the close comes with
            // its done-message still queued; the next round queues at once too.
            ProcessEventsUntil(
                [&] {
                    farSaw += bench.Far().ReadFor(1 << 16, 5ms);
                    return port.TxPending() == 0;
                },
                3000ms);
            farSaw += bench.Far().ReadFor(1 << 16, 20ms);
            Send(pool.substr(offered, kBlock));
            offered += kBlock;
        }
        streams.push_back(pool.substr(0, offered));
        port.sulje();
        port.aukaise(false);
    }
    // The last open: everything queued must arrive.
    const std::string last = Stream(kRounds, 12 * kBlock);
    size_t offered = 0;
    ProcessEventsUntil(
        [&] {
            queueWhatFits(last, offered);
            farSaw += bench.Far().ReadFor(1 << 16, 5ms);
            return offered == last.size() && port.TxPending() == 0 && farSaw.size() >= last.size() &&
                   std::string_view(farSaw).substr(farSaw.size() - last.size()) == last;
        },
        10000ms);
    farSaw += bench.Far().ReadFor(1 << 16, 50ms);
    streams.push_back(last);

    std::string_view rest = farSaw;
    for (size_t k = 0; k + 1 < streams.size(); ++k)
        rest.remove_prefix(CommonStart(rest, streams[k]));
    EXPECT_EQ(rest.size(), last.size()) << "bytes lost or sent twice before the last open";
    EXPECT_TRUE(rest == last) << "the last open's bytes did not come once each, in order";
    EXPECT_TRUE(boxes.texts().empty());
}

// A write's done-message from before a close, handled after the reopen, tells
// the owner the count of its own write, not of the new open's last one.
TEST_F(PtyCommPort, EachWriteDoneReportsItsOwnBytesAcrossAReopen) {
    port.aukaise(false);
    Send(std::string(100, 'a')); // leaves at once; its done-message waits in the queue
    port.sulje();
    port.aukaise(false);
    Send("bcd");
    ProcessEventsUntil([&] { return sent >= 103; }, 2000ms);
    ProcessEventsFor(50ms);
    EXPECT_EQ(sent, 103);
}
