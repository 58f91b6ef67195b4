#pragma once
// Virtual serial ports for tests and simulated modems: a linked pair of port
// ends. Creating a VirtualPort registers COM n; the program opens "COMn" through
// the serial calls (platform/serial_comm.h) and gets the near end, while the
// VirtualPort object is the far end, held by the test or the simulated modem:
//
//     VirtualPort modem(7);                    // COM7 now exists
//     ... the program opens COM7 ...
//     modem.Write("OK\r");                     // the program receives it
//     std::string sent = modem.ReadFor(4, 500ms);
//     modem.SetCts(false);                     // the program sees CTS drop
//     modem.InjectLineErrors(CE_FRAME);        // ... and a framing error
//     modem.Vanish();                          // ... and the device disappear
//
// The far end sets the lines the near end reads (CTS, DSR, RING, RLSD, all off at
// first) and reads the lines the near end drives (RTS, DTR, break). With pacing
// on, bytes in both directions take their time on the line at the near end's
// settings: bytes x bits per character / bit rate. The near end's SETXOFF escape
// holds its output, as a received XOFF would, until SETXON or the next open. All
// members may be called from any thread.

#include "platform/serial_comm.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

struct VirtualLink;

class VirtualPort {
public:
    // Registers COM n; throws std::logic_error when that number is registered.
    explicit VirtualPort(int comNumber);
    // Unregisters the port; a near end still open sees its device vanish.
    ~VirtualPort();
    VirtualPort(const VirtualPort&) = delete;
    VirtualPort& operator=(const VirtualPort&) = delete;

    int ComNumber() const { return comNumber_; }
    bool NearEndOpen() const;
    // When the near end was last opened.
    std::chrono::steady_clock::time_point NearEndOpenedAt() const;
    // The settings the near end last applied (its bit rate, data bits, ...).
    DCB NearSettings() const;

    // Sends bytes to the near end.
    void Write(const std::string& bytes);
    // Takes every byte the near end has sent that has arrived; with arrivals,
    // also when each of them arrived.
    std::string Read(std::vector<std::chrono::steady_clock::time_point>* arrivals = nullptr);
    // Waits until count bytes have arrived or the time is up, and takes at most
    // count bytes.
    std::string ReadFor(size_t count, std::chrono::milliseconds timeout);

    void SetCts(bool on);
    void SetDsr(bool on);
    void SetRing(bool on);
    void SetCarrier(bool on);
    bool Rts() const;
    bool Dtr() const;
    bool BreakOn() const;

    // Line errors at the near end: any of CE_RXOVER, CE_OVERRUN, CE_RXPARITY,
    // CE_FRAME (reported as EV_ERR) and CE_BREAK (EV_BREAK).
    void InjectLineErrors(DWORD errors);
    // While set, event waits on the near end fail (WaitForSingleObject answers
    // WAIT_FAILED) though the port works.
    void SetWaitsFail(bool fail);
    // The device disappears, as a pulled adapter: the near end's calls fail, its
    // event waits fail, the bytes still on their way to the far end are lost, and
    // COM n can no longer be opened.
    void Vanish();
    void SetPacing(bool on);

private:
    int comNumber_;
    std::shared_ptr<VirtualLink> link_;
};
