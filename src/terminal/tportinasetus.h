#pragma once
// The terminal's port settings dialog ("Serial port setup"): port, speed, data
// bits, parity, stop bits, handshake, view and the terminal's options. The terminal
// points it at its settings before each showing; speed, data bits, parity, stop
// bits and handshake take effect on the port as soon as they are clicked, the rest
// on OK. OK keeps the choice in section "Terminal port" as the defaults of the next
// new terminal. One dialog serves every terminal and remembers which ports the
// terminals opened with it hold.

#include "terminal/port_dialog_values.h"
#include "ui_tportinasetus.h"

#include <QDialog>
#include <QPoint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QTimer;

// Where the dialog reads and writes a terminal's settings.
struct PortDialogTarget {
    // The terminal's own line settings; they also name the terminal in the
    // dialog's record of the ports in use.
    LineSettings* line = nullptr;
    TerminalOptions* options = nullptr;
    // The terminal's line-idle timer: its interval is the packet interval.
    QTimer* packetTimer = nullptr;
    // Puts the line settings (all but the port number) into force on the port.
    std::function<void(const LineSettings&)> applyLine;
    // An existing terminal moved to another port: close the port and open it
    // again, with message boxes, on line->portNumber.
    std::function<void()> reopenPort;
    // A new terminal after OK: open the port without message boxes.
    std::function<void()> openQuietly;
};

class Tportinasetus : public QDialog, public Ui::Tportinasetus {
    Q_OBJECT
public:
    explicit Tportinasetus(QWidget* parent = nullptr);
    ~Tportinasetus() override;

    void SetTarget(PortDialogTarget target);
    // Where the top-left corner of the dialog's frame goes at the next showing;
    // it moves up and left when the dialog would reach past the screen.
    void SetPlace(const QPoint& framePosition) { place_ = framePosition; }
    // Set by the terminal while it is being created; OK then opens its port.
    bool new_terminal = false;

    // The ports (0 = COM1) of the terminals opened with this dialog and not yet
    // closed, one per terminal: OK records the port its target is on (the one it
    // moved to, or chose again after a port that would not open), and a closing
    // terminal removes its own.
    std::set<int> PortsInUse() const;
    void RemovePortInUse(const LineSettings* holder);

    void FormShow();
    void OKClick();
    void PeruutaClick();
    void nopeusClick();
    void databitsClick();
    void parityClick();
    void stopbitsClick();
    void kattelyClick();
    void timestampClick();

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    PortDialogValues ControlValues() const;
    void ShowValues(const PortDialogValues& values);
    void ApplyLineNow();
    void PlaceOnScreen();

    PortDialogTarget target_;
    LineSettings ownLine_;
    TerminalOptions ownOptions_;
    std::vector<std::string> entries_;
    std::map<const LineSettings*, int> inUse_;
    std::optional<QPoint> place_;
};

extern Tportinasetus* portinasetus;
