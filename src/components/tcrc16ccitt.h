#pragma once
// A CRC-16 of texts with settable parameters and four presets. The computation is
// the base library's parameterised CRC, whose polynomial is always 0x1021 (bit
// by bit, optionally reflected): the Poly property is kept and shown but changes
// no result. The presets' results follow from that: pCRC16 gives CRC-16/KERMIT,
// not the 0x8005 CRC its name suggests.

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>

enum TdPreset : uint8_t { pCCITT, pCRC16, pRADIO_MODEM, pKELVO };

class TCRC16CCITT : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Preset READ Preset WRITE vSetPresetValue)
    Q_PROPERTY(QString InitialValue READ qInitialValue WRITE qSetInitialValue)
    Q_PROPERTY(QString Poly READ qPoly WRITE qSetPoly)
    Q_PROPERTY(QString FinalXor READ qFinalXor WRITE qSetFinalXor)
    Q_PROPERTY(bool ReverseDatabits MEMBER ReverseDatabits)
    Q_PROPERTY(bool ReverseResult MEMBER ReverseResult)
public:
    explicit TCRC16CCITT(QObject* owner = nullptr);

    // Sets the three parameter texts and both reversals; any value past pKELVO
    // selects pKELVO's parameters.
    void vSetPreset(TdPreset preset);
    TdPreset Preset() const { return tdPreset_; }

    // Four hexadecimal digits each. A setter keeps the last four characters of
    // the text and throws (KelvoBase::StringHexToInt's error) on a character
    // that is no hexadecimal digit, leaving the value as it was.
    std::string strGetInitialValue() const;
    void vSetInitialValue(const std::string& text);
    std::string strGetPoly() const;
    void vSetPoly(const std::string& text);
    std::string strGetFinalXor() const;
    void vSetFinalXor(const std::string& text);

    bool ReverseDatabits = true;
    bool ReverseResult = true;

    // The CRC of the text's bytes with the component's parameters, as four
    // upper-case hexadecimal digits.
    std::string CountCRC(const std::string& text) const;
    // The same with the parameters given, whatever the component holds.
    static std::string CountCRC(const std::string& text, uint16_t initial, uint16_t poly,
                                bool reverseDatabits, bool reverseResult, uint16_t finalXor);
    static std::string strCountCRC(const std::string& text, uint16_t initial, uint16_t poly,
                                   bool reverseDatabits, bool reverseResult, uint16_t finalXor);

private:
    void vSetPresetValue(int preset) { vSetPreset(static_cast<TdPreset>(preset)); }
    QString qInitialValue() const { return QString::fromStdString(strGetInitialValue()); }
    void qSetInitialValue(const QString& text) { vSetInitialValue(text.toStdString()); }
    QString qPoly() const { return QString::fromStdString(strGetPoly()); }
    void qSetPoly(const QString& text) { vSetPoly(text.toStdString()); }
    QString qFinalXor() const { return QString::fromStdString(strGetFinalXor()); }
    void qSetFinalXor(const QString& text) { vSetFinalXor(text.toStdString()); }

    TdPreset tdPreset_ = pKELVO;
    uint16_t u16InitialValue_ = 0xFFFF;
    uint16_t u16Poly_ = 0x1021;
    uint16_t u16FinalXor_ = 0xFFFF;
};
