#pragma once
// What the script set-up and a terminal's transmit window need of the terminal
// they send through. The terminal window implements it; tests put a stand-in in
// its place.

#include <string>

class QObject;

class TerminalLink {
public:
    virtual ~TerminalLink() = default;

    virtual bool PortOpen() const = 0;
    // Appends data to the terminal's outgoing queue (dropped while the port is
    // closed); fromUser lets terminals that mirror this one pass the data on.
    virtual void QueueSend(const std::string& data, bool fromUser) = 0;
    // Prints text on the terminal's screen in the normal colour.
    virtual void AppendScreenBytes(const std::string& text) = 0;
    // Drops the outgoing queue, also what the driver still holds.
    virtual void CancelSending() = 0;
    // Sends an escape line ("+++") in its place in the outgoing queue: its
    // characters one at a time, each a pause after the one before it left, and
    // nothing else on the line until the pause after the last.
    virtual void QueueEscape(const std::string& characters, bool fromUser) = 0;
    // Stops the terminal's own send timer.
    virtual void StopSendTimer() = 0;
    // While on, the terminal hands every received chunk to its transmit window's
    // FeedNmsReply instead of its screen.
    virtual void SetNmsReplyMode(bool on) = 0;
    // Where the terminal posts WM_TX_SEND_DONE and WM_TX_PORT_CLOSED.
    virtual void SetTransmitWindowHandle(QObject* window) = 0;
    // The transmit window was dismissed: not shown any more, and when closed,
    // gone (the terminal forgets it).
    virtual void TransmitWindowDismissed(bool closed) = 0;
};
