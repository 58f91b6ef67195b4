#pragma once
// The saved window layout: which MDI children were open, of which kind, where and
// how large. "Layout" "Layout count" holds the number of children; child i has
// the section "Window number i" (counted from 0, in the order of the main
// window's child list). A terminal adds its own keys to its section.

#include "shell/window_placement.h"

#include <functional>
#include <string>
#include <vector>

class TIniFile;

enum LayoutWindowType : int {
    kLayoutNoWindow = 0,
    kLayoutTerminal = 1,
    kLayoutSingleFlash = 2,
    kLayoutMultiFlash = 3,
    kLayoutDesigner = 5,
    kLayoutSingleModem = 6,
};

struct LayoutWindow {
    int type = kLayoutNoWindow;
    int info = 0; // the window's Tag: a multi firmware window's instance 1..4
    WindowRect place{0, 0, 400, 400};
};

// One MDI child as the layout saves it. A child of no kind the layout reopens
// (a property table, a radio test) has type kLayoutNoWindow; writeOwnKeys, when
// set, adds the window's own keys to its section.
struct LayoutChild {
    LayoutWindow window;
    std::function<void(TIniFile&, const std::string& section)> writeOwnKeys;
};

std::string LayoutSectionName(int index);

// Writes the layout. Every child gets its section, a child that the layout does
// not reopen only "Window type" 0, so that a section left from an earlier run
// under the same index cannot reopen a window that was not open. Throws
// EIniFileException when the file cannot be written.
void SaveLayout(TIniFile& ini, const std::vector<LayoutChild>& children);

// The windows to reopen, in saved order: sections of a type that reopens
// nothing (0, unknown types, a multi firmware window other than 1..4) are left
// out. The section index comes with each window, for the terminal's own keys.
struct SavedWindow {
    int index = 0;
    LayoutWindow window;
};
std::vector<SavedWindow> ReadLayout(const TIniFile& ini);
