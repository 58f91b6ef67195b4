#include "sim/firmware/flash_window_sim.h"

#include "firmware/flash_worker.h"

namespace {
// A held worker goes on after this long, so that a test that forgets to let go
// ends instead of hanging.
constexpr std::chrono::seconds kLongestHold{20};
} // namespace

FlashWindowSim::FlashWindowSim() {
    clock_.OnSleep([this] { turn(); });
    SetFlashWindowClockForTests(&clock_);
}

FlashWindowSim::~FlashWindowSim() {
    Release();
    {
        std::lock_guard lock(modemsMutex_);
        modems_.clear();
    }
    SetFlashWindowClockForTests(nullptr);
}

SimulatedH8_3048& FlashWindowSim::AttachModem(int comNumber, bool updateMode,
                                              std::vector<uint8_t> fastLoader) {
    std::lock_guard lock(modemsMutex_);
    modems_.push_back(std::make_unique<SimulatedH8_3048>(updateMode, std::move(fastLoader)));
    modems_.back()->AttachPumped(comNumber);
    return *modems_.back();
}

void FlashWindowSim::Hold() {
    std::lock_guard lock(holdMutex_);
    held_ = true;
}

void FlashWindowSim::Release() {
    {
        std::lock_guard lock(holdMutex_);
        held_ = false;
    }
    released_.notify_all();
}

void FlashWindowSim::turn() {
    if (std::this_thread::get_id() != guiThread_) {
        std::unique_lock lock(holdMutex_);
        released_.wait_for(lock, kLongestHold, [this] { return !held_; });
    }
    std::lock_guard lock(modemsMutex_);
    for (const auto& modem : modems_)
        modem->Pump();
}
