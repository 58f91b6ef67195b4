// However a programming run of the designer window ends, against the simulated
// modems: the "$" run and the NMS transfer, each with every end that can happen
// to it and every event that must not end it, and the run that follows.
#include "base/nms_frame.h"
#include "designer/held_figure.h"
#include "designer/modem_type_files.h"
#include "designer/nms_transfer.h"
#include "designer/project_file.h"
#include "designer/run_fixtures.h"
#include "designer/tarvotaulu.h"
#include "designer/tinfo.h"
#include "designer/tominaisuus.h"
#include "designer/tpiirtopohja.h"
#include "designer/tprj_ominaisuus.h"
#include "designer/tsuoja.h"
#include "designer_fixture.h"
#include "platform/file_contents.h"
#include "platform/latin1.h"
#include "platform/message_box.h"
#include "platform/tinifile.h"
#include "serial/event_loop.h"
#include "sim/dollar_modem_sim.h"
#include "sim/nms_modem_sim.h"
#include "support/fake_main_window.h"
#include "support/file_dialog_recorder.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>

namespace {

using namespace std::chrono_literals;
using Codes = std::vector<uint8_t>;

constexpr int kDollarCom = 45;
constexpr int kNmsCom = 46;
constexpr int kOtherDollarCom = 47;
constexpr uint16_t kPower = 0x1205;
constexpr uint8_t kProgModeOff = 0x00;
constexpr uint8_t kWriteParameters = 0x02;
constexpr uint8_t kFirstSourceRoute = 0x0D;
// A transmit's first route line is its sixth request.
constexpr int kRouteLineRequest = 6;
// The commands of a transmit to the master with one route line, without, and of a
// receive.
const Codes kTransmitChain{0x01, 0x02, 0x0B, 0x07, 0x06, 0x0D, 0x0C, 0x00};
const Codes kTransmitChainNoRoutes{0x01, 0x02, 0x0B, 0x07, 0x06, 0x0C, 0x00};
const Codes kReceiveChain{0x01, 0x03, 0x00};

void AnswerAsCompatibleNmsModem(NmsModemSim& sim) {
    sim.SetOwnSpeed(115200);
    sim.SetValue(NmsId::FirmwareId, "YRF0100");
    sim.SetValue(NmsId::Mode, std::string(1, '\0'));
    sim.SetValue(kPower, std::string(1, '\0'));
}

class DesignerRunEndsTest : public DesignerFolderTest {
protected:
    void SetUp() override {
        DesignerFolderTest::SetUp();
        TIniFile(SettingsFileName()).WriteInteger("Properties", "Timeout", 1);
    }

    void OpenDesigner(bool singleModem, int com) {
        designer = CreateDesigner(singleModem);
        QCoreApplication::processEvents();
        QAction port;
        port.setData(com);
        designer->COM11Click(&port);
    }

    void Trigger(const char* name) { designer->findChild<QAction*>(name)->trigger(); }
    // File > Open of the project file, as chosen in the file dialog.
    void OpenProjectFile(const std::string& path) {
        files.answers.push_back(path);
        Trigger("Avaa1");
    }

    // A run of the master from its start delay to its port closed; false when it
    // does not end.
    bool RunMaster(bool transmit) {
        NetworkDesign& design = designer->Design();
        design.active = design.master;
        transmit ? designer->Lhetarvot1Click() : designer->Haearvot1Click();
        designer->Programming().run.StartDelayTimer().onTimeout();
        return ProcessEventsUntil([this] { return !designer->Programming().port.IsOpen(); }, 5s);
    }

    // A second designer pings, then transmits or receives: on the first one's port
    // it is refused and its run ends by its time-out; an NMS modem on a port of its
    // own is transferred to its end. The status window keeps the first designer's
    // caption, its buttons off.
    void SecondDesignerRuns(bool transmit, bool nms) {
        const std::string caption = toLatin1(info->windowTitle());
        std::unique_ptr<NmsModemOnPort> nmsModem;
        if (nms) {
            nmsModem = std::make_unique<NmsModemOnPort>(kNmsCom);
            nmsModem->With(AnswerAsCompatibleNmsModem);
        }
        std::unique_ptr<Tpiirtopohja> second(CreateDesigner(nms));
        QAction port;
        port.setData(nms ? kNmsCom : kDollarCom);
        second->COM11Click(&port);
        TKuvio& figure = AddSimulatedModem(second->Design(), "01", nullptr);
        figure.SetNmsSupport(nms);
        if (nms)
            figure.SetPropertyEntry('N', '1', "12", true, true, NmsUnsigned8, kPower);
        else
            second->Ping1Click();
        transmit ? second->Lhetarvot1Click() : second->Haearvot1Click();
        if (!nms) {
            second->Programming().run.StartDelayTimer().onTimeout();
            second->Programming().run.FirstAnswerTimer().onTimeout();
        }
        EXPECT_FALSE(second->Programming().PortHeld());
        if (nms) {
            EXPECT_EQ(nmsModem->With([](NmsModemSim& sim) { return sim.Value(kPower); }), "\x0C");
        }
        EXPECT_EQ(toLatin1(info->windowTitle()), caption);
        EXPECT_FALSE(info->PiilotaTmr->isActive());
        EXPECT_FALSE(info->findChild<QPushButton*>("closebtn")->isEnabled());
    }

    void Click(TKuvio& figure, MouseButton button = MouseButton::Left) {
        designer->Editor().FigureMouseDown(figure, button, QPoint(5, 5));
        designer->Editor().FigureMouseUp(figure);
    }

    FakeMainWindow main;
    FileDialogRecorder files;
    QPointer<Tpiirtopohja> designer;
};

// Both protocols end in one place on every end: the last line is written (for a
// "$" run ended before its modem saved the parameters or route lines it took, what
// it did not save) and the status window's buttons come back, its caption names no modem that is gone, a
// modem left programming is told so while its cable is in (programming mode off,
// the end of the NMS exchange), and nothing more of the project goes out.
// The NMS transfer holds the GUI thread until it ends, and the boxes it shows on
// the way are modal: no window can be closed and no modem deleted, no project
// made or opened during it, so only the modem's answer, a time-out and a pulled
// cable end it.
// A "$" run serves the modem it started with: another modem clicked, deleted (by
// its pop-up or in delete mode) or dragged, the mobile view turned off under the
// modem made active, a ping asked, or other project properties accepted, leave it
// going to its answer with its own values, number, routes and project values as
// they stood at its start, and its modem's values received. Nothing of a run reaches the next: a reply late
// past a run's end is dropped and the next run of the modem begins with programming mode on.
TEST_F(DesignerRunEndsTest, EveryEndOfAProgrammingRunEndsItInOnePlace) {
    enum Protocol { Dollar, Nms };
    enum End {
        Answer,
        TimeOut,
        CablePulled,
        WindowClosed,
        ModemDeleted,
        NewProject,
        OpenProject,
        NewAfterModeOff,
        NewBeforeSave,
        ClosedBeforeSave,
        OtherClicked,
        OtherDeleted,
        DeleteModeClick,
        OtherDragged,
        MobileViewOff,
        PingAsked,
        PropertiesChanged,
        LateReply,
        SecondDesignerRefused,
        SecondDesignerNms
    };
    struct Row {
        const char* name;
        Protocol protocol;
        End end;
        std::string lastLine;
        bool captionKept;
        // The modem is told that programming is over after the end came.
        bool toldAfterEnd;
        bool transmit = true;
    };
    const std::string closed = DollarRun::kPortClosed;
    const std::string dataFlow = "Dataflow between modem and PC interrupted some way !!";
    const std::string beforeSave = "Transfer interrupted before parameters saved to eeprom";
    const std::string beforeRoutesSaved = "Transfer interrupted before routes saved to eeprom";
    const Row rows[] = {
        {"$: the modem's answer", Dollar, Answer, closed, true, false},
        {"$: a time-out", Dollar, TimeOut, dataFlow, true, true},
        {"$: the cable pulled", Dollar, CablePulled, dataFlow, true, false},
        {"$: the window closed", Dollar, WindowClosed, beforeRoutesSaved, false, true},
        {"$: the modem deleted", Dollar, ModemDeleted, beforeRoutesSaved, false, true},
        {"$: New", Dollar, NewProject, beforeRoutesSaved, false, true},
        {"$: Open", Dollar, OpenProject, beforeRoutesSaved, false, true},
        {"$: New with programming mode off asked", Dollar, NewAfterModeOff, closed, false, false},
        {"$: New before the parameters were saved", Dollar, NewBeforeSave, beforeSave, false, true},
        {"$: the project closed before the parameters were saved", Dollar, ClosedBeforeSave, beforeSave,
         false, true},
        {"$: another modem clicked", Dollar, OtherClicked, closed, true, false},
        {"$: another modem deleted by its pop-up", Dollar, OtherDeleted, closed, true, false},
        {"$: another modem deleted in delete mode", Dollar, DeleteModeClick, closed, true, false},
        {"$: another modem dragged", Dollar, OtherDragged, closed, true, false},
        {"$: the mobile view turned off", Dollar, MobileViewOff, closed, true, false},
        {"$: a ping asked", Dollar, PingAsked, closed, true, false},
        {"$: other project properties accepted", Dollar, PropertiesChanged, closed, true, false},
        {"$: a reply late past the end", Dollar, LateReply, closed, true, false},
        {"$ receive: another modem clicked", Dollar, OtherClicked, closed, true, false, false},
        {"$ receive: another modem deleted", Dollar, OtherDeleted, closed, true, false, false},
        {"$: a second designer on the port refused", Dollar, SecondDesignerRefused, closed, true, false},
        {"$: a second designer's NMS transfer on another port", Dollar, SecondDesignerNms, closed, true,
         false, false},
        {"$ receive: a second designer on the port refused", Dollar, SecondDesignerRefused, closed, true,
         false, false},
        {"NMS: the modem's answer", Nms, Answer, "All done", true, true},
        {"NMS receive: the modem's answer", Nms, Answer, "All done", true, true, false},
        {"NMS: a time-out", Nms, TimeOut, "Please check port selection and Reboot modem and retry", true,
         true},
        {"NMS: the cable pulled", Nms, CablePulled, "\n ", true, false},
    };
    const std::string other = folder.file("other.spf");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.clear();
        if (info) {
            info->hide();
            info->PiilotaTmr->stop();
        }
        size_t sentBeforeEnd = 0;
        // The late answer has reached the next run's port.
        bool lateTaken = false;
        std::function<Codes()> sent;
        std::unique_ptr<DollarModemOnPort> dollar;
        std::unique_ptr<NmsModemOnPort> nms;
        if (row.protocol == Dollar && row.end >= OtherClicked) {
            // The event comes while the modem owes its answer to programming mode
            // on; a late answer comes after the run ended, into the next one.
            dollar = std::make_unique<DollarModemOnPort>(kDollarCom);
            dollar->HoldReplyAtRequest(1);
            dollar->With([](DollarModemSim& sim) {
                sim.SetPingMaster(1);
                sim.SetParameters(
                    {{'B', '0', "\x09"}, {'W', '0', std::string("\x12\xC0", 2)}, {'S', '5', "south"}});
            });
            sent = [&dollar] { return dollar->With([](DollarModemSim& sim) { return sim.Commands(); }); };
            OpenDesigner(false, kDollarCom);
            NetworkDesign& design = designer->Design();
            TKuvio& master = AddSimulatedModem(design, "01", nullptr);
            TKuvio& slave = AddSimulatedModem(design, "0A", &master);
            if (row.end == MobileViewOff) {
                slave.SetMobileLook();
                slave.mobileParent = &master;
                slave.parent = nullptr;
                Trigger("MobileRoutes1");
            }
            design.active = &master;
            const ProjectProperties atStart = design.properties;
            row.transmit ? designer->Lhetarvot1Click() : designer->Haearvot1Click();
            designer->Programming().run.StartDelayTimer().onTimeout();
            switch (row.end) {
            case OtherClicked:
                Click(slave);
                break;
            case OtherDeleted:
                Click(slave, MouseButton::Right);
                boxes.queueAnswer(IDYES);
                Trigger("Poista1");
                break;
            case DeleteModeClick:
                Trigger("Poista2");
                boxes.queueAnswer(IDYES);
                designer->Editor().FigureMouseDown(slave, MouseButton::Left, QPoint(5, 5));
                break;
            case OtherDragged:
                designer->Editor().FigureMouseDown(slave, MouseButton::Left, QPoint(5, 5));
                designer->Editor().MouseMove(QPoint(80, 90), &slave);
                designer->Editor().FigureMouseUp(slave);
                break;
            case MobileViewOff:
                Click(slave);
                Trigger("MobileRoutes1");
                break;
            case PingAsked:
                designer->Ping1Click();
                designer->PingAll1Click();
                break;
            case PropertiesChanged: {
                Tprj_ominaisuus* dialog = designer->ProjectPropertiesDialog();
                dialog->ShowFor(designer);
                dialog->findChild<QLineEdit*>("netid")->setText("NEWID");
                dialog->findChild<QRadioButton*>("VirtualRouting")->setChecked(true);
                dialog->OKBtnClick();
                break;
            }
            case SecondDesignerRefused:
            case SecondDesignerNms:
                SecondDesignerRuns(!row.transmit, row.end == SecondDesignerNms);
                break;
            case LateReply: {
                designer->Programming().run.FirstAnswerTimer().onTimeout();
                design.active = &master;
                designer->Lhetarvot1Click();
                DesignerPort& port = designer->Programming().port;
                port.onReceived = [&lateTaken, deliver = port.onReceived](const std::string& bytes) {
                    lateTaken = true;
                    deliver(bytes);
                };
                dollar->ReleaseReply();
                ASSERT_TRUE(ProcessEventsUntil([&] { return lateTaken; }, 5s));
                designer->Programming().run.StartDelayTimer().onTimeout();
                break;
            }
            default:
                break;
            }
            dollar->ReleaseReply();
            ASSERT_TRUE(ProcessEventsUntil([this] { return !designer->Programming().port.IsOpen(); }, 5s));
            Codes expected = row.transmit ? kTransmitChain : kReceiveChain;
            if (row.end == LateReply)
                expected.insert(expected.begin(), 0x01);
            EXPECT_EQ(sent(), expected);
            const bool slaveGone = row.end == OtherDeleted || row.end == DeleteModeClick;
            if (row.transmit) {
                const auto protocol = dollar->With([](DollarModemSim& sim) { return sim.ProtocolInfo(); });
                ASSERT_EQ(protocol.size(), 4u);
                EXPECT_EQ(protocol[1].value, std::string(1, static_cast<char>(atStart.routingType)));
                EXPECT_EQ(protocol[2].value, std::string("\x00\x01", 2)) << "the master's modem number";
                EXPECT_EQ(protocol[3].value, atStart.netId);
            } else {
                EXPECT_EQ(master.PropertyEntries()[2].value, "south");
                if (!slaveGone) {
                    EXPECT_EQ(slave.PropertyEntries()[2].value, "north");
                }
            }
            EXPECT_TRUE(dollar->With([](DollarModemSim& sim) { return sim.Pings(); }).empty());
            // The next run of the same modem starts from nothing.
            design.properties = atStart;
            const size_t before = sent().size();
            ASSERT_TRUE(RunMaster(row.transmit));
            const Codes all = sent();
            const bool routeLeft = !slaveGone && row.end != MobileViewOff;
            EXPECT_EQ(Codes(all.begin() + static_cast<long>(before), all.end()),
                      !row.transmit ? kReceiveChain
                      : routeLeft   ? kTransmitChain
                                    : kTransmitChainNoRoutes);
            sentBeforeEnd = all.size();
        } else if (row.protocol == Dollar) {
            // The end finds the modem owing its answer to the first route line (or
            // to the parameters, which it has not been told to save); it answers
            // after the end.
            const bool beforeSaved = row.end == NewBeforeSave || row.end == ClosedBeforeSave;
            dollar = std::make_unique<DollarModemOnPort>(kDollarCom);
            if (row.end != Answer && row.end != TimeOut && row.end != CablePulled &&
                row.end != NewAfterModeOff && !beforeSaved)
                dollar->HoldReplyAtRequest(kRouteLineRequest);
            dollar->With([&](DollarModemSim& sim) {
                if (row.end == TimeOut)
                    sim.OverrideReply(kFirstSourceRoute, -1, -1);
                if (row.end == NewAfterModeOff)
                    sim.OverrideReply(kProgModeOff, -1, -1);
                if (beforeSaved)
                    sim.OverrideReply(kWriteParameters, -1, -1);
            });
            if (row.end == CablePulled)
                dollar->PullCableAtRequest(kRouteLineRequest);
            sent = [&dollar] { return dollar->With([](DollarModemSim& sim) { return sim.Commands(); }); };
            OpenDesigner(false, kDollarCom);
            NetworkDesign& design = designer->Design();
            AddSimulatedModem(design, "05", nullptr);
            ASSERT_TRUE(designer->SaveProjectFile(other));
            design.DeleteAllFigures();
            TKuvio& master = AddSimulatedModem(design, "01", nullptr);
            AddSimulatedModem(design, "0A", &master);
            design.active = &master;
            designer->Lhetarvot1Click();
            designer->Programming().run.StartDelayTimer().onTimeout();
            // The cable pulled, the modem never takes the route line.
            const uint8_t lastAsked = row.end == NewAfterModeOff ? kProgModeOff
                                      : beforeSaved              ? kWriteParameters
                                                                 : kFirstSourceRoute;
            ASSERT_TRUE(ProcessEventsUntil(
                [&] {
                    return row.end == CablePulled
                               ? info->LogText().find("Send source routeinfo to modem 0") != std::string::npos
                               : !sent().empty() && sent().back() == lastAsked;
                },
                8s));
            sentBeforeEnd = sent().size();
            switch (row.end) {
            case Answer:
                ASSERT_TRUE(
                    ProcessEventsUntil([this] { return !designer->Programming().port.IsOpen(); }, 5s));
                sentBeforeEnd = sent().size();
                break;
            case TimeOut:
            case CablePulled:
                designer->Programming().run.DataFlowTimer().onTimeout();
                break;
            case WindowClosed:
                Trigger("Sulje1");
                break;
            case ModemDeleted:
                design.context = design.master;
                boxes.queueAnswer(IDYES);
                Trigger("Poista1");
                break;
            case NewProject:
            case NewAfterModeOff:
            case NewBeforeSave:
                Trigger("Uusi1");
                break;
            case ClosedBeforeSave:
                Trigger("Sulje1");
                break;
            case OpenProject:
                OpenProjectFile(other);
                break;
            default:
                break;
            }
            dollar->ReleaseReply();
            ASSERT_TRUE(ProcessEventsUntil(
                [this] {
                    return (!designer || !designer->Programming().port.IsOpen()) && SimulatedModemsAtRest();
                },
                5s));
        } else {
            nms = std::make_unique<NmsModemOnPort>(kNmsCom);
            nms->With([&row](NmsModemSim& sim) {
                AnswerAsCompatibleNmsModem(sim);
                if (row.end == TimeOut)
                    sim.SetFault(NmsModemSim::Fault::Silent);
            });
            // The speed command, the firmware id and the mode come before the value.
            if (row.end == CablePulled)
                nms->PullCableAtRequest(4);
            sent = [&nms] {
                const std::vector<uint16_t> written =
                    nms->With([](NmsModemSim& sim) { return sim.Written(); });
                return Codes(written.empty() || written.back() != NmsId::EndOfExchange ? 0 : 1, kProgModeOff);
            };
            OpenDesigner(true, kNmsCom);
            TKuvio& figure = designer->Design().Append(std::make_unique<TKuvio>(10, 10));
            figure.SetModemName("nms modem");
            figure.SetNmsSupport(true);
            figure.SetPropertyEntry('N', '1', "12", true, true, NmsUnsigned8, kPower);
            designer->Design().active = &figure;
            row.transmit ? designer->Lhetarvot1Click() : designer->Haearvot1Click();
            if (row.end == Answer) {
                const std::string modemValue = nms->With([](NmsModemSim& sim) { return sim.Value(kPower); });
                EXPECT_EQ(row.transmit ? modemValue : figure.PropertyEntries()[0].value,
                          row.transmit ? std::string(1, '\x0C') : "0");
                // The next transfer of the modem ends as the first did.
                info->PiilotaTmr->stop();
                row.transmit ? designer->Lhetarvot1Click() : designer->Haearvot1Click();
            }
        }

        const Codes all = sent();
        EXPECT_EQ(Codes(all.begin() + static_cast<long>(std::min(sentBeforeEnd, all.size())), all.end()),
                  row.toldAfterEnd ? Codes{kProgModeOff} : Codes{});
        const std::string log = info->LogText();
        EXPECT_EQ(log.substr(log.size() - std::min(log.size(), row.lastLine.size())), row.lastLine) << log;
        const std::string modem = row.protocol == Dollar ? "modem 1" : "nms modem";
        const std::string caption =
            row.transmit ? "Transfering values to modem " : "Receiving values from modem ";
        EXPECT_EQ(toLatin1(info->windowTitle()),
                  row.captionKept ? caption + modem : TransferStatusWindow::kCaption);
        EXPECT_TRUE(info->PiilotaTmr->isActive());
        if (designer) {
            EXPECT_FALSE(designer->Programming().port.IsOpen());
            Trigger("Sulje1");
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ProcessEventsUntil([this] { return designer.isNull(); }, 2s);
        }
    }
}

// A box is a pause. Each box that can open while a run goes is held open while
// something happens under it: the run's own replies (which show the run's modem in
// its designer's properties window), another designer's Receive ending (which shows
// its modem in that designer's window), the figure deleted or another shown in its
// place, New, Open, the designer closed, the run's modem deleted and another run
// asked for. After the box nothing acts on what went or
// changed meanwhile: no crash, no value in a modem its user did not address, no run
// the user did not start, and a run still going ends with its values stored.
// The boxes: the conversion arrow's question, the hexadecimal refusal on OK,
// Transmit and Receive, the type conflict (from a run's values, or from OK on a
// modem given to the window as it is pressed), the NMS frequency refusal, a value
// the modem refused, the missing type file and its unreadable rows, and the check
// of a damaged conversion target on OK; the unreadable type file of a modem shown
// for conversion; the type conflict while all modems' properties, or the active
// modem's, are printed, and the active modem's missing type file.
TEST_F(DesignerRunEndsTest, WhateverHappensUnderABoxTheActionAfterItTouchesOnlyWhatStillHolds) {
    enum Box {
        Conversion,
        HexOnOk,
        HexOnTransmit,
        Conflict,
        NmsFrequency,
        RejectedValue,
        TypeFileMissing,
        SchemaUnreadable,
        ConflictOnOk,
        ConversionToDamagedType,
        HexOnReceive,
        ConversionOfUnreadableType,
        ConflictOnPrintAll,
        ConflictOnPrintOne,
        TypeFileMissingOnPrint
    };
    // How each box begins.
    const std::string boxTexts[] = {"Converting value",
                                    "Not allowed hexadesimal value",
                                    "Not allowed hexadesimal value",
                                    "Conflict between modem data structure",
                                    "The frequency 99999 MHz",
                                    "Field mismatch",
                                    "File ",
                                    "ERROR: Check ini-file",
                                    "Conflict between modem data structure",
                                    "Ini file QX-BAD.smf",
                                    "Not allowed hexadesimal value",
                                    "ERROR: Check ini-file",
                                    "Conflict between modem data structure",
                                    "Conflict between modem data structure",
                                    "ERROR: Check ini-file"};
    enum Under {
        OwnReplies,
        OtherDesignerEnds,
        FigureDeleted,
        NewProject,
        OpenProject,
        DesignerClosed,
        NextRun,
        OtherShown
    };
    struct Row {
        Box box;
        Under under;
    };
    std::vector<Row> rows;
    for (Box box : {Conversion, HexOnOk, HexOnTransmit, Conflict})
        for (Under under :
             {OwnReplies, OtherDesignerEnds, FigureDeleted, NewProject, OpenProject, DesignerClosed})
            if (box != HexOnTransmit || under != OwnReplies)
                rows.push_back({box, under});
    rows.insert(rows.end(), {{Conflict, NextRun},
                             {NmsFrequency, OtherDesignerEnds},
                             {RejectedValue, OtherDesignerEnds},
                             {RejectedValue, FigureDeleted},
                             {RejectedValue, OtherShown},
                             {TypeFileMissing, OtherDesignerEnds},
                             {TypeFileMissing, FigureDeleted},
                             {SchemaUnreadable, FigureDeleted},
                             {ConflictOnOk, FigureDeleted},
                             {ConversionToDamagedType, FigureDeleted},
                             {HexOnReceive, OtherDesignerEnds},
                             {ConversionOfUnreadableType, FigureDeleted},
                             {ConflictOnPrintAll, FigureDeleted},
                             {ConflictOnPrintOne, FigureDeleted},
                             {TypeFileMissingOnPrint, FigureDeleted}});
    for (const char* type : {"QX-450.smf", "QX-450R.smf", "QX-NMS.smf"})
        AddTypeFile(type);
    // A type file copied under another name: its check number no longer fits.
    AddTypeFile("QX-450R.smf", "QX-BAD.smf");
    const std::string other = folder.file("other.spf");
    const std::string power("\x12\xC0", 2);
    const std::vector<DollarModemSim::Item> ownValues{
        {'B', '0', "\x09"}, {'W', '5', power}, {'S', '0', "south"}};
    const std::vector<DollarModemSim::Item> otherValues{
        {'B', '0', "\x04"}, {'W', '5', power}, {'S', '0', "west"}};
    ModemTypeVersionReader reader(false);
    const auto values = [](const TKuvio& figure) {
        std::vector<std::string> all;
        for (const PropertyEntry& entry : figure.PropertyEntries())
            all.push_back(entry.value);
        return all;
    };

    for (const Row& row : rows) {
        const std::string& boxText = boxTexts[row.box];
        SCOPED_TRACE(std::to_string(row.box) + " " + boxText + ", under it " + std::to_string(row.under));
        if (info) {
            info->hide();
            info->PiilotaTmr->stop();
        }
        const bool ownTransmit = row.box == RejectedValue;
        // Boxes the run itself opens as it shows A's values.
        const bool boxOfTheRun =
            row.box == Conflict || row.box == TypeFileMissing || row.box == SchemaUnreadable || ownTransmit;
        // The box is about A, not about B.
        const bool printed = row.box == ConflictOnPrintAll || row.box == ConflictOnPrintOne ||
                             row.box == TypeFileMissingOnPrint;
        const bool boxOfA =
            boxOfTheRun || row.box == ConflictOnOk || row.box == ConversionOfUnreadableType || printed;
        const bool ownRun = row.box == Conversion || row.box == HexOnOk || boxOfTheRun;
        DollarModemOnPort dollar(row.box == NmsFrequency ? kOtherDollarCom + 1 : kDollarCom);
        DollarModemOnPort otherDollar(kOtherDollarCom);
        std::unique_ptr<NmsModemOnPort> nms;
        // The runs go on under the box: their modems answer once it is open. A box
        // the run itself opens comes with its modem's answers.
        otherDollar.HoldReplyAtRequest(1);
        if (!boxOfTheRun)
            dollar.HoldReplyAtRequest(1);
        dollar.With([&](DollarModemSim& sim) {
            sim.SetParameters(ownValues);
            // The station name, refused, opens the box: the window has no text
            // field where it shows it; the value after it has its field.
            if (ownTransmit)
                sim.RejectParameters({2, 3});
        });
        otherDollar.With([&](DollarModemSim& sim) { sim.SetParameters(otherValues); });
        const auto commands = [](DollarModemOnPort& modem) {
            return modem.With([](DollarModemSim& sim) { return sim.Commands(); });
        };

        // Designer 1 holds the modem of the run (A) and the one the user works on in
        // the properties window (B); designer 2 receives Y meanwhile.
        OpenDesigner(row.box == NmsFrequency, row.box == NmsFrequency ? kNmsCom : kDollarCom);
        NetworkDesign& design = designer->Design();
        if (!std::filesystem::exists(other)) {
            AddSimulatedModem(design, "05", nullptr);
            ASSERT_TRUE(designer->SaveProjectFile(other));
            design.DeleteAllFigures();
        }
        // The properties window on the figure, in the conversion view to a target.
        const auto show = [](Tpiirtopohja* window, TKuvio* figure, const std::string& target = {}) {
            Tominaisuus* properties = window->PropertiesWindow();
            properties->SetFigure(window, figure);
            if (!target.empty())
                properties->SetConversionTarget(target);
            properties->ShowModemProperties(!target.empty());
        };
        const auto typed = [&](Tpiirtopohja* window, TKuvio& figure, const std::string& type) -> TKuvio& {
            figure.SetTypeName(type);
            figure.ResetPropertyList(true);
            show(window, &figure);
            window->PropertiesWindow()->okClick(nullptr);
            return figure;
        };
        TKuvio* a = nullptr;
        TKuvio* b = nullptr;
        if (row.box == NmsFrequency) {
            nms = std::make_unique<NmsModemOnPort>(kNmsCom);
            nms->With([](NmsModemSim& sim) {
                sim.SetOwnSpeed(115200);
                sim.SetValue(NmsId::FirmwareId, "YRF0100");
                sim.SetValue(NmsId::Mode, std::string(1, '\0'));
                for (uint16_t id : {0x1102, 0x110C, 0x2011})
                    sim.SetValue(id, std::string(1, '\0'));
                sim.SetValue(0x1103, std::string(2, '\0'));
                sim.SetValue(0x2010, std::string(4, '\0'));
            });
            b = &design.NewModemFigure("QX-NMS", NewModemKind::Normal, 100, 100, "X", reader);
            show(designer, b);
            designer->PropertiesWindow()->findChild<QLineEdit*>("S0FREQUENCY")->setText("99999");
            designer->PropertiesWindow()->okClick(nullptr);
        } else {
            a = &AddSimulatedModem(design, "01", nullptr);
            if (row.box == Conflict || row.box == ConflictOnOk || ownTransmit ||
                row.box == ConflictOnPrintAll || row.box == ConflictOnPrintOne)
                a->SetTypeName("QX-450R");
            else if (row.box == TypeFileMissing || row.box == SchemaUnreadable ||
                     row.box == ConversionOfUnreadableType || row.box == TypeFileMissingOnPrint)
                a->SetTypeName("QX-GONE");
            else
                typed(designer, *a, "QX-450R");
            b = &typed(designer, AddSimulatedModem(design, "0A", a), "QX-450");
        }
        QPointer<Tpiirtopohja> second = CreateDesigner(false);
        QCoreApplication::processEvents();
        QAction port;
        port.setData(kOtherDollarCom);
        second->COM11Click(&port);
        // Y's rows, where a value of A could land: the NMS frequency's field for the
        // NMS transfer, A's own type for the values A's modem refused.
        TKuvio& y = typed(second, AddSimulatedModem(second->Design(), "01", nullptr),
                          ownTransmit ? "QX-450R" : "QX-NMS");
        const std::vector<std::string> bBefore = values(*b);
        std::vector<std::string> yAfter = values(y);
        yAfter[0] = "4";
        yAfter[1] = "4800";
        yAfter[2] = "west";
        // Whether A and B are still there at the end (a figure of an opened project
        // may take the place of one deleted).
        HeldFigure aKept(design, a);
        HeldFigure bKept(design, b);

        // What happens under the box, once, at the first box of the row.
        bool opened = false;
        std::vector<std::string> shown;
        SetMessageBoxResponder([&](const MessageBoxRequest& request) {
            shown.push_back(request.text);
            const bool yesNo = (request.flags & 0xF) == MB_YESNO || (request.flags & 0xF) == MB_YESNOCANCEL;
            if (opened || request.text.rfind(boxText, 0) != 0)
                return yesNo ? IDNO : IDOK;
            opened = true;
            dollar.ReleaseReply();
            otherDollar.ReleaseReply();
            switch (row.under) {
            case OwnReplies:
                if (row.box == Conflict)
                    ProcessEventsFor(300ms);
                else
                    ProcessEventsUntil([this] { return !designer->Programming().port.IsOpen(); }, 5s);
                break;
            case OtherDesignerEnds:
                ProcessEventsUntil([&] { return !second->Programming().port.IsOpen(); }, 5s);
                break;
            case FigureDeleted:
                design.DeleteFigure(boxOfA ? a : b);
                break;
            case NewProject:
                Trigger("Uusi1");
                break;
            case OpenProject:
                OpenProjectFile(other);
                break;
            case DesignerClosed:
                Trigger("Sulje1");
                break;
            case OtherShown:
                design.context = b;
                designer->Ominaisuudet2Click();
                break;
            case NextRun:
                design.DeleteFigure(a);
                design.active = b;
                designer->Haearvot1Click();
                designer->Programming().run.StartDelayTimer().onTimeout();
                break;
            }
            return yesNo ? IDYES : IDOK;
        });

        // Designer 2's Receive of Y goes while the box is open; designer 1's
        // Receive of A when the box is in the window.
        second->Design().active = &y;
        second->Haearvot1Click();
        second->Programming().run.StartDelayTimer().onTimeout();
        if (ownRun) {
            design.active = a;
            ownTransmit ? designer->Lhetarvot1Click() : designer->Haearvot1Click();
            designer->Programming().run.StartDelayTimer().onTimeout();
        }
        if (row.box == Conversion) {
            show(designer, b, "QX-450R");
            QPushButton* arrow = nullptr;
            for (QPushButton* candidate : designer->PropertiesWindow()->findChildren<QPushButton*>())
                if (candidate->property("tag").isValid() && candidate->isEnabled())
                    arrow = candidate;
            ASSERT_NE(arrow, nullptr);
            arrow->click();
        } else if (row.box == HexOnOk || row.box == HexOnTransmit || row.box == HexOnReceive) {
            show(designer, b);
            designer->PropertiesWindow()->findChild<QLineEdit*>("H5NETMASK")->setText("12G4");
            // Receive stores a modem only while it is new.
            b->newFigure = row.box == HexOnReceive;
            const char* button = row.box == HexOnOk         ? "ok"
                                 : row.box == HexOnTransmit ? "transmitbtn"
                                                            : "receivebtn";
            designer->PropertiesWindow()->findChild<QPushButton*>(button)->click();
        } else if (row.box == ConflictOnOk) {
            show(designer, b);
            designer->PropertiesWindow()->SetFigure(designer, a);
            designer->PropertiesWindow()->findChild<QPushButton*>("ok")->click();
        } else if (row.box == ConversionToDamagedType) {
            show(designer, b, "QX-BAD");
            designer->PropertiesWindow()->findChild<QPushButton*>("ok")->click();
        } else if (row.box == NmsFrequency) {
            design.active = b;
            designer->Lhetarvot1Click();
        } else if (row.box == ConversionOfUnreadableType) {
            show(designer, a, "QX-450R");
        } else if (row.box == ConflictOnPrintAll) {
            Trigger("Properties1");
        } else if (row.box == ConflictOnPrintOne || row.box == TypeFileMissingOnPrint) {
            design.active = a;
            Trigger("Print2");
        }
        ProcessEventsUntil([&] { return opened; }, 5s);
        ASSERT_TRUE(opened);
        ProcessEventsUntil(
            [&] {
                return (!designer || !designer->Programming().port.IsOpen()) &&
                       (!second || !second->Programming().port.IsOpen());
            },
            5s);
        ProcessEventsUntil(SimulatedModemsAtRest, 5s);
        // What the runs' ends posted.
        QCoreApplication::processEvents();
        // The user's OK stores what a window shows: Y's own values, and B's with
        // none of those A's modem refused.
        if (second && second->PropertiesWindow()->Figure() == &y)
            second->PropertiesWindow()->okClick(nullptr);
        if (ownTransmit && designer && designer->PropertiesWindow()->Figure() == b)
            designer->PropertiesWindow()->okClick(nullptr);
        // The modem is said to have refused a value only while its own values are on view.
        const bool told = std::any_of(shown.begin(), shown.end(), [](const std::string& text) {
            return text.rfind("ERROR: One of parameters", 0) == 0;
        });
        EXPECT_EQ(told, ownTransmit && row.under == OtherDesignerEnds);

        // Only the runs the user started.
        const Codes ownSent = commands(dollar);
        EXPECT_LE(std::count(ownSent.begin(), ownSent.end(), 0x01), 1);
        EXPECT_EQ(std::count(ownSent.begin(), ownSent.end(), 0x02), ownTransmit ? 1 : 0);
        EXPECT_EQ(ownSent.empty(), !ownRun);
        EXPECT_EQ(commands(otherDollar), kReceiveChain);
        // Y holds what its modem sent; B what it held; A what its modem sent when
        // its run was left to end.
        ASSERT_TRUE(second);
        EXPECT_EQ(values(y), yAfter);
        if (bKept.get()) {
            EXPECT_EQ(values(*b), bBefore);
        }
        const bool aLeftToEnd = !ownTransmit && (row.under == OwnReplies || row.under == OtherDesignerEnds ||
                                                 (row.under == FigureDeleted && !boxOfA));
        if (ownRun && aKept.get() && aLeftToEnd) {
            EXPECT_EQ(a->PropertyEntries().at(2).value, "south");
            EXPECT_EQ(ownSent, kReceiveChain);
        }
        // No run waited out its time.
        EXPECT_EQ(info->LogText().find("Dataflow between modem and PC interrupted"), std::string::npos)
            << info->LogText();
        aKept.Release();
        bKept.Release();
        for (QPointer<Tpiirtopohja> window : {QPointer<Tpiirtopohja>(designer), second}) {
            if (!window)
                continue;
            window->Design().modified = false;
            window->findChild<QAction*>("Sulje1")->trigger();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ProcessEventsUntil([&] { return designer.isNull() && second.isNull(); }, 2s);
        // Closing stores a new modem's values, whose refusal is a box too.
        SetMessageBoxResponder({});
    }
}

// The tool windows of the main window, whichever designer made them.
std::vector<QPointer<QWidget>> ToolWindows(const QWidget& main) {
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* window : main.findChildren<QWidget*>())
        if (qobject_cast<Tominaisuus*>(window) || qobject_cast<Tprj_ominaisuus*>(window) ||
            qobject_cast<Tsuoja*>(window))
            windows.emplace_back(window);
    return windows;
}

template <typename Window>
Window* MadeSince(const QWidget& main, const std::vector<QPointer<QWidget>>& before) {
    for (Window* window : main.findChildren<Window*>())
        if (std::find(before.begin(), before.end(), window) == before.end())
            return window;
    return nullptr;
}

// Two or three designers, each with one kind of tool window open on its own
// project or modem and something typed into it, opened before the next designer.
// The oldest designer, whose windows are no longer the newest, opens a project,
// starts a new one, closes with its changes saved, saves, ends a Receive or has a
// value refused, also while a box of the second designer's properties window is
// open. The action reaches only its own designer's windows: every tool window on
// view serves an open designer and shows that designer's design; the others keep
// what was typed into them and, accepted, write it into their own designs; the
// oldest designer's windows follow its design (closed with it, left by Open and
// New, kept by Save), the values typed for its new modem are saved at its close,
// and a refused value is shown on its own modem. The property table and the
// status window stay with the designer and the run they serve.
TEST_F(DesignerRunEndsTest, EachDesignersActionReachesOnlyItsOwnToolWindows) {
    enum Action { Open, New, Close, Save, RunEnds, Rejected };
    enum Window { ProjectDialog, PropertiesWindow, PropertyTable, StatusWindow, SecurityDialog };
    const char* const actionNames[] = {"Open", "New", "Close", "Save", "a run's end", "a refused value"};
    const char* const windowNames[] = {"project properties", "properties window", "property table",
                                       "status window", "security level"};
    struct Row {
        int designers;
        Action action;
        bool underBox;
        Window window;
    };
    std::vector<Row> rows;
    for (int designers : {2, 3})
        for (Action action : {Open, New, Close, Save, RunEnds, Rejected})
            for (bool underBox : {false, true})
                for (Window window :
                     {ProjectDialog, PropertiesWindow, PropertyTable, StatusWindow, SecurityDialog})
                    rows.push_back({designers, action, underBox, window});
    constexpr int kFirstCom = 50;
    AddTypeFile("QX-450R.smf");
    const std::string other = folder.file("other.spf");
    const std::string saved = folder.file("saved.spf");
    {
        NetworkDesign design(false);
        design.properties.name = "other";
        AddSimulatedModem(design, "05", nullptr);
        ::SaveProjectFile(design, other, "5.2.1", "");
    }
    const auto typedText = [](QWidget* window, const char* field) {
        return toLatin1(window->findChild<QLineEdit*>(field)->text());
    };
    const auto shownOn = [this](const TKuvio* figure) -> Tominaisuus* {
        for (Tominaisuus* window : main.findChildren<Tominaisuus*>())
            if (window->isVisible() && window->Figure() == figure)
                return window;
        return nullptr;
    };
    // A designer, its modem and the tool windows it made.
    struct Side {
        QPointer<Tpiirtopohja> window;
        TKuvio* modem;
        QPointer<Tprj_ominaisuus> project;
        QPointer<Tominaisuus> properties;
        QPointer<Tsuoja> security;
    };
    // The save question: No but for the close of the row.
    int saveAnswer = IDNO;
    std::function<void()> underBox;
    SetMessageBoxResponder([&](const MessageBoxRequest& request) -> int {
        if (request.text.rfind("Not allowed hexadesimal", 0) == 0 && underBox)
            std::exchange(underBox, {})();
        if (request.text == "Save changes to file ?")
            return saveAnswer;
        return (request.flags & 0xF) == MB_YESNO ? IDYES : IDOK;
    });

    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.designers) + " designers, " + actionNames[row.action] +
                     (row.underBox ? " under a box" : "") + ", " + windowNames[row.window]);
        std::filesystem::remove(saved);
        std::vector<Side> sides;
        // The modems of the runs: the oldest designer's, and the one of the second
        // designer's run that holds the status window.
        const bool ownRun = row.action == RunEnds || row.action == Rejected;
        std::unique_ptr<DollarModemOnPort> ownModem;
        std::unique_ptr<DollarModemOnPort> secondModem;
        if (ownRun)
            ownModem = std::make_unique<DollarModemOnPort>(kFirstCom);
        if (row.window == StatusWindow)
            secondModem = std::make_unique<DollarModemOnPort>(kFirstCom + 1);
        for (int d = 0; d < row.designers; ++d) {
            const std::vector<QPointer<QWidget>> before = ToolWindows(main);
            OpenDesigner(false, kFirstCom + d);
            Side side{designer, nullptr, MadeSince<Tprj_ominaisuus>(main, before),
                      MadeSince<Tominaisuus>(main, before), MadeSince<Tsuoja>(main, before)};
            ASSERT_TRUE(side.project && side.properties && side.security);
            side.project->CancelBtnClick();
            const std::string n = std::to_string(d);
            // The modem's own channel, stored from the window.
            side.modem = &AddSimulatedModem(designer->Design(), "0" + std::to_string(d + 1), nullptr);
            side.modem->SetTypeName("QX-450R");
            side.modem->ResetPropertyList(true);
            designer->Design().context = side.modem;
            designer->Ominaisuudet2Click();
            side.properties->findChild<QSpinBox*>("B0CHANNEL")->setValue(10 * d + 5);
            side.properties->findChild<QPushButton*>("ok")->click();
            side.modem->newFigure = d == 0;
            switch (row.window) {
            case ProjectDialog:
                designer->Ominaisuudet3Click();
                side.project->findChild<QLineEdit*>("nimi")->setText(QString::fromStdString("edit " + n));
                break;
            case SecurityDialog:
                designer->Suojaustaso1Click();
                side.security->findChild<QLineEdit*>("salasana")->setText("qejvomtu");
                [[fallthrough]];
            case PropertiesWindow:
                designer->Design().context = side.modem;
                designer->Ominaisuudet2Click();
                side.properties->findChild<QLineEdit*>("nimi")->setText(QString::fromStdString("typed " + n));
                break;
            case PropertyTable:
                if (d == 1)
                    designer->PropTable1Click();
                break;
            case StatusWindow:
                // The second designer's Receive holds the status window: its modem
                // does not answer until the row ends it.
                if (d == 1) {
                    secondModem->With([](DollarModemSim& sim) { sim.OverrideReply(0x01, -1, -1); });
                    designer->Haearvot1Click();
                    designer->Programming().run.StartDelayTimer().onTimeout();
                }
                break;
            }
            sides.push_back(side);
        }
        Side& actor = sides[0];
        Side& second = sides[1];
        const std::string statusCaption = toLatin1(info->windowTitle());
        const QPointer<QTableWidget> grid = arvotaulu ? arvotaulu->Grid(0) : nullptr;
        // Started before the box, the run takes its replies under it.
        if (ownRun) {
            ownModem->With([&](DollarModemSim& sim) {
                sim.SetParameters({{'B', '0', "\x05"}});
                if (row.action == Rejected)
                    sim.RejectParameters({0});
            });
            actor.window->Design().active = actor.modem;
            row.action == Rejected ? actor.window->Lhetarvot1Click() : actor.window->Haearvot1Click();
            actor.window->Programming().run.StartDelayTimer().onTimeout();
        }
        const auto act = [&] {
            const auto trigger = [&](const char* name) {
                actor.window->findChild<QAction*>(name)->trigger();
            };
            saveAnswer = row.action == Close ? IDYES : IDNO;
            switch (row.action) {
            case Open:
                files.answers.push_back(other);
                trigger("Avaa1");
                break;
            case New:
                trigger("Uusi1");
                break;
            case Close:
                files.answers.push_back(saved);
                trigger("Sulje1");
                break;
            case Save:
                files.answers.push_back(saved);
                trigger("Tallenna1");
                break;
            case RunEnds:
            case Rejected:
                ProcessEventsUntil([&] { return !actor.window->Programming().port.IsOpen(); }, 5s);
                break;
            }
            saveAnswer = IDNO;
        };
        // The box: the second designer's OK refuses a network mask that is no
        // hexadecimal number.
        QPointer<Tominaisuus> boxed;
        if (row.underBox) {
            if (!shownOn(second.modem)) {
                second.window->Design().context = second.modem;
                second.window->Ominaisuudet2Click();
            }
            boxed = shownOn(second.modem);
            ASSERT_TRUE(boxed);
            boxed->findChild<QLineEdit*>("H5NETMASK")->setText("12G4");
            underBox = act;
            boxed->findChild<QPushButton*>("ok")->click();
            EXPECT_FALSE(underBox) << "no box came";
            underBox = {};
        } else {
            act();
        }
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(actor.window.isNull(), row.action == Close);

        // Every tool window on view serves an open designer and shows its design.
        for (QWidget* window : ToolWindows(main)) {
            if (!window->isVisible())
                continue;
            const auto owner = std::find_if(sides.begin(), sides.end(), [&](const Side& side) {
                return side.project == window || side.properties == window || side.security == window;
            });
            ASSERT_NE(owner, sides.end()) << window->windowTitle().toStdString();
            EXPECT_TRUE(owner->window) << window->windowTitle().toStdString() << " of a designer closed";
            const auto* properties = qobject_cast<const Tominaisuus*>(window);
            if (owner->window && properties) {
                const auto& figures = owner->window->Design().Figures();
                EXPECT_TRUE(std::any_of(figures.begin(), figures.end(), [&](const auto& own) {
                    return own.get() == properties->Figure();
                })) << "a properties window shows a modem of another design";
            }
        }
        if (row.underBox) {
            EXPECT_TRUE(boxed && boxed->isVisible() && boxed->Figure() == second.modem)
                << "the second designer's window left its modem under its box";
            if (boxed && boxed->Figure() == second.modem) {
                EXPECT_EQ(typedText(boxed, "H5NETMASK"), "12G4");
                boxed->findChild<QLineEdit*>("H5NETMASK")->setText("FF");
            }
        }
        const bool kept = row.action == Save || row.action == RunEnds || row.action == Rejected;
        const auto shows = [&](QWidget* window, const char* field, const std::string& text) {
            EXPECT_TRUE(window && window->isVisible()) << text;
            if (window) {
                EXPECT_EQ(typedText(window, field), text);
            }
        };
        const auto typedName = [](size_t d) { return "typed " + std::to_string(d); };
        const auto bystanderProperties = [&](size_t d) {
            shows(sides[d].properties, "nimi", typedName(d));
            EXPECT_EQ(sides[d].properties->Figure(), sides[d].modem);
        };
        switch (row.window) {
        case ProjectDialog: {
            const auto edited = [](size_t d) { return "edit " + std::to_string(d); };
            for (size_t d = 1; d < sides.size(); ++d)
                shows(sides[d].project, "nimi", edited(d));
            EXPECT_EQ(actor.project && actor.project->isVisible(), kept || row.action == New);
            if (actor.project && actor.project->isVisible()) {
                EXPECT_EQ(typedText(actor.project, "nimi") == edited(0), kept);
            }
            for (const Side& side : sides)
                if (side.project && side.project->isVisible())
                    side.project->OKBtnClick();
            for (size_t d = 0; d < sides.size(); ++d)
                if (sides[d].window) {
                    EXPECT_EQ(sides[d].window->Design().properties.name, d > 0 || kept        ? edited(d)
                                                                         : row.action == Open ? "other"
                                                                                              : "noname");
                }
            break;
        }
        case SecurityDialog: {
            // A level is chosen as the dialog stands in front; the oldest designer's
            // reaches its own properties window only.
            const auto accept = [](Tsuoja* dialog) {
                dialog->findChild<QRadioButton*>("taso_5")->setChecked(true);
                dialog->okClick();
            };
            for (size_t d = 1; d < sides.size(); ++d)
                shows(sides[d].security, "salasana", "qejvomtu");
            EXPECT_EQ(actor.security && actor.security->isVisible(), row.action != Close);
            if (actor.security && actor.security->isVisible())
                accept(actor.security);
            for (size_t d = 1; d < sides.size(); ++d) {
                bystanderProperties(d);
                accept(sides[d].security);
            }
            for (const Side& side : sides)
                if (side.window) {
                    EXPECT_EQ(side.window->SecurityLevel(), 5);
                }
            break;
        }
        case PropertiesWindow: {
            for (size_t d = 1; d < sides.size(); ++d)
                bystanderProperties(d);
            EXPECT_EQ(actor.properties && actor.properties->isVisible(), kept);
            if (actor.properties && actor.properties->isVisible()) {
                EXPECT_EQ(actor.properties->Figure(), actor.modem);
            }
            for (const Side& side : sides)
                if (side.properties && side.properties->isVisible())
                    side.properties->findChild<QPushButton*>("ok")->click();
            for (size_t d = 1; d < sides.size(); ++d) {
                EXPECT_EQ(sides[d].modem->GetModemName(), typedName(d));
                EXPECT_EQ(sides[d].modem->PropertyEntries().at(0).value, std::to_string(10 * d + 5));
            }
            if (row.action == Save) {
                EXPECT_EQ(actor.modem->GetModemName(), typedName(0));
            }
            if (row.action == Close) {
                EXPECT_NE(ReadFileContents(saved).find(typedName(0)), std::string::npos);
            }
            break;
        }
        case PropertyTable:
            ASSERT_TRUE(arvotaulu);
            EXPECT_EQ(arvotaulu->Designer(), second.window.data());
            EXPECT_TRUE(grid) << "the table was built again";
            break;
        case StatusWindow:
            EXPECT_EQ(toLatin1(info->windowTitle()), statusCaption);
            EXPECT_FALSE(info->findChild<QPushButton*>("closebtn")->isEnabled());
            second.window->Programming().run.FirstAnswerTimer().onTimeout();
            EXPECT_TRUE(info->PiilotaTmr->isActive());
            break;
        }

        for (const Side& side : sides)
            if (side.window) {
                side.window->Programming().Cancel();
                side.window->Design().modified = false;
                side.window->findChild<QAction*>("Sulje1")->trigger();
            }
        if (arvotaulu)
            arvotaulu->close();
        for (QWidget* window : ToolWindows(main))
            window->hide();
        info->hide();
        info->PiilotaTmr->stop();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ProcessEventsUntil(
            [&] {
                return std::none_of(sides.begin(), sides.end(), [](const Side& side) { return side.window; });
            },
            2s);
    }
    SetMessageBoxResponder({});
}

} // namespace
