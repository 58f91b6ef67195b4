#pragma once
// The event thread of a serial port component opened in background run: it waits
// for the port's events and posts each to the component's hidden window
// (WM_COMM_EVENT with the event bits, and the line errors when EV_ERR is among
// them), or WM_COMM_WAIT_FAILED when the wait itself fails. Each post carries the
// tag of the open it belongs to in bits 16 to 31 of wParam, so the component can
// ignore posts of an earlier open. It touches nothing of the component but the
// window and the port handle.

#include "platform/serial_comm.h"
#include "platform/window_message.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <thread>

// The event wait is made in slices of this length, and the thread rests this
// long after each pass.
constexpr std::chrono::milliseconds kCommEventWaitSlice{500};
constexpr std::chrono::milliseconds kCommEventPassRest{10};

// The open tag of a post of the event thread, and a post's wParam from a tag.
inline unsigned CommPostTag(WPARAM wParam) {
    return static_cast<unsigned>((wParam >> 16) & 0xFFFF);
}
inline WPARAM CommPostWParam(unsigned tag, DWORD bits) {
    return (static_cast<WPARAM>(tag & 0xFFFF) << 16) | (bits & 0xFFFF);
}

class TComm_event {
public:
    // Created suspended: the loop starts at the first Resume.
    TComm_event(QObject* window, HANDLE port, unsigned tag);
    // Asks the loop to end and waits for it.
    ~TComm_event();
    TComm_event(const TComm_event&) = delete;
    TComm_event& operator=(const TComm_event&) = delete;

    void Resume();
    bool Suspended() const { return !thread_.joinable(); }
    // Asks the loop to end after its current pass; a wait in progress is cut short.
    void Terminate();

private:
    void Execute();
    void PostEvents(DWORD mask);

    QObject* const window_;
    const HANDLE port_;
    const unsigned tag_;
    std::atomic<bool> terminated_{false};
    std::atomic<HANDLE> waitEvent_{0};
    std::thread thread_;
};
