#pragma once
// The radio test's writer: writes the test text to its port again and again,
// without a pause, until it is asked to stop. The text goes out in slices so
// that a stop is noticed within one slice's write, also when the line is held
// up (hardware handshake with CTS low), where each write ends at its bound.

#include "platform/serial_comm.h"

#include <QThread>
#include <atomic>
#include <string>

class TQuovixCommPort;

class Tpikakirj : public QThread {
public:
    static constexpr size_t kSliceBytes = 16;

    // Created suspended: start() runs it. It does not free itself.
    explicit Tpikakirj(TQuovixCommPort& port);

    void SetTestText(const std::string& text) { text_ = text; }
    // The error of the write that ended the thread; 0 when it was stopped.
    DWORD Error() const { return error_; }
    // Bytes written so far.
    size_t Written() const { return written_; }
    // Asks the writer to stop and waits until it has. Everything the writer did
    // happens before the return, also as the thread sanitizer sees it (it cannot
    // see the join inside QThread::wait).
    void Finish();

protected:
    void run() override {
        Execute();
        ended_.store(true, std::memory_order_release);
    }

private:
    void Execute();

    TQuovixCommPort& port_;
    std::string text_;
    std::atomic<DWORD> error_{0};
    std::atomic<size_t> written_{0};
    std::atomic<bool> ended_{false};
};
