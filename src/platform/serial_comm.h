#pragma once
// Serial ports through the classic communications calls: a port is opened by its
// name ("\\.\COMn", resolved through the port map, platform/portmap.h), set up with
// a device control block and timeouts, and read, written and watched with
// overlapped I/O. Two kinds of device stand behind the same calls: the machine's
// serial devices (termios) and in-process virtual ports (platform/virtual_port.h);
// nothing above these calls knows which one runs.
//
// How these calls behave here:
// - Opening is exclusive, also against other programs (an advisory lock and the
//   UUCP lock files of /var/lock) and for root; a port in use fails with
//   ERROR_ACCESS_DENIED, a missing one with ERROR_FILE_NOT_FOUND.
// - Reads return at once with what the driver holds (the program sets its read
//   timeouts so), so an overlapped read always completes at once.
// - A write is done when its bytes have left the computer: the driver's output
//   queue is empty. A synchronous write returns then; an overlapped write
//   completes then (at once when that is already so).
// - A transmit purge flushes only when the driver reports bytes queued.
// - A write that is cancelled or purged completes with the bytes that have left;
//   what the driver still holds of it is dropped, as is what it holds at a close,
//   so a close never waits for a held-up line.
// - Devices without modem lines (pseudo-terminals) fail GetCommModemStatus and the
//   line functions, and never report line events.
// - Once a device has gone (adapter pulled, far end closed) its calls fail, and a
//   wait on the event of an overlapped operation of it returns WAIT_FAILED; an
//   overlapped WaitCommEvent issued on it pends and so fails at the wait.
// - No call waits without a bound except WaitForSingleObject with INFINITE and
//   GetOverlappedResult with wait set.

#include <cstdint>
#include <string>

using DWORD = uint32_t;
using BOOL = bool;
using HANDLE = intptr_t;
constexpr HANDLE INVALID_HANDLE_VALUE = -1;

constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD MAXDWORD = 0xFFFFFFFF;

// Results of WaitForSingleObject.
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Error codes of GetLastError.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_NOT_FOUND = 1168;

// Event bits of SetCommMask and WaitCommEvent.
constexpr DWORD EV_RXCHAR = 0x0001;
constexpr DWORD EV_RXFLAG = 0x0002;
constexpr DWORD EV_TXEMPTY = 0x0004;
constexpr DWORD EV_CTS = 0x0008;
constexpr DWORD EV_DSR = 0x0010;
constexpr DWORD EV_RLSD = 0x0020;
constexpr DWORD EV_BREAK = 0x0040;
constexpr DWORD EV_ERR = 0x0080;
constexpr DWORD EV_RING = 0x0100;
constexpr DWORD EV_RX80FULL = 0x0400;

// Line-error flags of ClearCommError.
constexpr DWORD CE_RXOVER = 0x0001;
constexpr DWORD CE_OVERRUN = 0x0002;
constexpr DWORD CE_RXPARITY = 0x0004;
constexpr DWORD CE_FRAME = 0x0008;
constexpr DWORD CE_BREAK = 0x0010;
constexpr DWORD CE_IOE = 0x0400;

// Modem status bits of GetCommModemStatus.
constexpr DWORD MS_CTS_ON = 0x0010;
constexpr DWORD MS_DSR_ON = 0x0020;
constexpr DWORD MS_RING_ON = 0x0040;
constexpr DWORD MS_RLSD_ON = 0x0080;

// Functions of EscapeCommFunction.
constexpr DWORD SETXOFF = 1;
constexpr DWORD SETXON = 2;
constexpr DWORD SETRTS = 3;
constexpr DWORD CLRRTS = 4;
constexpr DWORD SETDTR = 5;
constexpr DWORD CLRDTR = 6;
constexpr DWORD SETBREAK = 8;
constexpr DWORD CLRBREAK = 9;

// Flags of PurgeComm.
constexpr DWORD PURGE_TXABORT = 0x0001;
constexpr DWORD PURGE_RXABORT = 0x0002;
constexpr DWORD PURGE_TXCLEAR = 0x0004;
constexpr DWORD PURGE_RXCLEAR = 0x0008;

constexpr uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr uint8_t DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr uint8_t RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2,
                  RTS_CONTROL_TOGGLE = 3;

// The device control block. Fields not listed in the notes are kept and returned
// but have no effect here.
struct DCB {
    DWORD BaudRate = 9600; // any rate the driver takes
    bool fBinary = true;
    bool fParity = false;      // kept only: a byte in error comes as received, told by ClearCommError
    bool fOutxCtsFlow = false; // hold output while CTS is off
    bool fOutxDsrFlow = false;
    uint8_t fDtrControl = DTR_CONTROL_ENABLE;
    bool fDsrSensitivity = false;
    bool fTXContinueOnXoff = false;
    bool fOutX = false; // XON/XOFF on output
    bool fInX = false;  // XON/XOFF on input
    bool fErrorChar = false;
    bool fNull = false;
    uint8_t fRtsControl = RTS_CONTROL_ENABLE; // toggle leaves RTS as it is
    bool fAbortOnError = false;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8; // 5 to 8
    uint8_t Parity = NOPARITY;
    uint8_t StopBits = ONESTOPBIT; // 1.5 stop bits are sent as 2
    char XonChar = 17;
    char XoffChar = 19;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout = 0;
    DWORD ReadTotalTimeoutMultiplier = 0;
    DWORD ReadTotalTimeoutConstant = 0;
    DWORD WriteTotalTimeoutMultiplier = 0;
    DWORD WriteTotalTimeoutConstant = 0;
};

struct COMSTAT {
    DWORD cbInQue = 0;  // bytes received and not yet read
    DWORD cbOutQue = 0; // bytes written and not yet sent
    bool fTxim = false; // a character of TransmitCommChar has not left yet
};

// The record of one overlapped operation. hEvent is reset when the operation
// starts and set when it completes; the other fields belong to the port.
struct OVERLAPPED {
    uintptr_t Internal = 0;
    uintptr_t InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = 0;
};

// Opens a serial port: "\\.\COMn" or "COMn", or a device path. flags may hold
// FILE_FLAG_OVERLAPPED. INVALID_HANDLE_VALUE on failure.
HANDLE CreateFile(const std::string& name, DWORD flags);
BOOL CloseHandle(HANDLE handle);

HANDLE CreateEvent(bool manualReset, bool initialState);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds);

BOOL SetupComm(HANDLE port, DWORD inQueue, DWORD outQueue);
BOOL GetCommState(HANDLE port, DCB* dcb);
BOOL SetCommState(HANDLE port, const DCB* dcb);
BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
BOOL SetCommTimeouts(HANDLE port, const COMMTIMEOUTS* timeouts);

// Setting the mask completes a pending WaitCommEvent with no events.
BOOL SetCommMask(HANDLE port, DWORD mask);
BOOL GetCommMask(HANDLE port, DWORD* mask);
// Events are reported when they happen after the previous report; received bytes
// are reported again while bytes wait that arrived, or remained after a read,
// since then, so no byte is left unreported in the driver.
BOOL WaitCommEvent(HANDLE port, DWORD* mask, OVERLAPPED* overlapped);
BOOL GetOverlappedResult(HANDLE port, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait);

BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped);

// Line errors since the previous call, and the queue counts.
BOOL ClearCommError(HANDLE port, DWORD* errors, COMSTAT* status);
BOOL GetCommModemStatus(HANDLE port, DWORD* status);
BOOL EscapeCommFunction(HANDLE port, DWORD function);
BOOL SetCommBreak(HANDLE port);
BOOL ClearCommBreak(HANDLE port);
BOOL PurgeComm(HANDLE port, DWORD flags);
// Sends one byte at once, ahead of bytes that a pending write still holds. A line
// held by flow control keeps it waiting, still ahead of them (COMSTAT fTxim), and
// a second character fails while one waits.
BOOL TransmitCommChar(HANDLE port, char c);
BOOL CancelIo(HANDLE port);
// Cancels the operation of one record, or all with null; ERROR_NOT_FOUND when
// none is pending.
BOOL CancelIoEx(HANDLE port, OVERLAPPED* overlapped);
// A port has no size: 0.
DWORD GetFileSize(HANDLE port, DWORD* high);

DWORD GetLastError();
void SetLastError(DWORD error);
// The system's text for an error code.
std::string SystemErrorText(DWORD error);

// Makes opening look for UUCP lock files in this folder instead of /var/lock.
void SetUucpLockFolderForTests(const std::string& folder);
// Makes every event wait on the machine's device at this path fail, or work again.
void SetEventWaitsFailForTests(const std::string& devicePath, bool fail);

// Time one character takes on the line with these settings: start bit, data
// bits, parity bit and stop bits at the bit rate.
double CharacterSeconds(const DCB& dcb);
