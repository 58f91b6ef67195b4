#include "components/tpacketthread.h"

#include "base/hex.h"
#include "platform/window_message.h"

#include <QPointer>

#include <algorithm>

namespace {

void AppendToDebugLog(std::string& log, const std::string& bytes) {
    if (log.size() > TPacketThread::kMaxDebugLog)
        log.erase(0, log.size() - TPacketThread::kDebugLogKept);
    log += bytes;
}

// Calls a copy of the handler, which lives on when the handler deletes the
// receiver. A handler's exception stops here; true when there was one.
bool CallHandler(std::function<void()> handler) {
    if (!handler)
        return false;
    try {
        handler();
    } catch (...) {
        return true;
    }
    return false;
}

} // namespace

TPacketThread::TPacketThread(std::mutex& lock) : lock_(lock) {
    splitter_.OnPacket = [this](const std::string& packet, const std::string& frame) {
        vPacketCompleted(packet, frame);
    };
}

TPacketThread::~TPacketThread() {
    Suspend();
}

void TPacketThread::vSetView(const TdPacketView& view) {
    Suspend();
    std::lock_guard lock(lock_);
    view_ = view;
}

void TPacketThread::Resume() {
    if (thread_.joinable())
        return;
    std::lock_guard lock(lock_);
    stopping_ = false;
    thread_ = std::thread([this] { vExecute(); });
}

void TPacketThread::Suspend() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(lock_);
        stopping_ = true;
        answered_ = posted_; // a report still on its way is dropped
    }
    wake_.notify_all();
    thread_.join();
}

void TPacketThread::vExecute() {
    std::unique_lock lock(lock_);
    while (!stopping_) {
        while (logList_.size() > kMaxLogLines)
            logList_.erase(logList_.begin());
        inRound_ = true;
        vRound(lock);
        inRound_ = false;
        wake_.wait_for(lock, kPollInterval, [this] { return stopping_; });
    }
}

TdPacketFraming TPacketThread::Framing() const {
    return {*view_.PacketModeType, *view_.PacketStartChar, *view_.PacketEndChar, *view_.MaxPacketLen};
}

void TPacketThread::vRound(std::unique_lock<std::mutex>& lock) {
    if (u32InputCount() == 0)
        return;
    if (*view_.PacketMode) {
        vTakePackets(lock);
        return;
    }
    plainText_ += strRead(0);
    if (OnDataReceived)
        bSynchronize(lock, rData);
}

// An NMS frame is read a byte at a time, other frames as much as is queued; each
// packet is reported before the next byte is taken.
void TPacketThread::vTakePackets(std::unique_lock<std::mutex>& lock) {
    while (!stopping_ && u32InputCount() > 0) {
        const std::string bytes = strRead(Framing().Type == pmtKELVO_NMS ? 1 : 0);
        for (char c : bytes) {
            splitter_.Take(c, Framing());
            if (std::exchange(packetCompleted_, false) && *view_.EventsEnabled && OnPacketReceived &&
                !bSynchronize(lock, rPacket))
                return;
        }
    }
}

void TPacketThread::vPacketCompleted(const std::string& packet, const std::string& frame) {
    vAddLogLine("RX: " + EscapeString(frame, EscapeAll));
    view_.PacketList->push_back(packet);
    packetCompleted_ = true;
}

bool TPacketThread::bSynchronize(std::unique_lock<std::mutex>& lock, TdReport report) {
    const uint64_t ticket = ++posted_;
    PostMessage(this, WM_SYNCHRONIZE, ticket, report);
    wake_.wait(lock, [&] { return stopping_ || answered_ >= ticket; });
    if (std::exchange(handlerThrew_, false))
        wake_.wait_for(lock, kRestAfterFault, [this] { return stopping_; });
    return !stopping_;
}

bool TPacketThread::event(QEvent* event) {
    const WindowMessage* message = WindowMessage::from(event);
    if (message == nullptr || message->number() != WM_SYNCHRONIZE)
        return QObject::event(event);
    const uint64_t ticket = message->wParam();
    {
        std::lock_guard lock(lock_);
        if (ticket <= answered_)
            return true;
    }
    const QPointer<TPacketThread> alive(this);
    const bool threw = CallHandler(message->lParam() == rPacket ? OnPacketReceived : OnDataReceived);
    if (alive)
        vReportHandled(ticket, threw);
    return true;
}

void TPacketThread::vReportHandled(uint64_t ticket, bool threw) {
    {
        std::lock_guard lock(lock_);
        if (ticket <= answered_)
            return; // the handler ended the thread that waited for it
        answered_ = ticket;
        handlerThrew_ = threw;
    }
    wake_.notify_all();
}

bool TPacketThread::bIdle() const {
    std::lock_guard lock(lock_);
    return !inRound_ && u32InputCount() == 0;
}

void TPacketThread::vAddLogLine(const std::string& line) {
    while (logList_.size() >= kMaxLogLines)
        logList_.erase(logList_.begin());
    logList_.push_back(line);
}

uint32_t TPacketThread::u32GetInputCount() const {
    std::lock_guard lock(lock_);
    return u32InputCount();
}

uint32_t TPacketThread::u32InputCount() const {
    DWORD errors = 0;
    COMSTAT status;
    if (!view_.Connected || !*view_.Connected || !ClearCommError(view_.Port, &errors, &status))
        return 0;
    return status.cbInQue;
}

std::string TPacketThread::strReadPort(uint32_t count) {
    std::lock_guard lock(lock_);
    return strRead(count);
}

std::string TPacketThread::strRead(uint32_t count) {
    const uint32_t queued = u32InputCount();
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
    std::lock_guard lock(lock_);
    strRead(0);
    splitter_.Clear();
    plainText_.clear();
}

std::string TPacketThread::strDebugReadBuffer() {
    std::lock_guard lock(lock_);
    return std::exchange(readLog_, {});
}

std::string TPacketThread::strDebugWriteBuffer() {
    std::lock_guard lock(lock_);
    return std::exchange(writeLog_, {});
}

void TPacketThread::vClearDebugBuffers() {
    std::lock_guard lock(lock_);
    readLog_.clear();
    writeLog_.clear();
}

void TPacketThread::vLogSentFrame(const std::string& frame) {
    std::lock_guard lock(lock_);
    vAddLogLine("TX: " + EscapeString(frame, EscapeAll));
    AppendToDebugLog(writeLog_, frame);
}

std::vector<std::string> TPacketThread::LogList() const {
    std::lock_guard lock(lock_);
    return logList_;
}

std::string TPacketThread::strGetPacketText() const {
    std::lock_guard lock(lock_);
    return bPacketMode() ? splitter_.PacketText() : plainText_;
}
