#pragma once
// Runs one loader engine's run on a thread of its own. When the run has returned,
// the worker stores its code, waits for its report delay and posts WM_FLASH_DONE
// with its channel index (0 for the single window) to the window. The GUI thread
// learns of the end only from that message.
//
// The firmware windows' engines, workers and the windows' own pauses wait on one
// clock: the machine's, or one a test puts in place so that a load runs in
// virtual time.

#include "platform/window_message.h"

#include <QPointer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

class WaitClock;

WaitClock& FlashWindowClock();
// Null gives the machine's clock back.
void SetFlashWindowClockForTests(WaitClock* clock);

class FlashWorker {
public:
    using Run = std::function<uint32_t()>;
    using Store = std::function<void(uint32_t)>;

    FlashWorker(QObject* window, WPARAM channel, std::chrono::milliseconds reportDelay, Run run, Store store);
    // Waits for the thread.
    ~FlashWorker();
    FlashWorker(const FlashWorker&) = delete;
    FlashWorker& operator=(const FlashWorker&) = delete;

    // False when no thread could be made; nothing runs then.
    bool Start();
    // Whether the thread has done everything it does (its message is posted).
    bool Finished() const { return finished_; }
    void Wait();

private:
    void Execute();

    QPointer<QObject> window_;
    WPARAM channel_;
    std::chrono::milliseconds reportDelay_;
    Run run_;
    Store store_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// Waits for the workers while the GUI thread goes on serving events, so a question
// box that a worker has asked for can still be shown and answered.
void WaitForWorkers(const std::function<bool()>& allFinished);
