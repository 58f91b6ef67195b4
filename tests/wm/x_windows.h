#pragma once
// What the window manager says of the program's windows, read from the root
// window's properties on the X server the application is connected to, and what a
// user's hand asks of it.

#include <QMargins>
#include <QWidget>
#include <vector>

namespace XWindows {

// True when the window manager manages the window.
bool IsManaged(const QWidget* window);
// The managed windows, bottom to top.
std::vector<WId> StackingOrder();
// True when the window manager stacks the first window above the second.
bool StackedAbove(const QWidget* upper, const QWidget* lower);
// The borders the window manager put around the window: left, title bar, right
// and bottom.
QMargins FrameExtents(const QWidget* window);
// Brings the X server's present time into the application, as a real key or click
// does. The application asks for the focus with the time of the last input it had,
// and the X server drops a focus change older than the one before it; keys the
// test sends carry no time.
void TakeServerTime(const QWidget* window);
// Asks the window manager to give the window the focus, as a click on it does.
void Activate(const QWidget* window);
// True when the window manager gave the window the focus.
bool IsActive(const QWidget* window);

} // namespace XWindows
