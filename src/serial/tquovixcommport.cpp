#include "serial/tquovixcommport.h"

#include "platform/message_box.h"
#include "platform/wait_clock.h"
#include "platform/window_message.h"
#include "serial/tcomm_event.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace {

// Closing waits valiaika and then this long more before the thread is deleted.
constexpr std::chrono::milliseconds kCloseExtraWait{30};
ReplaceableWaitClock closeClock;
// A pending write is waited for in slices of this length; between slices the GUI
// thread serves its other messages.
constexpr DWORD kWriteWaitSliceMs = 20;
// luku_odota waits this long for its read.
constexpr DWORD kReadWaitMs = 5;
// The ClearCommError box comes when more than this many calls failed in a row.
constexpr int kClearCommErrorLimit = 5;

constexpr unsigned kBoxFlags = MB_OK | MB_ICONINFORMATION;

// Failed ClearCommError calls in a row, of all components together; touched only
// on the GUI thread.
int clearCommErrorFailures = 0;

const DWORD kBaudRates[] = {300,   600,    1200,   2400,   4800,   9600,   19200, 38400,
                            57600, 115200, 128000, 230400, 256000, 460800, 921600};

char* CopyOut(const char* bytes, size_t size) {
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy)
        std::memcpy(copy, bytes, size);
    return copy;
}

} // namespace

DWORD BaudRateValue(TBaudRate rate) {
    return kBaudRates[rate];
}

void SetCommPortCloseClockForTests(WaitClock* clock) {
    closeClock.Replace(clock);
}

// The hidden window: receives the component's posted messages on the GUI thread.
class TQuovixCommPort::HiddenWindow : public QObject {
public:
    explicit HiddenWindow(TQuovixCommPort* port) : port_(port) {}
    bool event(QEvent* event) override {
        if (const WindowMessage* message = WindowMessage::from(event))
            if (port_->WndProc(message->number(), message->wParam(), message->lParam()))
                return true;
        return QObject::event(event);
    }

private:
    TQuovixCommPort* port_;
};

TQuovixCommPort::TQuovixCommPort(QObject* owner)
    : QObject(owner), rxBuffer_(rxSize_ + 1), txBuffer_(txSize_ + 1),
      window_(std::make_unique<HiddenWindow>(this)) {}

TQuovixCommPort::~TQuovixCommPort() {
    sulje();
}

// ---------------------------------------------------------------------------
// Messages

std::string TQuovixCommPort::PortText() const {
    return "Port COM" + std::to_string(portin_nro_ + 1);
}

void TQuovixCommPort::Box(const std::string& text, const std::string& caption) {
    MessageBox(text, caption, kBoxFlags);
}

void TQuovixCommPort::SetterFailed(int digit) {
    Box(PortText() + " can't set it's parameter ! " + std::to_string(digit), "Port set failed");
}

void TQuovixCommPort::OpenFailed(const std::string& suffix, bool quiet) {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    if (!quiet)
        Box(PortText() + suffix, "Error opening port");
}

void TQuovixCommPort::mikavika(int code) {
    Box("Error " + std::to_string(code) + " occured", "Port set failed");
}

std::string TQuovixCommPort::virhe_kasittelija() {
    return "T\xE4m\xE4  virhek\xE4sittelij\xE4 ei toimi en\xE4\xE4 WIN95:n kanssa";
}

// ---------------------------------------------------------------------------
// Opening and closing

void TQuovixCommPort::aukaise(bool quiet) {
    if (open_)
        return;
    try {
        handle_ =
            CreateFile("\\\\.\\COM" + std::to_string(portin_nro_ + 1), taustaajo_ ? FILE_FLAG_OVERLAPPED : 0);
        if (handle_ == INVALID_HANDLE_VALUE) {
            OpenFailed(" doesn't exist or is already in use", quiet);
            return;
        }
        if (!SetupComm(handle_, static_cast<DWORD>(rxSize_), static_cast<DWORD>(txSize_))) {
            OpenFailed(" can't allocate buffers !", quiet);
            return;
        }
        if (!GetCommState(handle_, &dcb_)) {
            OpenFailed(" can't get it's parameter !", quiet);
            return;
        }
        portin_ajat();
        dcb_.fBinary = true;
        dcb_.BaudRate = BaudRateValue(baudrate_);
        dcb_.ByteSize = static_cast<uint8_t>(databits_ + 4);
        dcb_.fParity = true;
        dcb_.Parity = static_cast<uint8_t>(pariteetti_);
        dcb_.StopBits = static_cast<uint8_t>(stopbits_);
        setflowcontrol();
        dcb_.XonChar = xonChar_;
        dcb_.XoffChar = xoffChar_;
        dcb_.fErrorChar = false;
        dcb_.fNull = false;
        dcb_.fAbortOnError = false;
        dcb_.XonLim = 20;
        dcb_.XoffLim = 5;
        if (!SetCommState(handle_, &dcb_)) {
            OpenFailed(" can't set selected parameters !", quiet);
            return;
        }
        readOverlapped_ = OVERLAPPED();
        writeOverlapped_ = OVERLAPPED();
        readOverlapped_.hEvent = CreateEvent(false, false);
        writeOverlapped_.hEvent = CreateEvent(false, false);
        maskInForce_ = 0;
        ++openTag_;
        if (taustaajo_) {
            maskInForce_ = EventMask();
            if (!SetCommMask(handle_, maskInForce_))
                Box(PortText() + " can't start givin event monitoring !", "Error opening port");
            try {
                eventThread_ = std::make_unique<TComm_event>(window_.get(), handle_, openTag_);
                if (maskInForce_ != 0)
                    eventThread_->Resume();
            } catch (const std::system_error&) {
                eventThread_.reset();
                Box("Port line set failed", "Port failed");
            }
        }
        txIdle_ = true;
        writePending_ = false;
        heldErrors_ = 0;
        goneReported_ = false;
        deviceGone_ = false;
        open_ = true;
    } catch (const std::exception&) {
        eventThread_.reset();
        CloseEvents();
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        Box(PortText() + " doesn't open correctly !", "Port failed");
    }
}

void TQuovixCommPort::sulje() {
    if (!open_)
        return;
    EndPendingWrite(false);
    open_ = false;
    if (taustaajo_ && eventThread_) {
        eventThread_->Resume();
        eventThread_->Terminate();
        closeClock.get().Sleep(std::chrono::milliseconds(valiaika_) + kCloseExtraWait);
        eventThread_.reset();
        CloseEvents();
        ClearCommBreak(handle_);
        ClearCommError(handle_, nullptr, nullptr);
        CancelIo(handle_);
        CloseHandle(handle_);
    } else {
        CloseEvents();
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    handle_ = INVALID_HANDLE_VALUE;
    // What a write in flight had not handed to the device is dropped, so a
    // reopened port starts with an empty queue and never sends old bytes again.
    txPending_ = 0;
    lastWritten_ = 0;
    unreported_ = 0;
}

// A write on its way ends with the port or a transmit purge: its own completion
// will never come, so the owner hears of its end, with the bytes that went out on
// the line, as it would have from the completion.
void TQuovixCommPort::EndPendingWrite(bool reportNow) {
    if (!writePending_)
        return;
    CancelIoEx(handle_, &writeOverlapped_);
    DWORD taken = 0;
    GetOverlappedResult(handle_, &writeOverlapped_, &taken, false);
    EndWrite(taken, false, reportNow);
}

void TQuovixCommPort::CloseEvents() {
    CloseHandle(readOverlapped_.hEvent);
    CloseHandle(writeOverlapped_.hEvent);
    readOverlapped_.hEvent = writeOverlapped_.hEvent = 0;
}

void TQuovixCommPort::tila(bool on) {
    on ? aukaise(false) : sulje();
}

void TQuovixCommPort::tila_hiljaa(bool on) {
    on ? aukaise(true) : sulje();
}

// Reads return at once with what the driver holds.
void TQuovixCommPort::portin_ajat() {
    COMMTIMEOUTS timeouts;
    GetCommTimeouts(handle_, &timeouts);
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(handle_, &timeouts);
}

DWORD TQuovixCommPort::EventMask() const {
    DWORD mask = 0;
    for (TCommEvents event : eventit_)
        mask |= 1u << event;
    return mask;
}

// ---------------------------------------------------------------------------
// Setters

void TQuovixCommPort::ApplyState(int failureDigit) {
    if (open_ && !SetCommState(handle_, &dcb_))
        SetterFailed(failureDigit);
}

void TQuovixCommPort::dcb_xonchar(char c) {
    xonChar_ = c;
    dcb_.XonChar = c;
    ApplyState(1);
}

void TQuovixCommPort::dcb_xoffchar(char c) {
    xoffChar_ = c;
    dcb_.XoffChar = c;
    ApplyState(2);
}

void TQuovixCommPort::vaihda_bitti_nop(TBaudRate rate) {
    baudrate_ = rate;
    dcb_.BaudRate = BaudRateValue(rate);
    ApplyState(3);
    if (open_)
        portin_ajat();
}

void TQuovixCommPort::vaihda_bitti_luku(TDataBits bits) {
    databits_ = bits;
    dcb_.ByteSize = static_cast<uint8_t>(bits + 4);
    ApplyState(4);
}

void TQuovixCommPort::vaihda_pariteetti(TParityBits parity) {
    pariteetti_ = parity;
    dcb_.Parity = static_cast<uint8_t>(parity);
    ApplyState(5);
}

void TQuovixCommPort::vaihda_stop(TStopBits stopBits) {
    stopbits_ = stopBits;
    dcb_.StopBits = static_cast<uint8_t>(stopBits);
    ApplyState(8);
}

void TQuovixCommPort::vaihda_kattely(TFlowControl flow) {
    kattely_ = flow;
    if (!open_)
        return;
    setflowcontrol();
    ApplyState(9);
}

void TQuovixCommPort::AktivoiEventti(DWORD mask) {
    if (!open_ || !eventThread_ || (maskInForce_ & mask))
        return;
    maskInForce_ |= mask;
    if (!SetCommMask(handle_, maskInForce_)) {
        SetterFailed(6);
        return;
    }
    eventThread_->Resume();
}

void TQuovixCommPort::SammutaEventti(DWORD mask) {
    if (!open_ || !eventThread_ || !(maskInForce_ & mask))
        return;
    maskInForce_ &= ~mask;
    if (!SetCommMask(handle_, maskInForce_))
        SetterFailed(7);
}

// The flow fields of the device control block from DTRmode, RTSmode and Kattely.
void TQuovixCommPort::setflowcontrol() {
    dcb_.fDtrControl = static_cast<uint8_t>(dtrMode_);
    ApplyRtsRule();
    dcb_.fOutX = dcb_.fInX = kattely_ == fcXONXOFF;
    dcb_.fOutxDsrFlow = false;
    dcb_.fDsrSensitivity = false;
}

// RTS control and CTS output flow from RTSmode; EV_CTS is watched only with the
// handshake.
void TQuovixCommPort::ApplyRtsRule() {
    dcb_.fRtsControl = static_cast<uint8_t>(rtsMode_);
    if (rtsMode_ == rtsHANDSHAKE) {
        dcb_.fOutxCtsFlow = true;
        AktivoiEventti(EV_CTS);
    } else {
        if (rtsMode_ != rtsTOGGLE)
            dcb_.fOutxCtsFlow = false;
        SammutaEventti(EV_CTS);
    }
}

void TQuovixCommPort::vaihda_rx_size(int size) {
    rxSize_ = std::max(size, 1);
    rxBuffer_.assign(rxSize_ + 1, 0);
    rxCount_ = 0;
    rxNotify_ = std::min(rxNotify_, rxSize_);
    if (open_ && !SetupComm(handle_, static_cast<DWORD>(rxSize_), static_cast<DWORD>(txSize_)))
        Box("Can't change RX buffersize", "Port set failed");
}

void TQuovixCommPort::vaihda_tx_size(int size) {
    txSize_ = std::max(size, 1);
    // Bytes already queued stay, also when the new size is smaller.
    txBuffer_.resize(std::max(txSize_, txPending_) + 1);
    txNotify_ = std::min(txNotify_, txSize_);
    if (open_ && !SetupComm(handle_, static_cast<DWORD>(rxSize_), static_cast<DWORD>(txSize_)))
        Box("Can't change TX buffersize", "Port set failed");
}

// A level below 1 would read nothing: the port would never receive again.
void TQuovixCommPort::vaihda_rx_raja(int limit) {
    rxNotify_ = std::clamp(limit, 1, rxSize_);
}

void TQuovixCommPort::vaihda_tx_raja(int limit) {
    txNotify_ = std::min(limit, txSize_);
}

void TQuovixCommPort::setdtrmode(TDtr mode) {
    dtrMode_ = mode;
    if (!open_ || !GetCommState(handle_, &dcb_))
        return;
    dcb_.fDtrControl = static_cast<uint8_t>(mode);
    SetCommState(handle_, &dcb_);
}

void TQuovixCommPort::setrtsmode(TRts mode) {
    rtsMode_ = mode;
    if (!open_ || !GetCommState(handle_, &dcb_))
        return;
    ApplyRtsRule();
    SetCommState(handle_, &dcb_);
}

void TQuovixCommPort::setdtrline(bool on) {
    dtrLine_ = on;
    EscapeCommFunction(handle_, on ? SETDTR : CLRDTR);
}

void TQuovixCommPort::setrtsline(bool on) {
    rtsLine_ = on;
    EscapeCommFunction(handle_, on ? SETRTS : CLRRTS);
}

void TQuovixCommPort::SetEvents(const TCommEventSet& events) {
    eventit_ = events;
    if (!open_)
        return;
    const DWORD mask = EventMask();
    if (!SetCommMask(handle_, mask))
        Box("Events doesn't start correctly", "Port set failed");
    maskInForce_ = mask;
}

// ---------------------------------------------------------------------------
// Line states

bool TQuovixCommPort::ModemLine(DWORD bit) {
    DWORD status = 0;
    return GetCommModemStatus(handle_, &status) && (status & bit);
}

bool TQuovixCommPort::DSR_status() {
    return ModemLine(MS_DSR_ON);
}

bool TQuovixCommPort::CTS_status() {
    return ModemLine(MS_CTS_ON);
}

bool TQuovixCommPort::RING_status() {
    return ModemLine(MS_RING_ON);
}

bool TQuovixCommPort::CD_status() {
    return ModemLine(MS_RLSD_ON);
}

// ---------------------------------------------------------------------------
// Events, receiving and sending

bool TQuovixCommPort::WndProc(int number, WPARAM wParam, LPARAM lParam) {
    // Posts of the event thread belong to one open: those of an earlier one (a
    // thread since stopped) are no news for this port.
    const bool current = open_ && CommPostTag(wParam) == (openTag_ & 0xFFFF);
    switch (number) {
    case WM_COMM_EVENT:
        if (current) {
            // Errors a status read of this side took before the event thread
            // could come with this error event.
            const DWORD held = (wParam & EV_ERR) ? std::exchange(heldErrors_, 0) : 0;
            linjavirheet = static_cast<uint32_t>(lParam) | held;
            mita_tapahtui(static_cast<int>(wParam & 0xFFFF), 0);
        }
        return true;
    case WM_COMM_WAIT_FAILED:
        if (current) {
            sulje();
            linjavirheet = 0;
            mita_tapahtui(static_cast<int>(wParam & 0xFFFF), -1);
            aukaise(true);
        }
        return true;
    // A pending-message of an earlier open would keep a second wait going next
    // to the current write's own. A done-message always reaches the owner: it
    // may be the only word of a write that failed before a close.
    case WM_COMM_WRITE_PENDING:
        if (current)
            kirjoitus_odota();
        return true;
    case WM_COMM_WRITE_DONE:
        WriteDone(current, static_cast<int>(lParam));
        return true;
    default:
        return false;
    }
}

void TQuovixCommPort::mita_tapahtui(int bits, int flag) {
    tapahtumasana = (flag < 0 ? kCommWaitFailedBit : 0) | (static_cast<uint32_t>(bits) & 0xFFFF);
    if (bits & EV_TXEMPTY)
        kirjoitus_odota();
    if (bits & EV_CTS) {
        DWORD status = 0;
        GetCommModemStatus(handle_, &status);
        cts_alhaalla = !(status & MS_CTS_ON);
    }
    if (bits & EV_RXCHAR)
        luku_aloita();
    if (tapahtumat)
        tapahtumat(this);
}

void TQuovixCommPort::luku_aloita() {
    Receive(false, "CE_IOE on ComPort COM");
}

void TQuovixCommPort::luku_odota() {
    Receive(true, "CE_IOE wait on ComPort COM");
}

// One pass reads on, at most RX_notify bytes at a time, until it has taken what
// the driver held when it began, so a small notify level never makes reception
// slower than the line while each pass still ends and lets the GUI thread on.
// Bytes arrive at the owner in the order of the line: an owner that waits in a
// box of its own while it handles a chunk gets no further chunk before it
// returns; the pass under way reads them then.
void TQuovixCommPort::Receive(bool waitForRead, const char* ioeText) {
    if (receiving_) {
        passHeldBack_ = true;
        return;
    }
    receiving_ = true;
    DWORD budget = 0;
    bool first = true;
    while (open_ && ReadChunk(waitForRead, ioeText, first, budget))
        first = false;
    receiving_ = false;
}

// Reads and hands on one chunk; false when there was nothing to take. A pass held
// back meanwhile leaves its bytes to this one.
bool TQuovixCommPort::ReadChunk(bool waitForRead, const char* ioeText, bool first, DWORD& budget) {
    DWORD errors = 0;
    COMSTAT status;
    const std::string portNumber = std::to_string(portin_nro_ + 1);
    if (!ReadStatus(status, &errors)) {
        if (++clearCommErrorFailures > kClearCommErrorLimit)
            Box("ClearCommError on ComPort COM" + portNumber + "!", "Port failed");
        return false;
    }
    if (errors & CE_IOE)
        Box(ioeText + portNumber + "!", "Port failed");
    clearCommErrorFailures = 0;
    if (first || passHeldBack_)
        budget = status.cbInQue;
    passHeldBack_ = false;
    if (status.cbInQue < 1 || budget < 1)
        return false;
    DWORD read = 0;
    bool done = ReadFile(handle_, rxBuffer_.data(), static_cast<DWORD>(rxNotify_), &read, &readOverlapped_);
    if (!done && waitForRead && GetLastError() == ERROR_IO_PENDING &&
        WaitForSingleObject(readOverlapped_.hEvent, kReadWaitMs) == WAIT_OBJECT_0)
        done = GetOverlappedResult(handle_, &readOverlapped_, &read, false);
    if (!done)
        return false;
    rxBuffer_[read] = 0;
    rxCount_ = static_cast<int>(read);
    if (read == 0)
        return false;
    budget -= std::min(read, budget);
    if (tulleet_merkit)
        tulleet_merkit(this);
    return true;
}

char* TQuovixCommPort::lue_rx_char() {
    if (rxCount_ < 1)
        return nullptr;
    return CopyOut(rxBuffer_.data(), static_cast<size_t>(rxCount_) + 1);
}

char* TQuovixCommPort::lue_tx_char() {
    if (txPending_ < 1)
        return nullptr;
    return CopyOut(txBuffer_.data(), static_cast<size_t>(txPending_) + 1);
}

void TQuovixCommPort::lahetettavat(char* buf, int n) {
    if (open_ && buf && n > 0 && txPending_ + n <= txSize_) {
        std::memcpy(txBuffer_.data() + txPending_, buf, static_cast<size_t>(n));
        txPending_ += n;
        if (txIdle_)
            kirjoitus_aloita();
    }
    std::free(buf);
}

void TQuovixCommPort::kirjoitus_aloita() {
    writePending_ = false;
    DWORD written = 0;
    if (WriteFile(handle_, txBuffer_.data(), static_cast<DWORD>(txPending_), &written, &writeOverlapped_)) {
        EndWrite(written, true, false);
        return;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        WriteFailed(GetLastError(), written);
        return;
    }
    txIdle_ = false;
    writePending_ = true;
    PostWriteMessage(WM_COMM_WRITE_PENDING);
}

bool TQuovixCommPort::kirjoitus_odota() {
    if (!writePending_)
        return false;
    DWORD written = 0;
    switch (WaitForSingleObject(writeOverlapped_.hEvent, kWriteWaitSliceMs)) {
    case WAIT_OBJECT_0:
        if (GetOverlappedResult(handle_, &writeOverlapped_, &written, false))
            EndWrite(written, true, true);
        else if (GetLastError() == ERROR_OPERATION_ABORTED)
            EndWrite(written, false, true); // the driver's transmit side was purged
        else
            WriteFailed(GetLastError(), written);
        break;
    case WAIT_TIMEOUT:
        // Still on its way: look again after the other messages.
        PostWriteMessage(WM_COMM_WRITE_PENDING);
        break;
    default: {
        // The wait failed (the device went): the write's result still tells
        // the bytes that left before.
        const DWORD error = GetLastError();
        GetOverlappedResult(handle_, &writeOverlapped_, &written, false);
        WriteFailed(error, written);
        break;
    }
    }
    return false;
}

// Every end of a write comes here: done at once or later, failed, aborted by the
// driver, cancelled by a transmit purge, or ended by a close. The bytes the
// device took leave the buffer; the rest stays for the next write (keepRest) or
// is dropped with the write. The transmitter stays busy until the end is
// reported, at once (reportNow) or by the done-message where the caller must
// not call the owner back; the report marks it idle and writes what is
// pending. So pending bytes always have a write or a report on their way, the
// room is the buffer less those bytes, and the owner hears of every end.
void TQuovixCommPort::EndWrite(DWORD taken, bool keepRest, bool reportNow) {
    const int count = std::min(static_cast<int>(taken), txPending_);
    txPending_ = keepRest ? txPending_ - count : 0;
    unreported_ += count;
    std::memmove(txBuffer_.data(), txBuffer_.data() + count, static_cast<size_t>(txPending_));
    writePending_ = false;
    txIdle_ = false;
    if (reportNow)
        WriteDone(true, std::exchange(unreported_, 0));
    else
        PostWriteDone();
}

// A write that failed, at once or in its result: the queue is dropped, so the
// owner's send path moves on instead of waiting for a completion that will never
// come. The owner hears of the bytes that left before it failed, as of any end.
void TQuovixCommPort::WriteFailed(DWORD error, DWORD taken) {
    EndWrite(taken, false, false);
    Box("Write failed on ComPort COM" + std::to_string(portin_nro_ + 1) + "! " + SystemErrorText(error),
        "Port failed");
}

// The write messages carry the open's tag, as the event thread's posts do.
void TQuovixCommPort::PostWriteMessage(int number) {
    PostMessage(window_.get(), number, CommPostWParam(openTag_, 0));
}

// The done-message carries the bytes it reports, so it reports them whenever it
// is handled.
void TQuovixCommPort::PostWriteDone() {
    PostMessage(window_.get(), WM_COMM_WRITE_DONE, CommPostWParam(openTag_, 0),
                std::exchange(unreported_, 0));
}

// The report of a write's end (from EndWrite or its done-message): the owner
// hears that its bytes have gone, and the transmitter of the open that wrote them
// is idle; bytes queued while the write was on its way go out now. The message of
// an earlier open only reports: that open's write ended with it.
void TQuovixCommPort::WriteDone(bool current, int written) {
    if (current)
        txIdle_ = true;
    ReportWritten(written);
    if (current && open_ && txIdle_ && txPending_ > 0)
        kirjoitus_aloita();
}

void TQuovixCommPort::ReportWritten(int written) {
    lastWritten_ = written;
    if (lahteneet_merkit)
        lahteneet_merkit(this);
}

void TQuovixCommPort::laheta_merkki(char c) {
    if (open_ && !TransmitCommChar(handle_, c))
        Box("Interrupt character doesn't trasmit correctly", "Port set failed");
}

bool TQuovixCommPort::CharacterWaiting() {
    COMSTAT status;
    return open_ && ReadStatus(status) && status.fTxim;
}

// A status read takes the line errors the driver held, which the event thread
// reads for the error event that reports them: they are kept for that event, so
// the owner's counts miss none.
bool TQuovixCommPort::ReadStatus(COMSTAT& status, DWORD* errors) {
    DWORD taken = 0;
    if (!ClearCommError(handle_, &taken, &status))
        return false;
    heldErrors_ |= taken;
    if (errors)
        *errors = taken;
    return true;
}

// ---------------------------------------------------------------------------
// Polled run and purges

int TQuovixCommPort::WriteDirect(const char* buf, int n) {
    if (!open_)
        return 0;
    DWORD written = 0;
    if (!WriteFile(handle_, buf, static_cast<DWORD>(std::max(n, 0)), &written, nullptr)) {
        const DWORD error = GetLastError();
        const bool gone = error == ERROR_DEVICE_NOT_CONNECTED;
        // A device that is gone fails every write until the port closes: one box
        // says so (none when the caller reports it), and the caller ends on the
        // failed writes.
        if (!gone || (!goneReported_ && !goneQuiet_))
            Box("Direct write error: " + SystemErrorText(error), "Port write failed");
        goneReported_ = goneReported_ || gone;
        deviceGone_ = deviceGone_ || gone;
        return 0;
    }
    return static_cast<int>(written);
}

char* TQuovixCommPort::ReadDirect(unsigned long* count) {
    *count = 0;
    if (!open_)
        return nullptr;
    COMSTAT status;
    if (!ClearCommError(handle_, nullptr, &status)) {
        deviceGone_ = deviceGone_ || GetLastError() == ERROR_DEVICE_NOT_CONNECTED;
        return nullptr;
    }
    if (status.cbInQue == 0)
        return nullptr;
    if (static_cast<DWORD>(rxNotify_) > status.cbInQue)
        rxNotify_ = static_cast<int>(status.cbInQue);
    char* bytes = static_cast<char*>(std::malloc(static_cast<size_t>(rxNotify_)));
    DWORD read = 0;
    if (!bytes || !ReadFile(handle_, bytes, static_cast<DWORD>(rxNotify_), &read, nullptr)) {
        const DWORD error = GetLastError();
        std::free(bytes);
        Box("Direct read error: " + SystemErrorText(error), "Port read failed");
        return nullptr;
    }
    *count = read;
    return bytes;
}

bool TQuovixCommPort::DeviceGone() {
    COMSTAT status;
    if (open_ && !deviceGone_ && !ClearCommError(handle_, nullptr, &status))
        deviceGone_ = GetLastError() == ERROR_DEVICE_NOT_CONNECTED;
    return deviceGone_;
}

// A device that is gone holds nothing to purge: the box that said it is gone is
// the only one.
void TQuovixCommPort::flushrx() {
    if (open_ && !deviceGone_ && !PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR))
        Box("Rx buffer purge failed", "Port set failed");
}

// The purge ends the write on its way with what the line has taken: the rest of
// its bytes is dropped with what the driver held, so nothing cancelled goes out
// later.
void TQuovixCommPort::flushtx() {
    COMSTAT status;
    if (!open_ || deviceGone_ || !ReadStatus(status) || status.cbOutQue <= 10)
        return;
    if (!CancelIoEx(handle_, &writeOverlapped_)) {
        char text[64];
        std::snprintf(text, sizeof text, "Tx buf CancelIO failed, %ld ", static_cast<long>(GetLastError()));
        Box(text, "Port set failed");
    }
    if (!PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR))
        Box("Tx buffer purge failed", "Port set failed");
    EndPendingWrite(true);
}

DWORD TQuovixCommPort::DirectCount() {
    return GetFileSize(handle_, nullptr);
}
