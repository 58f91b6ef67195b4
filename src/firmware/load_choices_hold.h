#pragma once
// While a load runs nothing in a firmware window can start another or change what
// it loads: its file, options, ports and keys stay as the load took them. The hold
// turns those controls off, and afterwards gives each back the state its own rules
// gave it (a control a rule had turned off stays off).

#include <QWidget>
#include <utility>
#include <vector>

class LoadChoicesHold {
public:
    // Turns the controls off, noting for each whether it was on within `window`.
    void Hold(const QWidget& window, const std::vector<QWidget*>& controls);
    // Gives each held control back the state it had; nothing when none is held.
    void Release();

private:
    std::vector<std::pair<QWidget*, bool>> held_;
};
