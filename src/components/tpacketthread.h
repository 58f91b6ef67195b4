#pragma once
// The receiving half of the packet serial port (components/tcommport.h): a thread
// that runs while the port is open. Every 100 ms it takes what the port's driver
// holds and, in packet mode, cuts it into packets (components/packet_splitter.h):
// each packet is stored in the port's packet list with an "RX: " line in the
// shared log and reported before the next byte is taken. Otherwise it collects
// the bytes as plain data and reports them once a round.
//
// Reports run the two closures on the owner's thread, the thread that made the
// receiver, and the receiver waits until they have run, so a handler sees the
// packet list as it was when its packet was stored. Meanwhile the receiver holds
// its packet; an owner that does not run its event loop finds the packet stored
// and its report waiting.
//
// Suspend ends the thread and waits for it; a report it is waiting for is
// dropped, so a handler may close or delete the port, and the owner may close it
// while a report waits. The receiver ends with its component, and no round ever
// reads a port that was closed.
//
// What it shares with the owner's thread (the packet list, the log, the read and
// write logs and the text being collected) is guarded by the component's lock.

#include "components/packet_splitter.h"
#include "platform/serial_comm.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the port shares with its receiver: its packet list, its settings (read at
// every round, so changes apply at once) and its handle (taken at each open).
struct TdPacketView {
    std::vector<std::string>* PacketList = nullptr;
    const std::atomic<TdPacketModeType>* PacketModeType = nullptr;
    HANDLE Port = INVALID_HANDLE_VALUE;
    const std::atomic<uint16_t>* MaxPacketLen = nullptr;
    const std::atomic<char>* PacketStartChar = nullptr;
    const std::atomic<char>* PacketEndChar = nullptr;
    const std::atomic<bool>* PacketMode = nullptr;
    const std::atomic<bool>* EventsEnabled = nullptr;
    const std::atomic<bool>* Connected = nullptr;
};

class TPacketThread : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPollInterval{100};
    // Most lines the log keeps; the oldest go first.
    static constexpr size_t kMaxLogLines = 100;
    // A debug log past this length is cut to its last kDebugLogKept characters
    // before more is appended.
    static constexpr size_t kMaxDebugLog = 1000;
    static constexpr size_t kDebugLogKept = 900;
    // The receiver rests this long after a handler that threw.
    static constexpr std::chrono::milliseconds kRestAfterFault{10};

    // lock: the component's lock, which outlives the receiver.
    explicit TPacketThread(std::mutex& lock);
    ~TPacketThread() override;

    // Takes the port's view; the thread is ended first.
    void vSetView(const TdPacketView& view);
    // Starts the thread; nothing when it runs.
    void Resume();
    // Ends the thread and waits for it. Safe from a handler.
    void Suspend();

    std::function<void()> OnPacketReceived;
    std::function<void()> OnDataReceived;

    // True while no round runs and nothing waits in the driver: every byte that
    // had arrived has been taken and reported.
    bool bIdle() const;

    // Up to count queued bytes (all with 0); empty when none are queued.
    std::string strReadPort(uint32_t count);
    std::string strReadAll() { return strReadPort(0); }
    // Bytes queued in the driver; 0 when the port cannot tell.
    uint32_t u32GetInputCount() const;
    // Drops queued input, the partial packet and the plain data.
    void vClearBuffers();

    // The read or write log, emptied by the call.
    std::string strDebugReadBuffer();
    std::string strDebugWriteBuffer();
    void vClearDebugBuffers();
    // Logs a frame the port sent: a "TX: " line and the write log.
    void vLogSentFrame(const std::string& frame);

    // A copy of the log, taken under the lock.
    std::vector<std::string> LogList() const;
    // The packet being collected, or in plain-data mode all data since the last
    // clear.
    std::string strGetPacketText() const;

protected:
    bool event(QEvent* event) override;

private:
    enum TdReport : intptr_t { rPacket, rData };

    // The members below run with the lock held.
    void vExecute();
    void vRound(std::unique_lock<std::mutex>& lock);
    void vTakePackets(std::unique_lock<std::mutex>& lock);
    // Reports on the owner's thread and waits, the lock released, until the
    // handler has run; false when the thread is to end.
    bool bSynchronize(std::unique_lock<std::mutex>& lock, TdReport report);
    void vReportHandled(uint64_t ticket, bool threw);
    std::string strRead(uint32_t count);
    uint32_t u32InputCount() const;
    void vAddLogLine(const std::string& line);
    void vPacketCompleted(const std::string& packet, const std::string& frame);
    TdPacketFraming Framing() const;
    bool bPacketMode() const { return view_.PacketMode && *view_.PacketMode; }

    std::mutex& lock_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stopping_ = false;
    bool inRound_ = false;
    bool packetCompleted_ = false;
    bool handlerThrew_ = false;
    // Reports are numbered; those up to answered_ have run or were dropped.
    uint64_t posted_ = 0;
    uint64_t answered_ = 0;

    TdPacketView view_;
    PacketSplitter splitter_;
    std::vector<std::string> logList_;
    std::string plainText_;
    std::string readLog_;
    std::string writeLog_;
};
