#pragma once
// The private part of the serial calls (platform/serial_comm.h): the event object,
// and the device base that keeps the Win32 semantics (overlapped operations,
// event detection, line-error accounting, write completion) once for every kind
// of device. A kind of device supplies only the few primitive operations below.
//
// Nothing runs in the background: a thread that waits on the event of a pending
// operation drives the device (waits for activity in short slices and evaluates
// it), so operations complete while someone waits for them, and a call that asks
// for a result evaluates the device first.

#include "platform/serial_comm.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// How long one driving step waits for the device before it is evaluated again:
// the delay in noticing a line change, a line error or an empty output queue.
constexpr std::chrono::milliseconds kDeviceDriveSlice{5};

class SerialDevice;

class EventObject {
public:
    EventObject(bool manualReset, bool initialState);

    void Set();
    // Unsignals the event and clears a failure.
    void Reset();
    // Makes every wait on the event fail until it is reset.
    void Fail();
    // While bound, a waiter drives the device.
    void Bind(const std::shared_ptr<SerialDevice>& device);
    DWORD Wait(DWORD milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signalled_;
    bool failed_ = false;
    std::weak_ptr<SerialDevice> device_;
};

// Counters of line changes and line errors since the device was opened (the
// driver's TIOCGICOUNT counters, or those of a virtual port).
struct LineCounters {
    uint32_t cts = 0, dsr = 0, rng = 0, dcd = 0;
    uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};

// The state of a device at one moment.
struct DeviceSample {
    DWORD inQueue = 0;
    // Of a device that is gone: the bytes it held as it went, lost with it.
    DWORD outQueue = 0;
    DWORD modemStatus = 0; // MS_* bits
    LineCounters counters;
    bool gone = false;
};

class SerialDevice : public std::enable_shared_from_this<SerialDevice> {
public:
    virtual ~SerialDevice() = default;

    // Each returns ERROR_SUCCESS or the error code of the call.
    DWORD Setup(DWORD inQueue, DWORD outQueue);
    DWORD GetState(DCB* dcb);
    DWORD SetState(const DCB& dcb);
    DWORD GetTimeouts(COMMTIMEOUTS* timeouts);
    DWORD SetTimeouts(const COMMTIMEOUTS& timeouts);
    DWORD SetMask(DWORD mask);
    DWORD GetMask(DWORD* mask);
    DWORD WaitEvent(DWORD* mask, OVERLAPPED* overlapped, const std::shared_ptr<EventObject>& event);
    DWORD OverlappedResult(OVERLAPPED* overlapped, DWORD* transferred);
    DWORD Read(void* buffer, DWORD count, DWORD* read);
    DWORD Write(const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped,
                const std::shared_ptr<EventObject>& event);
    DWORD ClearError(DWORD* errors, COMSTAT* status);
    DWORD ModemStatus(DWORD* status);
    DWORD Escape(DWORD function);
    DWORD Purge(DWORD flags);
    DWORD TransmitChar(char c);
    DWORD Cancel(OVERLAPPED* overlapped);
    void Close();

    // Waits up to one slice for activity, then completes what has become due;
    // false, at once, when the device is closed or gone and so can change no more.
    bool Drive(std::chrono::milliseconds slice);
    // Starts the event baselines at the device's state; called once after opening.
    void Start(bool overlapped);

protected:
    // Primitive operations of a kind of device; called with the device's lock held
    // (WaitForActivity and Release without it). Errors are Win32 codes.
    virtual DCB CurrentSettings() = 0;
    virtual DWORD ApplySettings(const DCB& dcb) = 0;
    virtual DeviceSample Sample() = 0;
    virtual DWORD TakeInput(uint8_t* buffer, DWORD count, DWORD* taken) = 0;
    // Hands bytes to the device without waiting; accepted may be fewer than count.
    virtual DWORD PutOutput(const uint8_t* buffer, DWORD count, DWORD* accepted) = 0;
    virtual bool HasModemLines() = 0;
    // SETRTS, CLRRTS, SETDTR, CLRDTR, SETBREAK, CLRBREAK, SETXON, SETXOFF.
    virtual DWORD SetLine(DWORD function) = 0;
    virtual DWORD FlushInput() = 0;
    virtual DWORD FlushOutput() = 0;
    // Returns when input arrives (watchInput), the device changes, or the slice ends.
    virtual void WaitForActivity(bool watchInput, std::chrono::milliseconds slice) = 0;
    // Closes the device; no primitive runs after it.
    virtual void Release() = 0;
    // Event waits of a virtual port can be made to fail.
    virtual bool WaitsFail() { return false; }

private:
    struct PendingWait {
        DWORD* mask;
        OVERLAPPED* overlapped;
        std::shared_ptr<EventObject> event;
    };
    struct PendingWrite {
        OVERLAPPED* overlapped;
        std::shared_ptr<EventObject> event;
        std::vector<uint8_t> unsent;
        DWORD total;
    };

    DWORD Usable() const;
    void Evaluate();
    void ContinueWrite();
    // Hands the waiting TransmitChar character to the line; true when none waits.
    bool PutImmediate();
    void AbortWrite(DWORD status);
    DWORD EventsSince(const DeviceSample& sample) const;
    void NoteReported(DWORD events, const DeviceSample& sample);
    void MarkGone();
    void Complete(OVERLAPPED* overlapped, const std::shared_ptr<EventObject>& event, DWORD status,
                  DWORD transferred);
    DWORD SynchronousWrite(const uint8_t* bytes, DWORD count, DWORD* written,
                           std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    bool overlapped_ = false;
    bool closed_ = false;
    bool gone_ = false;
    DCB dcb_;
    COMMTIMEOUTS timeouts_;
    DWORD mask_ = 0;
    std::unique_ptr<PendingWait> wait_;
    std::unique_ptr<PendingWrite> write_;
    DeviceSample eventBaseline_;
    LineCounters errorBaseline_;
    bool rxReported_ = false;
    DWORD rxReportedCount_ = 0;
    bool rxTaken_ = false;
    bool txArmed_ = false;
    // The TransmitChar character the line has not taken yet, or whether the
    // driver may still hold it with the bytes before it (a pseudo-terminal's
    // held output takes bytes and keeps them).
    std::optional<uint8_t> immediate_;
    bool immediateInDriver_ = false;
};

// Opens a device of the machine; null with the error code on failure.
std::shared_ptr<SerialDevice> OpenPosixSerialDevice(const std::string& path, DWORD* error);
// Opens the near end of the virtual port registered as COM n; null with
// ERROR_FILE_NOT_FOUND when none is, or ERROR_ACCESS_DENIED when it is open.
std::shared_ptr<SerialDevice> OpenVirtualSerialDevice(int comNumber, DWORD* error);
// Whether a virtual port is registered as COM n.
bool VirtualPortRegistered(int comNumber);
std::vector<int> VirtualPortNumbers();
