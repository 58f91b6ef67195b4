#pragma once
// Virtual time for a dialogue with a simulated modem: the clock moves only when the
// code under test waits, and every wait first lets the simulated modems take what
// was sent and answer. A load that waits seconds on a real line runs at full
// speed, and the same way each time. Several threads may wait on it at once (the
// channels of a multiple firmware window): each wait moves the one time on.

#include "platform/wait_clock.h"

#include <functional>
#include <mutex>
#include <vector>

class SimClock : public WaitClock {
public:
    TimePoint Now() override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void Sleep(std::chrono::microseconds duration) override {
        {
            std::lock_guard lock(mutex_);
            now_ += duration;
        }
        for (const auto& hook : onSleep_)
            hook();
    }
    // Runs the hook at every wait (a simulated modem's turn). Hooks are added before
    // the code under test runs.
    void OnSleep(std::function<void()> hook) { onSleep_.push_back(std::move(hook)); }
    std::chrono::milliseconds Elapsed() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Now() - TimePoint{});
    }

private:
    std::mutex mutex_;
    TimePoint now_{};
    std::vector<std::function<void()>> onSleep_;
};
