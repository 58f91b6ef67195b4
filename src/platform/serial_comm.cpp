#include "platform/serial_comm.h"

#include "platform/portmap.h"
#include "platform/serial_device_p.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <variant>

namespace {

using Clock = std::chrono::steady_clock;

// A synchronous write waits for its bytes to leave at most this many times the
// time they take on the line, plus the margin.
constexpr double kSyncWriteTimeFactor = 2.0;
constexpr std::chrono::milliseconds kSyncWriteMargin{1000};

thread_local DWORD lastError = ERROR_SUCCESS;

struct PortEntry {
    std::shared_ptr<SerialDevice> device;
};
using HandleObject = std::variant<PortEntry, std::shared_ptr<EventObject>>;

// Every port and event by handle. Handles are never used twice, so a stale handle
// never reaches another object.
class HandleTable {
public:
    HANDLE Add(HandleObject object) {
        std::lock_guard lock(mutex_);
        const HANDLE handle = next_;
        next_ += 4;
        objects_.emplace(handle, std::move(object));
        return handle;
    }
    std::shared_ptr<SerialDevice> Port(HANDLE handle) {
        std::lock_guard lock(mutex_);
        const auto found = objects_.find(handle);
        if (found == objects_.end() || !std::holds_alternative<PortEntry>(found->second))
            return nullptr;
        return std::get<PortEntry>(found->second).device;
    }
    std::shared_ptr<EventObject> Event(HANDLE handle) {
        std::lock_guard lock(mutex_);
        const auto found = objects_.find(handle);
        if (found == objects_.end() || !std::holds_alternative<std::shared_ptr<EventObject>>(found->second))
            return nullptr;
        return std::get<std::shared_ptr<EventObject>>(found->second);
    }
    bool Remove(HANDLE handle, HandleObject* removed) {
        std::lock_guard lock(mutex_);
        const auto found = objects_.find(handle);
        if (found == objects_.end())
            return false;
        *removed = std::move(found->second);
        objects_.erase(found);
        return true;
    }

private:
    std::mutex mutex_;
    HANDLE next_ = 0x100;
    std::map<HANDLE, HandleObject> objects_;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

BOOL Result(DWORD error) {
    lastError = error;
    return error == ERROR_SUCCESS;
}

// Runs a call on the port of a handle, or fails with ERROR_INVALID_HANDLE.
template <typename Call> BOOL OnPort(HANDLE handle, Call call) {
    const auto device = Handles().Port(handle);
    return Result(device ? call(*device) : ERROR_INVALID_HANDLE);
}

// The event of an overlapped record, or null when the record names none.
std::shared_ptr<EventObject> EventOf(const OVERLAPPED* overlapped) {
    return overlapped ? Handles().Event(overlapped->hEvent) : nullptr;
}

std::chrono::milliseconds Milliseconds(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0 + 0.999));
}

} // namespace

// ---------------------------------------------------------------------------
// Events

EventObject::EventObject(bool manualReset, bool initialState)
    : manualReset_(manualReset), signalled_(initialState) {}

void EventObject::Set() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    changed_.notify_all();
}

void EventObject::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
    failed_ = false;
}

void EventObject::Fail() {
    std::lock_guard lock(mutex_);
    failed_ = true;
    changed_.notify_all();
}

void EventObject::Bind(const std::shared_ptr<SerialDevice>& device) {
    std::lock_guard lock(mutex_);
    device_ = device;
    changed_.notify_all();
}

DWORD EventObject::Wait(DWORD milliseconds) {
    const bool forever = milliseconds == INFINITE;
    const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
    std::unique_lock lock(mutex_);
    for (;;) {
        if (failed_)
            return WAIT_FAILED;
        if (signalled_) {
            if (!manualReset_)
                signalled_ = false;
            return WAIT_OBJECT_0;
        }
        const auto now = Clock::now();
        if (!forever && now >= deadline)
            return WAIT_TIMEOUT;
        const auto left = forever ? kDeviceDriveSlice
                                  : std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        const auto device = device_.lock();
        if (device) {
            lock.unlock();
            const bool driven =
                device->Drive(std::clamp(left, std::chrono::milliseconds(1), kDeviceDriveSlice));
            lock.lock();
            // A closed or gone device completes nothing more: wait for a setter.
            if (!driven && device_.lock() == device)
                device_.reset();
        } else if (forever) {
            changed_.wait(lock);
        } else {
            changed_.wait_until(lock, deadline);
        }
    }
}

// ---------------------------------------------------------------------------
// The device base

void SerialDevice::Start(bool overlapped) {
    std::lock_guard lock(mutex_);
    overlapped_ = overlapped;
    dcb_ = CurrentSettings();
    const DeviceSample sample = Sample();
    eventBaseline_ = sample;
    errorBaseline_ = sample.counters;
}

DWORD SerialDevice::Usable() const {
    if (closed_)
        return ERROR_INVALID_HANDLE;
    return gone_ ? ERROR_DEVICE_NOT_CONNECTED : ERROR_SUCCESS;
}

DWORD SerialDevice::Setup(DWORD inQueue, DWORD outQueue) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    return inQueue == 0 || outQueue == 0 ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

DWORD SerialDevice::GetState(DCB* dcb) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    *dcb = dcb_;
    return ERROR_SUCCESS;
}

DWORD SerialDevice::SetState(const DCB& dcb) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    if (dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY ||
        dcb.StopBits > TWOSTOPBITS || dcb.fDtrControl > DTR_CONTROL_HANDSHAKE ||
        dcb.fRtsControl > RTS_CONTROL_TOGGLE)
        return ERROR_INVALID_PARAMETER;
    const DWORD error = ApplySettings(dcb);
    if (error == ERROR_SUCCESS)
        dcb_ = dcb;
    return error;
}

DWORD SerialDevice::GetTimeouts(COMMTIMEOUTS* timeouts) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    *timeouts = timeouts_;
    return ERROR_SUCCESS;
}

DWORD SerialDevice::SetTimeouts(const COMMTIMEOUTS& timeouts) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    timeouts_ = timeouts;
    return ERROR_SUCCESS;
}

DWORD SerialDevice::SetMask(DWORD mask) {
    std::lock_guard lock(mutex_);
    if (closed_)
        return ERROR_INVALID_HANDLE;
    // A mask change ends the pending wait even on a device that is gone: its mask
    // and overlapped record belong to the waiting thread, which leaves after this
    // call, and nothing may complete them later.
    if (wait_) {
        *wait_->mask = 0;
        Complete(wait_->overlapped, wait_->event, ERROR_SUCCESS, 0);
        wait_.reset();
    }
    if (gone_)
        return ERROR_DEVICE_NOT_CONNECTED;
    mask_ = mask;
    eventBaseline_ = Sample();
    return ERROR_SUCCESS;
}

DWORD SerialDevice::GetMask(DWORD* mask) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    *mask = mask_;
    return ERROR_SUCCESS;
}

DWORD SerialDevice::WaitEvent(DWORD* mask, OVERLAPPED* overlapped,
                              const std::shared_ptr<EventObject>& event) {
    std::lock_guard lock(mutex_);
    if (closed_)
        return ERROR_INVALID_HANDLE;
    if (!mask || !overlapped || !event || !overlapped_ || mask_ == 0 || wait_)
        return ERROR_INVALID_PARAMETER;
    event->Reset();
    event->Bind(shared_from_this());
    wait_ = std::make_unique<PendingWait>(PendingWait{mask, overlapped, event});
    overlapped->Internal = ERROR_IO_PENDING;
    if (gone_ || WaitsFail()) {
        event->Fail();
        return ERROR_IO_PENDING;
    }
    const DeviceSample sample = Sample();
    if (sample.gone) {
        MarkGone();
        return ERROR_IO_PENDING;
    }
    const DWORD events = EventsSince(sample) & mask_;
    if (events == 0)
        return ERROR_IO_PENDING;
    NoteReported(events, sample);
    *mask = events;
    Complete(overlapped, event, ERROR_SUCCESS, 0);
    wait_.reset();
    return ERROR_SUCCESS;
}

DWORD SerialDevice::OverlappedResult(OVERLAPPED* overlapped, DWORD* transferred) {
    std::lock_guard lock(mutex_);
    if (closed_)
        return ERROR_INVALID_HANDLE;
    Evaluate();
    if ((wait_ && wait_->overlapped == overlapped) || (write_ && write_->overlapped == overlapped))
        return gone_ ? ERROR_DEVICE_NOT_CONNECTED : ERROR_IO_INCOMPLETE;
    if (transferred)
        *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    return static_cast<DWORD>(overlapped->Internal);
}

DWORD SerialDevice::Read(void* buffer, DWORD count, DWORD* read) {
    std::lock_guard lock(mutex_);
    *read = 0;
    if (DWORD error = Usable())
        return error;
    const DWORD error = TakeInput(static_cast<uint8_t*>(buffer), count, read);
    if (*read > 0)
        rxTaken_ = true;
    if (error == ERROR_DEVICE_NOT_CONNECTED)
        MarkGone();
    return error;
}

DWORD SerialDevice::Write(const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped,
                          const std::shared_ptr<EventObject>& event) {
    std::unique_lock lock(mutex_);
    *written = 0;
    if (DWORD error = Usable())
        return error;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (!overlapped_)
        return SynchronousWrite(bytes, count, written, lock);
    if (!overlapped || !event || write_)
        return ERROR_INVALID_PARAMETER;
    event->Reset();
    DWORD accepted = 0;
    if (!PutImmediate()) {
        if (gone_)
            return ERROR_DEVICE_NOT_CONNECTED;
    } else if (DWORD error = PutOutput(bytes, count, &accepted)) {
        if (error == ERROR_DEVICE_NOT_CONNECTED)
            MarkGone();
        return error;
    }
    txArmed_ = txArmed_ || accepted > 0;
    if (accepted == count && Sample().outQueue == 0) {
        *written = count;
        Complete(overlapped, event, ERROR_SUCCESS, count);
        return ERROR_SUCCESS;
    }
    event->Bind(shared_from_this());
    overlapped->Internal = ERROR_IO_PENDING;
    write_ = std::make_unique<PendingWrite>(
        PendingWrite{overlapped, event, std::vector<uint8_t>(bytes + accepted, bytes + count), count});
    return ERROR_IO_PENDING;
}

DWORD SerialDevice::SynchronousWrite(const uint8_t* bytes, DWORD count, DWORD* written,
                                     std::unique_lock<std::mutex>& lock) {
    const auto deadline =
        Clock::now() + Milliseconds(count * CharacterSeconds(dcb_) * kSyncWriteTimeFactor) + kSyncWriteMargin;
    for (;;) {
        DWORD accepted = 0;
        if (*written < count && PutImmediate()) {
            if (DWORD error = PutOutput(bytes + *written, count - *written, &accepted)) {
                if (error == ERROR_DEVICE_NOT_CONNECTED)
                    MarkGone();
                return error;
            }
            *written += accepted;
            txArmed_ = txArmed_ || accepted > 0;
        }
        const DeviceSample sample = Sample();
        if (sample.gone) {
            MarkGone();
            return ERROR_DEVICE_NOT_CONNECTED;
        }
        // Done when everything has left; on a line held up past the bound the
        // bytes handed over so far count, as a write time-out would.
        if ((*written == count && sample.outQueue == 0) || Clock::now() >= deadline)
            return ERROR_SUCCESS;
        lock.unlock();
        WaitForActivity(false, kDeviceDriveSlice);
        lock.lock();
        if (DWORD error = Usable())
            return error;
    }
}

DWORD SerialDevice::ClearError(DWORD* errors, COMSTAT* status) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    const bool immediateHeld = !PutImmediate();
    const DeviceSample sample = Sample();
    if (sample.gone) {
        MarkGone();
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    immediateInDriver_ = immediateInDriver_ && sample.outQueue > 0;
    const LineCounters& now = sample.counters;
    const LineCounters& then = errorBaseline_;
    DWORD flags = 0;
    if (now.bufOverrun != then.bufOverrun)
        flags |= CE_RXOVER;
    if (now.overrun != then.overrun)
        flags |= CE_OVERRUN;
    if (now.parity != then.parity)
        flags |= CE_RXPARITY;
    if (now.frame != then.frame)
        flags |= CE_FRAME;
    if (now.brk != then.brk)
        flags |= CE_BREAK;
    errorBaseline_ = now;
    if (errors)
        *errors = flags;
    if (status) {
        status->cbInQue = sample.inQueue;
        status->cbOutQue = sample.outQueue + (write_ ? static_cast<DWORD>(write_->unsent.size()) : 0);
        status->fTxim = immediateHeld || immediateInDriver_;
    }
    return ERROR_SUCCESS;
}

DWORD SerialDevice::ModemStatus(DWORD* status) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    if (!HasModemLines())
        return ERROR_INVALID_FUNCTION;
    const DeviceSample sample = Sample();
    if (sample.gone) {
        MarkGone();
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    *status = sample.modemStatus;
    return ERROR_SUCCESS;
}

DWORD SerialDevice::Escape(DWORD function) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    if (function < SETXOFF || function > CLRBREAK || function == 7)
        return ERROR_INVALID_PARAMETER;
    return SetLine(function);
}

DWORD SerialDevice::Purge(DWORD flags) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    if ((flags & PURGE_TXABORT) && write_)
        AbortWrite(ERROR_OPERATION_ABORTED);
    if (flags & PURGE_TXCLEAR) {
        immediate_.reset();
        immediateInDriver_ = false;
    }
    DWORD error = ERROR_SUCCESS;
    // On a pseudo-terminal the output queue reads empty while bytes are still in
    // transit, and flushing then loses them: flush only what the driver reports.
    if ((flags & PURGE_TXCLEAR) && Sample().outQueue > 0)
        error = FlushOutput();
    if ((flags & PURGE_RXCLEAR) && error == ERROR_SUCCESS) {
        error = FlushInput();
        rxReported_ = false;
        rxTaken_ = false;
    }
    return error;
}

// As the driver does under flow control, a character the line does not take
// now waits, ahead of the bytes of a pending write, until the line is free.
DWORD SerialDevice::TransmitChar(char c) {
    std::lock_guard lock(mutex_);
    if (DWORD error = Usable())
        return error;
    if (immediate_)
        return ERROR_INVALID_PARAMETER;
    immediate_ = static_cast<uint8_t>(c);
    PutImmediate();
    if (!gone_)
        return ERROR_SUCCESS;
    immediate_.reset();
    return ERROR_DEVICE_NOT_CONNECTED;
}

bool SerialDevice::PutImmediate() {
    if (!immediate_)
        return true;
    DWORD accepted = 0;
    const DWORD error = PutOutput(&*immediate_, 1, &accepted);
    if (error == ERROR_DEVICE_NOT_CONNECTED)
        MarkGone();
    if (error != ERROR_SUCCESS || accepted == 0)
        return false;
    immediate_.reset();
    immediateInDriver_ = true;
    txArmed_ = true;
    return true;
}

DWORD SerialDevice::Cancel(OVERLAPPED* overlapped) {
    std::lock_guard lock(mutex_);
    if (closed_)
        return ERROR_INVALID_HANDLE;
    bool cancelled = false;
    if (write_ && (!overlapped || write_->overlapped == overlapped)) {
        AbortWrite(ERROR_OPERATION_ABORTED);
        cancelled = true;
    }
    if (wait_ && (!overlapped || wait_->overlapped == overlapped)) {
        *wait_->mask = 0;
        Complete(wait_->overlapped, wait_->event, ERROR_OPERATION_ABORTED, 0);
        wait_.reset();
        cancelled = true;
    }
    return cancelled ? ERROR_SUCCESS : ERROR_NOT_FOUND;
}

void SerialDevice::Close() {
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return;
        if (write_)
            AbortWrite(ERROR_OPERATION_ABORTED);
        if (wait_) {
            *wait_->mask = 0;
            Complete(wait_->overlapped, wait_->event, ERROR_OPERATION_ABORTED, 0);
        }
        wait_.reset();
        // What the line has not taken goes with the port: the driver would
        // otherwise hold the close until a held line takes it.
        if (Sample().outQueue > 0)
            FlushOutput();
        closed_ = true;
    }
    Release();
}

bool SerialDevice::Drive(std::chrono::milliseconds slice) {
    bool watchInput = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_ || gone_)
            return false;
        // Bytes already reported and not read yet are no news.
        watchInput = !rxReported_ || rxTaken_;
    }
    WaitForActivity(watchInput, slice);
    std::lock_guard lock(mutex_);
    if (!closed_)
        Evaluate();
    return true;
}

void SerialDevice::Evaluate() {
    if (gone_ || (!wait_ && !write_ && !immediate_))
        return;
    PutImmediate();
    if (write_)
        ContinueWrite();
    if (!wait_ || gone_)
        return;
    if (WaitsFail()) {
        wait_->event->Fail();
        return;
    }
    const DeviceSample sample = Sample();
    if (sample.gone) {
        MarkGone();
        return;
    }
    const DWORD events = EventsSince(sample) & mask_;
    if (events == 0)
        return;
    NoteReported(events, sample);
    *wait_->mask = events;
    Complete(wait_->overlapped, wait_->event, ERROR_SUCCESS, 0);
    wait_.reset();
}

// A write that ends before it finished (aborted, or its device went) ends with
// the bytes that have left the device: what the driver still holds of it is
// dropped with what it had not taken yet, or went with the device.
void SerialDevice::AbortWrite(DWORD status) {
    const DWORD taken = write_->total - static_cast<DWORD>(write_->unsent.size());
    const DWORD held = std::min(taken, Sample().outQueue);
    if (held > 0 && !gone_)
        FlushOutput();
    Complete(write_->overlapped, write_->event, status, taken - held);
    // A wait on the write of a device that is gone fails, as every wait on it.
    if (gone_)
        write_->event->Fail();
    write_.reset();
}

void SerialDevice::ContinueWrite() {
    if (!write_->unsent.empty() && PutImmediate()) {
        DWORD accepted = 0;
        if (DWORD error =
                PutOutput(write_->unsent.data(), static_cast<DWORD>(write_->unsent.size()), &accepted)) {
            if (error == ERROR_DEVICE_NOT_CONNECTED)
                MarkGone();
            return;
        }
        write_->unsent.erase(write_->unsent.begin(), write_->unsent.begin() + accepted);
    }
    const DeviceSample sample = Sample();
    if (sample.gone) {
        MarkGone();
        return;
    }
    if (write_->unsent.empty() && sample.outQueue == 0) {
        Complete(write_->overlapped, write_->event, ERROR_SUCCESS, write_->total);
        write_.reset();
    }
}

DWORD SerialDevice::EventsSince(const DeviceSample& sample) const {
    const LineCounters& now = sample.counters;
    const LineCounters& then = eventBaseline_.counters;
    const DWORD lines = sample.modemStatus ^ eventBaseline_.modemStatus;
    DWORD events = 0;
    if (sample.inQueue > 0 && (!rxReported_ || rxTaken_ || sample.inQueue != rxReportedCount_))
        events |= EV_RXCHAR;
    if (txArmed_ && !write_ && sample.outQueue == 0)
        events |= EV_TXEMPTY;
    if (now.cts != then.cts || (lines & MS_CTS_ON))
        events |= EV_CTS;
    if (now.dsr != then.dsr || (lines & MS_DSR_ON))
        events |= EV_DSR;
    if (now.dcd != then.dcd || (lines & MS_RLSD_ON))
        events |= EV_RLSD;
    if (now.rng != then.rng || (lines & MS_RING_ON))
        events |= EV_RING;
    if (now.brk != then.brk)
        events |= EV_BREAK;
    if (now.frame != then.frame || now.overrun != then.overrun || now.parity != then.parity ||
        now.bufOverrun != then.bufOverrun)
        events |= EV_ERR;
    return events;
}

void SerialDevice::NoteReported(DWORD events, const DeviceSample& sample) {
    if (events & EV_RXCHAR) {
        rxReported_ = true;
        rxReportedCount_ = sample.inQueue;
        rxTaken_ = false;
    }
    if (events & EV_TXEMPTY)
        txArmed_ = false;
    eventBaseline_ = sample;
}

void SerialDevice::MarkGone() {
    gone_ = true;
    if (wait_)
        wait_->event->Fail();
    if (write_)
        AbortWrite(ERROR_DEVICE_NOT_CONNECTED);
}

void SerialDevice::Complete(OVERLAPPED* overlapped, const std::shared_ptr<EventObject>& event, DWORD status,
                            DWORD transferred) {
    overlapped->Internal = status;
    overlapped->InternalHigh = transferred;
    event->Set();
}

// ---------------------------------------------------------------------------
// The calls

HANDLE CreateFile(const std::string& name, DWORD flags) {
    const int number = ComPortNumber(name);
    DWORD error = ERROR_FILE_NOT_FOUND;
    std::shared_ptr<SerialDevice> device;
    if (number > 0 && VirtualPortRegistered(number)) {
        device = OpenVirtualSerialDevice(number, &error);
    } else {
        const std::string path = number > 0 ? PortDevicePath(number) : name;
        if (!path.empty())
            device = OpenPosixSerialDevice(path, &error);
    }
    if (!device) {
        lastError = error;
        return INVALID_HANDLE_VALUE;
    }
    device->Start((flags & FILE_FLAG_OVERLAPPED) != 0);
    lastError = ERROR_SUCCESS;
    return Handles().Add(PortEntry{device});
}

BOOL CloseHandle(HANDLE handle) {
    HandleObject removed;
    if (!Handles().Remove(handle, &removed))
        return Result(ERROR_INVALID_HANDLE);
    if (auto* port = std::get_if<PortEntry>(&removed))
        port->device->Close();
    return Result(ERROR_SUCCESS);
}

HANDLE CreateEvent(bool manualReset, bool initialState) {
    lastError = ERROR_SUCCESS;
    return Handles().Add(std::make_shared<EventObject>(manualReset, initialState));
}

BOOL SetEvent(HANDLE handle) {
    const auto event = Handles().Event(handle);
    if (event)
        event->Set();
    return Result(event ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
}

BOOL ResetEvent(HANDLE handle) {
    const auto event = Handles().Event(handle);
    if (event)
        event->Reset();
    return Result(event ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    const auto event = Handles().Event(handle);
    if (!event) {
        lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    const DWORD result = event->Wait(milliseconds);
    if (result == WAIT_FAILED)
        lastError = ERROR_DEVICE_NOT_CONNECTED;
    return result;
}

BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue) {
    return OnPort(port, [&](SerialDevice& d) { return d.Setup(inQueue, outQueue); });
}

BOOL GetCommState(HANDLE port, DCB* dcb) {
    return OnPort(port, [&](SerialDevice& d) { return dcb ? d.GetState(dcb) : ERROR_INVALID_PARAMETER; });
}

BOOL SetCommState(HANDLE port, const DCB* dcb) {
    return OnPort(port, [&](SerialDevice& d) { return dcb ? d.SetState(*dcb) : ERROR_INVALID_PARAMETER; });
}

BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
    return OnPort(
        port, [&](SerialDevice& d) { return timeouts ? d.GetTimeouts(timeouts) : ERROR_INVALID_PARAMETER; });
}

BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts) {
    return OnPort(
        port, [&](SerialDevice& d) { return timeouts ? d.SetTimeouts(*timeouts) : ERROR_INVALID_PARAMETER; });
}

BOOL SetCommMask(HANDLE port, DWORD mask) {
    return OnPort(port, [&](SerialDevice& d) { return d.SetMask(mask); });
}

BOOL GetCommMask(HANDLE port, DWORD* mask) {
    return OnPort(port, [&](SerialDevice& d) { return mask ? d.GetMask(mask) : ERROR_INVALID_PARAMETER; });
}

BOOL WaitCommEvent(HANDLE port, DWORD* mask, OVERLAPPED* overlapped) {
    return OnPort(port, [&](SerialDevice& d) { return d.WaitEvent(mask, overlapped, EventOf(overlapped)); });
}

BOOL GetOverlappedResult(HANDLE port, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) {
    if (!overlapped)
        return Result(ERROR_INVALID_PARAMETER);
    if (wait) {
        const auto event = EventOf(overlapped);
        if (event && event->Wait(INFINITE) == WAIT_FAILED)
            return Result(ERROR_DEVICE_NOT_CONNECTED);
    }
    return OnPort(port, [&](SerialDevice& d) { return d.OverlappedResult(overlapped, transferred); });
}

BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped) {
    DWORD taken = 0;
    const BOOL ok = OnPort(port, [&](SerialDevice& d) {
        return buffer ? d.Read(buffer, count, &taken) : ERROR_INVALID_PARAMETER;
    });
    if (read)
        *read = taken;
    // Reads never pend: an overlapped read completes at once.
    if (ok && overlapped) {
        overlapped->Internal = ERROR_SUCCESS;
        overlapped->InternalHigh = taken;
        if (const auto event = EventOf(overlapped))
            event->Set();
    }
    return ok;
}

BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped) {
    DWORD done = 0;
    const BOOL ok = OnPort(port, [&](SerialDevice& d) {
        return buffer || count == 0 ? d.Write(buffer, count, &done, overlapped, EventOf(overlapped))
                                    : ERROR_INVALID_PARAMETER;
    });
    if (written)
        *written = done;
    return ok;
}

BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status) {
    return OnPort(port, [&](SerialDevice& d) { return d.ClearError(errors, status); });
}

BOOL GetCommModemStatus(HANDLE port, DWORD* status) {
    return OnPort(port,
                  [&](SerialDevice& d) { return status ? d.ModemStatus(status) : ERROR_INVALID_PARAMETER; });
}

BOOL EscapeCommFunction(HANDLE port, DWORD function) {
    return OnPort(port, [&](SerialDevice& d) { return d.Escape(function); });
}

BOOL SetCommBreak(HANDLE port) {
    return EscapeCommFunction(port, SETBREAK);
}

BOOL ClearCommBreak(HANDLE port) {
    return EscapeCommFunction(port, CLRBREAK);
}

BOOL PurgeComm(HANDLE port, DWORD flags) {
    return OnPort(port, [&](SerialDevice& d) { return d.Purge(flags); });
}

BOOL TransmitCommChar(HANDLE port, char c) {
    return OnPort(port, [&](SerialDevice& d) { return d.TransmitChar(c); });
}

BOOL CancelIo(HANDLE port) {
    return OnPort(port, [&](SerialDevice& d) {
        const DWORD error = d.Cancel(nullptr);
        return error == ERROR_NOT_FOUND ? ERROR_SUCCESS : error;
    });
}

BOOL CancelIoEx(HANDLE port, OVERLAPPED* overlapped) {
    return OnPort(port, [&](SerialDevice& d) { return d.Cancel(overlapped); });
}

DWORD GetFileSize(HANDLE port, DWORD* high) {
    if (high)
        *high = 0;
    if (!Handles().Port(port)) {
        lastError = ERROR_INVALID_HANDLE;
        return 0xFFFFFFFF;
    }
    lastError = ERROR_SUCCESS;
    return 0;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}

std::string SystemErrorText(DWORD error) {
    static const std::map<DWORD, std::string> texts{
        {ERROR_SUCCESS, "The operation completed successfully."},
        {ERROR_INVALID_FUNCTION, "Incorrect function."},
        {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
        {ERROR_ACCESS_DENIED, "Access is denied."},
        {ERROR_INVALID_HANDLE, "The handle is invalid."},
        {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
        {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
        {ERROR_OPERATION_ABORTED, "The I/O operation has been aborted because of either a thread exit or an "
                                  "application request."},
        {ERROR_IO_INCOMPLETE, "Overlapped I/O event is not in a signaled state."},
        {ERROR_IO_PENDING, "Overlapped I/O operation is in progress."},
        {ERROR_DEVICE_NOT_CONNECTED, "The device is not connected."},
        {ERROR_NOT_FOUND, "Element not found."},
    };
    const auto found = texts.find(error);
    return found != texts.end() ? found->second : "Unknown error " + std::to_string(error) + ".";
}

double CharacterSeconds(const DCB& dcb) {
    const double stopBits = dcb.StopBits == ONESTOPBIT ? 1.0 : dcb.StopBits == ONE5STOPBITS ? 1.5 : 2.0;
    const double bits = 1.0 + dcb.ByteSize + (dcb.Parity == NOPARITY ? 0.0 : 1.0) + stopBits;
    return bits / std::max<DWORD>(dcb.BaudRate, 1);
}
