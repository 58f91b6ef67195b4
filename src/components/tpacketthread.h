#pragma once
// The receiving half of the packet serial port (components/tcommport.h). Every
// 100 ms it takes what the open port's driver holds and, in packet mode, cuts it
// into packets (components/packet_splitter.h) for the port's packet list, with an
// "RX: " line per packet in the shared log; otherwise it collects the bytes as
// plain data. It reports packets and data through its two closures.
//
// It polls on a timer of the owner's thread rather than on a thread of its own:
// handlers run on the owner's thread either way, and no lock is needed and no
// round can outlive a port that closes or a component that goes away.

#include "components/packet_splitter.h"
#include "platform/serial_comm.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// What the port shares with its receiver: its packet list, its settings (read at
// every round, so changes apply at once) and its handle (taken at each open).
struct TdPacketView {
    std::vector<std::string>* PacketList = nullptr;
    const TdPacketModeType* PacketModeType = nullptr;
    HANDLE Port = INVALID_HANDLE_VALUE;
    const uint16_t* MaxPacketLen = nullptr;
    const char* PacketStartChar = nullptr;
    const char* PacketEndChar = nullptr;
    const bool* PacketMode = nullptr;
    const bool* EventsEnabled = nullptr;
    const bool* Connected = nullptr;
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

    TPacketThread();

    void vSetView(const TdPacketView& view) { view_ = view; }
    // Stops and restarts the polling.
    void Suspend();
    void Resume();

    std::function<void()> OnPacketReceived;
    std::function<void()> OnDataReceived;

    // One round: takes what is queued, when the port is connected.
    void vPoll();

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

    std::vector<std::string>* pGetLogList() { return &logList_; }
    // The packet being collected, or in plain-data mode all data since the last
    // clear.
    std::string strGetPacketText() const;

private:
    void vAddLogLine(const std::string& line);
    void vPacketCompleted(const std::string& packet, const std::string& frame);
    TdPacketFraming Framing() const;
    bool bConnected() const { return view_.Connected && *view_.Connected; }

    TdPacketView view_;
    QTimer timer_;
    PacketSplitter splitter_;
    std::vector<std::string> logList_;
    std::string plainText_;
    std::string readLog_;
    std::string writeLog_;
    int packetsToReport_ = 0;
};
