#pragma once
// Builds and parses the ASCII frames of the I/O converters. The component does
// no input or output: the owner fills Data and sends GetData's text, or hands a
// received text to ParseData and reads Data when OnPacket fires.
//
// A frame: two addresses as two hexadecimal digits each; for most commands the
// port-type route (3 characters), a length field (2 hexadecimal digits), the
// mnemonic and its payload; then the CRC-16/X-25 of all that as 4 hexadecimal
// digits. ACK and NACK end after the addresses with "6" or "F".

#include "components/torbeldatapacket.h"

#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>

#include <functional>
#include <string>

class TOrbelProtocol : public QObject {
    Q_OBJECT
    Q_PROPERTY(QPlainTextEdit* DebugMemo READ qDebugMemo WRITE qSetDebugMemo)
public:
    explicit TOrbelProtocol(QObject* owner = nullptr);

    // Fired at the end of every ParseData, whatever it recognised (Command 0
    // for a rejected text).
    std::function<void(TOrbelProtocol* sender)> OnPacket;

    TOrbelDataPacket Data;
    // A memo the owner may hand over for its own debug output; the codec writes
    // nothing to it. Null once the memo is deleted.
    QPointer<QPlainTextEdit> DebugMemo;

    // The frame of Data; empty for command 0. Updates Data.DataLength for the
    // commands that carry a length field.
    std::string GetData();
    void ParseData(const std::string& text);
    void ClearData() { Data.ClearData(); }

private:
    QPlainTextEdit* qDebugMemo() const { return DebugMemo; }
    void qSetDebugMemo(QPlainTextEdit* memo) { DebugMemo = memo; }
    std::string strPortTypeRoute() const;
    std::string strPortData(int lastSlot) const;
    std::string strPayload() const;
    void vCountDataLength();
    void vParseFrame(const std::string& text);
    void vParseCommand(std::string rest);
    void vParsePortData(std::string text);
};
