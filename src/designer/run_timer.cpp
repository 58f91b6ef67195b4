#include "designer/run_timer.h"

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
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<RunTimer> MakeQtRunTimer(int milliseconds) {
    return std::make_unique<QtRunTimer>(milliseconds);
}
