#pragma once
// What hand-over of the ports needs of a terminal window: the main window lends a
// terminal's port to another window and takes it back, closes and reopens the
// ports around a suspend, and follows port devices that come and go. Terminals
// implement it; the rules run over it without windows.

// Background of a terminal's screen, telling the state of its port.
enum class PortShade {
    Open,   // the window colour
    Closed, // silver: closed for all terminals, or failed to reopen
    Lent,   // mid grey: lent to another window
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
    virtual void shadeScreen(PortShade shade) = 0;
    // A shown "Close port" item means the port is meant to be open.
    virtual bool closePortItemShown() const = 0;
    // Shows "Close port" and hides "Open port" when meant open, the reverse
    // otherwise.
    virtual void showPortItems(bool meantOpen) = 0;
    virtual void stopTransmitRepeat() = 0;
    virtual void suspendTransmitWindow() = 0;
    virtual void resumeTransmitWindow() = 0;
    // The terminal's own "Close port" and "Open port" commands.
    virtual void closePortCommand() = 0;
    virtual void openPortCommand() = 0;
};
