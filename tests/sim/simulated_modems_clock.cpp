#include "sim/simulated_modems_clock.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

namespace {

// How often a wait looks whether the modems came to rest.
constexpr std::chrono::microseconds kLook{500};

std::mutex modemsMutex;
std::map<const void*, std::function<bool()>>& Modems() {
    static std::map<const void*, std::function<bool()>> modems;
    return modems;
}

} // namespace

void RegisterSimulatedModem(const void* modem, std::function<bool()> atRest) {
    std::lock_guard lock(modemsMutex);
    Modems()[modem] = std::move(atRest);
}

void UnregisterSimulatedModem(const void* modem) {
    std::lock_guard lock(modemsMutex);
    Modems().erase(modem);
}

bool SimulatedModemsAtRest() {
    std::lock_guard lock(modemsMutex);
    return std::all_of(Modems().begin(), Modems().end(), [](const auto& modem) { return modem.second(); });
}

WaitClock::TimePoint SimulatedModemsClock::Now() {
    return std::chrono::steady_clock::now() + passed_.load();
}

void SimulatedModemsClock::Sleep(std::chrono::microseconds duration) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto waited =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
        if (waited >= duration)
            return;
        if (SimulatedModemsAtRest()) {
            passed_ = passed_.load() + (duration - waited);
            return;
        }
        std::this_thread::sleep_for(std::min(kLook, duration - waited));
    }
}
