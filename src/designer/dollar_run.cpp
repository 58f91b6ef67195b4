#include "designer/dollar_run.h"

#include "designer/figure_values.h"
#include "designer/modem_port.h"
#include "designer/network_design.h"
#include "designer/route_generation.h"
#include "designer/transfer_status.h"
#include "platform/ascii.h"
#include "platform/message_box.h"

#include <utility>

namespace {

constexpr const char* kNoResponse =
    "No response from the modem!!!\r\nCheck the selected port, the power supply, the "
    "serial cable and set the modem to the programming mode.";
constexpr const char* kDataFlowBroken = "Dataflow between modem and PC interrupted some way !!";

std::vector<TKuvio*> FigureList(const NetworkDesign& design) {
    std::vector<TKuvio*> figures;
    for (const auto& figure : design.Figures())
        figures.push_back(figure.get());
    return figures;
}

} // namespace

DollarRun::DollarRun(NetworkDesign& design, ModemPort& port, TransferStatusWindow& status,
                     DollarRunHost& host, const RunTimerFactory& timers)
    : design_(design), port_(port), status_(status), host_(host), tilasiirto_(timers(kFirstAnswerMs)),
      rsptmr_(timers(kDataFlowMs)), alkutmr_(timers(kStartDelayMs)) {
    tilasiirto_->onTimeout = [this] { FirstAnswerTimeout(); };
    rsptmr_->onTimeout = [this] { DataFlowTimeout(); };
    alkutmr_->onTimeout = [this] {
        alkutmr_->Stop();
        SendProgModeOn();
    };
    design_.ListenForRemovals(this, [this](const TKuvio* figure) { FigureRemoved(figure); });
}

DollarRun::~DollarRun() {
    design_.StopListening(this);
}

void DollarRun::ShowTransferStatus(const std::string& text, int mode) {
    const bool nms = nmsLines_;
    if (!status_.IsShown())
        status_.ShowCentredEmpty();
    if (mode == 2 || mode == 3) {
        if (!nms)
            rsptmr_->Start();
        // A "$" run whose port did not open (another designer holds it) never takes
        // the window: the caption and the buttons stay with the process that has it.
        if (nms || port_.IsOpen())
            status_.Take(this, (mode == 2 ? "Transfering values to modem " : "Receiving values from modem ") +
                                   text);
    } else if ((mode == 0 || mode == 1) && !nms) {
        rsptmr_->Stop();
        if (!tilasiirto_->Active())
            rsptmr_->Start();
    }
    status_.AddStatusLine(text);
    if (mode == 1 && !statusKept_)
        status_.GiveBack(this);
    if (nms)
        status_.RepaintNow();
    else if (mode == 1)
        EndRun();
}

void DollarRun::TakeStatusWindow() {
    status_.Take(this);
}

void DollarRun::NameNoModemInStatus() {
    if (status_.Serves(this))
        status_.SetCaption(TransferStatusWindow::kCaption);
}

void DollarRun::EndRun() {
    if (inProgrammingMode && port_.IsOpen())
        SendToModem(BuildDollarFrame(DollarCommand::ProgModeOff));
    tilasiirto_->Stop();
    rsptmr_->Stop();
    alkutmr_->Stop();
    port_.Close();
    senderState = Idle;
    inProgrammingMode = false;
    receiver_.Clear();
    routeLines_.clear();
    routeLine_ = 0;
    receivedValues_ = 0;
    valuesToSend_.reset();
    unsaved_ = Unsaved::Nothing;
    asked_.reset();
    programmed_ = nullptr;
}

void DollarRun::Begin(TKuvio& figure) {
    EndRun();
    programmed_ = &figure;
    programmedIsMaster_ = &figure == design_.master;
    properties_ = design_.properties;
    ReportFor(figure);
}

void DollarRun::Finish(const std::string& lastLine) {
    EndRun();
    ShowTransferStatus(lastLine, 1);
}

void DollarRun::Cancel() {
    const bool going = port_.IsOpen() || tilasiirto_->Active() || rsptmr_->Active() || alkutmr_->Active();
    if (going)
        Finish(InterruptedLine());
    else
        EndRun();
}

// The modem of a run goes (Delete, New, Open, the project closed): the run ends
// at once, before a reply moves it on with what is no longer shown, and the status
// window names no modem that is gone.
void DollarRun::FigureRemoved(const TKuvio* figure) {
    if (!programmed_ || (figure && figure != programmed_))
        return;
    NameNoModemInStatus();
    Finish(InterruptedLine());
}

// A modem that took parameters or route lines but did not save them holds them
// only until it restarts: the log says so rather than end as a complete run does.
std::string DollarRun::InterruptedLine() const {
    switch (unsaved_) {
    case Unsaved::Parameters:
        return kInterruptedBeforeSave;
    case Unsaved::Routes:
        return kInterruptedBeforeRoutesSaved;
    case Unsaved::Nothing:
        break;
    }
    return kPortClosed;
}

bool DollarRun::SendToModem(const std::string& frame) {
    const bool taken = port_.Send(frame);
    if (taken)
        status_.AddStatusData(frame, TransferStatusWindow::kSentColour);
    return taken;
}

void DollarRun::Send(DollarCommand command, const std::string& items) {
    asked_ = command;
    SendToModem(BuildDollarFrame(command, items));
}

// The reply of each command has the command's code, but the first route lines'
// have those of the lines after them. A modem may turn to its remote state, find
// a CRC error or not know a command whatever was asked.
bool DollarRun::Awaits(uint8_t replyCode) const {
    if (!asked_)
        return false;
    if (replyCode == ReplyRemoteState || replyCode == ReplyCrcError || replyCode == ReplyUnknownCommand)
        return true;
    switch (*asked_) {
    case DollarCommand::FirstSourceRoute:
        return replyCode == ReplySourceRoute;
    case DollarCommand::FirstVirtualRoute:
        return replyCode == ReplyVirtualRoute;
    default:
        return replyCode == static_cast<uint8_t>(*asked_);
    }
}

// A port that does not open has shown its own box; the run still goes through
// its start delay and ends by the first-answer timer. False when the run ended
// while that box was open (its modem was removed).
bool DollarRun::OpenModemPort() {
    port_.Open(programmed_->settingsFromType, comNumber);
    if (!programmed_)
        return false;
    ShowTransferStatus("Opening port COM" + std::to_string(port_.ComNumber()) + ".. Wait 1 second..", 0);
    alkutmr_->Start();
    return true;
}

void DollarRun::StartParameterTransmit(TKuvio& figure) {
    if (!design_.SingleModem()) {
        host_.GenerateRoutes();
        if (design_.routeProblem)
            return;
    }
    Begin(figure);
    CollectRouteLines();
    if (!OpenModemPort())
        return;
    senderState = host_.FactoryLevelChosen() ? WriteFactoryFirst : WriteParameters;
    tilasiirto_->Start();
    ShowTransferStatus("Port COM" + std::to_string(comNumber), 2);
    ShowTransferStatus(figure.GetModemName(), 2);
}

void DollarRun::StartParameterReceive(TKuvio& figure) {
    Begin(figure);
    senderState = ReadParameters;
    if (!OpenModemPort())
        return;
    tilasiirto_->Start();
    ShowTransferStatus(figure.GetModemName(), 3);
}

void DollarRun::SendProgModeOn() {
    Send(DollarCommand::ProgModeOn);
    inProgrammingMode = true;
    ShowTransferStatus("Set the modem to the programming mode", 0);
}

// A run that ended under a box sends nothing more.
void DollarRun::SendProgModeOff() {
    if (!port_.IsOpen())
        return;
    Send(DollarCommand::ProgModeOff);
    // Asked once: an end before the modem's answer sends it no second time.
    inProgrammingMode = false;
    ShowTransferStatus("Set programming mode off", 0);
}

void DollarRun::SendCommand(DollarCommand command, const std::string& items, const std::string& log) {
    Send(command, items);
    ShowTransferStatus(log, 0);
}

// The values go out as they stood at the first command that carries them, so that
// the factory block and the parameters are of one moment. A value stored since the
// run started that its field cannot carry is refused before any of them is sent,
// and the modem is set back.
bool DollarRun::TakeValuesToSend() {
    if (valuesToSend_)
        return true;
    if (!CheckHexValuesFit(*programmed_)) {
        senderState = Idle;
        if (programmed_)
            SendProgModeOff();
        return false;
    }
    valuesToSend_ = programmed_->PropertyEntries();
    return true;
}

void DollarRun::SendParameters() {
    if (const auto items = ParameterItems(*valuesToSend_))
        SendValues(DollarCommand::WriteParameters, *items);
}

void DollarRun::SendFactoryParameters() {
    if (const auto items = FactoryParameterItems(*valuesToSend_))
        SendValues(DollarCommand::WriteFactoryParameters, *items);
}

void DollarRun::SendValues(DollarCommand command, const std::string& items) {
    unsaved_ = Unsaved::Parameters;
    SendCommand(command, items, "Parameters send to modem");
}

// The lines a transmit would send, as the design stands at its start: a removal
// or a change of the view during the run leaves them as they were.
void DollarRun::CollectRouteLines() {
    routeLines_.clear();
    if (design_.SingleModem())
        return;
    if (!properties_.IsVirtualRouting()) {
        if (programmedIsMaster_)
            routeLines_ = SourceRouteLines(FigureList(design_), design_.master, host_.MobileRoutesShown());
    } else if (!programmed_->Mobile() || host_.MobileRoutesShown()) {
        for (std::string line = programmed_->NextVirtualRoute(true); !line.empty();
             line = programmed_->NextVirtualRoute(false))
            routeLines_.push_back(line);
    }
}

// Route lines go from the first again after a reply 8; the list stays the run's.
void DollarRun::SendRoutes(bool first) {
    const bool virtualRoutes = properties_.IsVirtualRouting();
    const std::string kind = virtualRoutes ? "virtual" : "source";
    if (first)
        routeLine_ = 0;
    if (routeLine_ >= routeLines_.size()) {
        senderState = Idle;
        const bool none = routeLine_ == 0;
        Send(DollarCommand::SaveRoutes);
        ShowTransferStatus(virtualRoutes ? "Send virtual route saving command"
                           : none        ? "No source route to send"
                                         : "Send source route saving command",
                           0);
        return;
    }
    const RouteLineItems items = virtualRoutes ? VirtualRouteItems(routeLines_[routeLine_])
                                               : SourceRouteItems(routeLines_[routeLine_]);
    if (items.failure == RouteLineItems::BadAddress) {
        ShowMessage("Error in address field .. Check all addressies");
        routeLines_.clear();
        return;
    }
    if (items.failure == RouteLineItems::BadLine) {
        Finish("Send " + kind + " route error");
        ShowMessage(virtualRoutes ? "Virtual route transmit error" : "Source route transmit error");
        return;
    }
    const DollarCommand command =
        virtualRoutes ? (routeLine_ == 0 ? DollarCommand::FirstVirtualRoute : DollarCommand::NextVirtualRoute)
                      : (routeLine_ == 0 ? DollarCommand::FirstSourceRoute : DollarCommand::NextSourceRoute);
    Send(command, items.items);
    unsaved_ = Unsaved::Routes;
    senderState = Routes;
    ShowTransferStatus("Send " + kind + " routeinfo to modem " + std::to_string(routeLine_), 0);
    ++routeLine_;
}

bool DollarRun::AskToContinue(const std::string& question) {
    const bool yes = MessageBox(question, "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
    // A port closed under the box ends the run, unless the run ended there itself.
    if (!port_.IsOpen()) {
        if (programmed_)
            Finish(kPortClosed);
        return false;
    }
    return yes;
}

void DollarRun::Received(const std::string& bytes) {
    if (!programmed_ || !asked_)
        return;
    if (!receiver_.Append(bytes.data(), bytes.size()))
        ShowTransferStatus("Too much data from the modem. Received data dropped", 0);
    // A box of a reply lets the event loop deliver more bytes; they wait in the
    // buffer for the loop below.
    if (dispatching_)
        return;
    dispatching_ = true;
    while (const auto event = receiver_.Next()) {
        switch (event->kind) {
        case DollarReceiver::Event::Frame:
            // One frame per read: what came after it (a repeated reply) is
            // discarded, so that no command is sent twice.
            receiver_.Clear();
            if (!programmed_ || !Awaits(ReplyCode(event->frame)))
                break;
            status_.AddStatusData(event->frame, TransferStatusWindow::kReceivedColour);
            DispatchReply(event->frame);
            break;
        case DollarReceiver::Event::CrcError:
            ShowMessage("CRC error in modem -> PC message" + std::to_string(event->computed) + " " +
                        std::to_string(event->received));
            senderState = Idle;
            break;
        case DollarReceiver::Event::Misplaced:
            ShowMisplacedItem();
            break;
        }
    }
    dispatching_ = false;
}

// A reply 8 that moves the run on to nothing leaves it waiting for the reply to its
// last command: the modem's answer to programming mode off still ends the run.
void DollarRun::DispatchReply(const std::string& frame) {
    const std::optional<DollarCommand> asked = std::exchange(asked_, std::nullopt);
    Dispatch(frame);
    if (ReplyCode(frame) == ReplyRemoteState && programmed_ && !asked_)
        asked_ = asked;
}

void DollarRun::Dispatch(const std::string& frame) {
    const uint8_t status = ReplyStatus(frame);
    switch (ReplyCode(frame)) {
    case ReplyNormalState:
        ShowTransferStatus("Modem to normal state response", 0);
        inProgrammingMode = false;
        Finish(kPortClosed);
        break;
    case ReplyProgMode:
        ProgModeReply(frame);
        break;
    case ReplyRemoteState:
        RemoteStateReply();
        break;
    case ReplyParametersWritten:
        ShowTransferStatus("Response from the modem.", 0);
        ParametersWrittenReply(DecodeItems(frame));
        break;
    case ReplyFactoryWritten:
        ShowTransferStatus("Factory parameter request responded", 0);
        FactoryWrittenReply(DecodeItems(frame));
        break;
    case ReplyParameters:
        ShowTransferStatus("Response from the modem.", 0);
        host_.HidePropertiesWindow();
        StoreReceivedValues(DecodeItems(frame), 0, false);
        if (host_.FactoryLevelChosen()) {
            SendCommand(DollarCommand::ReadFactoryParameters, {},
                        "Requesting factory parameters from the modem.");
        } else {
            host_.ShowModemProperties(*programmed_);
            SendProgModeOff();
        }
        break;
    case ReplyFactoryParameters:
        ShowTransferStatus("Factory parameter request responsded", 0);
        host_.HidePropertiesWindow();
        StoreReceivedValues(DecodeItems(frame), receivedValues_, true);
        host_.ShowModemProperties(*programmed_);
        SendProgModeOff();
        break;
    case ReplyProtocolInfo:
        ShowTransferStatus("Protocol send response", 0);
        if (status == 0)
            SendCommand(DollarCommand::SaveParameters, {}, "Save parameters to modem");
        else
            SendCommand(DollarCommand::AddressOffsetLength, AddressOffsetLengthItems(properties_),
                        "Send M (offset) and N (length) info to modem");
        break;
    case ReplyAddressOffsetLength:
        ShowTransferStatus("Address M (offset) and N (length) values send response", 0);
        SendCommand(DollarCommand::SaveParameters, {}, "Save parameters to modem");
        break;
    case ReplyParametersSaved:
        ShowTransferStatus("Parameter saved to eeprom response", 0);
        if (status == 0) {
            ShowMessage("Error saving parameters to eeprom");
            SendProgModeOff();
        } else {
            unsaved_ = Unsaved::Nothing;
            AfterParametersSaved();
        }
        break;
    case ReplySourceRoute:
        ShowTransferStatus("route response OK", 0);
        RouteReply(status);
        break;
    case ReplyVirtualRoute:
        ShowTransferStatus("Virtualroute response", 0);
        RouteReply(status);
        break;
    case ReplyRoutesSaved:
        ShowTransferStatus("Routes saved to eeprom response", 0);
        unsaved_ = Unsaved::Nothing;
        SendProgModeOff();
        if (programmed_ && programmed_->NameHighlight()) {
            programmed_->SetNameHighlight(false);
            host_.DesignChanged(false);
        }
        break;
    case ReplySourceRoutesRemoved:
        ShowTransferStatus("Source Routes removed from slave modem", 0);
        SendProgModeOff();
        break;
    case ReplyCrcError:
        ShowTransferStatus("CRC error in transfer response", 0);
        ShowMessage("CRC Error in PC <-> modem message");
        senderState = Idle;
        break;
    case ReplyUnknownCommand:
        ShowTransferStatus("Unknown response from modem", 0);
        ShowMessage("Unknown response from modem");
        SendProgModeOff();
        break;
    default:
        break;
    }
}

void DollarRun::ProgModeReply(const std::string& frame) {
    tilasiirto_->Stop();
    TKuvio& figure = *programmed_;
    const ModemTypeAnswer answer = ReadModemTypeAnswer(frame);
    bool goOn = true;
    if (!SameText(answer.name, figure.modemNameFromType)) {
        goOn =
            AskToContinue("Smf-file type doesn't match.\r\nSelected " + figure.modemNameFromType +
                          "\r\nRadio modem software needs the smf-file " + answer.name +
                          "\r\nIncorrect smf-file type may show wrong values.\r\nDo you want to continue ?");
    } else if (!answer.version || *answer.version != static_cast<int8_t>(figure.versionFromType)) {
        goOn =
            AskToContinue("The radio modem smf-file version number value is different.\r\nContinue anyway ?");
    }
    if (!port_.IsOpen())
        return;
    if (!goOn) {
        SendProgModeOff();
        return;
    }
    inProgrammingMode = true;
    RemoteStateReply();
}

void DollarRun::RemoteStateReply() {
    ShowTransferStatus("Modem turned to remote state response", 0);
    tilasiirto_->Stop();
    switch (senderState) {
    case ReadParameters:
        SendCommand(DollarCommand::ReadParameters, {}, "Requesting parameters from the modem.");
        break;
    case WriteParameters:
        if (TakeValuesToSend())
            SendParameters();
        break;
    case WriteFactoryFirst:
        if (!TakeValuesToSend())
            break;
        if (HasFactoryBlock(*valuesToSend_))
            SendFactoryParameters();
        else
            SendParameters();
        break;
    case Routes:
        SendRoutes(true);
        break;
    default:
        break;
    }
}

void DollarRun::ParametersWrittenReply(const std::vector<DollarItem>& items) {
    if (items.empty()) {
        if (design_.SingleModem())
            SendCommand(DollarCommand::SaveParameters, {}, "Save parameters to modem");
        else
            SendCommand(DollarCommand::ProtocolInfo, ProtocolInfoItems(properties_, programmed_->identifier),
                        "Send protocol info to modem");
        return;
    }
    ShowTransferStatus("Parameter error", 0);
    SendProgModeOff();
    host_.ShowRejectedParameters(*programmed_, items);
    senderState = Idle;
}

void DollarRun::FactoryWrittenReply(const std::vector<DollarItem>& items) {
    if (items.empty()) {
        SendParameters();
        return;
    }
    ShowTransferStatus("Factory parameter error", 0);
    SendProgModeOff();
    host_.ShowRejectedFactoryParameters(*programmed_, items);
    senderState = Idle;
}

// Received values go into the figure's entries from the given one on. Without
// overwrite only entries in use take them; the entries keep their NMS size and id.
void DollarRun::StoreReceivedValues(const std::vector<DollarItem>& items, size_t firstEntry, bool overwrite) {
    TKuvio& figure = *programmed_;
    if (!overwrite)
        figure.ResetPropertyList(false);
    for (size_t i = 0; i < items.size(); ++i) {
        const size_t index = firstEntry + i;
        const auto& entries = figure.PropertyEntries();
        const PropertyEntry kept = index < entries.size() ? entries[index] : PropertyEntry{};
        figure.SetPropertyEntry(items[i].tag, items[i].second, items[i].value, true, overwrite, kept.nmsSize,
                                kept.nmsId);
    }
    receivedValues_ = firstEntry + items.size();
    senderState = Idle;
    host_.DesignChanged(true);
}

void DollarRun::AfterParametersSaved() {
    if (design_.SingleModem()) {
        SendProgModeOff();
    } else if (properties_.IsVirtualRouting()) {
        if (programmed_->HasVirtualRouteWindow())
            SendRoutes(true);
        else
            SendProgModeOff();
    } else if (programmedIsMaster_) {
        SendRoutes(true);
    } else {
        SendCommand(DollarCommand::RemoveSourceRoutes, {}, "Remove source routings from slave modem");
    }
}

void DollarRun::RouteReply(uint8_t status) {
    const bool virtualRoutes = properties_.IsVirtualRouting();
    switch (status) {
    case 0:
        ShowMessage(virtualRoutes ? "ERROR sending virtualrouteinfo to this modem !!"
                                  : "Error in sending routes to modem !!");
        SendProgModeOff();
        break;
    case 1:
        SendRoutes(false);
        break;
    case 2:
        ShowMessage("Routing NOT available in this modem version !!");
        SendProgModeOff();
        break;
    default:
        break;
    }
}

// A time-out ends the run before its box, so that no reply coming while the box is
// open moves the run on; a process that took the port under the box keeps it.
bool DollarRun::EndedWithBox(const std::string& text) {
    EndRun();
    ShowMessage(text);
    return !port_.IsOpen();
}

void DollarRun::FirstAnswerTimeout() {
    if (!EndedWithBox(kNoResponse))
        return;
    ShowTransferStatus("No response from the modem", 0);
    Finish("Port closed");
    host_.EnablePropertiesCancel();
}

void DollarRun::DataFlowTimeout() {
    if (EndedWithBox(std::string("ERROR: ") + kDataFlowBroken))
        Finish(kDataFlowBroken);
}
