#pragma once
// Which of the main window's tool-bar commands are enabled follows from the
// windows that are open and the one that is active, and from nothing else: the
// main window works it out again at every activation of a child window and
// whenever a terminal comes, goes or changes its port, so no order of opening,
// activating and closing windows can leave a command greyed or offered wrongly.

#include <map>

// The main window's commands and tool-bar controls whose enabling follows the
// open windows, named as on the main window's form.
enum class MainCommand {
    OpenBtn,
    DrawingBtn,
    SingleModemBtn,
    FlashBtn,
    FlashmBtn,
    Flashm2Btn,
    Flashm3Btn,
    Flashm4Btn,
    ProgramBtn,
    SetupBtn,
    CopyBtn,
    PasteBtn,
    TermOpenCloseAll,
    SpeedButton2,
    StartLog,
    logsize_lbl,
    logsize_nbr,
};

enum class ChildKind { None, Terminal, Designer, SingleFlash, MultiFlash, Other };

struct OpenWindows {
    ChildKind active = ChildKind::None;
    int terminals = 0;
    bool designer = false;
    bool singleModemDesigner = false;
    bool singleFlash = false;
    bool multiFlash = false;
};

std::map<MainCommand, bool> EnabledCommands(const OpenWindows& open);
