#pragma once
// The serial port component. Every window that talks to a modem over a COM port
// owns one. It runs in one of two modes, chosen by taustaajo before opening:
//
// - background run (taustaajo true): the port is opened overlapped, an event
//   thread (TComm_event) watches it, and the component's hidden window receives
//   the thread's posts on the GUI thread, reads what arrived (in chunks of at
//   most RX_notify bytes, each firing tulleet_merkit, until it has what the
//   driver held when the event came), writes queued bytes with
//   lahetettavat and fires lahteneet_merkit when they have gone, and fires
//   tapahtumat after every event word;
// - polled run (taustaajo false): no thread and no messages; WriteDirect and
//   ReadDirect work synchronously on the thread that owns the component.
//
// The component reports its failures with its own message boxes (information
// icon, OK) and returns no error values. Byte buffers follow one rule: what
// lue_rx_char, lue_tx_char and ReadDirect return is allocated with malloc and
// freed by the caller with free; lahetettavat frees the buffer it is given.
//
// Line errors that came with an event are in linjavirheet (CE_* flags of the
// event's ClearCommError, 0 when none), apart from the failed-wait bit 0x10000 of
// tapahtumasana.

#include "platform/serial_comm.h"
#include "platform/window_message.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TComm_event;
class WaitClock;
class TQuovixCommPort;

// A fixed underlying type: ports above COM16 come from the port list and the
// port map, and every int must be a valid value.
enum TPortnro : int {
    COM1,
    COM2,
    COM3,
    COM4,
    COM5,
    COM6,
    COM7,
    COM8,
    COM9,
    COM10,
    COM11,
    COM12,
    COM13,
    COM14,
    COM15,
    COM16
};
enum TBaudRate {
    br___300,
    br___600,
    br__1200,
    br__2400,
    br__4800,
    br__9600,
    br_19200,
    br_38400,
    br_57600,
    br115200,
    br128000,
    br230400,
    br256000,
    br460800,
    br921600
};
enum TDataBits { db_4_Four, db_5_Five, db_6_Six, db_7_Seven, db_8_Eight };
enum TParityBits { _pbNone, pbOdd, pbEven, pbMark, pbSpace };
enum TStopBits { sbOne, sbOnePointFive, sbTwo };
enum TFlowControl { fcNone, fcXONXOFF };
enum TDtr { dtrDISABLE, dtrENABLE, dtrHANDSHAKE };
enum TRts { rtsDISABLE, rtsENABLE, rtsHANDSHAKE, rtsTOGGLE };
// Member k stands for the event bit 1 << k (ceRxChar = EV_RXCHAR ... ceRing = EV_RING).
enum TCommEvents { ceRxChar, ceRxFlag, ceTxEmpty, ceCts, ceDsr, ceRlsd, ceBreak, ceErr, ceRing };
using TCommEventSet = std::set<TCommEvents>;

// The bit rate of a TBaudRate member.
DWORD BaudRateValue(TBaudRate rate);

// The clock a close waits on before it ends the event thread, which it waits for
// anyway; null gives the machine's clock back.
void SetCommPortCloseClockForTests(WaitClock* clock);

// An owner's event handler; Sender is the component.
using TNotifyEvent = std::function<void(TQuovixCommPort* Sender)>;

// Bit 0x10000 of tapahtumasana: the event wait failed.
constexpr uint32_t kCommWaitFailedBit = 0x10000;

class TQuovixCommPort : public QObject {
public:
    explicit TQuovixCommPort(QObject* owner = nullptr);
    ~TQuovixCommPort() override;

    // Properties (read here, set through the setters below).
    TPortnro Portin_nro() const { return portin_nro_; }
    TBaudRate Baudrate() const { return baudrate_; }
    TDataBits Databits() const { return databits_; }
    TParityBits pariteetti() const { return pariteetti_; }
    TStopBits Stopbits() const { return stopbits_; }
    int RX_puskurin_koko() const { return rxSize_; }
    int TX_puskurin_koko() const { return txSize_; }
    int RX_notify() const { return rxNotify_; }
    int TX_notify() const { return txNotify_; }
    TFlowControl Kattely() const { return kattely_; }
    char xon_char() const { return xonChar_; }
    char xoff_char() const { return xoffChar_; }
    TDtr DTRmode() const { return dtrMode_; }
    TRts RTSmode() const { return rtsMode_; }
    bool DTRline() const { return dtrLine_; }
    bool RTSline() const { return rtsLine_; }
    const TCommEventSet& Eventit() const { return eventit_; }
    int valiaika() const { return valiaika_; }
    bool taustaajo() const { return taustaajo_; }

    TNotifyEvent tulleet_merkit;
    TNotifyEvent lahteneet_merkit;
    TNotifyEvent tapahtumat;

    // The event word of the last event: event bits in the low 16 bits, 0x10000
    // after a failed event wait.
    uint32_t tapahtumasana = 0;
    // CTS was low at the last EV_CTS.
    bool cts_alhaalla = false;
    // Line errors (CE_* flags) that came with the last event.
    uint32_t linjavirheet = 0;

    // State the owners read.
    bool IsOpen() const { return open_; }
    // Counts the opens: the open the port is in, or was in last.
    unsigned OpenCount() const { return openTag_; }
    HANDLE Handle() const { return handle_; }
    // Bytes waiting in the transmit buffer, and, while lahteneet_merkit fires,
    // the bytes that went out since it fired before: each write-done reports the
    // bytes of its own writes, also when it comes after the port was closed and
    // opened again.
    int TxPending() const { return txPending_; }
    int LastWritten() const { return lastWritten_; }
    // Bytes of the open port are pending or a write of it has not ended yet (its
    // done-message is still to come).
    bool TxBusy() const { return open_ && (txPending_ > 0 || !txIdle_); }

    // Opening and closing.
    void aukaise(bool quiet);
    void sulje();
    void tila(bool on);
    void tila_hiljaa(bool on);

    // Setters: each stores the property; while the port is open each applies it.
    void setPortin_nro(TPortnro port) { portin_nro_ = port; }
    void dcb_xonchar(char c);
    void dcb_xoffchar(char c);
    void vaihda_bitti_nop(TBaudRate rate);
    void vaihda_bitti_luku(TDataBits bits);
    void vaihda_pariteetti(TParityBits parity);
    void AktivoiEventti(DWORD mask);
    void SammutaEventti(DWORD mask);
    void vaihda_stop(TStopBits stopBits);
    void vaihda_kattely(TFlowControl flow);
    void vaihda_rx_size(int size);
    void vaihda_tx_size(int size);
    void vaihda_rx_raja(int limit);
    void vaihda_tx_raja(int limit);
    void setdtrmode(TDtr mode);
    void setrtsmode(TRts mode);
    void setdtrline(bool on);
    void setrtsline(bool on);
    void SetEvents(const TCommEventSet& events);
    void setvaliaika(int milliseconds) { valiaika_ = milliseconds; }
    void setover(bool background) { taustaajo_ = background; }

    // Line states; false when the query fails (a closed port, no modem lines).
    bool DSR_status();
    bool CTS_status();
    bool RING_status();
    bool CD_status();

    void mikavika(int code);
    std::string virhe_kasittelija();

    // Background run, on the GUI thread.
    void mita_tapahtui(int bits, int flag);
    void luku_aloita();
    void luku_odota();
    void kirjoitus_aloita();
    bool kirjoitus_odota();
    void lahetettavat(char* buf, int n);
    void laheta_merkki(char c);
    // The character of laheta_merkki still waits for the line (held by flow
    // control).
    bool CharacterWaiting();
    char* lue_rx_char();
    char* lue_tx_char();
    int merkkien_maara() const { return rxCount_; }

    // Polled run, on the thread that owns the component.
    int WriteDirect(const char* buf, int n);
    char* ReadDirect(unsigned long* count);
    // Whether the device has gone (an adapter pulled) since the port opened; asks
    // the driver when that is not known yet.
    bool DeviceGone();
    // Quiet: a device that is gone shows no box in polled run; the caller, which
    // asks DeviceGone, reports it.
    void setgonequiet(bool quiet) { goneQuiet_ = quiet; }

    void flushrx();
    void lue_turhat() { flushrx(); }
    void flushtx();
    DWORD DirectCount();

    // The hidden window's message handling.
    bool WndProc(int number, WPARAM wParam, LPARAM lParam);

private:
    class HiddenWindow;

    std::string PortText() const;
    void Box(const std::string& text, const std::string& caption);
    void SetterFailed(int digit);
    void OpenFailed(const std::string& suffix, bool quiet);
    void portin_ajat();
    void setflowcontrol();
    void ApplyRtsRule();
    void ApplyState(int failureDigit);
    DWORD EventMask() const;
    bool ModemLine(DWORD bit);
    bool ReadStatus(COMSTAT& status, DWORD* errors = nullptr);
    void Receive(bool waitForRead, const char* ioeText);
    bool ReadChunk(bool waitForRead, const char* ioeText, bool first, DWORD& budget);
    void EndWrite(DWORD taken, bool keepRest, bool reportNow);
    void WriteFailed(DWORD error, DWORD taken);
    void EndPendingWrite(bool reportNow);
    void WriteDone(bool current, int written);
    void ReportWritten(int written);
    void PostWriteMessage(int number);
    void PostWriteDone();
    void CloseEvents();

    // Properties.
    TPortnro portin_nro_ = COM2;
    TBaudRate baudrate_ = br__9600;
    TDataBits databits_ = db_8_Eight;
    TParityBits pariteetti_ = _pbNone;
    TStopBits stopbits_ = sbOne;
    int rxSize_ = 512;
    int txSize_ = 512;
    int rxNotify_ = 1;
    int txNotify_ = 1;
    TFlowControl kattely_ = fcNone;
    char xonChar_ = 17;
    char xoffChar_ = 19;
    TDtr dtrMode_ = dtrDISABLE;
    TRts rtsMode_ = rtsDISABLE;
    bool dtrLine_ = false;
    bool rtsLine_ = false;
    TCommEventSet eventit_;
    int valiaika_ = 20;
    bool taustaajo_ = false;

    // Port state.
    bool open_ = false;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DCB dcb_;
    DWORD maskInForce_ = 0;
    unsigned openTag_ = 0;
    std::vector<char> rxBuffer_;
    int rxCount_ = 0;
    // Line errors that status reads took before the error event reporting them.
    DWORD heldErrors_ = 0;
    // A receive pass is under way (tulleet_merkit may be waiting in an owner's
    // box), and a pass asked for meanwhile was left to it.
    bool receiving_ = false;
    bool passHeldBack_ = false;
    std::vector<char> txBuffer_;
    int txPending_ = 0;
    int lastWritten_ = 0;
    // Bytes written and not yet reported to the owner by a write-done.
    int unreported_ = 0;
    bool txIdle_ = true;
    bool writePending_ = false;
    // The direct-write box for a device that is gone has been shown in this open.
    bool goneReported_ = false;
    // The device was found gone in this open.
    bool deviceGone_ = false;
    bool goneQuiet_ = false;
    OVERLAPPED readOverlapped_;
    OVERLAPPED writeOverlapped_;
    std::unique_ptr<HiddenWindow> window_;
    std::unique_ptr<TComm_event> eventThread_;
};
