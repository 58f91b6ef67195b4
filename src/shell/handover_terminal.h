#pragma once
// What hand-over of the ports needs of a terminal window: the main window lends a
// terminal's port to another window and takes it back, closes and reopens the
// ports around a suspend, and follows port devices that come and go. Terminals
// implement it; the rules run over it without windows.

// Background of a terminal's screen, telling the state of its port.
enum class PortShade {
    Open,   // the window colour
    Closed, // silver: closed by the user or for all terminals, or failed to open
    Lent,   // mid grey: lent to another window
};

// The loan of a terminal's port: the port lent (0 = COM1) and how many windows
// borrowed it. It concerns that port only: a terminal moved to another port is
// not lent.
class PortLoan {
public:
    bool lent(int port) const { return port_ >= 0 && port_ == port; }
    void lend(int port) {
        if (!lent(port))
            borrowers_ = 0;
        port_ = port;
        ++borrowers_;
    }
    void handBack() {
        if (--borrowers_ <= 0)
            end();
    }
    void end() {
        port_ = -1;
        borrowers_ = 0;
    }

private:
    int port_ = -1;
    int borrowers_ = 0;
};

// What hand-over needs of a terminal.
class HandoverTerminal {
public:
    virtual ~HandoverTerminal() = default;
    virtual int portNumber() const = 0; // 0 = COM1
    virtual bool portOpen() const = 0;
    // Opens the port; quietly, the port shows no box when it cannot be opened.
    virtual void openPort(bool quiet) = 0;
    virtual void closePort() = 0;
    // Shows the port as it now is. Open: the window colour, "Close port"
    // offered. Closed: silver, "Open port" offered. Lent: mid grey, "Close port"
    // still offered as the port is meant to be open again. Unless open, the
    // transmit window is told so that it cancels a running send. Every way by
    // which a port's state changes ends here, so that the screen, the menu, the
    // transmit window and the main window's count of open terminals never
    // disagree with the port.
    virtual void showPortState() = 0;
    // A lent port is closed and belongs to other windows until they hand it
    // back: setPortLent(true) as each of them borrows it, setPortLent(false) as
    // each gives it back. It stays lent while any borrower is left, or until
    // the user's own "Close port".
    virtual bool portLent() const = 0;
    virtual void setPortLent(bool lent) = 0;
    // A shown "Close port" item means the port is meant to be open.
    virtual bool closePortItemShown() const = 0;
    // The terminal's own "Close port" and "Open port" commands.
    virtual void closePortCommand() = 0;
    virtual void openPortCommand() = 0;
};
