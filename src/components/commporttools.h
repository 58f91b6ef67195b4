#pragma once
// The packet serial port's enumerations and their conversions to the numbers of
// the serial calls, to the values of its settings node and to the texts of its
// set-up dialog. Sets of enumeration values are bit sets: bit n for value n.

#include <cstdint>
#include <string>
#include <vector>

// clang-format off
enum TdComPort : uint8_t {
    cpCOM01, cpCOM02, cpCOM03, cpCOM04, cpCOM05, cpCOM06, cpCOM07, cpCOM08,
    cpCOM09, cpCOM10, cpCOM11, cpCOM12, cpCOM13, cpCOM14, cpCOM15, cpCOM16,
    cpCOM17, cpCOM18, cpCOM19, cpCOM20, cpCOM21, cpCOM22, cpCOM23, cpCOM24,
    cpCOM25, cpCOM26, cpCOM27, cpCOM28, cpCOM29, cpCOM30, cpCOM31, cpCOM32,
    cpCOM33, cpCOM34, cpCOM35, cpCOM36, cpCOM37, cpCOM38, cpCOM39, cpCOM40,
    cpCOM41, cpCOM42, cpCOM43, cpCOM44, cpCOM45, cpCOM46, cpCOM47, cpCOM48,
    cpCOM49, cpCOM50, cpCOM51, cpCOM52, cpCOM53, cpCOM54, cpCOM55, cpCOM56,
    cpCOM57, cpCOM58, cpCOM59, cpCOM60, cpCOM61, cpCOM62,
};
// clang-format on
constexpr int kComPortCount = cpCOM62 + 1;

enum TdBaudRate : uint8_t {
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brLAST
};
enum TdByteSize : uint8_t { bs4, bs5, bs6, bs7, bs8 };
// The values are those of the device control block's StopBits and Parity fields.
enum TdStopBits : uint8_t { sbOne, sbOnePointFive, sbTwo };
enum TdParityBits : uint8_t { pbNoParity, pbOdd, pbEven, pbMark, pbSpace };
enum TdFlowControl : uint8_t { fcNone, fcHardware, fcSoftware };
enum TdDTRControl : uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TdRTSControl : uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TdCommEvent : uint8_t {
    ceRxChar,
    ceRxFlag,
    ceTxEmpty,
    ceRx80Full,
    ceCTS,
    ceDSR,
    ceRLSD,
    ceBreak,
    ceERR,
    ceRing
};
enum TdSetupDialogItem : uint8_t {
    sdiCOMPORT,
    sdiBAUDRATE,
    sdiBYTESIZE,
    sdiSTOPBITS,
    sdiPARITYBITS,
    sdiFLOWCONTROL,
    sdiALL
};
enum TdPacketModeType : uint8_t { pmtNORMAL, pmtLENGTH, pmtEND, pmtKELVO_NMS };

using TdCommEvents = uint16_t;
using TdSetupDialogItems = uint8_t;
using TdBaudRates = uint16_t;
// Bit n-1 for COM n, for every port number a TdComPort can name and more.
using TdAvailablePorts = uint64_t;
constexpr int kProbedPortCount = 64;

template <typename Enum> constexpr uint64_t SetBit(Enum value) {
    return uint64_t{1} << static_cast<int>(value);
}
template <typename Set, typename Enum> constexpr bool InSet(Set set, Enum value) {
    return (set & SetBit(value)) != 0;
}

constexpr TdSetupDialogItems kAllSetupDialogItems = (1u << sdiALL) - 1;

// What the set-up dialog edits, one byte each in this order.
struct TdPortSettings {
    TdParityBits ParityBits = pbNoParity;
    TdStopBits StopBits = sbOne;
    TdBaudRate BaudRate = br9600;
    TdFlowControl FlowControl = fcNone;
    TdByteSize ByteSize = bs8;
    TdComPort ComPort = cpCOM01;
};

// The system's text of the last error of the serial calls.
std::string strGetLastErrorText();

// "COM1" for cpCOM01.
std::string strGetComPortName(TdComPort port);
int iGetComPortNumber(TdComPort port);
// COM n as its TdComPort; cpCOM01 for a number no TdComPort names.
TdComPort tdGetComPortFromNumber(int number);
// The port of a list text "COMn" (leading zeros allowed) as n - 1. Throws
// std::invalid_argument when the rest after "COM" is no number.
uint8_t u8GetComPortIndex(const std::string& text);
// The list text of COM n: "COM01" .. "COM09", then "COM10" on, so the texts sort
// as the numbers do.
std::string strGetComPortListName(int number);
// The list texts of the ports in the set, in rising order.
std::vector<std::string> AvailablePortNames(TdAvailablePorts ports);

// Bits per second; 9600 for brLAST or any other value.
uint32_t u32GetBaudRateValue(TdBaudRate rate);
// The rate of that many bits per second, or of an index 0-11; br9600 otherwise.
TdBaudRate tdGetBaudRateFromValue(uint32_t value);

uint8_t u8GetByteSizeBits(TdByteSize size);
// bs8 for a number of bits outside 4-8.
TdByteSize tdGetByteSizeFromBits(uint32_t bits);

// Index to enumeration: a number outside the enumeration gives its first value.
TdStopBits tdGetStopBits(uint32_t index);
TdFlowControl tdGetFlowControl(uint32_t index);
TdParityBits tdGetParityBits(uint32_t index);
TdDTRControl tdGetDTRControl(uint32_t index);
TdRTSControl tdGetRTSControl(uint32_t index);

// The event mask of SetCommMask for a set of events.
uint32_t u32GetEventMask(TdCommEvents events);
