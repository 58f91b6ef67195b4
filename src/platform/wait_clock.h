#pragma once
// The clock that dialogues with modems wait on. Their waits and time-outs are long
// (seconds, as the modems need them); tests hand in a clock of their own whose time
// moves only when the code under test waits, and drive the simulated modem from
// those waits, so a dialogue runs in virtual time at full speed.

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
