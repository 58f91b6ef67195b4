#include "components/tpacketthread.h"

#include "base/hex.h"

#include <QPointer>

namespace {

void AppendToDebugLog(std::string& log, const std::string& bytes) {
    if (log.size() > TPacketThread::kMaxDebugLog)
        log.erase(0, log.size() - TPacketThread::kDebugLogKept);
    log += bytes;
}

// Calls a copy of the handler, which lives on when the handler deletes the
// receiver. A handler's exception stops here, as it would at the end of a
// thread's synchronised call.
void CallHandler(std::function<void()> handler) {
    if (!handler)
        return;
    try {
        handler();
    } catch (...) {
    }
}

} // namespace

TPacketThread::TPacketThread() {
    splitter_.OnPacket = [this](const std::string& packet, const std::string& frame) {
        vPacketCompleted(packet, frame);
    };
    timer_.setInterval(kPollInterval);
    connect(&timer_, &QTimer::timeout, this, &TPacketThread::vPoll);
    timer_.start();
}

void TPacketThread::Suspend() {
    timer_.stop();
}

void TPacketThread::Resume() {
    timer_.start();
}

TdPacketFraming TPacketThread::Framing() const {
    return {*view_.PacketModeType, *view_.PacketStartChar, *view_.PacketEndChar, *view_.MaxPacketLen};
}

void TPacketThread::vPoll() {
    if (!bConnected())
        return;
    if (u32GetInputCount() == 0)
        return;
    const std::string bytes = strReadAll();
    QPointer<TPacketThread> alive(this);
    if (*view_.PacketMode) {
        splitter_.Take(bytes, Framing());
        // Handlers run after the round's packets are stored: a handler may clear
        // the buffers, close the port or delete the component.
        while (alive && packetsToReport_ > 0) {
            --packetsToReport_;
            if (*view_.EventsEnabled)
                CallHandler(OnPacketReceived);
        }
    } else {
        plainText_ += bytes;
        CallHandler(OnDataReceived);
    }
}

void TPacketThread::vPacketCompleted(const std::string& packet, const std::string& frame) {
    vAddLogLine("RX: " + EscapeString(frame, EscapeAll));
    view_.PacketList->push_back(packet);
    ++packetsToReport_;
}

void TPacketThread::vAddLogLine(const std::string& line) {
    while (logList_.size() >= kMaxLogLines)
        logList_.erase(logList_.begin());
    logList_.push_back(line);
}

uint32_t TPacketThread::u32GetInputCount() const {
    DWORD errors = 0;
    COMSTAT status;
    if (!bConnected() || !ClearCommError(view_.Port, &errors, &status))
        return 0;
    return status.cbInQue;
}

std::string TPacketThread::strReadPort(uint32_t count) {
    const uint32_t queued = u32GetInputCount();
    if (queued == 0)
        return {};
    if (count == 0 || count > queued)
        count = queued;
    std::string bytes(count, '\0');
    OVERLAPPED overlapped;
    overlapped.hEvent = CreateEvent(true, false);
    DWORD read = 0;
    if (!ReadFile(view_.Port, bytes.data(), count, &read, &overlapped) && GetLastError() == ERROR_IO_PENDING)
        GetOverlappedResult(view_.Port, &overlapped, &read, true);
    CloseHandle(overlapped.hEvent);
    bytes.resize(read);
    AppendToDebugLog(readLog_, bytes);
    return bytes;
}

void TPacketThread::vClearBuffers() {
    strReadAll();
    splitter_.Clear();
    plainText_.clear();
    packetsToReport_ = 0;
}

std::string TPacketThread::strDebugReadBuffer() {
    return std::exchange(readLog_, {});
}

std::string TPacketThread::strDebugWriteBuffer() {
    return std::exchange(writeLog_, {});
}

void TPacketThread::vClearDebugBuffers() {
    readLog_.clear();
    writeLog_.clear();
}

void TPacketThread::vLogSentFrame(const std::string& frame) {
    vAddLogLine("TX: " + EscapeString(frame, EscapeAll));
    AppendToDebugLog(writeLog_, frame);
}

std::string TPacketThread::strGetPacketText() const {
    return view_.PacketMode && *view_.PacketMode ? splitter_.PacketText() : plainText_;
}
