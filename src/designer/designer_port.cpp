#include "designer/designer_port.h"

#include "designer/designer_port_settings.h"

#include <cstdlib>
#include <cstring>

DesignerPort::DesignerPort() {
    CommPort1.setPortin_nro(COM1);
    CommPort1.vaihda_bitti_nop(br__9600);
    CommPort1.vaihda_rx_size(kBufferSize);
    CommPort1.vaihda_rx_raja(kBufferSize);
    CommPort1.vaihda_tx_size(kTransmitBufferSize);
    CommPort1.setdtrmode(dtrENABLE);
    CommPort1.SetEvents({ceRxChar, ceTxEmpty});
    CommPort1.setvaliaika(kEventInterval);
    CommPort1.setover(true);
    CommPort1.tulleet_merkit = [this](TQuovixCommPort*) { CommPort1tulleet_merkit(); };
}

bool DesignerPort::Open(const std::string& settings, int comNumber) {
    CheckPortSettings(CommPort1, settings);
    CheckPortNumber(CommPort1, comNumber);
    CommPort1.tila(true);
    return CommPort1.IsOpen();
}

void DesignerPort::Close() {
    if (CommPort1.IsOpen())
        CommPort1.sulje();
}

bool DesignerPort::Send(const std::string& bytes) {
    if (!CommPort1.IsOpen() || bytes.empty())
        return false;
    // The component takes the block over and frees it.
    char* block = static_cast<char*>(std::malloc(bytes.size()));
    std::memcpy(block, bytes.data(), bytes.size());
    CommPort1.lahetettavat(block, static_cast<int>(bytes.size()));
    return true;
}

void DesignerPort::CommPort1tulleet_merkit() {
    const int count = CommPort1.merkkien_maara();
    char* received = CommPort1.lue_rx_char();
    if (!received)
        return;
    const std::string bytes(received, static_cast<size_t>(count > 0 ? count : 0));
    std::free(received);
    if (onReceived && !bytes.empty())
        onReceived(bytes);
}
