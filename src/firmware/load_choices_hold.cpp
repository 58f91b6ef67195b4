#include "firmware/load_choices_hold.h"

void LoadChoicesHold::Hold(const QWidget& window, const std::vector<QWidget*>& controls) {
    held_.clear();
    for (QWidget* control : controls) {
        held_.emplace_back(control, control->isEnabledTo(&window));
        control->setEnabled(false);
    }
}

void LoadChoicesHold::Release() {
    for (const auto& [control, enabled] : held_)
        control->setEnabled(enabled);
    held_.clear();
}
