#include "platform/virtual_port.h"

#include "platform/serial_device_p.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <stdexcept>

namespace {
using Clock = std::chrono::steady_clock;
}

// Bytes on their way in one direction, each with the time it arrives.
struct LineDirection {
    std::deque<uint8_t> bytes;
    std::deque<Clock::time_point> arrivals;
    Clock::time_point lineFreeAt{};

    size_t Arrived(Clock::time_point now) const {
        return static_cast<size_t>(std::upper_bound(arrivals.begin(), arrivals.end(), now) -
                                   arrivals.begin());
    }
    void Send(const uint8_t* data, size_t count, bool paced, double characterSeconds) {
        const auto now = Clock::now();
        Clock::time_point at = std::max(now, lineFreeAt);
        const auto characterTime =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(characterSeconds));
        for (size_t i = 0; i < count; ++i) {
            if (paced)
                at += characterTime;
            bytes.push_back(data[i]);
            arrivals.push_back(paced ? at : now);
        }
        lineFreeAt = paced ? at : now;
    }
    std::string Take(size_t count) {
        std::string taken(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
        arrivals.erase(arrivals.begin(), arrivals.begin() + static_cast<std::ptrdiff_t>(count));
        return taken;
    }
    // Drops the bytes that have arrived (arrivedOnly) or those still on the way.
    void Drop(bool arrivedOnly) {
        const size_t arrived = Arrived(Clock::now());
        if (arrivedOnly) {
            Take(arrived);
        } else {
            bytes.resize(arrived);
            arrivals.resize(arrived);
            lineFreeAt = std::min(lineFreeAt, Clock::now());
        }
    }
    std::optional<Clock::time_point> NextArrival(Clock::time_point now) const {
        const size_t arrived = Arrived(now);
        if (arrived < arrivals.size())
            return arrivals[arrived];
        return std::nullopt;
    }
};

// The state both ends share, under one lock. Every change bumps the generation
// and wakes the waiters.
struct VirtualLink {
    std::mutex mutex;
    std::condition_variable changed;
    uint64_t generation = 0;

    LineDirection toNear;
    LineDirection toFar;
    DCB nearSettings;
    bool nearOpen = false;
    std::chrono::steady_clock::time_point nearOpenedAt;
    bool rts = false, dtr = false, breakOn = false;
    // Output stopped as by a received XOFF (EscapeCommFunction SETXOFF): the
    // line takes no byte until SETXON.
    bool outputHeld = false;
    DWORD modemStatus = 0;
    LineCounters counters;
    bool waitsFail = false;
    bool vanished = false;
    // The bytes on their way to the far end when the device vanished: lost.
    DWORD lostAtVanish = 0;
    bool paced = false;

    void Changed() {
        ++generation;
        changed.notify_all();
    }
    double CharacterTime() const { return CharacterSeconds(nearSettings); }
};

namespace {

std::mutex registryMutex;
std::map<int, std::shared_ptr<VirtualLink>>& Registry() {
    static std::map<int, std::shared_ptr<VirtualLink>> links;
    return links;
}

void Unregister(int comNumber, const VirtualLink* link) {
    std::lock_guard lock(registryMutex);
    const auto found = Registry().find(comNumber);
    if (found != Registry().end() && found->second.get() == link)
        Registry().erase(found);
}

class VirtualSerialDevice : public SerialDevice {
public:
    explicit VirtualSerialDevice(std::shared_ptr<VirtualLink> link) : link_(std::move(link)) {}
    ~VirtualSerialDevice() override { Release(); }

protected:
    DCB CurrentSettings() override {
        std::lock_guard lock(link_->mutex);
        return link_->nearSettings;
    }

    DWORD ApplySettings(const DCB& dcb) override {
        std::lock_guard lock(link_->mutex);
        if (link_->vanished)
            return ERROR_DEVICE_NOT_CONNECTED;
        link_->nearSettings = dcb;
        link_->dtr = dcb.fDtrControl != DTR_CONTROL_DISABLE;
        if (dcb.fRtsControl != RTS_CONTROL_TOGGLE)
            link_->rts = dcb.fRtsControl != RTS_CONTROL_DISABLE;
        link_->Changed();
        return ERROR_SUCCESS;
    }

    DeviceSample Sample() override {
        std::lock_guard lock(link_->mutex);
        DeviceSample sample;
        sample.gone = link_->vanished;
        const auto now = Clock::now();
        sample.inQueue = static_cast<DWORD>(link_->toNear.Arrived(now));
        sample.outQueue = link_->vanished
                              ? link_->lostAtVanish
                              : static_cast<DWORD>(link_->toFar.bytes.size() - link_->toFar.Arrived(now));
        sample.modemStatus = link_->modemStatus;
        sample.counters = link_->counters;
        return sample;
    }

    DWORD TakeInput(uint8_t* buffer, DWORD count, DWORD* taken) override {
        std::lock_guard lock(link_->mutex);
        if (link_->vanished)
            return ERROR_DEVICE_NOT_CONNECTED;
        const std::string bytes =
            link_->toNear.Take(std::min<size_t>(count, link_->toNear.Arrived(Clock::now())));
        std::copy(bytes.begin(), bytes.end(), buffer);
        *taken = static_cast<DWORD>(bytes.size());
        return ERROR_SUCCESS;
    }

    DWORD PutOutput(const uint8_t* buffer, DWORD count, DWORD* accepted) override {
        std::lock_guard lock(link_->mutex);
        *accepted = 0;
        if (link_->vanished)
            return ERROR_DEVICE_NOT_CONNECTED;
        if (link_->outputHeld)
            return ERROR_SUCCESS;
        link_->toFar.Send(buffer, count, link_->paced, link_->CharacterTime());
        *accepted = count;
        link_->Changed();
        return ERROR_SUCCESS;
    }

    bool HasModemLines() override { return true; }

    DWORD SetLine(DWORD function) override {
        std::lock_guard lock(link_->mutex);
        if (link_->vanished)
            return ERROR_DEVICE_NOT_CONNECTED;
        switch (function) {
        case SETRTS:
            link_->rts = true;
            break;
        case CLRRTS:
            link_->rts = false;
            break;
        case SETDTR:
            link_->dtr = true;
            break;
        case CLRDTR:
            link_->dtr = false;
            break;
        case SETBREAK:
            link_->breakOn = true;
            break;
        case CLRBREAK:
            link_->breakOn = false;
            break;
        case SETXOFF:
        case SETXON:
            link_->outputHeld = function == SETXOFF;
            break;
        default:
            break;
        }
        link_->Changed();
        return ERROR_SUCCESS;
    }

    DWORD FlushInput() override { return Flush(link_->toNear, true); }
    DWORD FlushOutput() override { return Flush(link_->toFar, false); }

    void WaitForActivity(bool, std::chrono::milliseconds slice) override {
        std::unique_lock lock(link_->mutex);
        const uint64_t seen = link_->generation;
        const auto now = Clock::now();
        auto until = now + slice;
        for (const LineDirection* direction : {&link_->toNear, &link_->toFar})
            if (const auto next = direction->NextArrival(now))
                until = std::min(until, *next);
        link_->changed.wait_until(lock, until, [&] { return link_->generation != seen; });
    }

    void Release() override {
        std::lock_guard lock(link_->mutex);
        if (!link_->nearOpen)
            return;
        link_->nearOpen = false;
        link_->rts = link_->dtr = link_->breakOn = false;
        link_->Changed();
    }

    bool WaitsFail() override {
        std::lock_guard lock(link_->mutex);
        return link_->waitsFail;
    }

private:
    DWORD Flush(LineDirection& direction, bool arrivedOnly) {
        std::lock_guard lock(link_->mutex);
        if (link_->vanished)
            return ERROR_DEVICE_NOT_CONNECTED;
        direction.Drop(arrivedOnly);
        link_->Changed();
        return ERROR_SUCCESS;
    }

    std::shared_ptr<VirtualLink> link_;
};

} // namespace

std::shared_ptr<SerialDevice> OpenVirtualSerialDevice(int comNumber, DWORD* error) {
    std::shared_ptr<VirtualLink> link;
    {
        std::lock_guard lock(registryMutex);
        const auto found = Registry().find(comNumber);
        if (found == Registry().end()) {
            *error = ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
        link = found->second;
    }
    std::lock_guard lock(link->mutex);
    if (link->nearOpen) {
        *error = ERROR_ACCESS_DENIED;
        return nullptr;
    }
    link->nearOpen = true;
    link->nearOpenedAt = std::chrono::steady_clock::now();
    link->outputHeld = false;
    // A new session starts with the lines and counters as they are and no bytes
    // left from an earlier one.
    link->toNear.Drop(false);
    link->toNear.Drop(true);
    link->Changed();
    return std::make_shared<VirtualSerialDevice>(link);
}

bool VirtualPortRegistered(int comNumber) {
    std::lock_guard lock(registryMutex);
    return Registry().count(comNumber) > 0;
}

std::vector<int> VirtualPortNumbers() {
    std::lock_guard lock(registryMutex);
    std::vector<int> numbers;
    for (const auto& entry : Registry())
        numbers.push_back(entry.first);
    return numbers;
}

// ---------------------------------------------------------------------------
// The far end

VirtualPort::VirtualPort(int comNumber) : comNumber_(comNumber), link_(std::make_shared<VirtualLink>()) {
    std::lock_guard lock(registryMutex);
    if (!Registry().emplace(comNumber, link_).second)
        throw std::logic_error("COM" + std::to_string(comNumber) + " is already a virtual port");
}

VirtualPort::~VirtualPort() {
    Vanish();
}

bool VirtualPort::NearEndOpen() const {
    std::lock_guard lock(link_->mutex);
    return link_->nearOpen;
}

std::chrono::steady_clock::time_point VirtualPort::NearEndOpenedAt() const {
    std::lock_guard lock(link_->mutex);
    return link_->nearOpenedAt;
}

DCB VirtualPort::NearSettings() const {
    std::lock_guard lock(link_->mutex);
    return link_->nearSettings;
}

void VirtualPort::Write(const std::string& bytes) {
    std::lock_guard lock(link_->mutex);
    if (link_->vanished)
        return;
    link_->toNear.Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), link_->paced,
                       link_->CharacterTime());
    link_->Changed();
}

std::string VirtualPort::Read(std::vector<Clock::time_point>* arrivals) {
    std::lock_guard lock(link_->mutex);
    const size_t arrived = link_->toFar.Arrived(Clock::now());
    if (arrivals != nullptr)
        arrivals->assign(link_->toFar.arrivals.begin(),
                         link_->toFar.arrivals.begin() + static_cast<std::ptrdiff_t>(arrived));
    const std::string bytes = link_->toFar.Take(arrived);
    link_->Changed();
    return bytes;
}

std::string VirtualPort::ReadFor(size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    std::unique_lock lock(link_->mutex);
    for (;;) {
        const auto now = Clock::now();
        const size_t arrived = link_->toFar.Arrived(now);
        if (arrived >= count || now >= deadline) {
            const std::string bytes = link_->toFar.Take(std::min(arrived, count));
            link_->Changed();
            return bytes;
        }
        auto until = deadline;
        if (const auto next = link_->toFar.NextArrival(now))
            until = std::min(until, *next);
        const uint64_t seen = link_->generation;
        link_->changed.wait_until(lock, until, [&] { return link_->generation != seen; });
    }
}

namespace {
// A change of a line the near end reads counts as one transition of it.
void SetModemLine(VirtualLink& link, DWORD bit, uint32_t LineCounters::*counter, bool on) {
    std::lock_guard lock(link.mutex);
    if (((link.modemStatus & bit) != 0) == on)
        return;
    link.modemStatus ^= bit;
    ++(link.counters.*counter);
    link.Changed();
}
} // namespace

void VirtualPort::SetCts(bool on) {
    SetModemLine(*link_, MS_CTS_ON, &LineCounters::cts, on);
}
void VirtualPort::SetDsr(bool on) {
    SetModemLine(*link_, MS_DSR_ON, &LineCounters::dsr, on);
}
void VirtualPort::SetRing(bool on) {
    SetModemLine(*link_, MS_RING_ON, &LineCounters::rng, on);
}
void VirtualPort::SetCarrier(bool on) {
    SetModemLine(*link_, MS_RLSD_ON, &LineCounters::dcd, on);
}

bool VirtualPort::Rts() const {
    std::lock_guard lock(link_->mutex);
    return link_->rts;
}
bool VirtualPort::Dtr() const {
    std::lock_guard lock(link_->mutex);
    return link_->dtr;
}
bool VirtualPort::BreakOn() const {
    std::lock_guard lock(link_->mutex);
    return link_->breakOn;
}

void VirtualPort::InjectLineErrors(DWORD errors) {
    std::lock_guard lock(link_->mutex);
    LineCounters& c = link_->counters;
    c.bufOverrun += (errors & CE_RXOVER) ? 1 : 0;
    c.overrun += (errors & CE_OVERRUN) ? 1 : 0;
    c.parity += (errors & CE_RXPARITY) ? 1 : 0;
    c.frame += (errors & CE_FRAME) ? 1 : 0;
    c.brk += (errors & CE_BREAK) ? 1 : 0;
    link_->Changed();
}

void VirtualPort::SetWaitsFail(bool fail) {
    std::lock_guard lock(link_->mutex);
    link_->waitsFail = fail;
    link_->Changed();
}

void VirtualPort::Vanish() {
    Unregister(comNumber_, link_.get());
    std::lock_guard lock(link_->mutex);
    if (!link_->vanished) {
        LineDirection& out = link_->toFar;
        link_->lostAtVanish = static_cast<DWORD>(out.bytes.size() - out.Arrived(Clock::now()));
        out.Drop(false);
    }
    link_->vanished = true;
    link_->Changed();
}

void VirtualPort::SetPacing(bool on) {
    std::lock_guard lock(link_->mutex);
    link_->paced = on;
}
