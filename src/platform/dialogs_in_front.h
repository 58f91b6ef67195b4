#pragma once
// Dialogs that wait for the user's answer stand in front with the keyboard.
//
// Every modal window of the program (a message box, an input box, a file dialog,
// a port or print dialog, the About box) keeps three rules, wherever it is opened
// from:
// - It stands in front and has the keyboard, also while a stay-on-top window of
//   the program is shown (the serial traffic status, the modem properties, a
//   transmit window): a window manager stacks such windows in a layer above the
//   others, and without the same hint the dialog would wait for its answer behind
//   them, out of sight, and the program would look frozen.
// - When it closes, the keyboard goes back to the window that had it before, so
//   the user's next key lands where they were typing and not in whichever window
//   the window manager picks.
// - It is as wide as its whole caption, which a window manager would otherwise
//   cut short in the title bar.
//
// One filter on the application sees every window as it is shown and hidden. It is
// installed once, right after the application object is made.
void InstallModalDialogRules();

class QWidget;

// Shows a tool window that waits for the user's answer (the project properties,
// the security level, the modem properties) in front with the keyboard, also
// when it was already open behind another window. When it closes, the keyboard
// goes back as from a modal window. Shown while a modal dialog waits for its
// answer, the window stays behind that dialog.
void ShowInFront(QWidget* window);

// True while a dialog or a tool window shown in front waits for the user's
// answer: a window brought to the front by the program's own progress (the serial
// traffic status) is not raised above it.
bool AnswerAwaited();
