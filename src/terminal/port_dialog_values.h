#pragma once
// What the terminal port dialog shows, as positions of its choices, and the
// settings section "Terminal port" that keeps the last choice as the defaults of
// the next new terminal. Apart from the dialog so that it is tested without one.

#include "terminal/terminal_settings.h"

#include <set>
#include <string>
#include <vector>

class TIniFile;

struct PortDialogValues {
    int portPosition = 0;     // position in the port list, not the port number
    int baudPosition = 5;     // 9600
    int dataBitsPosition = 1; // 8 bits
    int parityPosition = 0;
    int stopBitsPosition = 0;
    int handshakePosition = kHandshakeNone;
    bool localEcho = true;
    bool mirror = false;
    bool crLf = true;
    bool timeStamp = false;
    bool packetTimerEnabled = false;
    int packetIntervalSeconds = 0;
    int viewPosition = 0;
    int scrollBackKb = 64;
    bool lineStart = false;
    bool counterColour = false;

    bool operator==(const PortDialogValues&) const = default;
};

// The fifteen keys of "Terminal port", in their order; the counter colour is not
// kept. Writing throws EIniFileException when the file cannot be written.
PortDialogValues ReadTerminalPortSection(const TIniFile& ini);
void WriteTerminalPortSection(TIniFile& ini, const PortDialogValues& values);

// The port index (0 = COM1) of a port-list entry: the decimal number from its
// fourth character on, at most three digits, minus 1; -1 when there is none.
int PortIndexOfEntry(const std::string& entry);

// The port-list entries, split at the commas, that name a numbered port.
std::vector<std::string> PortEntries(const std::string& comList);

// The first position whose port is not in use; `current` when every one is.
int FirstFreePosition(const std::vector<std::string>& entries, const std::set<int>& inUse, int current);

// The first position whose port index is `portIndex`; 0 when none is.
int PositionOfPort(const std::vector<std::string>& entries, int portIndex);

// The dialog's positions for an existing terminal's settings (the packet interval
// in whole seconds, the scroll-back in whole kB).
PortDialogValues ValuesFromTerminal(const LineSettings& line, const TerminalOptions& options,
                                    int packetIntervalMs);

// What OK puts into force: the line settings (port number apart), the handshake
// with the 5QV/6QV flag, and the terminal's options.
void ApplyLineValues(const PortDialogValues& values, LineSettings& line, TerminalOptions& options);
void ApplyOptionValues(const PortDialogValues& values, TerminalOptions& options);

// Ordinals of the port's settings for the dialog's positions.
int DataBitsOrdinal(int dataBitsPosition);
int StopBitsOrdinal(int stopBitsPosition);
