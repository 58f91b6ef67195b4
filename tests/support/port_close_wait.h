#pragma once
// How long a port's close waits before it ends its event thread. Tests pass that
// wait at once: the close waits for the thread's end anyway, and the tests close
// ports by the thousand.

#include "platform/wait_clock.h"
#include "serial/tquovixcommport.h"

class PassingWaitClock : public WaitClock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    void Sleep(std::chrono::microseconds) override {}

    static PassingWaitClock& Instance() {
        static PassingWaitClock clock;
        return clock;
    }
};
