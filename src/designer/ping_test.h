#pragma once
// The designer's link test: the PC, attached to the master modem, sends it the
// text command "SL+P=" with a remote modem's terminal address, and the master
// answers in plain text with the signal strength it received. A single ping can
// be repeated a chosen number of times; "Ping All" walks every modem of the
// network in list order. Replies go onto the figures' info labels.
//
// An address that is no hexadecimal number, or that does not fit the project's
// address length, is refused with a box before anything is sent: an address with
// more digits than the command carries would ping another modem. An empty address
// opens the port and sends nothing, so its ping ends by the reply time-out.
//
// Each answer closes the port and empties the receive buffer, so the next ping
// opens afresh and reads only its own answer. A figure that goes away (Delete,
// New, Open) ends its ping at once.
//
// However one modem's ping ends (an answer, a time-out, a refused address, its
// figure gone), "Ping All" goes on with the next modem left and a count pings
// again while pings are left. The run holds the status window from its first port
// to its last line, boxes between its pings included. However the whole run ends
// (those, the window closing, the walk past its last modem), it writes its last
// line, after which the status window's buttons come back. Every label it writes
// is painted at once.
//
// A run keeps the port and line settings and the project's address length of its
// start: a walk and a count's repeats keep them, a choice made meanwhile applies to
// the next run.

#include "designer/designer_port_settings.h"
#include "designer/project_properties.h"
#include "designer/run_timer.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class DollarRun;
class NetworkDesign;
class TKuvio;

class PingTest {
public:
    static constexpr int kStartDelayMs = 1000;
    static constexpr int kReplyMs = 3000;

    enum TextReplyMode { NoPing = 0, SinglePing = 1, PingAll = 2 };

    // enableTestNet enables or disables the window's "Test net" menu; redraw paints
    // the figures' labels.
    PingTest(NetworkDesign& design, DollarRun& run, const DesignerPortSettings& settings,
             std::function<void(bool)> enableTestNet, std::function<void()> redraw,
             const RunTimerFactory& timers);
    ~PingTest();

    // The ping command for a figure: "SL+P=" and its address in 2 x length
    // upper-case hexadecimal digits; none when the figure has no address, an empty
    // one, or one that does not fit.
    static std::optional<std::string> PingCommand(const TKuvio& figure, int addressLength);

    // "Ping selected": pings the active figure the chosen number of times.
    void Ping1Click();
    void PingAll1Click();
    void Clearrssiinfos1Click();
    // Takes the typed ping count; a text that is no number gives its box and 1.
    void SetPingCount(const std::string& text);
    int PingCount() const { return pingCount_; }
    // The caption of "Ping selected" with the count.
    std::string PingCaption() const;
    // "Test net" offers its pings only for an active figure of a source-routing
    // project.
    bool PingsAvailable() const;

    // Ends a ping at once (the window closes): the timers stop, the port closes and
    // the run's last line is written.
    void Cancel();

    // Text replies from the port while a ping runs.
    bool WaitsForText() const { return mode_ != NoPing; }
    void Received(const std::string& bytes);

    RunTimer& StartDelayTimer() { return *PingAlkuTimer1_; }
    RunTimer& ReplyTimer() { return *testivastetmr_; }
    // Takes "Ping All" on after a removal, once the removal is over.
    RunTimer& WalkOnTimer() { return *walkOn_; }
    TextReplyMode Mode() const { return mode_; }

private:
    // Takes the settings and the project values of the run.
    void BeginRun();
    // The box that refuses to ping the figure; none when it can be pinged.
    std::optional<std::string> RefusalOf(const TKuvio& figure) const;
    // Shows its box when the figure cannot be pinged.
    bool CheckAddress(const TKuvio& figure);
    void OpenPingPort(TKuvio& figure);
    // Walks on from the figure (none: past the last one) to the first it can ping.
    void ContinuePingAll(const TKuvio* from);
    TKuvio* FigureAfter(const TKuvio* figure) const;
    TKuvio* FigureAt(const TKuvio* figure) const;
    void StartDelayElapsed();
    // The pinged figure's address was made one that cannot be pinged during the
    // start delay.
    void RefuseAfterDelay();
    void ReplyTimeout();
    void PingAnswered(const std::string& info, bool endsSinglePing);
    void FigureRemoved(const TKuvio* figure);
    // An unanswered single ping leaves its port to the data-flow timer: the design
    // emptied (New, Open) ends it, so that the timer's box and line do not come over
    // the next design, nor name a modem that is gone.
    void EndPortLeftToDataFlow();
    void AddLabel(TKuvio& figure, const std::string& text);
    // The pinged modem's ping is over: its timers stop, "Test net" comes back and
    // the port closes unless it is left to the data-flow timer.
    void StopModemPing(bool closePort);
    // After a modem's ping: the walk goes on, a count pings again, or the run ends.
    void GoOn();
    // The run is over. The last line, when one is given, starts the status window's
    // button timer; none is given when the run's last line was written already or
    // is left to the data-flow timer.
    void EndPing(const char* lastLine);

    NetworkDesign& design_;
    DollarRun& run_;
    const DesignerPortSettings& settings_;
    DesignerPortSettings runSettings_;
    ProjectProperties runProject_;
    std::function<void(bool)> enableTestNet_;
    std::function<void()> redraw_;
    std::unique_ptr<RunTimer> PingAlkuTimer1_;
    std::unique_ptr<RunTimer> testivastetmr_;
    std::unique_ptr<RunTimer> walkOn_;
    TextReplyMode mode_ = NoPing;
    int pingCount_ = 1;
    int pingsLeft_ = 0;
    // The figure whose ping runs; in "Ping All" also where the walk stands.
    TKuvio* pinged_ = nullptr;
    // Where the walk goes on after a removal; none past the last figure.
    const TKuvio* walkFrom_ = nullptr;
    // The walk looks for the next modem to ping (and may show a box on the way).
    bool walking_ = false;
    // The figure whose unanswered single ping left the port to the data-flow
    // timer: its removal ends that port, as emptying the design does.
    const TKuvio* leftToDataFlowBy_ = nullptr;
};
