#pragma once
// The designer's own serial port, CommPort1: 9600 bit/s unless a settings text
// says otherwise, 2048-byte receive buffer delivered whole, DTR enabled, events on
// received bytes and an empty transmitter, run in the background. Received bytes
// go to onReceived on the GUI thread.

#include "designer/modem_port.h"
#include "serial/tquovixcommport.h"

#include <functional>
#include <string>

class DesignerPort : public ModemPort {
public:
    static constexpr int kBufferSize = 2048;
    static constexpr int kEventInterval = 50;
    // Room for the longest parameter frame, so no frame is ever cut.
    static constexpr int kTransmitBufferSize = 65536;

    DesignerPort();

    bool Open(const std::string& settings, int comNumber) override;
    void Close() override;
    bool IsOpen() const override { return CommPort1.IsOpen(); }
    bool Send(const std::string& bytes) override;
    int ComNumber() const override { return static_cast<int>(CommPort1.Portin_nro()) + 1; }

    std::function<void(const std::string&)> onReceived;
    TQuovixCommPort CommPort1;

private:
    void CommPort1tulleet_merkit();
};
