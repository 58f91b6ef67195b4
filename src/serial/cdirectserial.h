#pragma once
// A COM port driven by polling, for code that runs a dialogue with a modem step by
// step and waits for answers itself (the firmware loaders on their worker threads,
// the designer's NMS transfer on the GUI thread). It owns a TQuovixCommPort in
// polled run: writes are synchronous, reads take what the driver holds at the
// moment. One thread uses an object at a time.

#include <chrono>

class TQuovixCommPort;
class WaitClock;

// Open waits this long after creating the port component.
constexpr std::chrono::milliseconds kDirectSerialOpenPause{10};
// ReadWithTimeout rests this long between reads: a reply is taken within a quarter
// of a millisecond of its arrival, which keeps the turnarounds of a dialogue of
// short frames (a loader's record frames at 115200 baud) close to the line's time.
constexpr std::chrono::microseconds kDirectSerialReadRest{250};

class CDirectSerial {
public:
    CDirectSerial();
    // Waits and time-outs on the given clock instead of the machine's.
    explicit CDirectSerial(WaitClock& clock);
    virtual ~CDirectSerial();
    CDirectSerial(const CDirectSerial&) = delete;
    CDirectSerial& operator=(const CDirectSerial&) = delete;

    // port is 1-based (1 = COM1); flowMode 0 none, 1 RTS/CTS, 2 XON/XOFF. False
    // when already open or when the port does not open (its box is shown).
    bool Open(int port, int baud, int dataBits, int flowMode);
    // Takes only 9600, 38400, 115200, 128000, 230400 and 256000; true always.
    bool SetBaudRate(int baud);
    bool Close();
    int Write(const char* buf, int n);
    // At most n bytes, never more than the 2048-byte receive buffer holds.
    int Read(char* buf, int n);
    // Reads until n bytes have come, timeoutMs has passed or the device is gone; at
    // most n bytes.
    int ReadWithTimeout(char* buf, int n, int timeoutMs);
    bool DsrStatus();
    // Whether the open port's device has gone (an adapter pulled); false when closed.
    bool DeviceGone();
    // Quiet: a device that goes shows no box of the port; the caller asks DeviceGone
    // and reports it. Holds for the opens that follow.
    void SetGoneQuiet(bool quiet) { goneQuiet_ = quiet; }

private:
    WaitClock& clock_;
    bool open_ = false;
    bool goneQuiet_ = false;
    TQuovixCommPort* port_ = nullptr;
};
