#pragma once
// The clock that dialogues with modems wait on. Their waits and time-outs are long
// (seconds, as the modems need them); tests hand in a clock of their own whose time
// moves only when the code under test waits, and drive the simulated modem from
// those waits, so a dialogue runs in virtual time at full speed.

#include <atomic>
#include <chrono>

class WaitClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~WaitClock() = default;
    virtual TimePoint Now() = 0;
    virtual void Sleep(std::chrono::microseconds duration) = 0;
};

// The steady clock of the machine; Sleep holds the calling thread.
WaitClock& SystemWaitClock();

// The clock one part of the program waits on: the machine's, unless a test has
// handed in its own.
class ReplaceableWaitClock {
public:
    WaitClock& get() const {
        WaitClock* replaced = replaced_;
        return replaced ? *replaced : SystemWaitClock();
    }
    // Null gives the machine's clock back.
    void Replace(WaitClock* clock) { replaced_ = clock; }

private:
    std::atomic<WaitClock*> replaced_{nullptr};
};
