#include "serial/cdirectserial.h"

#include "platform/message_box.h"
#include "platform/wait_clock.h"
#include "serial/tquovixcommport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int kReceiveBufferSize = 2048;
constexpr int kTransmitBufferSize = 512;

// The member of a bit rate, or none for a rate that is not offered.
bool RateMember(int baud, const TBaudRate* members, size_t count, TBaudRate* member) {
    for (size_t i = 0; i < count; ++i)
        if (BaudRateValue(members[i]) == static_cast<DWORD>(baud)) {
            *member = members[i];
            return true;
        }
    return false;
}

const TBaudRate kOpenRates[] = {br__1200, br__2400, br__4800, br__9600, br_19200, br_38400,
                                br_57600, br115200, br128000, br230400, br256000};
const TBaudRate kChangeRates[] = {br__9600, br_38400, br115200, br128000, br230400, br256000};

} // namespace

CDirectSerial::CDirectSerial() : CDirectSerial(SystemWaitClock()) {}

CDirectSerial::CDirectSerial(WaitClock& clock) : clock_(clock) {}

CDirectSerial::~CDirectSerial() {
    delete port_;
}

bool CDirectSerial::Open(int port, int baud, int dataBits, int flowMode) {
    if (open_)
        return false;
    delete port_;
    port_ = new (std::nothrow) TQuovixCommPort();
    if (!port_) {
        ShowMessage("Direct serial port did not open");
        return false;
    }
    clock_.Sleep(kDirectSerialOpenPause);
    port_->setPortin_nro(static_cast<TPortnro>(port - 1));
    TBaudRate rate = br__9600;
    if (RateMember(baud, kOpenRates, std::size(kOpenRates), &rate))
        port_->vaihda_bitti_nop(rate);
    port_->vaihda_bitti_luku(dataBits == 8 ? db_8_Eight : db_7_Seven);
    port_->vaihda_pariteetti(_pbNone);
    port_->vaihda_stop(sbOne);
    if (flowMode >= 0 && flowMode <= 2) {
        port_->setdtrmode(dtrENABLE);
        port_->setdtrline(true);
        port_->setrtsmode(flowMode == 1 ? rtsHANDSHAKE : rtsDISABLE);
        port_->vaihda_kattely(flowMode == 2 ? fcXONXOFF : fcNone);
    }
    port_->dcb_xonchar(17);
    port_->dcb_xoffchar(19);
    port_->setover(false);
    port_->setgonequiet(goneQuiet_);
    port_->vaihda_rx_size(kReceiveBufferSize);
    port_->vaihda_rx_raja(kReceiveBufferSize);
    port_->vaihda_tx_size(kTransmitBufferSize);
    port_->vaihda_tx_raja(kTransmitBufferSize);
    port_->tila(true);
    open_ = port_->IsOpen();
    return open_;
}

bool CDirectSerial::SetBaudRate(int baud) {
    TBaudRate rate = br__9600;
    if (port_ && RateMember(baud, kChangeRates, std::size(kChangeRates), &rate))
        port_->vaihda_bitti_nop(rate);
    return true;
}

bool CDirectSerial::Close() {
    if (open_) {
        port_->flushrx();
        port_->flushtx();
        port_->tila(false);
    }
    open_ = false;
    delete port_;
    port_ = nullptr;
    return true;
}

int CDirectSerial::Write(const char* buf, int n) {
    return open_ ? port_->WriteDirect(buf, n) : 0;
}

int CDirectSerial::Read(char* buf, int n) {
    if (!open_ || n <= 0)
        return 0;
    port_->vaihda_rx_raja(std::min(n, kReceiveBufferSize));
    unsigned long count = 0;
    char* bytes = port_->ReadDirect(&count);
    const int taken = static_cast<int>(std::min<unsigned long>(count, static_cast<unsigned long>(n)));
    if (bytes && taken > 0)
        std::memcpy(buf, bytes, static_cast<size_t>(taken));
    std::free(bytes);
    return bytes ? taken : 0;
}

int CDirectSerial::ReadWithTimeout(char* buf, int n, int timeoutMs) {
    const auto start = clock_.Now();
    int received = Read(buf, n);
    while (received < n && clock_.Now() - start < std::chrono::milliseconds(timeoutMs) && !DeviceGone()) {
        clock_.Sleep(kDirectSerialReadRest);
        received += Read(buf + received, n - received);
    }
    return received;
}

bool CDirectSerial::DsrStatus() {
    return open_ && port_->DSR_status();
}

bool CDirectSerial::DeviceGone() {
    return open_ && port_->DeviceGone();
}
