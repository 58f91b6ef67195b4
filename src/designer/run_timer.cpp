#include "designer/run_timer.h"

#include "platform/modal_box.h"

#include <QTimer>

namespace {

class QtRunTimer : public RunTimer {
public:
    explicit QtRunTimer(int milliseconds) {
        // A modem relies on these times as minimums: a coarse timer may fire up to
        // 5 % early, a precise one never does.
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(milliseconds);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }

protected:
    void StartClock() override { timer_.start(); }
    void StopClock() override { timer_.stop(); }

private:
    QTimer timer_;
};

} // namespace

RunTimer::RunTimer() {
    WatchMessageBoxes(this, [this](bool open) { BoxesOpen(open); });
}

RunTimer::~RunTimer() {
    StopWatchingMessageBoxes(this);
}

void RunTimer::Start() {
    running_ = true;
    if (!MessageBoxOpen())
        StartClock();
}

void RunTimer::Stop() {
    running_ = false;
    StopClock();
}

void RunTimer::BoxesOpen(bool open) {
    if (!running_)
        return;
    if (open)
        StopClock();
    else
        StartClock();
}

std::unique_ptr<RunTimer> MakeQtRunTimer(int milliseconds) {
    return std::make_unique<QtRunTimer>(milliseconds);
}
