#pragma once
// Virtual time for a dialogue with a simulated modem: the clock moves only when the
// code under test waits, and every wait first lets the simulated modems take what
// was sent and answer. A load that waits seconds on a real line runs at full
// speed, and the same way each time.

#include "platform/wait_clock.h"

#include <functional>
#include <vector>

class SimClock : public WaitClock {
public:
    TimePoint Now() override { return now_; }
    void Sleep(std::chrono::microseconds duration) override {
        now_ += duration;
        for (const auto& hook : onSleep_)
            hook();
    }
    // Runs the hook at every wait (a simulated modem's turn).
    void OnSleep(std::function<void()> hook) { onSleep_.push_back(std::move(hook)); }
    std::chrono::milliseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now_ - TimePoint{});
    }

private:
    TimePoint now_{};
    std::vector<std::function<void()>> onSleep_;
};
