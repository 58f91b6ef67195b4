#include "shell/mdi_child.h"

QWidget* LastUsedControl(QWidget& form, QWidget* first) {
    QWidget* last = form.focusWidget();
    if (last != nullptr && last != &form && last->isEnabled() && last->focusPolicy() != Qt::NoFocus)
        return last;
    return first;
}

void GiveKeyboardToWorkingControl(QMdiSubWindow* child) {
    auto* owner = child != nullptr ? dynamic_cast<WorkingControlOwner*>(child->widget()) : nullptr;
    QWidget* control = owner != nullptr ? owner->WorkingControl() : nullptr;
    if (control != nullptr)
        control->setFocus(Qt::ActiveWindowFocusReason);
}
