#include "terminal/tpikakirj.h"

#include "serial/tquovixcommport.h"

#include <algorithm>

Tpikakirj::Tpikakirj(TQuovixCommPort& port) : port_(port) {}

void Tpikakirj::Finish() {
    requestInterruption();
    wait();
    static_cast<void>(ended_.load(std::memory_order_acquire));
}

// Writes on the port's handle itself: a failure ends the thread and is reported
// by the window on the GUI thread, never by a box from this thread that the
// waiting GUI thread could not show.
void Tpikakirj::Execute() {
    if (text_.empty()) {
        return;
    }
    const HANDLE handle = port_.Handle();
    size_t at = 0;
    while (!isInterruptionRequested()) {
        const DWORD slice = static_cast<DWORD>(std::min(kSliceBytes, text_.size() - at));
        DWORD written = 0;
        if (!WriteFile(handle, text_.data() + at, slice, &written, nullptr)) {
            error_ = GetLastError();
            return;
        }
        written_ += written;
        at = (at + written) % text_.size();
    }
}
