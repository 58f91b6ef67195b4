#include "components/commporttools.h"

#include "base/text_numbers.h"
#include "platform/serial_comm.h"

#include <array>

namespace {

constexpr std::array<uint32_t, brLAST> kBaudRates = {1200,  2400,  4800,  9600,   14400,  19200,
                                                     38400, 56000, 57600, 115200, 128000, 256000};

// The event bit of each TdCommEvent, in enumeration order.
constexpr std::array<DWORD, ceRing + 1> kEventBits = {EV_RXCHAR, EV_RXFLAG, EV_TXEMPTY, EV_RX80FULL, EV_CTS,
                                                      EV_DSR,    EV_RLSD,   EV_BREAK,   EV_ERR,      EV_RING};

template <typename Enum> Enum EnumFromIndex(uint32_t index, Enum last) {
    return index <= static_cast<uint32_t>(last) ? static_cast<Enum>(index) : Enum{};
}

} // namespace

std::string strGetLastErrorText() {
    return SystemErrorText(GetLastError());
}

std::string strGetComPortName(TdComPort port) {
    return "COM" + std::to_string(iGetComPortNumber(port));
}

int iGetComPortNumber(TdComPort port) {
    return port + 1;
}

TdComPort tdGetComPortFromNumber(int number) {
    return number >= 1 && number <= kComPortCount ? static_cast<TdComPort>(number - 1) : cpCOM01;
}

uint8_t u8GetComPortIndex(const std::string& text) {
    return static_cast<uint8_t>(StrToInt(text.size() > 3 ? text.substr(3) : std::string()) - 1);
}

std::string strGetComPortListName(int number) {
    return (number < 10 ? "COM0" : "COM") + std::to_string(number);
}

std::vector<std::string> AvailablePortNames(TdAvailablePorts ports) {
    std::vector<std::string> names;
    for (int number = 1; number <= kProbedPortCount; ++number)
        if (ports & (TdAvailablePorts{1} << (number - 1)))
            names.push_back(strGetComPortListName(number));
    return names;
}

uint32_t u32GetBaudRateValue(TdBaudRate rate) {
    return rate < kBaudRates.size() ? kBaudRates[rate] : 9600;
}

TdBaudRate tdGetBaudRateFromValue(uint32_t value) {
    for (size_t rate = 0; rate < kBaudRates.size(); ++rate)
        if (kBaudRates[rate] == value)
            return static_cast<TdBaudRate>(rate);
    return value < kBaudRates.size() ? static_cast<TdBaudRate>(value) : br9600;
}

uint8_t u8GetByteSizeBits(TdByteSize size) {
    return size <= bs8 ? static_cast<uint8_t>(4 + size) : 8;
}

TdByteSize tdGetByteSizeFromBits(uint32_t bits) {
    return bits >= 4 && bits <= 8 ? static_cast<TdByteSize>(bits - 4) : bs8;
}

TdStopBits tdGetStopBits(uint32_t index) {
    return EnumFromIndex(index, sbTwo);
}
TdFlowControl tdGetFlowControl(uint32_t index) {
    return EnumFromIndex(index, fcSoftware);
}
TdParityBits tdGetParityBits(uint32_t index) {
    return EnumFromIndex(index, pbSpace);
}
TdDTRControl tdGetDTRControl(uint32_t index) {
    return EnumFromIndex(index, dtrHandshake);
}
TdRTSControl tdGetRTSControl(uint32_t index) {
    return EnumFromIndex(index, rtsToggle);
}

uint32_t u32GetEventMask(TdCommEvents events) {
    uint32_t mask = 0;
    for (size_t event = 0; event < kEventBits.size(); ++event)
        if (events & (1u << event))
            mask |= kEventBits[event];
    return mask;
}
