#include "serial/tcomm_event.h"

#include "platform/window_message.h"

TComm_event::TComm_event(QObject* window, HANDLE port, unsigned tag)
    : window_(window), port_(port), tag_(tag) {}

TComm_event::~TComm_event() {
    Terminate();
    if (thread_.joinable())
        thread_.join();
}

void TComm_event::Resume() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { Execute(); });
}

void TComm_event::Terminate() {
    terminated_ = true;
    // Signalling the wait's event ends a wait in progress at once; the loop then
    // finds the wait still pending, passes, and sees the request.
    if (const HANDLE event = waitEvent_.load())
        SetEvent(event);
}

void TComm_event::Execute() {
    const HANDLE event = CreateEvent(true, false);
    waitEvent_ = event;
    OVERLAPPED overlapped;
    overlapped.hEvent = event;
    DWORD mask = 0;
    bool waiting = false;
    while (!terminated_) {
        if (window_ && !waiting) {
            mask = 0;
            if (WaitCommEvent(port_, &mask, &overlapped)) {
                if (mask != 0)
                    PostEvents(mask);
            } else if (GetLastError() == ERROR_IO_PENDING) {
                waiting = true;
            }
        } else if (window_) {
            DWORD transferred = 0;
            switch (WaitForSingleObject(event, static_cast<DWORD>(kCommEventWaitSlice.count()))) {
            case WAIT_OBJECT_0:
                if (GetOverlappedResult(port_, &overlapped, &transferred, false)) {
                    PostEvents(mask);
                    waiting = false;
                }
                break;
            case WAIT_TIMEOUT:
                break;
            case WAIT_ABANDONED:
                waiting = false;
                break;
            default:
                // Repeats at every pass until the component stops the thread.
                PostMessage(window_, WM_COMM_WAIT_FAILED, CommPostWParam(tag_, 0), 0x10000);
                break;
            }
        }
        std::this_thread::sleep_for(kCommEventPassRest);
    }
    SetCommMask(port_, 0);
    waitEvent_ = 0;
    CloseHandle(event);
}

void TComm_event::PostEvents(DWORD mask) {
    DWORD errors = 0;
    if ((mask & EV_ERR) && !ClearCommError(port_, &errors, nullptr))
        errors = 0;
    PostMessage(window_, WM_COMM_EVENT, CommPostWParam(tag_, mask), static_cast<LPARAM>(errors));
}
