// The "$" programming run end to end: the run drives the designer's port over a
// virtual port against the simulated modem; the test plays the timers.
#include "designer/designer_port.h"
#include "designer/figure_values.h"
#include "designer/route_generation.h"
#include "designer/run_fixtures.h"
#include "serial/event_loop.h"
#include "sim/dollar_modem_sim.h"
#include "support/bytes.h"
#include "support/message_box_recorder.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Item = DollarModemSim::Item;
using Codes = std::vector<uint8_t>;

constexpr int kCom = 41;

class DollarRunTest : public ::testing::Test {
protected:
    explicit DollarRunTest(bool singleModem = false) : design(singleModem) {
        port.onReceived = [this](const std::string& bytes) { run.Received(bytes); };
        run.comNumber = kCom;
        host.generateRoutes = [this] { routes.Generate(); };
    }

    TKuvio& AddModem(const std::string& address, TKuvio* parent) {
        return AddSimulatedModem(design, address, parent);
    }

    Codes Commands() {
        return modem.With([](DollarModemSim& sim) { return sim.Commands(); });
    }

    // Starts the run's port at once and waits until the run has closed it again.
    bool Complete(bool transmit = true) {
        transmit ? run.StartParameterTransmit(*design.active) : run.StartParameterReceive(*design.active);
        if (!port.IsOpen() || !Fire(run.StartDelayTimer()))
            return false;
        return ProcessEventsUntil([this] { return !port.IsOpen(); }, 5s);
    }

    MessageBoxRecorder boxes{IDYES};
    DollarModemOnPort modem{kCom};
    NetworkDesign design;
    RouteGenerator routes{design, {}};
    DesignerPort port;
    RecordingStatus status;
    RecordingHost host{design};
    DollarRun run{design, port, status, host, MakeManualTimer};
};

class SingleModemRunTest : public DollarRunTest {
protected:
    SingleModemRunTest() : DollarRunTest(true) {}
};

TEST_F(DollarRunTest, TransmitToTheMasterSendsParametersProtocolAndRoutesAndTheModemKeepsThem) {
    TKuvio& master = AddModem("01", nullptr);
    TKuvio& repeater = AddModem("", &master);
    AddModem("0A", &repeater);
    design.properties.netId = "net1";
    design.properties.addressType = 0;
    design.active = &master;

    ASSERT_TRUE(Complete());
    EXPECT_EQ(Commands(), (Codes{0x01, 0x02, 0x0B, 0x07, 0x06, 0x0D, 0x0C, 0x00}));
    ASSERT_EQ(status.sent.size(), 8u);
    EXPECT_EQ(status.sent[1], bytesOf({0x24, 0x02, 0x00, 0x42, 0x30, 0x05, 0x00, 0x57, 0x30, 0x04, 0xB0, 0x00,
                                       0x53, 0x35, 0x6E, 0x6F, 0x72, 0x74, 0x68, 0x00, 0x4C, 0xEA, 0xDB}));
    EXPECT_EQ(status.sent[2],
              bytesOf({0x24, 0x0B, 0x00, 0x42, 0x30, 0x00, 0x00, 0x42, 0x30, 0x00, 0x00, 0x57, 0x30,
                       0x00, 0x01, 0x00, 0x53, 0x30, 0x6E, 0x65, 0x74, 0x31, 0x00, 0x4C, 0x76, 0x92}));
    EXPECT_EQ(status.sent[5], bytesOf({0x24, 0x0D, 0x00, 0x4E, 0x30, 0x08, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x02,
                                       0x00, 0x03, 0x00, 0x4C, 0x4B, 0x12}));

    modem.With([](DollarModemSim& sim) {
        EXPECT_EQ(sim.Parameters(),
                  (std::vector<Item>{{'B', '0', "\x05"}, {'W', '0', "\x04\xB0"}, {'S', '5', "north"}}));
        EXPECT_TRUE(sim.ParametersSaved());
        EXPECT_EQ(sim.Routes(),
                  (std::vector<std::vector<Item>>{{{'N', '0', bytesOf({8, 0, 0, 0, 0x0A, 0, 2, 0, 3})}}}));
        EXPECT_FALSE(sim.InProgrammingMode());
        return 0;
    });
    EXPECT_EQ(status.caption, "Transfering values to modem modem 1");
    EXPECT_EQ(status.lines.front(), "Opening port COM41.. Wait 1 second..");
    EXPECT_EQ(status.lines.back(), "Serial port closed");
    EXPECT_TRUE(status.buttonTimer.Active());
    EXPECT_EQ(run.senderState, DollarRun::Idle);
    EXPECT_FALSE(run.inProgrammingMode);
    EXPECT_FALSE(run.DataFlowTimer().Active());
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(DollarRunTest, ASlaveHasItsSourceRoutesRemovedAndLevelNineWritesTheFactoryBlockFirst) {
    TKuvio& master = AddModem("01", nullptr);
    AddModem("02", &master);
    host.level9 = true;
    modem.With([](DollarModemSim& sim) {
        sim.SetProtocolStatus(0);
        return 0;
    });
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Commands(), (Codes{0x01, 0x11, 0x02, 0x0B, 0x06, 0x0F, 0x00}));
    modem.With([](DollarModemSim& sim) {
        EXPECT_EQ(sim.FactoryParameters(), (std::vector<Item>{{'B', '9', "\x07"}}));
        return 0;
    });
}

TEST_F(DollarRunTest, VirtualRoutesGoToALeafAndThenToTheMaster) {
    design.properties.routingType = 1;
    TKuvio& master = AddModem("01", nullptr);
    TKuvio& leaf = AddModem("0A", &master);

    design.active = &leaf;
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Commands(), (Codes{0x01, 0x02, 0x0B, 0x07, 0x06, 0x0E, 0x0C, 0x00}));
    design.active = &master;
    ASSERT_TRUE(Complete());
    const Codes all = Commands();
    const Codes second(all.begin() + 8, all.end());
    EXPECT_EQ(second, (Codes{0x01, 0x02, 0x0B, 0x07, 0x06, 0x0E, 0x0C, 0x00}));
    modem.With([](DollarModemSim& sim) {
        EXPECT_EQ(sim.Routes(), (std::vector<std::vector<Item>>{
                                    {{'A', '0', bytesOf({0, 0, 0, 0x0A})}, {'J', '0', bytesOf({0, 1})}}}));
        return 0;
    });
}

// A reply sent twice in one read is taken once: every command, the save and the
// route line included, goes out once.
TEST_F(DollarRunTest, RepliesSplitRepeatedOrWithTheTopBitSetStillCarryTheRunThrough) {
    AddModem("01", nullptr);
    for (int fault = 0; fault < 3; ++fault) {
        modem.With([fault](DollarModemSim& sim) {
            sim.SetSplit(fault == 0 ? 3 : 0);
            sim.SetRepeatReply(fault == 1);
            sim.SetTopBit(fault == 2);
            return 0;
        });
        const size_t before = Commands().size();
        design.routesDirty = true;
        ASSERT_TRUE(Complete()) << fault;
        const Codes all = Commands();
        EXPECT_EQ(Codes(all.begin() + static_cast<long>(before), all.end()),
                  (Codes{0x01, 0x02, 0x0B, 0x07, 0x06, 0x0C, 0x00}))
            << fault;
    }
    EXPECT_NE(std::find(status.lines.begin(), status.lines.end(), "No source route to send"),
              status.lines.end());

    // A reply 8 while programming mode off waits for its answer leaves that answer
    // awaited: it still ends the run.
    modem.With([](DollarModemSim& sim) {
        sim.SetTopBit(false);
        sim.OverrideReply(0x00, -1, -1);
        return 0;
    });
    const size_t before = Commands().size();
    run.StartParameterTransmit(*design.active);
    ASSERT_TRUE(Fire(run.StartDelayTimer()));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Commands().size() == before + 7; }, 5s));
    port.onReceived(DollarModemSim::Frame(8));
    port.onReceived(DollarModemSim::Frame(0));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(status.lines.back(), DollarRun::kPortClosed);
}

// Each failing reply ends the run with its box and the port closed: by itself, or
// (after a CRC error reply, or silence) when the data-flow timer runs out.
TEST_F(DollarRunTest, FailingRepliesEndTheRunWithTheirBoxes) {
    const std::string dataFlow = "ERROR: Dataflow between modem and PC interrupted some way !!";
    struct Case {
        const char* name;
        uint8_t command;
        int code;
        int status;
        bool endsByItself;
        std::vector<std::string> boxes;
        // An 'H' value stored into the first entry during the start delay.
        std::string storedHex = {};
    };
    const Case cases[] = {
        {"save failed", 0x06, 6, 0, true, {"Error saving parameters to eeprom"}},
        {"no routing", 0x0D, 4, 2, true, {"Routing NOT available in this modem version !!"}},
        {"unknown reply", 0x0B, 19, -1, true, {"Unknown response from modem"}},
        {"crc error reply", 0x0B, 5, -1, false, {"CRC Error in PC <-> modem message", dataFlow}},
        {"silence", 0x02, -1, -1, false, {dataFlow}},
        {"a value too wide for its field",
         0x00,
         0,
         -1,
         true,
         {"The value 123456789 of value 0.0 does not fit the modem's 32-bit field: nothing was sent"},
         "123456789"},
    };
    TKuvio& master = AddModem("01", nullptr);
    AddModem("0A", &master);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modem.With([&c](DollarModemSim& sim) {
            sim.ClearOverrides();
            sim.OverrideReply(c.command, c.code, c.status);
            return 0;
        });
        boxes.clear();
        const size_t before = Commands().size();
        design.active = &master;
        run.StartParameterTransmit(*design.active);
        if (!c.storedHex.empty()) {
            master.ResetPropertyList(false);
            master.SetPropertyEntry('H', '0', c.storedHex, true, true, 0, 0);
        }
        ASSERT_TRUE(Fire(run.StartDelayTimer()));
        if (c.endsByItself) {
            EXPECT_TRUE(ProcessEventsUntil([this] { return !port.IsOpen(); }, 5s));
            EXPECT_EQ(Commands().back(), 0x00);
            const Codes sent = Commands();
            if (!c.storedHex.empty()) {
                EXPECT_EQ(Codes(sent.begin() + static_cast<long>(before), sent.end()), (Codes{0x01, 0x00}));
            }
        } else {
            ASSERT_TRUE(ProcessEventsUntil(
                [&] {
                    const Codes sent = Commands();
                    return std::find(sent.begin() + static_cast<long>(before), sent.end(), c.command) !=
                           sent.end();
                },
                5s));
            ProcessEventsFor(200ms);
            EXPECT_TRUE(Fire(run.DataFlowTimer()));
        }
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(boxes.texts(), c.boxes);
        EXPECT_EQ(run.senderState, DollarRun::Idle);
        // The run's last bytes reach the modem before the next case counts what it sent.
        ASSERT_TRUE(ProcessEventsUntil(SimulatedModemsAtRest, 5s));
    }
}

TEST_F(DollarRunTest, SilenceEndsWithTheNoResponseBoxAndTheNextRunWorks) {
    AddModem("01", nullptr);
    modem.With([](DollarModemSim& sim) {
        sim.SetSilent(true);
        return 0;
    });
    run.StartParameterTransmit(*design.active);
    ASSERT_TRUE(Fire(run.StartDelayTimer()));
    // The silent modem takes the command before it may speak again: a command
    // left on the line would be answered into the next run.
    ASSERT_TRUE(ProcessEventsUntil(SimulatedModemsAtRest, 5s));
    EXPECT_FALSE(run.DataFlowTimer().Active());
    ASSERT_TRUE(Fire(run.FirstAnswerTimer()));
    EXPECT_FALSE(port.IsOpen());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].substr(0, 30), "No response from the modem!!!\r");
    EXPECT_EQ(status.lines.back(), "Port closed");
    EXPECT_TRUE(host.cancelEnabled);
    EXPECT_FALSE(run.DataFlowTimer().Active());
    EXPECT_EQ(run.senderState, DollarRun::Idle);

    modem.With([](DollarModemSim& sim) {
        sim.SetSilent(false);
        return 0;
    });
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Commands().back(), 0x00);
}

// The port's own box says it did not open; the run still waits its start delay,
// logs its first step, shows no frame as sent, and ends by the first-answer timer.
// The window's caption stays that of the process holding the port.
TEST_F(DollarRunTest, APortThatDoesNotOpenStillRunsItsStartDelay) {
    AddModem("01", nullptr);
    run.comNumber = kCom + 1;
    run.StartParameterTransmit(*design.active);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(status.caption, "");
    ASSERT_TRUE(Fire(run.StartDelayTimer()));
    EXPECT_EQ(status.lines.back(), "Set the modem to the programming mode");
    EXPECT_TRUE(status.sent.empty());
    ASSERT_TRUE(Fire(run.FirstAnswerTimer()));
    EXPECT_EQ(status.lines.back(), "Port closed");
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(boxes.texts()[1].substr(0, 30), "No response from the modem!!!\r");

    // The modem removed while the port's box is open ends the run there.
    for (const bool transmit : {true, false}) {
        AddModem("02", design.master);
        SetMessageBoxResponder([this](const MessageBoxRequest&) {
            design.DeleteFigure(design.active);
            return IDOK;
        });
        transmit ? run.StartParameterTransmit(*design.active) : run.StartParameterReceive(*design.active);
        SetMessageBoxResponder({});
        EXPECT_FALSE(run.StartDelayTimer().Active()) << transmit;
        EXPECT_FALSE(run.DataFlowTimer().Active()) << transmit;
        EXPECT_EQ(status.lines.back(), DollarRun::kPortClosed) << transmit;
    }
}

TEST_F(DollarRunTest, ABadCrcIsReportedAndTheDataFlowTimerEndsTheRun) {
    AddModem("01", nullptr);
    modem.With([](DollarModemSim& sim) {
        sim.CorruptNextCrc();
        return 0;
    });
    run.StartParameterTransmit(*design.active);
    ASSERT_TRUE(Fire(run.StartDelayTimer()));
    ASSERT_TRUE(ProcessEventsUntil([this] { return boxes.count() > 0; }, 3s));
    EXPECT_EQ(boxes.texts()[0].rfind("CRC error in modem -> PC message", 0), 0u);
    EXPECT_EQ(run.senderState, DollarRun::Idle);
    // The first answer never came: its timer still runs and ends the run.
    ASSERT_TRUE(Fire(run.FirstAnswerTimer()));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(DollarRunTest, RejectedParametersGoToThePropertiesWindowAndProgrammingModeEnds) {
    AddModem("01", nullptr);
    modem.With([](DollarModemSim& sim) {
        sim.RejectParameters({1});
        return 0;
    });
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Commands(), (Codes{0x01, 0x02, 0x00}));
    EXPECT_EQ(host.rejected, (std::vector<DollarItem>{{'W', '0', "1200"}}));
    EXPECT_NE(std::find(status.lines.begin(), status.lines.end(), "Parameter error"), status.lines.end());
}

TEST_F(DollarRunTest, NoToTheTypeQuestionSendsProgrammingModeOff) {
    AddModem("01", nullptr);
    modem.With([](DollarModemSim& sim) {
        sim.SetTypeName("OTHER-Z", 3);
        return 0;
    });
    boxes.queueAnswer(IDNO);
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Commands(), (Codes{0x01, 0x00}));
    EXPECT_EQ(status.sent.back(), bytesOf({0x24, 0x00, 0x00, 0x4C, 0x76, 0xF6}));
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"Smf-file type doesn't match.\r\nSelected radio-x\r\nRadio "
                                       "modem software needs the smf-file OTHER-Z\r\nIncorrect "
                                       "smf-file type may show wrong values.\r\nDo you want to "
                                       "continue ?"});

    // Another version only asks the shorter question; Yes goes on.
    modem.With([](DollarModemSim& sim) {
        sim.SetTypeName("RADIO-X", 4);
        return 0;
    });
    boxes.clear();
    design.routesDirty = true;
    ASSERT_TRUE(Complete());
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{
                  "The radio modem smf-file version number value is different.\r\nContinue anyway ?"});
    EXPECT_EQ(Commands().back(), 0x00);
    EXPECT_GT(Commands().size(), 4u);
}

TEST_F(DollarRunTest, APortClosedUnderTheQuestionIsNotWrittenTo) {
    AddModem("01", nullptr);
    modem.With([](DollarModemSim& sim) {
        sim.SetTypeName("OTHER-Z", 3);
        return 0;
    });
    SetMessageBoxResponder([this](const MessageBoxRequest&) {
        port.Close();
        return IDYES;
    });
    run.StartParameterTransmit(*design.active);
    ASSERT_TRUE(Fire(run.StartDelayTimer()));
    ASSERT_TRUE(ProcessEventsUntil([this] { return !port.IsOpen(); }, 3s));
    ProcessEventsFor(100ms);
    SetMessageBoxResponder({});
    EXPECT_EQ(Commands(), Codes{0x01});
    EXPECT_FALSE(run.FirstAnswerTimer().Active());
    EXPECT_FALSE(run.DataFlowTimer().Active());
    EXPECT_FALSE(run.inProgrammingMode);
}

// A box is a pause for a run, whichever window asks it: no timer of the run fires
// while one is open, and those that ran go on after it.
TEST_F(DollarRunTest, AnyBoxHoldsTheTimersOfTheRun) {
    AddModem("01", nullptr);
    int firedUnderBox = 0;
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        for (RunTimer* timer : {&run.FirstAnswerTimer(), &run.DataFlowTimer(), &run.StartDelayTimer()})
            firedUnderBox += Fire(*timer);
        return IDYES;
    });
    run.StartParameterReceive(*design.active);
    ShowMessage("a box of another window");
    ASSERT_TRUE(Fire(run.StartDelayTimer()));
    AskContinueOnConflict(*design.active);
    EXPECT_EQ(firedUnderBox, 0);
    EXPECT_TRUE(Fire(run.FirstAnswerTimer()));
    EXPECT_FALSE(port.IsOpen());
    SetMessageBoxResponder({});
}

// A run started while a time-out's box is open keeps the port: the time-out's
// last lines end only the run that timed out.
TEST_F(DollarRunTest, ARunStartedUnderATimeOutsBoxKeepsThePort) {
    AddModem("01", nullptr);
    run.StartParameterReceive(*design.active);
    SetMessageBoxResponder([this](const MessageBoxRequest&) {
        run.StartParameterReceive(*design.active);
        return IDOK;
    });
    ASSERT_TRUE(Fire(run.FirstAnswerTimer()));
    SetMessageBoxResponder({});
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(run.Going());
    EXPECT_TRUE(run.StartDelayTimer().Active());
}

TEST_F(SingleModemRunTest, ReceiveAtLevelNineFillsTheFigureAndMarksTheDesignModified) {
    TKuvio& figure = AddModem("01", nullptr);
    host.level9 = true;
    modem.With([](DollarModemSim& sim) {
        sim.SetParameters({{'B', '0', "\x09"}, {'W', '0', bytesOf({0x12, 0x34})}, {'S', '5', "south"}});
        sim.SetFactoryParameters({{'B', '9', "\x63"}});
        return 0;
    });
    ASSERT_TRUE(Complete(false));
    EXPECT_EQ(Commands(), (Codes{0x01, 0x03, 0x12, 0x00}));
    std::vector<std::string> values;
    for (const PropertyEntry& entry : figure.PropertyEntries())
        values.push_back(entry.value);
    EXPECT_EQ(values, (std::vector<std::string>{"9", "4660", "south", "99"}));
    EXPECT_TRUE(design.modified);
    EXPECT_EQ(host.propertiesShown, &figure);
    EXPECT_EQ(status.caption, "Receiving values from modem modem 1");
}

TEST_F(SingleModemRunTest, ASingleModemSavesItsParametersWithoutProtocolOrRoutes) {
    AddModem("01", nullptr);
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Commands(), (Codes{0x01, 0x02, 0x06, 0x00}));
}

} // namespace
