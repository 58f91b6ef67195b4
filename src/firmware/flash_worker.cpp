#include "firmware/flash_worker.h"

#include "platform/wait_clock.h"

#include <QEventLoop>
#include <QTimer>
#include <system_error>

namespace {
constexpr int kFinishedPollMs = 5;
ReplaceableWaitClock flashClock;
} // namespace

WaitClock& FlashWindowClock() {
    return flashClock.get();
}

void SetFlashWindowClockForTests(WaitClock* clock) {
    flashClock.Replace(clock);
}

FlashWorker::FlashWorker(QObject* window, WPARAM channel, std::chrono::milliseconds reportDelay, Run run,
                         Store store)
    : window_(window), channel_(channel), reportDelay_(reportDelay), run_(std::move(run)),
      store_(std::move(store)) {}

FlashWorker::~FlashWorker() {
    Wait();
}

bool FlashWorker::Start() {
    try {
        thread_ = std::thread([this] { Execute(); });
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void FlashWorker::Wait() {
    if (thread_.joinable())
        thread_.join();
}

void FlashWorker::Execute() {
    store_(run_());
    FlashWindowClock().Sleep(reportDelay_);
    PostMessage(window_.data(), WM_FLASH_DONE, channel_, 0);
    finished_ = true;
}

void WaitForWorkers(const std::function<bool()>& allFinished) {
    if (allFinished())
        return;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (allFinished())
            loop.quit();
    });
    poll.start(kFinishedPollMs);
    loop.exec();
}
