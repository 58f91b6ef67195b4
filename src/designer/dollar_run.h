#pragma once
// The "$" programming run: transmits the active figure's values (and in a routing
// project its protocol information and routes) to the modem on the designer's
// port, or receives its values, without blocking. Each reply frame moves a chain
// of requests on; two 10-second timers guard the first answer and the data flow;
// every step is written to the status window.
//
// Every end of a run (the modem back in its normal state, a time-out, a refused
// question, the window closing, the modem deleted, New, Open, the project closed)
// goes through one place: a modem left in programming mode is set back while the
// port is open, the port closes, the sender state, the programming flag, the
// receive buffer and the timers are reset, so the next run starts clean and
// nothing of a project no longer shown is sent; then the run's last line gives the
// status window's buttons back. While any box is open the timers stand still;
// a port closed under a box is not written to afterwards.
//
// A run serves the modem it started with, whatever is made active, deleted or
// shown meanwhile: its values, its check, its routes (collected at the start, with
// whether it is the master and the routing in force) and the window its values go
// to. It starts from nothing and takes only the replies to what it asked: bytes
// before its first command, after its end, or a reply to another command belong
// to no run and are dropped.

#include "designer/dollar_frame.h"
#include "designer/dollar_receiver.h"
#include "designer/project_properties.h"
#include "designer/run_timer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class ModemPort;
class NetworkDesign;
class TKuvio;
class TransferStatusWindow;

// What the run asks of the designer window and its tool windows.
class DollarRunHost {
public:
    virtual ~DollarRunHost() = default;
    // Level 9 is chosen: the factory block is written and read too.
    virtual bool FactoryLevelChosen() const = 0;
    // The mobile-route view is ticked.
    virtual bool MobileRoutesShown() const = 0;
    // Generates the routes of a routing project; the design's route problem
    // tells the result.
    virtual void GenerateRoutes() = 0;
    // The modem rejected these parameters (or these factory parameters): the
    // properties window shows them on the figure.
    virtual void ShowRejectedParameters(TKuvio& figure, const std::vector<DollarItem>& items) = 0;
    virtual void ShowRejectedFactoryParameters(TKuvio& figure, const std::vector<DollarItem>& items) = 0;
    virtual void HidePropertiesWindow() = 0;
    virtual void ShowModemProperties(TKuvio& figure) = 0;
    virtual void EnablePropertiesCancel() = 0;
    // Values came into a figure or its highlight went: the design is modified
    // or must be drawn again.
    virtual void DesignChanged(bool modified) = 0;
};

class DollarRun {
public:
    static constexpr int kFirstAnswerMs = 10000;
    static constexpr int kDataFlowMs = 10000;
    static constexpr int kStartDelayMs = 1000;
    // The line of a run that ends with its port closed.
    static constexpr const char* kPortClosed = "Serial port closed";
    // The lines of a transmit ended by the user (or its modem deleted) after the
    // modem took parameters, or route lines, and before it saved them.
    static constexpr const char* kInterruptedBeforeSave =
        "Transfer interrupted before parameters saved to eeprom";
    static constexpr const char* kInterruptedBeforeRoutesSaved =
        "Transfer interrupted before routes saved to eeprom";

    // What a reply 8 goes on with.
    enum SenderState {
        Idle = 0,
        ReadParameters = 2,
        WriteParameters = 3,
        Routes = 5,
        PingSent = 9,
        WriteFactoryFirst = 13,
    };

    DollarRun(NetworkDesign& design, ModemPort& port, TransferStatusWindow& status, DollarRunHost& host,
              const RunTimerFactory& timers);
    ~DollarRun();

    // "Transmit values" and "Receive values" of a figure without NMS support: the
    // run serves that figure from its start to its end.
    void StartParameterTransmit(TKuvio& figure);
    void StartParameterReceive(TKuvio& figure);
    // Bytes from the port while no ping waits for its text reply.
    void Received(const std::string& bytes);
    // Ends a run at once (the designer closes); a run still going writes its last
    // line, so that the status window's buttons come back.
    void Cancel();

    // The one way every step reaches the status window; the mode also drives the
    // data-flow timer and the port:
    // 0 re-arms the data-flow timer; 1 as 0, then ends the run (port closed);
    // 2 and 3 start the data-flow timer and caption the window for a transmit or
    // a receive; 4 only adds the line. The run, ping or NMS transfer of this
    // designer takes the window with its caption when its port opened and gives it
    // back with its last line; while another designer's process holds it, this
    // one's lines are only added.
    void ShowTransferStatus(const std::string& text, int mode);
    // A ping takes it again at each port it opens, its buttons off between pings.
    void TakeStatusWindow();
    // While kept, a line that ends a modem's ping (mode 1) does not give the window
    // back: a ping run holds it from its first ping to its last line.
    void KeepStatusWindow(bool keep) { statusKept_ = keep; }
    // The window's own caption, when this designer's modem went.
    void NameNoModemInStatus();
    // Sends the frame and logs it as sent data when the port took it; false when
    // it did not (the port is closed or gone).
    bool SendToModem(const std::string& frame);
    // The status lines that follow are of this figure's run: for a modem with NMS
    // support they drive neither the data-flow timer nor the port.
    void ReportFor(const TKuvio& figure) { nmsLines_ = figure.NmsSupport(); }
    // A "$" run holds the port from its start to its end.
    bool Going() const { return programmed_ != nullptr; }
    // The run transfers this figure's values.
    bool Programs(const TKuvio& figure) const { return programmed_ == &figure; }
    // A reply is being handled. Its box may end the run (its modem deleted, New,
    // Open); the handling goes on after the box, so no other run starts before it
    // is over.
    bool HandlingReply() const { return dispatching_; }
    // Nothing more reaches the modem: one left in programming mode is set back
    // while the port is open (a pulled cable only fails the write), then the
    // timers stop, the port closes and the run's state is reset.
    void EndRun();

    SenderState senderState = Idle;
    bool inProgrammingMode = false;
    int comNumber = 1;
    DollarReceiver& Receiver() { return receiver_; }
    ModemPort& Port() { return port_; }
    TransferStatusWindow& Status() { return status_; }
    RunTimer& FirstAnswerTimer() { return *tilasiirto_; }
    RunTimer& DataFlowTimer() { return *rsptmr_; }
    RunTimer& StartDelayTimer() { return *alkutmr_; }

private:
    // Clears what a run before left and takes the figure.
    void Begin(TKuvio& figure);
    void CollectRouteLines();
    bool Awaits(uint8_t replyCode) const;
    // Every end of a run: EndRun, then the last line, whose button timer gives the
    // status window's buttons back.
    void Finish(const std::string& lastLine);
    void FigureRemoved(const TKuvio* figure);
    // A Yes/No question (the timers stand still under it); false for No or when
    // the port closed while the box was open.
    bool AskToContinue(const std::string& question);
    bool OpenModemPort();
    void SendProgModeOn();
    void SendProgModeOff();
    void SendCommand(DollarCommand command, const std::string& items, const std::string& log);
    // Sends a command of the run; its reply is the one the run waits for.
    void Send(DollarCommand command, const std::string& items = {});
    // False, with the modem set back, when a value does not fit its field.
    bool TakeValuesToSend();
    void SendParameters();
    void SendFactoryParameters();
    void SendValues(DollarCommand command, const std::string& items);
    std::string InterruptedLine() const;
    void SendRoutes(bool first);
    void AfterParametersSaved();
    void DispatchReply(const std::string& frame);
    void Dispatch(const std::string& frame);
    void ProgModeReply(const std::string& frame);
    void RemoteStateReply();
    void ParametersWrittenReply(const std::vector<DollarItem>& items);
    void FactoryWrittenReply(const std::vector<DollarItem>& items);
    void StoreReceivedValues(const std::vector<DollarItem>& items, size_t firstEntry, bool overwrite);
    void RouteReply(uint8_t status);
    // Ends the run and shows its box; false when another process took the port
    // while the box was open.
    bool EndedWithBox(const std::string& text);
    void FirstAnswerTimeout();
    void DataFlowTimeout();

    NetworkDesign& design_;
    ModemPort& port_;
    TransferStatusWindow& status_;
    DollarRunHost& host_;
    DollarReceiver receiver_;
    std::unique_ptr<RunTimer> tilasiirto_;
    std::unique_ptr<RunTimer> rsptmr_;
    std::unique_ptr<RunTimer> alkutmr_;
    // The figure whose values the run transfers; none when no run goes.
    TKuvio* programmed_ = nullptr;
    // Taken at the run's start: whether the figure is the master, the project's
    // values (the routing in force, the network id, M and N) and the route lines
    // to send. Project properties accepted during the run apply to the next one.
    bool programmedIsMaster_ = false;
    ProjectProperties properties_;
    std::vector<std::string> routeLines_;
    size_t routeLine_ = 0;
    // The last command sent; none before the first of a run.
    std::optional<DollarCommand> asked_;
    bool nmsLines_ = false;
    bool statusKept_ = false;
    // The figure's values as the run sends them, taken at the first command that
    // carries them.
    std::optional<std::vector<PropertyEntry>> valuesToSend_;
    // What the modem took and has not saved yet.
    enum class Unsaved { Nothing, Parameters, Routes };
    Unsaved unsaved_ = Unsaved::Nothing;
    // Values of the last parameter reply stored; the factory values follow them.
    size_t receivedValues_ = 0;
    bool dispatching_ = false;
};
