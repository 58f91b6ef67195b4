// The ping test end to end through the simulated master on a virtual port; the
// test plays the timers.
#include "designer/designer_port_settings.h"
#include "designer/designer_programming.h"
#include "designer/graph_editing.h"
#include "designer/run_fixtures.h"
#include "platform/message_box.h"
#include "serial/event_loop.h"
#include "sim/dollar_modem_sim.h"
#include "support/message_box_recorder.h"

#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

constexpr int kCom = 42;
// The caption of a second designer's run of its modem "other".
constexpr const char* kOtherCaption = "Transfering values to modem other";

class PingTestTest : public ::testing::Test {
protected:
    PingTestTest() {
        settings.portNumber = kCom;
        design.properties.length = 2;
    }

    DesignerProgramming::Hooks TestHooks() {
        DesignerProgramming::Hooks hooks;
        hooks.enableTestNet = [this](bool enabled) { testNetEnabled = enabled; };
        hooks.redraw = [this] { painted = Labels(); };
        return hooks;
    }

    TKuvio& AddModem(const std::string& address) { return AddSimulatedModem(design, address, nullptr); }
    // A remote modem whose pings the master never answers.
    TKuvio& AddSilentModem() {
        modem.With([](DollarModemSim& sim) {
            sim.SetPingSilent({0x2B});
            return 0;
        });
        TKuvio& silent = AddModem("2B");
        silentModems.insert(&silent);
        return silent;
    }

    Texts Labels() const {
        Texts labels;
        for (const auto& figure : design.Figures())
            labels.push_back(figure->InfoText());
        return labels;
    }

    // The program has sent what it had to send, the modem has answered all it
    // took, and the program has read the answer: nothing more comes unless a
    // timer fires.
    bool DialogueAtRest() {
        COMSTAT status{};
        const TQuovixCommPort& line = programming.port.CommPort1;
        return SimulatedModemsAtRest() && !line.TxBusy() &&
               (!line.IsOpen() || (ClearCommError(line.Handle(), nullptr, &status) && status.cbInQue == 0));
    }

    // Plays the start delay of the modem asked (a second passes, the status
    // window's button timer, were it running, fires first) and waits until the
    // modem took the command and, unless it stays silent, until its answer closed
    // the port, or until the dialogue is at rest.
    bool AskNext() {
        const size_t asked = Pings().size();
        const bool silent = silentModems.count(design.active) != 0;
        buttonsBackMidRun = Fire(status.buttonTimer) || buttonsBackMidRun;
        captionTakenMidRun = captionTakenMidRun || status.caption == kOtherCaption;
        if (!Fire(programming.ping.StartDelayTimer()))
            return false;
        ProcessEventsUntil(
            [&] {
                return !programming.port.IsOpen() || (silent && Pings().size() > asked) || DialogueAtRest();
            },
            400ms);
        return true;
    }

    // Plays the timers until the ping test ends: the start delay at once, the
    // reply time-out when no answer closed the port meanwhile.
    void RunPings() {
        for (int step = 0; step < 40 && programming.ping.WaitsForText(); ++step) {
            if (!AskNext() && !Fire(programming.ping.WalkOnTimer()))
                Fire(programming.ping.ReplyTimer());
        }
    }

    Texts Pings() {
        return modem.With([](DollarModemSim& sim) { return sim.Pings(); });
    }

    MessageBoxRecorder boxes;
    DollarModemOnPort modem{kCom};
    NetworkDesign design{false};
    DesignerPortSettings settings;
    RecordingStatus status;
    bool testNetEnabled = true;
    bool buttonsBackMidRun = false;
    // Another designer's run captioned the window while a ping run held it.
    bool captionTakenMidRun = false;
    std::set<const TKuvio*> silentModems;
    // The labels as the last redraw painted them.
    Texts painted;
    DesignerProgramming programming{design, status, settings, TestHooks(), MakeManualTimer};
};

TEST_F(PingTestTest, PingCommandsPadTheAddressToTheProjectsAddressLength) {
    TKuvio& figure = AddModem(" 1a ");
    EXPECT_EQ(PingTest::PingCommand(figure, 2), "SL+P=001A");
    EXPECT_EQ(PingTest::PingCommand(figure, 4), "SL+P=0000001A");
    figure.SetTerminalAddress("12345");
    EXPECT_FALSE(PingTest::PingCommand(figure, 2).has_value());
    figure.SetTerminalAddress("1G");
    EXPECT_FALSE(PingTest::PingCommand(figure, 2).has_value());
}

TEST_F(PingTestTest, PingAllWalksTheNetworkAndWritesEachAnswerOnItsFigure) {
    TKuvio& master = AddModem("01");
    TKuvio& remote = AddModem("1A");
    TKuvio& repeater = AddModem("");
    TKuvio& silent = AddModem("2B");
    modem.With([](DollarModemSim& sim) {
        sim.SetPingMaster(0x01);
        sim.SetPingSilent({0x2B});
        return 0;
    });

    programming.ping.PingAll1Click();
    RunPings();
    EXPECT_EQ(Pings(), (Texts{"SL+P=0001", "SL+P=001A", "SL+P=002B"}));
    EXPECT_EQ(master.InfoText(), "Master OK");
    EXPECT_EQ(remote.InfoText(), "rssi -87 dBm\r\n");
    EXPECT_EQ(repeater.InfoText(), "#Not ping");
    EXPECT_EQ(silent.InfoText(), "#Ping error");
    EXPECT_EQ(boxes.texts(), Texts{"Ping test finnished"});
    EXPECT_EQ(status.lines.back(), "Ping test finnished");
    EXPECT_FALSE(programming.port.IsOpen());
    EXPECT_TRUE(testNetEnabled);
    EXPECT_EQ(programming.ping.Mode(), PingTest::NoPing);
}

TEST_F(PingTestTest, APingCountRepeatsASinglePingAndEachAnswerAddsALine) {
    AddModem("01");
    TKuvio& remote = AddModem("1A");
    programming.ping.SetPingCount("3");
    EXPECT_EQ(programming.ping.PingCaption(), "Ping Selected (3)");
    programming.ping.Ping1Click();
    RunPings();
    EXPECT_EQ(Pings(), Texts(3, "SL+P=001A"));
    EXPECT_EQ(remote.InfoText(), "rssi -87 dBm\r\nrssi -87 dBm\r\nrssi -87 dBm\r\n");
    EXPECT_TRUE(boxes.texts().empty());

    programming.ping.SetPingCount("many");
    EXPECT_EQ(programming.ping.PingCount(), 1);
    EXPECT_EQ(boxes.texts(), Texts{"Invalid ping count many"});
}

TEST_F(PingTestTest, AnUnansweredSinglePingSaysSoAndTheNextRunStartsClean) {
    AddModem("01");
    TKuvio& silent = AddSilentModem();
    programming.ping.Ping1Click();
    RunPings();
    EXPECT_EQ(boxes.texts(), Texts{"modem 2\n\rPING test does not respond"});
    // The port stays open until the data-flow timer closes it.
    EXPECT_TRUE(programming.port.IsOpen());
    ASSERT_TRUE(Fire(programming.run.DataFlowTimer()));
    EXPECT_FALSE(programming.port.IsOpen());

    // An NMS modem's status lines never start that timer: its port closes at once.
    silent.SetNmsSupport(true);
    programming.ping.Ping1Click();
    RunPings();
    EXPECT_FALSE(programming.run.DataFlowTimer().Active());
    EXPECT_FALSE(programming.port.IsOpen());
}

// An answer that comes late, while the time-out's box is open, starts no repeat;
// one that comes while Ping All waits to ping the next modem is no answer of that
// modem's.
TEST_F(PingTestTest, ALateAnswerStartsNoRepeatAndReachesNoOtherPing) {
    AddModem("01");
    AddSilentModem();
    programming.ping.SetPingCount("2");
    bool answerUnderBox = true;
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        if (std::exchange(answerUnderBox, false))
            programming.port.onReceived("OK\r\nrssi -50 dBm\r\n");
        return IDOK;
    });
    programming.ping.Ping1Click();
    RunPings();
    EXPECT_FALSE(programming.ping.StartDelayTimer().Active());
    EXPECT_EQ(programming.ping.Mode(), PingTest::NoPing);
    ASSERT_TRUE(Fire(programming.run.DataFlowTimer()));

    TKuvio& remote = AddModem("1A");
    programming.PingAll();
    for (int step = 0; step < 40 && programming.ping.WaitsForText(); ++step) {
        if (design.active == &remote && programming.ping.StartDelayTimer().Active() &&
            remote.InfoText().empty())
            programming.port.onReceived("OK\r\nrssi -50 dBm\r\n");
        if (!AskNext())
            Fire(programming.ping.ReplyTimer());
    }
    EXPECT_EQ(remote.InfoText(), "rssi -87 dBm\r\n");
}

// An address with more digits than the command carries would ping another modem.
// Nothing is sent for it.
TEST_F(PingTestTest, AnAddressThatIsNoHexNumberOrTooLongIsRefusedBeforeAnythingIsSent) {
    AddModem("01");
    for (const char* address : {"XZ", "12345"}) {
        AddModem(address);
        boxes.clear();
        programming.ping.Ping1Click();
        EXPECT_EQ(boxes.texts(), Texts{"Can't ping this modem because its terminal address is not valid"});
        EXPECT_EQ(programming.ping.Mode(), PingTest::NoPing);
        EXPECT_FALSE(programming.port.IsOpen());
    }

    AddModem("");
    boxes.clear();
    programming.ping.Ping1Click();
    EXPECT_EQ(boxes.texts(), Texts{"Can't ping this modem because No Terminal address available"});
    EXPECT_TRUE(Pings().empty());

    // An address made invalid during the start delay is refused as at the start:
    // no answer is awaited for a ping never sent, and Ping All goes on past it.
    modem.With([](DollarModemSim& sim) {
        sim.SetPingMaster(0x01);
        return 0;
    });
    for (bool pingAll : {false, true}) {
        design.DeleteAllFigures();
        AddModem("01");
        TKuvio& changed = AddModem("1A");
        AddModem("2B");
        design.active = &changed;
        boxes.clear();
        const size_t before = Pings().size();
        pingAll ? programming.ping.PingAll1Click() : programming.ping.Ping1Click();
        if (pingAll)
            AskNext();
        changed.SetTerminalAddress("XZ");
        RunPings();
        const Texts pings = Pings();
        EXPECT_EQ(Texts(pings.begin() + static_cast<long>(before), pings.end()),
                  pingAll ? (Texts{"SL+P=0001", "SL+P=002B"}) : Texts{});
        const std::string refusal = "Can't ping this modem because its terminal address is not valid";
        EXPECT_EQ(boxes.texts(), pingAll ? (Texts{refusal, "Ping test finnished"}) : Texts{refusal});
        EXPECT_EQ(changed.InfoText(), "");
        EXPECT_FALSE(programming.port.IsOpen());
        EXPECT_FALSE(programming.run.DataFlowTimer().Active());
    }
}

// An NMS modem's status lines leave the port alone: the ping closes it after each
// answer itself, so the next ping opens afresh and each modem gets its own level.
TEST_F(PingTestTest, EachAnswerClosesThePortAndReachesOnlyItsModemAlsoForAnNmsModem) {
    for (bool pingAll : {false, true}) {
        TKuvio& master = AddModem("01");
        TKuvio& nms = AddModem("1A");
        nms.SetNmsSupport(true);
        TKuvio& other = AddModem("2B");
        modem.With([](DollarModemSim& sim) {
            sim.SetPingMaster(0x01);
            sim.SetPingLevel(0x1A, -73);
            return 0;
        });
        if (pingAll) {
            programming.ping.PingAll1Click();
            RunPings();
        } else {
            for (TKuvio* figure : {&nms, &other}) {
                design.active = figure;
                programming.ping.Ping1Click();
                RunPings();
                EXPECT_FALSE(programming.port.IsOpen());
            }
        }
        EXPECT_EQ(nms.InfoText(), "rssi -73 dBm\r\n");
        EXPECT_EQ(other.InfoText(), "rssi -87 dBm\r\n");
        EXPECT_EQ(master.InfoText(), pingAll ? "Master OK" : "");
        EXPECT_EQ(boxes.texts(), pingAll ? Texts{"Ping test finnished"} : Texts{});
        EXPECT_FALSE(programming.port.IsOpen());
        boxes.clear();
        design.DeleteAllFigures();
    }
}

// The command goes to the modem whose name is logged and whose label takes the
// answer, each time its count repeats it, whatever the user makes active, the port
// or the project's address length chosen meanwhile; Ping All keeps them too.
TEST_F(PingTestTest, ThePingedModemIsTheOneAskedForThoughTheActiveOneChanges) {
    AddModem("01");
    TKuvio& pinged = AddModem("1A");
    TKuvio& other = AddModem("2B");
    programming.ping.SetPingCount("2");
    for (TKuvio* active : {&other, static_cast<TKuvio*>(nullptr)}) {
        design.active = &pinged;
        programming.ping.Ping1Click();
        design.active = active;
        settings.portNumber = kCom + 1;
        design.properties.length = 1;
        RunPings();
        settings.portNumber = kCom;
        design.properties.length = 2;
    }
    EXPECT_EQ(Pings(), Texts(4, "SL+P=001A"));
    EXPECT_EQ(pinged.InfoText(), "rssi -87 dBm\r\nrssi -87 dBm\r\n");
    EXPECT_EQ(other.InfoText(), "");
    programming.ping.PingAll1Click();
    settings.portNumber = kCom + 1;
    design.properties.length = 1;
    RunPings();
    const Texts pings = Pings();
    EXPECT_EQ(Texts(pings.begin() + 4, pings.end()), (Texts{"SL+P=0001", "SL+P=001A", "SL+P=002B"}));
    EXPECT_EQ(boxes.texts(), Texts{"Ping test finnished"});
}

// A modem whose address is empty though it is not marked as having none is
// pinged: nothing goes out and the reply time-out ends its ping.
TEST_F(PingTestTest, AnEmptyAddressSendsNothingAndTimesOut) {
    AddModem("01");
    TKuvio& empty = AddModem("1A");
    empty.SetTerminalAddress(" ");
    programming.ping.Ping1Click();
    RunPings();
    EXPECT_EQ(boxes.texts(), Texts{"modem 2\n\rPING test does not respond"});
    boxes.clear();
    programming.ping.PingAll1Click();
    RunPings();
    EXPECT_EQ(Pings(), Texts{"SL+P=0001"});
    EXPECT_EQ(empty.InfoText(), "#Ping error");
    EXPECT_EQ(std::count(status.lines.begin(), status.lines.end(), "Send test message"), 1);
}

// One process holds the port: while a ping waits for its answer, or leaves the
// port to the data-flow timer, another ping, Ping All or a "$" run starts nothing,
// and the answer goes onto the modem pinged.
TEST_F(PingTestTest, APingHoldsThePortUntilItsEnd) {
    TKuvio& master = AddModem("01");
    TKuvio& remote = AddModem("1A");
    TKuvio& silent = AddSilentModem();
    for (TKuvio* pinged : {&remote, &silent}) {
        design.active = pinged;
        programming.Ping();
        ASSERT_TRUE(Fire(programming.ping.StartDelayTimer()));
        if (pinged == &silent)
            Fire(programming.ping.ReplyTimer());
        const size_t lines = status.lines.size();
        design.active = &master;
        programming.Ping();
        programming.PingAll();
        programming.Transmit(master);
        EXPECT_EQ(status.lines.size(), lines);
        EXPECT_FALSE(programming.ping.StartDelayTimer().Active());
        ProcessEventsUntil([this] { return !programming.port.IsOpen(); }, 300ms);
        Fire(programming.run.DataFlowTimer());
    }
    EXPECT_EQ(Pings(), (Texts{"SL+P=001A", "SL+P=002B"}));
    EXPECT_EQ(Labels(), (Texts{"", "rssi -87 dBm\r\n", ""}));
    EXPECT_TRUE(modem.With([](DollarModemSim& sim) { return sim.Commands(); }).empty());
}

// Delete removes the pinged modem, New and Open every modem: the ping ends with
// its port, before its start delay or its reply time-out reads the figure.
TEST_F(PingTestTest, AFigureThatGoesAwayEndsItsPing) {
    const std::function<void()> removals[] = {[this] { design.DeleteFigure(design.active); },
                                              [this] { design.DeleteAllFigures(); }};
    for (const auto& remove : removals) {
        for (bool commandSent : {false, true}) {
            AddModem("01");
            AddSilentModem();
            programming.ping.Ping1Click();
            if (commandSent) {
                ASSERT_TRUE(Fire(programming.ping.StartDelayTimer()));
            }
            remove();
            EXPECT_FALSE(Fire(programming.ping.StartDelayTimer()));
            EXPECT_FALSE(Fire(programming.ping.ReplyTimer()));
            EXPECT_EQ(programming.ping.Mode(), PingTest::NoPing);
            EXPECT_FALSE(programming.port.IsOpen());
            design.DeleteAllFigures();
        }
    }
}

// Ping All's box for a modem it cannot ping is a pause: a modem removed under it,
// that one or every one, leaves the walk to go on with what is left.
TEST_F(PingTestTest, ARemovalUnderTheWalksBoxLeavesTheWalkToWhatIsLeft) {
    modem.With([](DollarModemSim& sim) {
        sim.SetPingMaster(0x01);
        return 0;
    });
    for (bool every : {false, true}) {
        AddModem("01");
        TKuvio* refused = &AddModem("XYZ");
        AddModem("1A");
        SetMessageBoxResponder([&](const MessageBoxRequest& request) {
            if (request.text.rfind("Can't ping", 0) == 0)
                every ? design.DeleteAllFigures() : design.DeleteFigure(refused);
            return IDOK;
        });
        const size_t before = Pings().size();
        programming.ping.PingAll1Click();
        RunPings();
        SetMessageBoxResponder({});
        const Texts pings = Pings();
        EXPECT_EQ(Texts(pings.begin() + static_cast<long>(before), pings.end()),
                  every ? Texts{"SL+P=0001"} : (Texts{"SL+P=0001", "SL+P=001A"}));
        EXPECT_EQ(programming.ping.Mode(), PingTest::NoPing);
        EXPECT_FALSE(programming.port.IsOpen());
        design.DeleteAllFigures();
    }
}

// A ping and an editor that go before their design stop listening for its
// removals: a later removal reaches neither (the address sanitizer sees it when
// one does).
TEST_F(PingTestTest, AListenerGoneBeforeItsDesignHearsOfNoRemoval) {
    auto gonePing =
        std::make_unique<DesignerProgramming>(design, status, settings, TestHooks(), MakeManualTimer);
    auto goneEditor = std::make_unique<GraphEditor>(design);
    gonePing.reset();
    goneEditor.reset();
    design.DeleteFigure(&AddModem("01"));
    design.DeleteAllFigures();
    EXPECT_TRUE(design.Figures().empty());
}

// Ping All paints each label it writes, the time-out's and the passed modem's too.
TEST_F(PingTestTest, EveryLabelOfPingAllIsPaintedAtOnce) {
    AddModem("01");
    AddModem("1A");
    AddModem("");
    AddSilentModem();
    programming.ping.PingAll1Click();
    RunPings();
    EXPECT_EQ(painted, (Texts{"Master OK", "rssi -87 dBm\r\n", "#Not ping", "#Ping error"}));
}

// However a ping run ends, its last line is written, after which the status
// window's buttons come back; its caption names no modem that is gone, and Ping All
// goes on with the modems left and says when it has finished.
TEST_F(PingTestTest, EveryEndOfAPingRunGivesTheStatusWindowBack) {
    const std::string closed = DollarRun::kPortClosed;
    const std::string finished = "Ping test finnished";
    const std::string dataFlow = "Dataflow between modem and PC interrupted some way !!";
    // The run: a single ping of the modem that answers (also twice) or of the one
    // that never does (also as an NMS modem), or Ping All (also past an address it
    // cannot ping, or on a port that does not open).
    enum Start { Remote, RemoteTwice, Silent, SilentNms, All, AllPastBadAddress, AllOnDeadPort };
    // What ends it once the silent modem has its command: its time-out (or another
    // modem's answer), Delete of it, New or Open, the window closing (the last two
    // also after the time-out, while the data-flow timer holds the port, or after the
    // serial layer closed a port whose device went). Or what comes before its end:
    // a second designer on another port transmits from the run's first ping until
    // the silent modem's, and waits for the window; a second designer on the same
    // port transmits, receives or pings, is refused the port, and its run ends by
    // its time-out.
    enum Then {
        Wait,
        Delete,
        DeleteAfterTimeOut,
        NewOrOpen,
        NewOrOpenAfterTimeOut,
        NewOrOpenAfterPortGone,
        Close,
        CloseAfterTimeOut,
        SecondOnOtherPort,
        SecondTransmits,
        SecondReceives,
        SecondPings
    };
    struct End {
        const char* name;
        Start start;
        Then then;
        Texts pings;
        std::string lastLine;
        int captionModem; // 0: the window's own caption
    };
    const Texts all{"SL+P=0001", "SL+P=002B", "SL+P=001A"};
    const End ends[] = {
        {"an answer", Remote, Wait, {"SL+P=001A"}, closed, 3},
        {"the count done", RemoteTwice, Wait, {"SL+P=001A", "SL+P=001A"}, closed, 3},
        {"a time-out", Silent, Wait, {"SL+P=002B"}, dataFlow, 2},
        {"an NMS modem's time-out", SilentNms, Wait, {"SL+P=002B"}, closed, 2},
        {"Ping All past its last modem", All, Wait, all, finished, 3},
        {"Ping All past a bad address", AllPastBadAddress, Wait, {"SL+P=0001", "SL+P=001A"}, finished, 3},
        {"a port that does not open", AllOnDeadPort, Wait, {}, finished, 3},
        {"Delete of the pinged modem", Silent, Delete, {"SL+P=002B"}, closed, 0},
        {"Delete during Ping All", All, Delete, all, finished, 3},
        {"New or Open during a ping", Silent, NewOrOpen, {"SL+P=002B"}, closed, 0},
        {"New or Open during Ping All", All, NewOrOpen, {"SL+P=0001", "SL+P=002B"}, finished, 0},
        {"the window closed during Ping All", All, Close, {"SL+P=0001", "SL+P=002B"}, closed, 2},
        {"the window closed after a time-out", Silent, CloseAfterTimeOut, {"SL+P=002B"}, closed, 2},
        {"New or Open after a time-out", Silent, NewOrOpenAfterTimeOut, {"SL+P=002B"}, closed, 0},
        {"the pinged modem deleted after a time-out", Silent, DeleteAfterTimeOut, {"SL+P=002B"}, closed, 0},
        {"New or Open after the port went", Silent, NewOrOpenAfterPortGone, {"SL+P=002B"}, closed, 0},
        {"a second designer's refused Transmit", Silent, SecondTransmits, {"SL+P=002B"}, dataFlow, 2},
        {"a second designer's refused Receive", Silent, SecondReceives, {"SL+P=002B"}, dataFlow, 2},
        {"a second designer's refused ping during Ping All", All, SecondPings, all, finished, 3},
        {"a second designer's run on another port during Ping All", All, SecondOnOtherPort, all, finished, 3},
        {"Ping All past a bad address, another designer waiting",
         AllPastBadAddress,
         SecondOnOtherPort,
         {"SL+P=0001", "SL+P=001A"},
         finished,
         3},
    };
    NetworkDesign secondDesign{false};
    AddSimulatedModem(secondDesign, "1A", nullptr).SetModemName("other");
    DesignerPortSettings secondSettings = settings;
    DollarModemOnPort otherModem{kCom + 2};
    DesignerProgramming second{secondDesign, status, secondSettings, {}, MakeManualTimer};
    Then then = Wait;
    // A box between two pings is a pause of the run: its buttons stay off. The
    // second designer's run waiting for the window ends there.
    boxes.whileOpen = [&](const MessageBoxRequest& request) {
        if (request.text.rfind("Can't ping", 0) != 0)
            return;
        buttonsBackMidRun = buttonsBackMidRun || status.buttonTimer.Active() || status.buttonsEnabled;
        if (then == SecondOnOtherPort)
            second.Cancel();
    };
    for (const End& end : ends) {
        SCOPED_TRACE(end.name);
        design.DeleteAllFigures();
        silentModems.clear();
        AddModem("01");
        TKuvio* silent = &AddSilentModem();
        TKuvio* remote = &AddModem("1A");
        silent->SetNmsSupport(end.start == SilentNms);
        if (end.start == AllPastBadAddress)
            silent->SetTerminalAddress("XZ");
        settings.portNumber = end.start == AllOnDeadPort ? 250 : kCom;
        programming.ping.SetPingCount(end.start == RemoteTwice ? "2" : "1");
        status.shown = false;
        status.buttonTimer.Stop();
        buttonsBackMidRun = false;
        captionTakenMidRun = false;
        then = end.then;
        boxes.clear();
        const size_t asked = Pings().size();

        design.active = end.start == Remote || end.start == RemoteTwice ? remote : silent;
        if (end.start >= All)
            programming.ping.PingAll1Click();
        else
            programming.ping.Ping1Click();
        secondSettings.portNumber = end.then == SecondOnOtherPort ? kCom + 2 : kCom;
        if (end.then == SecondOnOtherPort)
            second.Transmit(*secondDesign.active);
        for (int step = 0; end.then != Wait && step < 10 && programming.ping.WaitsForText() &&
                           !programming.ping.ReplyTimer().Active();
             ++step)
            AskNext();
        if (end.then == SecondOnOtherPort)
            second.Cancel();
        if (end.then == CloseAfterTimeOut || end.then == NewOrOpenAfterTimeOut ||
            end.then == DeleteAfterTimeOut || end.then == NewOrOpenAfterPortGone)
            Fire(programming.ping.ReplyTimer());
        if (end.then == NewOrOpenAfterPortGone)
            programming.port.Close();
        if (end.then == Delete || end.then == DeleteAfterTimeOut)
            design.DeleteFigure(silent);
        if (end.then == NewOrOpen || end.then == NewOrOpenAfterTimeOut ||
            end.then == NewOrOpenAfterPortGone) {
            design.DeleteAllFigures();
            AddModem("3C");
        }
        if (end.then == Close || end.then == CloseAfterTimeOut)
            programming.Cancel();
        if (end.then >= SecondTransmits) {
            TKuvio& figure = *secondDesign.active;
            end.then == SecondTransmits  ? second.Transmit(figure)
            : end.then == SecondReceives ? second.Receive(figure)
                                         : second.Ping();
            Fire(second.run.StartDelayTimer());
            Fire(second.run.FirstAnswerTimer());
            EXPECT_FALSE(second.PortHeld());
            EXPECT_EQ(status.caption, "Transfering values to modem modem 2");
            buttonsBackMidRun = Fire(status.buttonTimer) || buttonsBackMidRun;
        }
        RunPings();
        Fire(programming.run.DataFlowTimer());

        const Texts pings = Pings();
        EXPECT_EQ(Texts(pings.begin() + asked, pings.end()), end.pings);
        EXPECT_EQ(status.lines.back(), end.lastLine);
        EXPECT_EQ(status.caption,
                  end.captionModem ? "Transfering values to modem modem " + std::to_string(end.captionModem)
                                   : TransferStatusWindow::kCaption);
        // A port that does not open ends Ping All at once, with its one box, before
        // any modem's line takes the buttons.
        const bool deadPort = end.start == AllOnDeadPort;
        EXPECT_EQ(status.buttonsEnabled, deadPort);
        EXPECT_FALSE(buttonsBackMidRun) << "the buttons came back between two pings";
        EXPECT_FALSE(captionTakenMidRun) << "another designer's run captioned the window between two pings";
        EXPECT_TRUE(Fire(status.buttonTimer));
        EXPECT_TRUE(status.buttonsEnabled);
        const Texts shown = boxes.texts();
        EXPECT_EQ(std::count(shown.begin(), shown.end(), finished), end.lastLine == finished && !deadPort);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), "Port COM250 doesn't exist or is already in use"),
                  deadPort);
        EXPECT_EQ(programming.ping.Mode(), PingTest::NoPing);
        EXPECT_FALSE(programming.port.IsOpen());
        EXPECT_TRUE(testNetEnabled);
    }
}

} // namespace
