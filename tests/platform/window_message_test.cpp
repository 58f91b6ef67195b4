#include "platform/window_message.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {
struct Received {
    int number;
    WPARAM wParam;
    LPARAM lParam;
};

class Receiver : public QObject {
public:
    std::vector<Received> received;

protected:
    bool event(QEvent* event) override {
        if (const WindowMessage* message = WindowMessage::from(event)) {
            received.push_back({message->number(), message->wParam(), message->lParam()});
            return true;
        }
        return QObject::event(event);
    }
};

void processUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
} // namespace

TEST(WindowMessage, ArrivesLaterWithItsNumberAndParameters) {
    Receiver receiver;
    ASSERT_TRUE(PostMessage(&receiver, WM_COMM_EVENT, 0x81, -5));
    EXPECT_TRUE(receiver.received.empty()) << "posting must not deliver at once";
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.received.size(), 1u);
    EXPECT_EQ(receiver.received[0].number, WM_COMM_EVENT);
    EXPECT_EQ(receiver.received[0].wParam, 0x81u);
    EXPECT_EQ(receiver.received[0].lParam, -5);
}

TEST(WindowMessage, SystemAndPrivateNumbersAreDistinctEvents) {
    Receiver receiver;
    for (int number : {WM_CLOSE, WM_POWERBROADCAST, WM_DEVICECHANGE, WM_FLASH_DONE, WM_TX_LOAD_SETTINGS})
        PostMessage(&receiver, number);
    QCoreApplication::processEvents();
    ASSERT_EQ(receiver.received.size(), 5u);
    EXPECT_EQ(receiver.received[0].number, WM_CLOSE);
    EXPECT_EQ(receiver.received[1].number, WM_POWERBROADCAST);
    EXPECT_EQ(receiver.received[4].number, WM_TX_LOAD_SETTINGS);
}

TEST(WindowMessage, PostsFromWorkerThreadsKeepEachThreadsOrder) {
    Receiver receiver;
    constexpr int perThread = 500;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&receiver, t] {
            for (int i = 0; i < perThread; ++i)
                PostMessage(&receiver, WM_COMM_EVENT, static_cast<WPARAM>(t), i);
        });
    for (auto& worker : workers)
        worker.join();
    processUntil([&] { return receiver.received.size() == 4 * perThread; });
    ASSERT_EQ(receiver.received.size(), 4u * perThread);
    std::vector<LPARAM> next(4, 0);
    for (const auto& message : receiver.received) {
        EXPECT_EQ(message.lParam, next[message.wParam]);
        next[message.wParam] = message.lParam + 1;
    }
}

TEST(WindowMessage, NoTargetIsRefusedAndADestroyedTargetGetsNothing) {
    EXPECT_FALSE(PostMessage(nullptr, WM_CLOSE));
    auto* receiver = new Receiver;
    PostMessage(receiver, WM_CLOSE);
    delete receiver;
    QCoreApplication::processEvents(); // must not touch the deleted receiver
    SUCCEED();
}

TEST(WindowMessage, OrdinaryEventsAreNotMessages) {
    QEvent timer(QEvent::Timer);
    EXPECT_EQ(WindowMessage::from(&timer), nullptr);
    QEvent user(QEvent::User);
    EXPECT_EQ(WindowMessage::from(&user), nullptr);
}

#if defined(__SANITIZE_THREAD__)
// Under the thread sanitizer: a message orders what its poster wrote before it
// only for its own receiver. Data a thread writes before posting one message,
// read after another, unrelated message was received, is a race the sanitizer
// must still see.
//
// The sanitizer keeps four records of recent accesses for each 8 bytes of
// memory, and a new access that finds no free record overwrites one picked at
// random. The written value fills 8 bytes of its own: sharing them with the flag
// the reader spins on, the write's record was now and then lost to the spinning
// reads, and the race went unseen.
TEST(WindowMessageDeathTest, AnotherMessageHidesNoRace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alignas(8) int64_t written = 0;
            Receiver waiting;
            Receiver unrelated;
            std::atomic<bool> posted{false};
            std::thread writer([&] {
                written = 1;
                PostMessage(&waiting, WM_FLASH_DONE);
                posted.store(true, std::memory_order_relaxed);
            });
            while (!posted.load(std::memory_order_relaxed))
                std::this_thread::yield();
            PostMessage(&unrelated, WM_FLASH_LOCK_CANCEL);
            QCoreApplication::sendPostedEvents(&unrelated);
            [[maybe_unused]] const int64_t read = *static_cast<volatile int64_t*>(&written);
            writer.join();
            std::exit(0);
        },
        testing::ExitedWithCode(66), "ThreadSanitizer: data race");
}
#endif
