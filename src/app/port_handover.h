#pragma once
// Hand-over of the terminals' ports: lending a port to another window and taking
// it back, closing and reopening every terminal's port around a suspend, and
// following a port device that is removed or arrives. Terminals take part through
// the small interface below, so the rules run without windows.

#include "shell/handover_terminal.h"

#include <string>
#include <vector>

// The waits of reopening after a resume. They hold the caller, as the ports of
// the machine need them to come back; tests count them instead.
class HandoverClock {
public:
    virtual ~HandoverClock() = default;
    virtual void wait(int ms) = 0;
};

// Sleeps the calling thread.
class SleepingClock : public HandoverClock {
public:
    void wait(int ms) override;
};

struct ReopenTiming {
    static constexpr int kAfterResumeMs = 8000;
    static constexpr int kBeforeEachPortMs = 800;
    static constexpr int kStepMs = 100;
    // Retries after the first quiet attempt; the last one shows the port's box.
    static constexpr int kRetries = 6;
};

using HandoverTerminals = std::vector<HandoverTerminal*>;

// Lends the port of COM comNumber (1 = COM1): every terminal on it whose port is
// meant to be open closes it and shows it lent, which also stops its transmit
// window's repeat. A port the user closed is not lent. A lent port lent again has
// one more borrower.
void ReleaseTerminalPort(const HandoverTerminals& terminals, int comNumber);
// One borrower gives the port back. When it was the last, the loan ends: every
// terminal whose port was lent opens it with boxes and shows it as it is, so one
// that did not open is shown closed. A port the user closed, before or during
// the loan, stays closed.
void RestoreTerminalPort(const HandoverTerminals& terminals, int comNumber);
// Closes every terminal's port and shows it closed; a lent port stays lent.
void CloseAllTerminalPorts(const HandoverTerminals& terminals);
// Reopens every terminal's port: one quiet attempt, and with retry, after a wait
// for the machine to settle (when any child window is open), up to kRetries more
// of which only the last shows a box. Ports that stay closed are left silver with
// "Open port" shown. A lent port is left to its hand-back.
void ReopenAllTerminalPorts(const HandoverTerminals& terminals, bool retry, HandoverClock& clock,
                            bool childWindowsOpen);

// The port index (0 = COM1) of a device name "COMn"; -1 for any other name.
int DevicePortIndex(const std::string& portName);
// A port device removed or arrived: the terminals on it run their "Close port" or
// "Open port" command, except those whose port is lent.
void ClosePortOnRemoval(const HandoverTerminals& terminals, int portIndex);
void ReopenPortOnArrival(const HandoverTerminals& terminals, int portIndex);
