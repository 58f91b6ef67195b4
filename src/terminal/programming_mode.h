#pragma once
// Programming mode: one key switches a terminal to the fixed settings the modems
// expect for their programming commands (9600 baud 8N1, no handshake, echo and
// CR LF on, text view) and back to exactly the settings it had.

#include "terminal/terminal_settings.h"

// What a terminal's settings are made of, as far as programming mode changes
// them.
struct ProgrammableSettings {
    LineSettings line;
    TerminalOptions options;
    bool chunkStampPending = false;
    int packetIntervalMs = 0; // line-idle timer; 0 = none
};

class ProgrammingMode {
public:
    bool active() const { return active_; }

    // Keeps the settings and switches them to the programming settings.
    void enter(ProgrammableSettings& settings);
    // Gives back the settings kept by enter; only the options programming mode
    // changed are restored.
    void leave(ProgrammableSettings& settings);
    // Ends the mode without restoring (new settings were applied meanwhile).
    void abandon() { active_ = false; }

private:
    bool active_ = false;
    ProgrammableSettings saved_;
    int savedHandshake_ = kHandshakeNone;
};
