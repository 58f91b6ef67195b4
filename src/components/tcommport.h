#pragma once
// The component package's packet serial port. It opens one COM port through the
// program's serial calls (platform/serial_comm.h), sets the line up from its
// properties, frames what it sends in one of four packet modes and leaves all
// reception to its receiver thread (components/tpacketthread.h), which runs
// while the port is open and reports packets and data through the events below,
// on the thread that made the port. It keeps a short log of what went out and
// came in, can run a set-up dialog and keeps its settings in a settings node.
//
// Errors go to vError: thrown as std::runtime_error when ExceptionErrors is set,
// shown in the error box otherwise. Some (a missing port, a failed set-up at
// open) are only reported when ExceptionErrors is set. Events are called only
// when assigned and while events are enabled.

#include "components/commporttools.h"
#include "components/tpacketthread.h"
#include "platform/serial_comm.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TCommPortSetupDialog;
class TGenericProtocol;
class TXMLNode;

class TCommPort : public QObject {
    Q_OBJECT
    Q_PROPERTY(int ComPort READ ComPort WRITE vSetComPortValue)
    Q_PROPERTY(int BaudRate READ BaudRate WRITE vSetBaudRateValue)
    Q_PROPERTY(int ByteSize READ ByteSize WRITE vSetByteSizeValue)
    Q_PROPERTY(int StopBits READ StopBits WRITE vSetStopBitsValue)
    Q_PROPERTY(int ParityBits READ ParityBits WRITE vSetParityBitsValue)
    Q_PROPERTY(bool Parity READ Parity WRITE SetParity)
    Q_PROPERTY(int FlowControl READ FlowControl WRITE vSetFlowControlValue)
    Q_PROPERTY(int DTRControl READ DTRControl WRITE vSetDTRControlValue)
    Q_PROPERTY(int RTSControl READ RTSControl WRITE vSetRTSControlValue)
    Q_PROPERTY(bool DTRLine READ DTRLine WRITE SetDTRLine)
    Q_PROPERTY(bool RTSLine READ RTSLine WRITE SetRTSLine)
    Q_PROPERTY(bool Binary READ Binary WRITE SetBinary)
    Q_PROPERTY(bool NullStripping READ NullStripping WRITE SetNullStripping)
    Q_PROPERTY(bool OutCTSFlow READ OutCTSFlow WRITE SetOutCTSFlow)
    Q_PROPERTY(bool OutDSRFlow READ OutDSRFlow WRITE SetOutDSRFlow)
    Q_PROPERTY(int XonChar READ XonChar WRITE vSetXonCharValue)
    Q_PROPERTY(int XoffChar READ XoffChar WRITE vSetXoffCharValue)
    Q_PROPERTY(int EventChar READ EventChar WRITE vSetEventCharValue)
    Q_PROPERTY(int EofChar READ EofChar WRITE vSetEofCharValue)
    Q_PROPERTY(int ErrorChar READ ErrorChar WRITE vSetErrorCharValue)
    Q_PROPERTY(int Events READ Events WRITE vSetEventsValue)
    Q_PROPERTY(uint RxSize MEMBER RxSize)
    Q_PROPERTY(uint TxSize MEMBER TxSize)
    Q_PROPERTY(bool PacketMode READ PacketMode WRITE SetPacketModeProperty)
    Q_PROPERTY(int PacketModeType READ PacketModeType WRITE vSetPacketModeTypeValue)
    Q_PROPERTY(int PacketStartChar READ PacketStartChar WRITE vSetPacketStartCharValue)
    Q_PROPERTY(int PacketEndChar READ PacketEndChar WRITE vSetPacketEndCharValue)
    Q_PROPERTY(int MaxPacketLen READ MaxPacketLen WRITE vSetMaxPacketLenValue)
    Q_PROPERTY(bool UseCRC MEMBER UseCRC)
    Q_PROPERTY(bool PacketSentData MEMBER PacketSentData)
    Q_PROPERTY(bool PacketReceivedData MEMBER PacketReceivedData)
    Q_PROPERTY(uint PacketLength MEMBER PacketLength)
    Q_PROPERTY(uint PacketLengthSize MEMBER PacketLengthSize)
    Q_PROPERTY(bool ExceptionErrors MEMBER ExceptionErrors)
    Q_PROPERTY(int SetupDialogItems READ SetupDialogItems WRITE vSetSetupDialogItemsValue)
    Q_PROPERTY(int ValidBaudRates READ iValidBaudRates WRITE vSetValidBaudRatesValue)

public:
    explicit TCommPort(QObject* owner = nullptr);
    ~TCommPort() override;

    void Open();
    // Ends the receiver thread, then closes the port; also from a handler.
    void Close();
    bool bGetConnected() const { return bConnected_; }
    // Sets the connected flag and starts or ends the receiver thread.
    void vSetConnected(bool connected);

    // Sends the text, framed as the packet settings say; only when connected.
    void WriteString(const std::string& str_data);
    void WriteChar(char c);
    // Up to count bytes queued in the driver (all with 0); empty when none.
    std::string ReadString(uint32_t count);
    uint32_t u32GetInputCount() const;
    uint32_t u32GetOutputCount() const { return 0; }

    uint32_t u32GetPacketCount() const;
    // The packet at the index, removed with remove; empty past the last.
    std::string GetPacket(uint32_t index, bool remove);
    void ClearPacketBuffers();
    void ClearBuffers() { ClearPacketBuffers(); }
    void FlushRx();
    void FlushTx();

    // A copy of the "TX: " and "RX: " lines, at most 100: the receiver adds lines
    // while the owner reads.
    std::vector<std::string> pGetCommunicationBuffer() const { return packetThread_->LogList(); }
    std::string GetDebugReadBuffer() { return packetThread_->strDebugReadBuffer(); }
    std::string GetDebugWriteBuffer() { return packetThread_->strDebugWriteBuffer(); }
    void ClearDebugBuffers() { packetThread_->vClearDebugBuffers(); }
    std::string strGetReadBuffer() const { return packetThread_->strGetPacketText(); }
    // Kept for callers; nothing is ever collected there.
    std::string strGetWriteBuffer() const { return {}; }
    TPacketThread* pGetPacketThread() { return packetThread_.get(); }

    void EnableEvents() { bEventsEnabled_ = true; }
    void DisableEvents() { bEventsEnabled_ = false; }
    void ActivateEvent(TdCommEvent event);
    void DeactivateEvent(TdCommEvent event);
    void ActivateSetupDialogItem(TdSetupDialogItem item);
    void DeactivateSetupDialogItem(TdSetupDialogItem item);

    // Runs SetupDialog on a copy of the settings and applies the copy on OK.
    bool OpenSetupDialog();
    // Opens the port after an OK of the set-up dialog; the connected flag.
    bool OpenDialog();

    void vMakePortAvailabilityCheck();
    TdAvailablePorts AvailablePorts() const { return u64AvailablePorts_; }
    // The ports that can be opened, as "COM01" .. "COM09", "COM10" ...
    void GetAvailablePorts(std::vector<std::string>& list);

    void GetSaveData(TXMLNode* node) const;
    // Applies the saved values through the setters, in the order they were
    // saved. A value that is no number throws std::invalid_argument to the
    // caller, which decides; the values before it are applied already.
    void SetSaveData(TXMLNode* node);

    void OnPacketTimeOut() { bPacketTimeOut_ = true; }
    void vError(const std::string& text);

    // Properties.
    TdComPort ComPort() const { return settings_.ComPort; }
    void SetComPort(TdComPort port);
    TdBaudRate BaudRate() const { return settings_.BaudRate; }
    // Ignored unless the rate is in ValidBaudRates.
    void SetBaudRate(TdBaudRate rate);
    TdByteSize ByteSize() const { return settings_.ByteSize; }
    void SetByteSize(TdByteSize size);
    TdStopBits StopBits() const { return settings_.StopBits; }
    void SetStopBits(TdStopBits stopBits);
    TdParityBits ParityBits() const { return settings_.ParityBits; }
    // Also sets Parity: on for any parity but none.
    void SetParityBits(TdParityBits parity);
    bool Parity() const { return bParity_; }
    void SetParity(bool on);
    TdFlowControl FlowControl() const { return settings_.FlowControl; }
    // Sets RTS control, CTS output flow and XON/XOFF as the kind of flow needs.
    void SetFlowControl(TdFlowControl flow);
    TdDTRControl DTRControl() const { return tdDTRControl_; }
    void SetDTRControl(TdDTRControl control);
    TdRTSControl RTSControl() const { return tdRTSControl_; }
    void SetRTSControl(TdRTSControl control);
    bool DTRLine() const { return bDTRLine_; }
    void SetDTRLine(bool on);
    bool RTSLine() const { return bRTSLine_; }
    void SetRTSLine(bool on);
    bool Binary() const { return bBinary_; }
    void SetBinary(bool on);
    bool NullStripping() const { return bNullStripping_; }
    void SetNullStripping(bool on);
    bool OutCTSFlow() const { return bOutCTSFlow_; }
    void SetOutCTSFlow(bool on);
    bool OutDSRFlow() const { return bOutDSRFlow_; }
    void SetOutDSRFlow(bool on);
    uint8_t XonChar() const { return u8XonChar_; }
    void SetXonChar(uint8_t c);
    uint8_t XoffChar() const { return u8XoffChar_; }
    void SetXoffChar(uint8_t c);
    uint8_t EventChar() const { return u8EventChar_; }
    void SetEventChar(uint8_t c);
    uint8_t EofChar() const { return u8EofChar_; }
    void SetEofChar(uint8_t c);
    uint8_t ErrorChar() const { return u8ErrorChar_; }
    void SetErrorChar(uint8_t c);
    TdCommEvents Events() const { return u16Events_; }
    void SetEvents(TdCommEvents events);
    bool PacketMode() const { return bPacketMode_; }
    // Stores the flag only; the property also clears the packet buffers.
    void SetPacketMode(bool on) { bPacketMode_ = on; }
    TdPacketModeType PacketModeType() const { return tdPacketModeType_; }
    void SetPacketModeType(TdPacketModeType type) { tdPacketModeType_ = type; }
    char PacketStartChar() const { return static_cast<char>(i8PacketStartChar_); }
    void SetPacketStartChar(char c) { i8PacketStartChar_ = c; }
    char PacketEndChar() const { return static_cast<char>(i8PacketEndChar_); }
    void SetPacketEndChar(char c) { i8PacketEndChar_ = c; }
    uint16_t MaxPacketLen() const { return u16MaxPacketLen_; }
    void SetMaxPacketLen(uint16_t length) { u16MaxPacketLen_ = length; }
    TdSetupDialogItems SetupDialogItems() const { return u8SetupDialogItems_; }
    // A set holding sdiALL adds the six items; any other set replaces the set.
    void SetSetupDialogItems(TdSetupDialogItems items);

    uint32_t RxSize = 512;
    uint32_t TxSize = 512;
    bool UseCRC = false;
    bool PacketSentData = true;
    bool PacketReceivedData = true;
    uint32_t PacketLength = 8;
    uint32_t PacketLengthSize = 2;
    bool ExceptionErrors = false;
    TdBaudRates ValidBaudRates = SetBit(br2400) | SetBit(br9600) | SetBit(br19200) | SetBit(br56000) |
                                 SetBit(br115200) | SetBit(br256000);
    TCommPortSetupDialog* SetupDialog = nullptr;
    TGenericProtocol* ProtocolComponent = nullptr;

    using TNotifyEvent = std::function<void(TCommPort* p_Sender)>;
    TNotifyEvent OnAfterOpen;
    TNotifyEvent OnAfterClose;
    TNotifyEvent OnPacketReceived;
    TNotifyEvent OnDataReceived;
    std::function<void(const std::string& str_data)> OnBeforeSend;
    // Line events: kept for the settings of their users, never called.
    TNotifyEvent OnRxFlag, OnRxChar, OnTxEmpty, OnRxFull, OnCTS, OnDSR, OnRLSD, OnBreak, OnError, OnRing;

private:
    std::string strPortName() const { return strGetComPortName(settings_.ComPort); }
    void vFire(const TNotifyEvent& event);
    void vDoPacketReceived() { vFire(OnPacketReceived); }
    void vDoDataReceived() { vFire(OnDataReceived); }
    bool bOpenSteps();
    void vCloseHandle();
    void vSetDCB();
    // Applies the DCB at once when connected, without a message on failure.
    void vApplyDCBQuietly();
    void vSendEvents();
    void vEscape(DWORD function);
    std::string strFrame(const std::string& data) const;
    void vApplySettings(const TdPortSettings& settings);

    void vSetComPortValue(int value) { SetComPort(tdGetComPortFromNumber(value + 1)); }
    void vSetBaudRateValue(int value) { SetBaudRate(static_cast<TdBaudRate>(value)); }
    void vSetByteSizeValue(int value) { SetByteSize(tdGetByteSizeFromBits(value + 4)); }
    void vSetStopBitsValue(int value) { SetStopBits(tdGetStopBits(value)); }
    void vSetParityBitsValue(int value) { SetParityBits(tdGetParityBits(value)); }
    void vSetFlowControlValue(int value) { SetFlowControl(tdGetFlowControl(value)); }
    void vSetDTRControlValue(int value) { SetDTRControl(tdGetDTRControl(value)); }
    void vSetRTSControlValue(int value) { SetRTSControl(tdGetRTSControl(value)); }
    void vSetXonCharValue(int value) { SetXonChar(static_cast<uint8_t>(value)); }
    void vSetXoffCharValue(int value) { SetXoffChar(static_cast<uint8_t>(value)); }
    void vSetEventCharValue(int value) { SetEventChar(static_cast<uint8_t>(value)); }
    void vSetEofCharValue(int value) { SetEofChar(static_cast<uint8_t>(value)); }
    void vSetErrorCharValue(int value) { SetErrorChar(static_cast<uint8_t>(value)); }
    void vSetEventsValue(int value) { SetEvents(static_cast<TdCommEvents>(value)); }
    void SetPacketModeProperty(bool on);
    void vSetPacketModeTypeValue(int value) { SetPacketModeType(static_cast<TdPacketModeType>(value & 3)); }
    void vSetSetupDialogItemsValue(int value) { SetSetupDialogItems(static_cast<TdSetupDialogItems>(value)); }
    void vSetPacketStartCharValue(int value) { SetPacketStartChar(static_cast<char>(value)); }
    void vSetPacketEndCharValue(int value) { SetPacketEndChar(static_cast<char>(value)); }
    void vSetMaxPacketLenValue(int value) { SetMaxPacketLen(static_cast<uint16_t>(value)); }
    int iValidBaudRates() const { return ValidBaudRates; }
    void vSetValidBaudRatesValue(int value) { ValidBaudRates = static_cast<TdBaudRates>(value); }

    TdPortSettings settings_;
    bool bParity_ = false;
    TdDTRControl tdDTRControl_ = dtrDisable;
    TdRTSControl tdRTSControl_ = rtsDisable;
    bool bDTRLine_ = false;
    bool bRTSLine_ = false;
    bool bBinary_ = true;
    bool bNullStripping_ = false;
    bool bOutCTSFlow_ = false;
    bool bOutDSRFlow_ = false;
    uint8_t u8XonChar_ = 17;
    uint8_t u8XoffChar_ = 19;
    uint8_t u8EventChar_ = 0;
    uint8_t u8EofChar_ = 0;
    uint8_t u8ErrorChar_ = 0;
    TdCommEvents u16Events_ = 0;
    // The receiver reads these at every round.
    std::atomic<bool> bPacketMode_ = false;
    std::atomic<TdPacketModeType> tdPacketModeType_ = pmtNORMAL;
    std::atomic<char> i8PacketStartChar_ = 2;
    std::atomic<char> i8PacketEndChar_ = 3;
    std::atomic<uint16_t> u16MaxPacketLen_ = 100;
    TdSetupDialogItems u8SetupDialogItems_ = kAllSetupDialogItems;

    // Guards the packet list and what the receiver shares (its log, its read and
    // write logs, the text it collects).
    mutable std::mutex lock_;
    std::vector<std::string> packetList_;
    TdAvailablePorts u64AvailablePorts_ = 0;
    HANDLE hPort_ = INVALID_HANDLE_VALUE;
    DCB dcb_;
    std::atomic<bool> bConnected_ = false;
    bool bOutX_ = false;
    bool bInX_ = false;
    bool bSuppressOpenCloseEvents_ = false;
    bool bPacketTimeOut_ = false;
    std::atomic<bool> bEventsEnabled_ = true;
    // Last, so it goes first: the receiver points into the fields above.
    std::unique_ptr<TPacketThread> packetThread_;
};
