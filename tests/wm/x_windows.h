#pragma once
// What the window manager says of the program's windows, read from the root
// window's properties on the X server the application is connected to.

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
// The window the window manager gave the focus to.
WId ActiveWindow();

} // namespace XWindows
