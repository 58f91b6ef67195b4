#pragma once
// Virtual time for a dialogue with a simulated modem: the clock moves only when the
// code under test waits, and every wait first lets the simulated modems take what
// was sent and answer. A load that waits seconds on a real line runs at full
// speed, and the same way each time. Each thread that waits on it (the channels
// of a multiple firmware window) has a time of its own, so one channel's waits
// never cut another channel's time-outs short.

#include "platform/wait_clock.h"

#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

class SimClock : public WaitClock {
public:
    TimePoint Now() override {
        std::lock_guard lock(mutex_);
        return now_[std::this_thread::get_id()];
    }
    void Sleep(std::chrono::microseconds duration) override {
        {
            std::lock_guard lock(mutex_);
            now_[std::this_thread::get_id()] += duration;
        }
        for (const auto& hook : onSleep_)
            hook();
    }
    // Runs the hook at every wait (a simulated modem's turn). Hooks are added before
    // the code under test runs.
    void OnSleep(std::function<void()> hook) { onSleep_.push_back(std::move(hook)); }
    // The calling thread's time.
    std::chrono::milliseconds Elapsed() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Now() - TimePoint{});
    }

private:
    std::mutex mutex_;
    std::map<std::thread::id, TimePoint> now_;
    std::vector<std::function<void()>> onSleep_;
};
