#pragma once
// The clock a window's dialogue waits on when it talks to simulated modems that
// answer from threads of their own (modem_on_port.h). A wait lasts in real time
// while any of them has work: a request on its way or unread, its reply being made
// or on its way back. Once every one is at rest nothing more can come, and the
// rest of the wait passes at once: the seconds a real modem needs to settle cost
// a test nothing, and a modem that is slow to answer is still waited for.

#include "platform/wait_clock.h"

#include <atomic>
#include <chrono>
#include <functional>

class SimulatedModemsClock : public WaitClock {
public:
    // The machine's time and every wait passed at once.
    TimePoint Now() override;
    void Sleep(std::chrono::microseconds duration) override;

private:
    std::atomic<std::chrono::microseconds> passed_{std::chrono::microseconds(0)};
};

// Each simulated modem on a port, while it exists, says when it is at rest.
void RegisterSimulatedModem(const void* modem, std::function<bool()> atRest);
void UnregisterSimulatedModem(const void* modem);
bool SimulatedModemsAtRest();
