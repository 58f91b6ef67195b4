#pragma once
// A cable pulled in virtual time: at the first wait of the clock from the time set
// on, the device behind the port the test names vanishes, as when a technician
// pulls the adapter in the middle of a load.

#include "platform/virtual_port.h"
#include "sim/sim_clock.h"

#include <chrono>
#include <functional>
#include <optional>

class CablePull {
public:
    // port: the far end of the port at the time of the pull (null: none).
    CablePull(SimClock& clock, std::function<VirtualPort*()> port) : clock_(clock), port_(std::move(port)) {
        clock_.OnSleep([this] { pullWhenDue(); });
    }
    CablePull(const CablePull&) = delete;
    CablePull& operator=(const CablePull&) = delete;

    // Pulls the cable this long after the clock's present time.
    void After(std::chrono::milliseconds delay) { at_ = clock_.Elapsed() + delay; }

private:
    void pullWhenDue() {
        if (!at_ || clock_.Elapsed() < *at_)
            return;
        at_.reset();
        if (VirtualPort* port = port_())
            port->Vanish();
    }

    SimClock& clock_;
    std::function<VirtualPort*()> port_;
    std::optional<std::chrono::milliseconds> at_;
};
