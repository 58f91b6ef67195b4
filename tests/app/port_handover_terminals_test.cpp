// Port hand-over and the power and port events with real terminals on virtual
// ports and pseudo-terminals.
#include "main_window_fixture.h"

#include "app/port_handover.h"
#include "platform/device_broadcast.h"
#include "platform/portmap.h"
#include "platform/program_files.h"
#include "platform/serial_comm.h"
#include "platform/virtual_port.h"
#include "platform/window_message.h"
#include "support/message_box_recorder.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"
#include "terminal/tterminaali.h"

#include <QCoreApplication>
#include <QTest>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kCom4 = 4;
constexpr int kCom5 = 5;
constexpr int kMissingCom = 9;
constexpr int kWaitMs = 5000;

class RealTerminalHandoverTest : public testing::Test {
protected:
    RealTerminalHandoverTest() {
        SetProgramPathForTests(folder.file("quovix"));
        main = std::make_unique<TPohjafrm>(std::vector<std::string>{folder.file("quovix")});
        main->SetHandoverClock(std::make_unique<NoWaitClock>());
        main->show();
        QCoreApplication::processEvents();
    }
    ~RealTerminalHandoverTest() override {
        main.reset();
        SetProgramPathForTests("");
    }

    Tterminaali* terminalOn(int com) {
        Tterminaali* terminal = Tterminaali::CreateTerminal(nullptr, 0);
        terminal->CommPort1->setPortin_nro(static_cast<TPortnro>(com - 1));
        terminal->CommPort1->tila_hiljaa(true);
        terminal->showPortItems(true);
        terminal->shadeScreen(terminal->portOpen() ? PortShade::Open : PortShade::Closed);
        QCoreApplication::processEvents();
        return terminal;
    }

    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    static QColor background(Tterminaali* terminal) {
        return terminal->teksti->palette().color(QPalette::Base);
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    VirtualPort com4{kCom4};
    VirtualPort com5{kCom5};
    std::unique_ptr<TPohjafrm> main;
};

TEST_F(RealTerminalHandoverTest, LentPortGoesGreyAndComesBackWhileTheOtherPortStaysOpen) {
    Tterminaali* onCom4 = terminalOn(kCom4);
    Tterminaali* onCom5 = terminalOn(kCom5);
    ASSERT_TRUE(com4.NearEndOpen() && com5.NearEndOpen());

    main->ReleaseTerminalPort(kCom4);
    EXPECT_FALSE(com4.NearEndOpen());
    EXPECT_TRUE(com5.NearEndOpen());
    EXPECT_EQ(background(onCom4), QColor(128, 128, 128));
    EXPECT_TRUE(onCom4->closePortItemShown());

    main->RestoreTerminalPort(kCom4);
    EXPECT_TRUE(com4.NearEndOpen());
    EXPECT_EQ(background(onCom4), QColor(Qt::white));
    EXPECT_EQ(background(onCom5), QColor(Qt::white));

    // A port the user closed stays closed when its number comes back.
    onCom4->closeport1Click();
    main->ReleaseTerminalPort(kCom4);
    main->RestoreTerminalPort(kCom4);
    EXPECT_FALSE(com4.NearEndOpen());
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(RealTerminalHandoverTest, ResumeReopensThePortsAndAMissingPortGivesOneBox) {
    terminalOn(kCom4);
    Tterminaali* missing = terminalOn(kMissingCom);
    boxes.clear();
    PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMSUSPEND);
    settle();
    EXPECT_FALSE(com4.NearEndOpen());
    EXPECT_EQ(background(missing), QColor(192, 192, 192));

    PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND);
    settle();
    EXPECT_TRUE(com4.NearEndOpen());
    EXPECT_FALSE(missing->portOpen());
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_FALSE(missing->closePortItemShown());
    EXPECT_EQ(main->TermOpenCloseAll->text(), "CloseAll");
}

TEST_F(RealTerminalHandoverTest, RemovedAndArrivingPortClosesAndReopensItsTerminal) {
    Tterminaali* onCom4 = terminalOn(kCom4);
    terminalOn(kCom5);
    PostDeviceChange(main.get(), DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT, "COM4");
    settle();
    EXPECT_FALSE(com4.NearEndOpen());
    EXPECT_TRUE(com5.NearEndOpen());
    EXPECT_FALSE(onCom4->closePortItemShown());
    PostDeviceChange(main.get(), DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, "COM4");
    settle();
    EXPECT_TRUE(com4.NearEndOpen());
    EXPECT_TRUE(onCom4->closePortItemShown());
}

// The far end reads nothing, so the terminal's write is held up when its port is
// closed and reopened, by each of the ways that do so. Afterwards a typed key
// goes out, once, and the TX counter counts what went out.
TEST_F(RealTerminalHandoverTest, AfterAnyReopenDuringAHeldUpWriteTheTerminalSendsWhatIsTyped) {
    int com = 20;
    Tterminaali* terminal = nullptr;
    std::string device;
    const std::vector<std::pair<const char*, std::function<void()>>> reopens{
        {"lent and given back",
         [&] {
             main->ReleaseTerminalPort(com);
             settle();
             main->RestoreTerminalPort(com);
         }},
        {"Close all and Open all",
         [&] {
             main->TermOpenCloseAll->trigger();
             settle();
             main->TermOpenCloseAll->trigger();
         }},
        {"suspend and resume",
         [&] {
             PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMSUSPEND);
             settle();
             PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND);
         }},
        {"reopened quietly after a failed event wait",
         [&] {
             SetEventWaitsFailForTests(device, true);
             EXPECT_TRUE(QTest::qWaitFor([&] { return terminal->teksti->screenText().contains("restarted"); },
                                         kWaitMs));
             SetEventWaitsFailForTests(device, false);
         }},
    };
    for (const auto& [name, reopen] : reopens) {
        SCOPED_TRACE(name);
        PseudoTerminal modem;
        modem.LinkAs(PortsFolder(), ++com);
        device = modem.SlavePath();
        terminal = terminalOn(com);
        ASSERT_TRUE(terminal->portOpen());
        terminal->QueueSend(std::string(200000, 'd'), true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return terminal->CommPort1->TxPending() > 0; }, kWaitMs));

        reopen();
        settle();
        ASSERT_TRUE(terminal->portOpen());
        QTest::keyClick(terminal->teksti, Qt::Key_K);
        std::string arrived;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                arrived += modem.ReadFor(1 << 16, std::chrono::milliseconds(5));
                return !arrived.empty() && arrived.back() == 'k';
            },
            kWaitMs))
            << arrived.size() << " bytes arrived";
        EXPECT_EQ(std::count(arrived.begin(), arrived.end(), 'k'), 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return terminal->txCount() == arrived.size(); }, kWaitMs))
            << terminal->txCount() << " counted, " << arrived.size() << " arrived";
        terminal->Suljeterminaali1Click();
        settle();
    }
    EXPECT_TRUE(boxes.texts().empty());
}

// A terminal's cable is pulled: its modem's pseudo-terminal goes and so does its
// link, while a device of the machine that the list shows as COM2 stays. No
// reopen takes that device for COM1: the terminal stays closed and silver until
// its modem comes back on the link.
TEST_F(RealTerminalHandoverTest, APulledCableNeverMovesTheTerminalToAnotherDevice) {
    PseudoTerminal machineDevice;
    SetSerialDevicesForTests({machineDevice.SlavePath()});
    auto modem = std::make_unique<PseudoTerminal>();
    modem->LinkAs(PortsFolder(), 1);
    EXPECT_EQ(main->ListSerialPorts(), "COM1,COM2,COM4,COM5");
    Tterminaali* terminal = terminalOn(1);
    ASSERT_TRUE(terminal->portOpen());

    std::filesystem::remove(std::filesystem::path(PortsFolder()) / "com1");
    modem.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminal->openport1->isVisible(); }, kWaitMs));
    EXPECT_FALSE(terminal->portOpen()) << "the quiet reopen took another device";
    EXPECT_EQ(main->ListSerialPorts(), "COM2,COM4,COM5");
    PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND);
    PostDeviceChange(main.get(), DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, "COM1");
    settle();
    EXPECT_FALSE(terminal->portOpen()) << "a resume or an arrival took another device";
    EXPECT_EQ(background(terminal), QColor(192, 192, 192));

    PseudoTerminal modemBack;
    modemBack.LinkAs(PortsFolder(), 1);
    PostDeviceChange(main.get(), DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, "COM1");
    settle();
    ASSERT_TRUE(terminal->portOpen());
    QTest::keyClick(terminal->teksti, Qt::Key_K);
    EXPECT_EQ(modemBack.ReadFor(1, std::chrono::milliseconds(kWaitMs)), "k");
    EXPECT_EQ(machineDevice.ReadFor(1, std::chrono::milliseconds(50)), "");
    SetSerialDevicesForTests({});
}

} // namespace
