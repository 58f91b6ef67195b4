#include "platform/wait_clock.h"

#include <thread>

namespace {
class SystemClock : public WaitClock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void Sleep(std::chrono::microseconds duration) override { std::this_thread::sleep_for(duration); }
};
} // namespace

WaitClock& SystemWaitClock() {
    static SystemClock clock;
    return clock;
}
