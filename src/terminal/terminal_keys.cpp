#include "terminal/terminal_keys.h"

#include <Qt>

namespace {

// F1..F12 as 1..12, else 0.
int FunctionKeyNumber(int key) {
    return key >= Qt::Key_F1 && key <= Qt::Key_F12 ? key - Qt::Key_F1 + 1 : 0;
}

// The keys that stand for F1..F12 with Ctrl: the digits 1..9 and 0, the key of
// '=' and '+', and the key of '['.
int CtrlSetNumber(int key) {
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return key - Qt::Key_1 + 1;
    switch (key) {
    case Qt::Key_0:
        return 10;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return 11;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 12;
    default:
        return 0;
    }
}

} // namespace

TerminalKeyAction ClassifyTerminalKey(int key, bool shift, bool alt, bool ctrl) {
    const int function = FunctionKeyNumber(key);
    if (shift && !alt && !ctrl && function != 0)
        return {TerminalKeyAction::kSendScript, function};
    if (shift && alt && !ctrl && function != 0)
        return {TerminalKeyAction::kSelectSet, function};
    if (ctrl) {
        // Ctrl+F1 to F12 select their set as in the script window; Ctrl+F2 and
        // Ctrl+F3 are the pop-up menu's and never come here.
        const int set = function != 0 ? function : CtrlSetNumber(key);
        // The script window selects a set only for Ctrl alone.
        if (set != 0 && !shift && !alt)
            return {TerminalKeyAction::kSelectSet, set};
        return {TerminalKeyAction::kConsumed, 0};
    }
    return {};
}
