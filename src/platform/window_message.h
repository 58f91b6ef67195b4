#pragma once
// Posted window messages: the program's threads and windows hand work to a window
// by posting a numbered message to it, never by calling it directly. A message is
// a Qt event whose type is the message number; every number lies in Qt's user
// event range. Posting is safe from any thread and messages to one target arrive
// in the order they were posted. A receiver dispatches in its event() override:
//
//     if (const WindowMessage* m = WindowMessage::from(event)) { switch (m->number()) ... }

#include <QEvent>
#include <QObject>
#include <cstdint>

using WPARAM = uintptr_t;
using LPARAM = intptr_t;

// The program's message numbers.
enum : int {
    WM_FLASH_DONE = 1224,
    WM_FLASH_LOCK_CANCEL = 1225,
    WM_COMM_EVENT = 1230,
    WM_COMM_WAIT_FAILED = 1231,
    WM_COMM_WRITE_PENDING = 1232,
    // A worker's call to be run on the thread of the object it is posted to, the
    // worker waiting meanwhile (the class library's Synchronize).
    WM_SYNCHRONIZE = 1233,
    WM_DESIGNER_OPEN_FILE = 1244,
    WM_DESIGNER_CREATE_HELPERS = 1245,
    WM_INVALID_PARAMETER = 1345,
    WM_REMOTE_START = 1429,
    WM_RESTORE_LAYOUT = 1430,
    WM_TERMINALS_CHANGED = 1431,
    WM_TERM_SEND_NEXT = 0x8190,
    WM_TERM_KEYS_READY = 0x8191,
    WM_TX_SEND_DONE = 0x8192,
    // 0x8193 has two meanings, told apart by the receiver: the port component's
    // write-done to its own hidden window, the terminal's port-closed to its
    // transmit window.
    WM_COMM_WRITE_DONE = 0x8193,
    WM_TX_PORT_CLOSED = 0x8193,
    WM_TX_RECOLOUR = 0x8195,
    WM_SCRIPT_RECOLOUR = 0x8199,
    WM_TX_LOAD_SETTINGS = 0x819F,
    // Messages of the system that the main window handles.
    WM_CLOSE = 0x0010,
    WM_POWERBROADCAST = 0x0218,
    WM_DEVICECHANGE = 0x0219,
};

// Qt reserves event types below QEvent::User; system messages with small numbers
// are carried at this offset so that they too are user events.
constexpr int kSystemMessageBase = QEvent::User;

class WindowMessage : public QEvent {
public:
    WindowMessage(int number, WPARAM wParam, LPARAM lParam);
    ~WindowMessage() override;

    int number() const { return number_; }
    WPARAM wParam() const { return wParam_; }
    LPARAM lParam() const { return lParam_; }

    // The message carried by an event, or null when the event is not one.
    static const WindowMessage* from(const QEvent* event);
    // The event type that carries a message number.
    static QEvent::Type eventType(int number);

private:
    int number_;
    WPARAM wParam_;
    LPARAM lParam_;
};

// Queues the message for the target's thread; returns false when there is no
// target. Messages still queued for a target that is destroyed are dropped.
bool PostMessage(QObject* target, int number, WPARAM wParam = 0, LPARAM lParam = 0);
// The same for a message made by the caller (a kind of message with more to
// carry); the target's thread takes it over, or it is deleted when there is no
// target.
bool PostWindowMessage(QObject* target, WindowMessage* message);
