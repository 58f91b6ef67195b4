// However a programming run of the designer window ends, against the simulated
// modems: the "$" run and the NMS transfer, each with every end that can happen
// to it and every event that must not end it, and the run that follows.
#include "base/nms_frame.h"
#include "designer/nms_transfer.h"
#include "designer/run_fixtures.h"
#include "designer/tinfo.h"
#include "designer/tpiirtopohja.h"
#include "designer/tprj_ominaisuus.h"
#include "designer_fixture.h"
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
#include <QTimer>

namespace {

using namespace std::chrono_literals;
using Codes = std::vector<uint8_t>;

constexpr int kDollarCom = 45;
constexpr int kNmsCom = 46;
constexpr uint16_t kPower = 0x1205;
constexpr uint8_t kProgModeOff = 0x00;
constexpr uint8_t kFirstSourceRoute = 0x0D;
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

// Both protocols end in one place on every end: the last line is written and the
// status window's buttons come back, its caption names no modem that is gone, a
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
    const Row rows[] = {
        {"$: the modem's answer", Dollar, Answer, closed, true, false},
        {"$: a time-out", Dollar, TimeOut, dataFlow, true, true},
        {"$: the cable pulled", Dollar, CablePulled, dataFlow, true, false},
        {"$: the window closed", Dollar, WindowClosed, closed, false, true},
        {"$: the modem deleted", Dollar, ModemDeleted, closed, false, true},
        {"$: New", Dollar, NewProject, closed, false, true},
        {"$: Open", Dollar, OpenProject, closed, false, true},
        {"$: New with programming mode off asked", Dollar, NewAfterModeOff, closed, false, false},
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
        std::function<Codes()> sent;
        std::unique_ptr<DollarModemOnPort> dollar;
        std::unique_ptr<NmsModemOnPort> nms;
        if (row.protocol == Dollar && row.end >= OtherClicked) {
            // The event comes while the modem's answer to programming mode on is on
            // its way; a late answer comes after the run ended, into the next one.
            dollar = std::make_unique<DollarModemOnPort>(kDollarCom);
            dollar->SetReplyDelay(row.end == LateReply ? 150ms : 60ms);
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
            case PropertiesChanged:
                prj_ominaisuus->ShowFor(designer);
                prj_ominaisuus->findChild<QLineEdit*>("netid")->setText("NEWID");
                prj_ominaisuus->findChild<QRadioButton*>("VirtualRouting")->setChecked(true);
                prj_ominaisuus->OKBtnClick();
                break;
            case SecondDesignerRefused:
            case SecondDesignerNms:
                SecondDesignerRuns(!row.transmit, row.end == SecondDesignerNms);
                break;
            case LateReply:
                designer->Programming().run.FirstAnswerTimer().onTimeout();
                design.active = &master;
                designer->Lhetarvot1Click();
                ProcessEventsFor(300ms);
                designer->Programming().run.StartDelayTimer().onTimeout();
                break;
            default:
                break;
            }
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
            // A slow modem, which the end finds waiting for its first route line.
            dollar = std::make_unique<DollarModemOnPort>(kDollarCom);
            dollar->SetReplyDelay(200ms);
            dollar->With([&row](DollarModemSim& sim) {
                if (row.end == TimeOut)
                    sim.OverrideReply(kFirstSourceRoute, -1, -1);
                if (row.end == NewAfterModeOff)
                    sim.OverrideReply(kProgModeOff, -1, -1);
            });
            if (row.end == CablePulled)
                dollar->PullCableAtRequest(6);
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
            const uint8_t lastAsked = row.end == NewAfterModeOff ? kProgModeOff : kFirstSourceRoute;
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
                Trigger("Uusi1");
                break;
            case OpenProject:
                files.answers.push_back(other);
                Trigger("Avaa1");
                break;
            default:
                break;
            }
            ProcessEventsFor(600ms);
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

} // namespace
