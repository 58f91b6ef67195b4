#include "app/port_handover.h"

#include <chrono>
#include <thread>

void SleepingClock::wait(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace {
constexpr int kLargestPortNumber = 99999;

template <typename Action>
void ForTerminalsOn(const HandoverTerminals& terminals, int portIndex, Action action) {
    for (HandoverTerminal* terminal : terminals)
        if (terminal->portNumber() == portIndex)
            action(*terminal);
}

void ReopenPort(HandoverTerminal& terminal, bool retry, HandoverClock& clock) {
    if (retry)
        clock.wait(ReopenTiming::kBeforeEachPortMs);
    terminal.openPort(true);
    clock.wait(ReopenTiming::kStepMs);
    for (int attempt = 1; retry && !terminal.portOpen() && attempt <= ReopenTiming::kRetries; ++attempt) {
        clock.wait(ReopenTiming::kStepMs);
        terminal.openPort(attempt < ReopenTiming::kRetries);
        clock.wait(ReopenTiming::kStepMs);
    }
    terminal.showPortState();
}
} // namespace

void ReleaseTerminalPort(const HandoverTerminals& terminals, int comNumber) {
    ForTerminalsOn(terminals, comNumber - 1, [](HandoverTerminal& terminal) {
        if (!terminal.closePortItemShown())
            return;
        terminal.closePort();
        terminal.setPortLent(true);
        terminal.showPortState();
    });
}

void RestoreTerminalPort(const HandoverTerminals& terminals, int comNumber) {
    ForTerminalsOn(terminals, comNumber - 1, [](HandoverTerminal& terminal) {
        if (!terminal.portLent())
            return;
        terminal.setPortLent(false);
        // Another window that borrowed the port too may hold it still.
        if (terminal.portLent())
            return;
        terminal.openPort(false);
        terminal.showPortState();
    });
}

void CloseAllTerminalPorts(const HandoverTerminals& terminals) {
    for (HandoverTerminal* terminal : terminals) {
        terminal->closePort();
        terminal->showPortState();
    }
}

void ReopenAllTerminalPorts(const HandoverTerminals& terminals, bool retry, HandoverClock& clock,
                            bool childWindowsOpen) {
    if (retry && childWindowsOpen)
        clock.wait(ReopenTiming::kAfterResumeMs);
    for (HandoverTerminal* terminal : terminals)
        if (!terminal->portLent())
            ReopenPort(*terminal, retry, clock);
}

int DevicePortIndex(const std::string& portName) {
    const std::string prefix = "COM";
    if (portName.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = portName.substr(prefix.size());
    int number = 0;
    for (char c : digits) {
        if (c < '0' || c > '9' || number > kLargestPortNumber / 10)
            return -1;
        number = number * 10 + (c - '0');
    }
    return digits.empty() ? -1 : number - 1;
}

// A lent port's device is the lender's while the loan lasts; the hand-back
// finds out whether it is still there.
void ClosePortOnRemoval(const HandoverTerminals& terminals, int portIndex) {
    ForTerminalsOn(terminals, portIndex, [](HandoverTerminal& terminal) {
        if (!terminal.portLent())
            terminal.closePortCommand();
    });
}

void ReopenPortOnArrival(const HandoverTerminals& terminals, int portIndex) {
    ForTerminalsOn(terminals, portIndex, [](HandoverTerminal& terminal) {
        if (!terminal.portLent())
            terminal.openPortCommand();
    });
}
