#pragma once
// The designer's programming timers behind one small interface, so the runs that
// use them are driven by a clock of the test's choosing: the window's timers are
// Qt timers, a test's timers fire when the test says.
//
// A box (any modal window, modal_box.h) is a pause for every run and ping: while
// one is open their timers stand still, and those that ran go again, from their
// full interval, when the last box closes. So no time-out ends a process, nor shows
// its box over another, while the user reads a question; a timer stopped meanwhile
// stays stopped.

#include <functional>
#include <memory>

class RunTimer {
public:
    RunTimer();
    virtual ~RunTimer();
    RunTimer(const RunTimer&) = delete;
    RunTimer& operator=(const RunTimer&) = delete;

    // Starts the timer again from now (when the last box closes, if one is open).
    void Start();
    void Stop();
    // Runs, or waits for the boxes to close to run on.
    bool Active() const { return running_; }

    std::function<void()> onTimeout;

protected:
    // The clock itself.
    virtual void StartClock() = 0;
    virtual void StopClock() = 0;

private:
    void BoxesOpen(bool open);

    bool running_ = false;
};

// Makes a timer of the given interval in milliseconds.
using RunTimerFactory = std::function<std::unique_ptr<RunTimer>(int milliseconds)>;

// Timers that run on the GUI thread's event loop; none fires before its interval.
std::unique_ptr<RunTimer> MakeQtRunTimer(int milliseconds);
