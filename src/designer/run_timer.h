#pragma once
// The designer's programming timers behind one small interface, so the runs that
// use them are driven by a clock of the test's choosing: the window's timers are
// Qt timers, a test's timers fire when the test says.

#include <functional>
#include <memory>

class RunTimer {
public:
    virtual ~RunTimer() = default;
    // Starts the timer again from now.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;

    std::function<void()> onTimeout;
};

// Makes a timer of the given interval in milliseconds.
using RunTimerFactory = std::function<std::unique_ptr<RunTimer>(int milliseconds)>;

// Timers that run on the GUI thread's event loop; none fires before its interval.
std::unique_ptr<RunTimer> MakeQtRunTimer(int milliseconds);
