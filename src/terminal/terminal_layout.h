#pragma once
// A terminal's keys in its section of the saved window layout: its port and line
// settings, its view options and, when shown, the place of its transmit window.

#include "shell/window_placement.h"
#include "terminal/terminal_settings.h"

#include <string>

class TIniFile;

struct TerminalLayout {
    LineSettings line;
    TerminalOptions options;
    bool packetTimerEnabled = false;
    int packetIntervalMs = 0;
    bool transmitShown = false;
    WindowRect transmit{0, 0, 400, 400};
};

// The handshake code a layout stores. The 5QV/6QV flag is tested first: during a
// 5QV/6QV send the port runs in RTS handshake mode, and the layout must not
// mistake that for hardware handshake.
int LayoutHandshakeCode(const LineSettings& line, bool fiveQv);

// Writes the terminal's keys into the section, in their fixed order; the four
// transmit-window keys only when the transmit window is shown.
void WriteTerminalLayout(TIniFile& ini, const std::string& section, const TerminalLayout& layout);

// Reads the keys back. Missing keys take their defaults; the transmit window's
// place defaults to current.transmit, and a handshake code outside 0..3 keeps
// current's RTS mode and flow control. The RTS hold time follows the baud rate
// and the scroll-back low mark the high mark.
TerminalLayout ReadTerminalLayout(const TIniFile& ini, const std::string& section,
                                  const TerminalLayout& current);
