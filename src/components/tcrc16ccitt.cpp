#include "components/tcrc16ccitt.h"

#include "base/crc16.h"
#include "base/hex.h"

namespace {

// The last four characters of a parameter text as a 16-bit number.
uint16_t ParameterValue(const std::string& text) {
    const std::string digits = text.size() > 4 ? text.substr(text.size() - 4) : text;
    return static_cast<uint16_t>(KelvoBase::StringHexToInt(digits));
}

} // namespace

TCRC16CCITT::TCRC16CCITT(QObject* owner) : QObject(owner) {
    vSetPreset(pKELVO);
}

void TCRC16CCITT::vSetPreset(TdPreset preset) {
    tdPreset_ = preset;
    switch (preset) {
    case pCCITT:
        vSetInitialValue("FFFF");
        vSetPoly("1021");
        vSetFinalXor("0");
        ReverseDatabits = ReverseResult = false;
        break;
    case pCRC16:
        vSetInitialValue("0");
        vSetPoly("8005");
        vSetFinalXor("0");
        ReverseDatabits = ReverseResult = true;
        break;
    case pRADIO_MODEM:
        vSetInitialValue("FFFF");
        vSetPoly("1021");
        vSetFinalXor("0");
        ReverseDatabits = ReverseResult = true;
        break;
    default:
        vSetInitialValue("FFFF");
        vSetPoly("1021");
        vSetFinalXor("FFFF");
        ReverseDatabits = ReverseResult = true;
        break;
    }
}

std::string TCRC16CCITT::strGetInitialValue() const {
    return IntToHex(u16InitialValue_, 4);
}
void TCRC16CCITT::vSetInitialValue(const std::string& text) {
    u16InitialValue_ = ParameterValue(text);
}
std::string TCRC16CCITT::strGetPoly() const {
    return IntToHex(u16Poly_, 4);
}
void TCRC16CCITT::vSetPoly(const std::string& text) {
    u16Poly_ = ParameterValue(text);
}
std::string TCRC16CCITT::strGetFinalXor() const {
    return IntToHex(u16FinalXor_, 4);
}
void TCRC16CCITT::vSetFinalXor(const std::string& text) {
    u16FinalXor_ = ParameterValue(text);
}

std::string TCRC16CCITT::CountCRC(const std::string& text) const {
    return CountCRC(text, u16InitialValue_, u16Poly_, ReverseDatabits, ReverseResult, u16FinalXor_);
}

std::string TCRC16CCITT::CountCRC(const std::string& text, uint16_t initial, uint16_t poly,
                                  bool reverseDatabits, bool reverseResult, uint16_t finalXor) {
    return Crc16HexString(text, initial, poly, reverseResult, reverseDatabits, finalXor);
}

std::string TCRC16CCITT::strCountCRC(const std::string& text, uint16_t initial, uint16_t poly,
                                     bool reverseDatabits, bool reverseResult, uint16_t finalXor) {
    return CountCRC(text, initial, poly, reverseDatabits, reverseResult, finalXor);
}
