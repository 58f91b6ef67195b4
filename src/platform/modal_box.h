#pragma once
// Every modal window of the program is a box: a message box, an open or save
// dialog, an input box, a print or printer set-up dialog, a port set-up dialog, the
// About box. A box on the GUI thread is a pause: it runs the event loop, but work
// that must not go on while the user reads it (a programming run's time-outs)
// stands still from the first box opened to the last one closed. Every box is
// counted here, so that pause holds under any of them.

#include <functional>

class QDialog;

// Runs the dialog modally, counted as a box while it waits for its answer, and
// returns its result (QDialog::Accepted or Rejected).
int RunModal(QDialog& dialog);

// Counts a box of the GUI thread as open for its own lifetime; on another thread it
// counts nothing. For a box that a test's responder answers in its place too.
class CountedBox {
public:
    CountedBox();
    ~CountedBox();
    CountedBox(const CountedBox&) = delete;
    CountedBox& operator=(const CountedBox&) = delete;

private:
    const bool counted_;
};

// Whether a box is open, and who is told, on the GUI thread, when the first opens
// and the last closes (a responder's boxes included).
bool MessageBoxOpen();
using MessageBoxWatcher = std::function<void(bool open)>;
void WatchMessageBoxes(const void* owner, MessageBoxWatcher watcher);
void StopWatchingMessageBoxes(const void* owner);
