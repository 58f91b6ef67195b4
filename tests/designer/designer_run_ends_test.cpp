// However a programming run of the designer window ends, against the simulated
// modems: the "$" run and the NMS transfer, each with every end that can happen
// to it.
#include "base/nms_frame.h"
#include "designer/nms_transfer.h"
#include "designer/run_fixtures.h"
#include "designer/tinfo.h"
#include "designer/tpiirtopohja.h"
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
#include <QPointer>
#include <QTimer>

namespace {

using namespace std::chrono_literals;
using Codes = std::vector<uint8_t>;

constexpr int kDollarCom = 45;
constexpr int kNmsCom = 46;
constexpr uint16_t kPower = 0x1205;
constexpr uint8_t kProgModeOff = 0x00;
constexpr uint8_t kFirstSourceRoute = 0x0D;

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
        NewAfterModeOff
    };
    struct Row {
        const char* name;
        Protocol protocol;
        End end;
        std::string lastLine;
        bool captionKept;
        // The modem is told that programming is over after the end came.
        bool toldAfterEnd;
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
        {"NMS: the modem's answer", Nms, Answer, "All done", true, true},
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
        if (row.protocol == Dollar) {
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
            }
            ProcessEventsFor(600ms);
        } else {
            nms = std::make_unique<NmsModemOnPort>(kNmsCom);
            nms->With([&row](NmsModemSim& sim) {
                sim.SetOwnSpeed(115200);
                sim.SetValue(NmsId::FirmwareId, "YRF0100");
                sim.SetValue(NmsId::Mode, std::string(1, '\0'));
                sim.SetValue(kPower, std::string(1, '\0'));
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
            designer->Lhetarvot1Click();
        }

        const Codes all = sent();
        EXPECT_EQ(Codes(all.begin() + static_cast<long>(std::min(sentBeforeEnd, all.size())), all.end()),
                  row.toldAfterEnd ? Codes{kProgModeOff} : Codes{});
        const std::string log = info->LogText();
        EXPECT_EQ(log.substr(log.size() - std::min(log.size(), row.lastLine.size())), row.lastLine) << log;
        const std::string modem = row.protocol == Dollar ? "modem 1" : "nms modem";
        EXPECT_EQ(toLatin1(info->windowTitle()),
                  row.captionKept ? "Transfering values to modem " + modem : TransferStatusWindow::kCaption);
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
