#include "components/tcommport.h"

#include "base/crc16.h"
#include "base/message_dialogs.h"
#include "base/nms_frame.h"
#include "components/tcommportsetupdialog.h"
#include "components/txmlnode.h"
#include "platform/portmap.h"

#include <QPointer>
#include <QScopeGuard>

#include <stdexcept>

namespace {

constexpr DWORD kWriteTimeoutMs = 10000;
const char kDevicePrefix[] = "\\\\.\\";

} // namespace

TCommPort::TCommPort(QObject* owner) : QObject(owner), packetThread_(std::make_unique<TPacketThread>(lock_)) {
    packetThread_->OnPacketReceived = [this] { vDoPacketReceived(); };
    packetThread_->OnDataReceived = [this] { vDoDataReceived(); };
}

TCommPort::~TCommPort() {
    bEventsEnabled_ = false;
    packetThread_->Suspend();
    try {
        Close();
    } catch (...) {
    }
}

void TCommPort::vFire(const TNotifyEvent& event) {
    if (event && bEventsEnabled_) {
        const TNotifyEvent handler = event; // lives on when the handler deletes this port
        handler(this);
    }
}

void TCommPort::vError(const std::string& text) {
    if (ExceptionErrors)
        throw std::runtime_error(text);
    ShowErrorMessage(text);
}

void TCommPort::vSetConnected(bool connected) {
    bConnected_ = connected;
    if (connected)
        packetThread_->Resume();
    else
        packetThread_->Suspend();
}

// Open

void TCommPort::Open() {
    const std::string name = strPortName();
    if (bConnected_) {
        vError("ComPort " + name + " is already open!");
        return;
    }
    hPort_ = CreateFile(kDevicePrefix + name, FILE_FLAG_OVERLAPPED);
    if (hPort_ == INVALID_HANDLE_VALUE) {
        if (ExceptionErrors)
            vError("ComPort [" + name +
                   "] doesn't exist on this machine or is already in use by another software!");
        // Also during a port change: the owner learns that the port it had is
        // gone and no other took its place.
        vFire(OnAfterClose);
        return;
    }
    if (!bOpenSteps())
        return;
    try {
        packetThread_->vSetView({&packetList_, &tdPacketModeType_, hPort_, &u16MaxPacketLen_,
                                 &i8PacketStartChar_, &i8PacketEndChar_, &bPacketMode_, &bEventsEnabled_,
                                 &bConnected_});
        packetThread_->Resume();
        if (!bSuppressOpenCloseEvents_)
            vFire(OnAfterOpen);
    } catch (...) {
        const std::string systemText = strGetLastErrorText();
        vCloseHandle();
        if (ExceptionErrors)
            vError("Error on " + name + ":\r\n\r\n" + systemText + "'\r\n\r\n" + "Closing ComPort!! " + name +
                   "!");
    }
}

// The steps of Open between the handle and the events; false when the port
// was closed again.
bool TCommPort::bOpenSteps() {
    const std::string name = strPortName();
    bConnected_ = true;
    SetFlowControl(settings_.FlowControl);
    SetDTRLine(bDTRLine_);
    SetRTSLine(bRTSLine_);
    FlushRx();
    FlushTx();
    COMMTIMEOUTS timeouts;
    GetCommTimeouts(hPort_, &timeouts);
    timeouts = COMMTIMEOUTS{};
    timeouts.ReadIntervalTimeout = MAXDWORD; // reads return at once with what is queued
    SetCommTimeouts(hPort_, &timeouts);
    if (!SetupComm(hPort_, RxSize, TxSize)) {
        const std::string systemText = strGetLastErrorText();
        vCloseHandle();
        if (ExceptionErrors)
            vError("Error on " + name + ":\r\n\r\n" + systemText);
        return false;
    }
    vSendEvents();
    if (!bConnected_)
        return false;
    if (!GetCommState(hPort_, &dcb_)) {
        vCloseHandle();
        if (ExceptionErrors)
            vError("GetCommState error on ComPort " + name + "!");
        return false;
    }
    vSetDCB();
    vSendEvents();
    return bConnected_;
}

// The receiver ends first, so that no round reads a closed port.
void TCommPort::vCloseHandle() {
    packetThread_->Suspend();
    CloseHandle(hPort_);
    hPort_ = INVALID_HANDLE_VALUE;
    bConnected_ = false;
}

void TCommPort::Close() {
    if (!bConnected_)
        return;
    try {
        bConnected_ = false;
        if (tdDTRControl_ == dtrEnable && bDTRLine_) {
            EscapeCommFunction(hPort_, CLRDTR);
            bDTRLine_ = false;
        }
        vCloseHandle();
        if (!bSuppressOpenCloseEvents_)
            vFire(OnAfterClose);
    } catch (...) {
    }
}

// Line settings

void TCommPort::vSetDCB() {
    dcb_.fDtrControl = tdDTRControl_;
    dcb_.fRtsControl = tdRTSControl_;
    dcb_.fBinary = bBinary_;
    dcb_.fParity = bParity_;
    dcb_.Parity = settings_.ParityBits;
    dcb_.BaudRate = u32GetBaudRateValue(settings_.BaudRate);
    dcb_.ByteSize = u8GetByteSizeBits(settings_.ByteSize);
    dcb_.StopBits = settings_.StopBits;
    dcb_.XonChar = static_cast<char>(u8XonChar_);
    dcb_.XoffChar = static_cast<char>(u8XoffChar_);
    dcb_.EvtChar = static_cast<char>(u8EventChar_);
    dcb_.EofChar = static_cast<char>(u8EofChar_);
    dcb_.fNull = bNullStripping_;
    dcb_.fOutxCtsFlow = bOutCTSFlow_;
    dcb_.fOutxDsrFlow = bOutDSRFlow_;
    // The error character's lowest bit switches replacing on: what the component
    // has always done, and settings made with it rely on that.
    dcb_.fErrorChar = (u8ErrorChar_ & 1) != 0;
    dcb_.fOutX = bOutX_;
    dcb_.fInX = bInX_;
    if (bConnected_ && !SetCommState(hPort_, &dcb_))
        vError("SetCommState error on ComPort " + strPortName() + "!");
}

void TCommPort::vApplyDCBQuietly() {
    if (bConnected_)
        SetCommState(hPort_, &dcb_);
}

void TCommPort::vSendEvents() {
    if (bConnected_ && !SetCommMask(hPort_, u32GetEventMask(u16Events_))) {
        vCloseHandle();
        vError("SetCommMask error on ComPort " + strPortName() + "!");
    }
}

void TCommPort::SetComPort(TdComPort port) {
    if (!bConnected_ || port == settings_.ComPort) {
        settings_.ComPort = port;
        return;
    }
    // The close event of a missing new port may delete this port.
    const QPointer<TCommPort> alive(this);
    bSuppressOpenCloseEvents_ = true;
    const auto endSuppress = qScopeGuard([&] {
        if (alive)
            bSuppressOpenCloseEvents_ = false;
    });
    Close();
    settings_.ComPort = port;
    Open();
}

void TCommPort::SetBaudRate(TdBaudRate rate) {
    if (!InSet(ValidBaudRates, rate))
        return;
    settings_.BaudRate = rate;
    dcb_.BaudRate = u32GetBaudRateValue(rate);
    vApplyDCBQuietly();
}

void TCommPort::SetByteSize(TdByteSize size) {
    settings_.ByteSize = size;
    dcb_.ByteSize = u8GetByteSizeBits(size);
    vApplyDCBQuietly();
}

void TCommPort::SetStopBits(TdStopBits stopBits) {
    settings_.StopBits = stopBits;
    dcb_.StopBits = stopBits;
    vApplyDCBQuietly();
}

void TCommPort::SetParityBits(TdParityBits parity) {
    settings_.ParityBits = parity;
    dcb_.Parity = parity;
    SetParity(parity != pbNoParity);
}

void TCommPort::SetParity(bool on) {
    bParity_ = on;
    dcb_.fParity = on;
    vApplyDCBQuietly();
}

void TCommPort::SetFlowControl(TdFlowControl flow) {
    tdRTSControl_ = rtsDisable;
    bOutCTSFlow_ = false;
    bOutX_ = bInX_ = false;
    switch (flow) {
    case fcHardware:
        tdRTSControl_ = rtsHandshake;
        bOutCTSFlow_ = true;
        break;
    case fcSoftware:
        bOutX_ = bInX_ = true;
        break;
    default:
        flow = fcNone;
        break;
    }
    settings_.FlowControl = flow;
    if (bConnected_)
        vSetDCB();
}

void TCommPort::SetDTRControl(TdDTRControl control) {
    tdDTRControl_ = control;
    dcb_.fDtrControl = control;
    vApplyDCBQuietly();
}

void TCommPort::SetRTSControl(TdRTSControl control) {
    tdRTSControl_ = control;
    dcb_.fRtsControl = control;
    vApplyDCBQuietly();
}

void TCommPort::vEscape(DWORD function) {
    if (bConnected_)
        EscapeCommFunction(hPort_, function);
}

void TCommPort::SetDTRLine(bool on) {
    bDTRLine_ = on;
    vEscape(on ? SETDTR : CLRDTR);
}

void TCommPort::SetRTSLine(bool on) {
    bRTSLine_ = on;
    vEscape(on ? SETRTS : CLRRTS);
}

void TCommPort::SetBinary(bool on) {
    bBinary_ = on;
    dcb_.fBinary = on;
    vApplyDCBQuietly();
}

void TCommPort::SetNullStripping(bool on) {
    bNullStripping_ = on;
    dcb_.fNull = on;
    vApplyDCBQuietly();
}

void TCommPort::SetOutCTSFlow(bool on) {
    bOutCTSFlow_ = on;
    dcb_.fOutxCtsFlow = on;
    vApplyDCBQuietly();
}

void TCommPort::SetOutDSRFlow(bool on) {
    bOutDSRFlow_ = on;
    dcb_.fOutxDsrFlow = on;
    vApplyDCBQuietly();
}

void TCommPort::SetXonChar(uint8_t c) {
    u8XonChar_ = c;
    dcb_.XonChar = static_cast<char>(c);
    vApplyDCBQuietly();
}

void TCommPort::SetXoffChar(uint8_t c) {
    u8XoffChar_ = c;
    dcb_.XoffChar = static_cast<char>(c);
    vApplyDCBQuietly();
}

void TCommPort::SetEventChar(uint8_t c) {
    u8EventChar_ = c;
    dcb_.EvtChar = static_cast<char>(c);
    vApplyDCBQuietly();
}

void TCommPort::SetEofChar(uint8_t c) {
    u8EofChar_ = c;
    dcb_.EofChar = static_cast<char>(c);
    vApplyDCBQuietly();
}

void TCommPort::SetErrorChar(uint8_t c) {
    u8ErrorChar_ = c;
    dcb_.ErrorChar = static_cast<char>(c);
    vApplyDCBQuietly();
}

void TCommPort::SetEvents(TdCommEvents events) {
    u16Events_ = events;
    vSendEvents();
}

void TCommPort::ActivateEvent(TdCommEvent event) {
    SetEvents(static_cast<TdCommEvents>(u16Events_ | SetBit(event)));
}

void TCommPort::DeactivateEvent(TdCommEvent event) {
    SetEvents(static_cast<TdCommEvents>(u16Events_ & ~SetBit(event)));
}

void TCommPort::SetSetupDialogItems(TdSetupDialogItems items) {
    if (InSet(items, sdiALL))
        u8SetupDialogItems_ |= kAllSetupDialogItems;
    else
        u8SetupDialogItems_ = items;
}

void TCommPort::ActivateSetupDialogItem(TdSetupDialogItem item) {
    u8SetupDialogItems_ |=
        item == sdiALL ? kAllSetupDialogItems : static_cast<TdSetupDialogItems>(SetBit(item));
}

void TCommPort::DeactivateSetupDialogItem(TdSetupDialogItem item) {
    if (item == sdiALL)
        u8SetupDialogItems_ = 0;
    else
        u8SetupDialogItems_ &= static_cast<TdSetupDialogItems>(~SetBit(item));
}

void TCommPort::SetPacketModeProperty(bool on) {
    bPacketMode_ = on;
    if (bConnected_)
        ClearPacketBuffers();
}

// Sending

std::string TCommPort::strFrame(const std::string& data) const {
    if (bPacketMode_ && PacketSentData && tdPacketModeType_ == pmtKELVO_NMS) {
        // An NMS frame, opened by the port's own start character.
        std::string frame = BuildNmsFrame(data);
        frame.front() = PacketStartChar();
        return frame;
    }
    const std::string checked = UseCRC ? data + Crc16X25Hex(data) : data;
    if (bPacketMode_ && PacketSentData)
        return PacketStartChar() + checked + PacketEndChar();
    return checked;
}

void TCommPort::WriteString(const std::string& str_data) {
    if (!bConnected_)
        return;
    const std::string frame = strFrame(str_data);
    if (OnBeforeSend && bEventsEnabled_)
        OnBeforeSend(frame);
    packetThread_->vLogSentFrame(frame);
    OVERLAPPED overlapped;
    overlapped.hEvent = CreateEvent(true, false);
    DWORD written = 0;
    if (!WriteFile(hPort_, frame.data(), static_cast<DWORD>(frame.size()), &written, &overlapped) &&
        GetLastError() == ERROR_IO_PENDING &&
        WaitForSingleObject(overlapped.hEvent, kWriteTimeoutMs) != WAIT_OBJECT_0) {
        // The record must outlive the write: cancel it and let it end here.
        CancelIoEx(hPort_, &overlapped);
        GetOverlappedResult(hPort_, &overlapped, &written, true);
    }
    CloseHandle(overlapped.hEvent);
}

void TCommPort::WriteChar(char c) {
    if (bConnected_ && !TransmitCommChar(hPort_, c))
        vError("Cannot write to ComPort " + strPortName() + "!");
}

// Receiving

std::string TCommPort::ReadString(uint32_t count) {
    return packetThread_->strReadPort(count);
}

uint32_t TCommPort::u32GetInputCount() const {
    return bConnected_ ? packetThread_->u32GetInputCount() : 0;
}

uint32_t TCommPort::u32GetPacketCount() const {
    std::lock_guard lock(lock_);
    return bConnected_ ? static_cast<uint32_t>(packetList_.size()) : 0;
}

std::string TCommPort::GetPacket(uint32_t index, bool remove) {
    std::lock_guard lock(lock_);
    if (index >= packetList_.size())
        return {};
    std::string packet = packetList_[index];
    if (remove)
        packetList_.erase(packetList_.begin() + index);
    return packet;
}

void TCommPort::ClearPacketBuffers() {
    packetThread_->vClearBuffers();
    std::lock_guard lock(lock_);
    packetList_.clear();
}

void TCommPort::FlushRx() {
    if (bConnected_ && !PurgeComm(hPort_, PURGE_RXCLEAR))
        vError("PurgeComm Error( RX )on ComPort " + strPortName() + "!");
}

void TCommPort::FlushTx() {
    if (bConnected_ && !PurgeComm(hPort_, PURGE_TXCLEAR))
        vError("PurgeComm Error( TX )on ComPort " + strPortName() + "!");
}

// Ports and the set-up dialog

void TCommPort::vMakePortAvailabilityCheck() {
    u64AvailablePorts_ = 0;
    for (int number : PresentPortNumbers()) {
        if (number < 1 || number > kProbedPortCount)
            continue;
        const HANDLE probe =
            CreateFile(kDevicePrefix + std::string("COM") + std::to_string(number), FILE_FLAG_OVERLAPPED);
        if (probe == INVALID_HANDLE_VALUE)
            continue;
        CloseHandle(probe);
        u64AvailablePorts_ |= TdAvailablePorts{1} << (number - 1);
    }
}

void TCommPort::GetAvailablePorts(std::vector<std::string>& list) {
    vMakePortAvailabilityCheck();
    list = AvailablePortNames(u64AvailablePorts_);
}

bool TCommPort::OpenSetupDialog() {
    if (!SetupDialog)
        return false;
    vMakePortAvailabilityCheck();
    TdPortSettings settings = settings_;
    SetupDialog->vSetPointers(&settings, &u8SetupDialogItems_, &ValidBaudRates, &u64AvailablePorts_);
    const bool accepted = SetupDialog->Execute();
    if (accepted)
        vApplySettings(settings);
    return accepted;
}

void TCommPort::vApplySettings(const TdPortSettings& settings) {
    SetParityBits(settings.ParityBits);
    SetStopBits(settings.StopBits);
    SetBaudRate(settings.BaudRate);
    SetFlowControl(settings.FlowControl);
    SetByteSize(settings.ByteSize);
    SetComPort(settings.ComPort);
}

bool TCommPort::OpenDialog() {
    if (!bConnected_ && OpenSetupDialog())
        Open();
    return bConnected_;
}

// Settings node

void TCommPort::GetSaveData(TXMLNode* node) const {
    node->AddAttribute("COM_PORT", std::to_string(iGetComPortNumber(settings_.ComPort)));
    node->AddAttribute("BAUDRATE", std::to_string(u32GetBaudRateValue(settings_.BaudRate)));
    node->AddAttribute("RTS_CONTROL", std::to_string(tdRTSControl_));
    node->AddAttribute("DTR_CONTROL", std::to_string(tdDTRControl_));
    node->AddAttribute("BYTE_SIZE", std::to_string(u8GetByteSizeBits(settings_.ByteSize)));
    node->AddAttribute("STOP_BITS", std::to_string(settings_.StopBits));
    node->AddAttribute("FLOW_CONTROL", std::to_string(settings_.FlowControl));
    node->AddAttribute("PARITY", bParity_ ? "1" : "0");
    node->AddAttribute("PARITY_BITS", std::to_string(settings_.ParityBits));
}

void TCommPort::SetSaveData(TXMLNode* node) {
    SetComPort(tdGetComPortFromNumber(node->GetAttributeInt("COM_PORT", "1")));
    SetBaudRate(tdGetBaudRateFromValue(node->GetAttributeInt("BAUDRATE", "9600")));
    SetRTSControl(tdGetRTSControl(node->GetAttributeInt("RTS_CONTROL", "0")));
    SetDTRControl(tdGetDTRControl(node->GetAttributeInt("DTR_CONTROL", "0")));
    SetByteSize(tdGetByteSizeFromBits(node->GetAttributeInt("BYTE_SIZE", "8")));
    // Index 1 is one and a half stop bits, not one: nodes saved without the key
    // have always been read so.
    SetStopBits(tdGetStopBits(node->GetAttributeInt("STOP_BITS", "1")));
    SetFlowControl(tdGetFlowControl(node->GetAttributeInt("FLOW_CONTROL", "0")));
    SetParity(node->GetAttributeInt("PARITY", "0") != 0);
    SetParityBits(tdGetParityBits(node->GetAttributeInt("PARITY_BITS", "0")));
}
