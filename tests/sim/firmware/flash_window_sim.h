#pragma once
// Virtual time for the firmware windows' loads, with H8/3048 modems that answer in
// it: while it lives it is the windows' clock (FlashWindowClock), and every wait of
// an engine, a worker or a window gives the modems their turn, one modem at a time.
// A test that must act while a load runs holds it: the workers' waits then stop
// until it lets go. It must outlive the windows whose loads it serves.

#include "sim/sim_clock.h"
#include "sim/simulatedh8_3048.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class FlashWindowSim {
public:
    FlashWindowSim();
    ~FlashWindowSim();
    FlashWindowSim(const FlashWindowSim&) = delete;
    FlashWindowSim& operator=(const FlashWindowSim&) = delete;

    // A modem on COM comNumber: in its boot mode, or running its application.
    SimulatedH8_3048& AttachModem(int comNumber, bool updateMode, std::vector<uint8_t> fastLoader);
    // Every worker's next wait stops until Release; the thread that made this
    // object (the GUI thread) never stops.
    void Hold();
    void Release();

private:
    void turn();

    SimClock clock_;
    const std::thread::id guiThread_ = std::this_thread::get_id();
    std::mutex modemsMutex_;
    std::vector<std::unique_ptr<SimulatedH8_3048>> modems_;
    std::mutex holdMutex_;
    std::condition_variable released_;
    bool held_ = false;
};
