#pragma once
// Windows that open as children of the main window's MDI area sit in a frame of
// their own; their close commands close that frame, so no empty frame stays behind.

#include <QMdiSubWindow>
#include <QWidget>

inline void CloseMdiChild(QWidget* window) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        frame->close();
    else
        window->close();
}
