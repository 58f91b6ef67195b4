#pragma once
// What a key pressed in a terminal's screen does before it is typed: Shift+F1 to
// Shift+F12 send key scripts, Shift+Alt+F1 to F12 and Ctrl with F1..F12, 1..0, =
// or [ select script sets, and every other key held with Ctrl or taken here is
// consumed.

struct TerminalKeyAction {
    enum Kind {
        kNone,       // not a terminal key: it goes on to the typed-key path
        kSendScript, // send key script number of the selected set
        kSelectSet,  // select script set number
        kConsumed,   // taken here, nothing more happens
    };
    Kind kind = kNone;
    int number = 0; // 1..12

    bool operator==(const TerminalKeyAction&) const = default;
};

// key is a Qt key code.
TerminalKeyAction ClassifyTerminalKey(int key, bool shift, bool alt, bool ctrl);
