#pragma once
// Windows that open as children of the main window's MDI area sit in a frame of
// their own; their close commands close that frame, so no empty frame stays behind.

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

inline void CloseMdiChild(QWidget* window) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        frame->close();
    else
        window->close();
}

// Restores a window (its frame) from minimised and makes it the active window,
// in front of the others.
inline void BringMdiChildForward(QWidget* window) {
    auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    QWidget* shown = frame != nullptr ? static_cast<QWidget*>(frame) : window;
    if (shown->isMinimized())
        shown->showNormal();
    if (frame != nullptr && frame->mdiArea() != nullptr)
        frame->mdiArea()->setActiveSubWindow(frame);
    shown->raise();
}

// Esc presses the window's cancel button: of the buttons marked as cancel buttons,
// in the window's order, the first that is enabled. True when one took the key.
inline bool PressCancelButton(const QKeyEvent* key, std::initializer_list<QAbstractButton*> cancelButtons) {
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
        return false;
    for (QAbstractButton* button : cancelButtons)
        if (button->isEnabled()) {
            button->click();
            return true;
        }
    return false;
}

// Each kind of MDI child names the control the user's keys belong to while its
// window is the active one: a designer's drawing, a terminal's screen, the control
// of a form that the user worked in last.
class WorkingControlOwner {
public:
    virtual QWidget* WorkingControl() = 0;

protected:
    ~WorkingControlOwner() = default;
};

// The control of a form that had the keyboard last, while it can still take it;
// otherwise the form's first control.
QWidget* LastUsedControl(QWidget& form, QWidget* first);

// The main window's one handler of a child window becoming the active one, however
// it does (Ctrl+Tab, the Window menu, a click on its frame, another child closing,
// the layout restored at start): the keyboard goes to the child's working control.
// Without it the keys stay with the child's frame or a scroll area in it, where
// no command listens.
void GiveKeyboardToWorkingControl(QMdiSubWindow* child);
