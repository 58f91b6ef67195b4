// Port hand-over and the power and port events with real terminals on virtual
// ports and pseudo-terminals.
#include "main_window_fixture.h"

#include "app/port_handover.h"
#include "firmware/cmassflash.h"
#include "firmware/tcmultiflashdlg.h"
#include "platform/device_broadcast.h"
#include "platform/file_dialogs.h"
#include "platform/portmap.h"
#include "platform/program_files.h"
#include "platform/serial_comm.h"
#include "platform/virtual_port.h"
#include "platform/window_message.h"
#include "sim/firmware/firmware_test_files.h"
#include "sim/firmware/flash_window_sim.h"
#include "support/file_text.h"
#include "support/message_box_recorder.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"
#include "terminal/tlahetys.h"
#include "terminal/tportinasetus.h"
#include "terminal/tterminaali.h"
#include "terminal/ttxtestfrm.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <array>
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
        terminal->showPortState();
        QCoreApplication::processEvents();
        return terminal;
    }

    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    // The link of COM com goes from the ports folder.
    static void unlink(int com) {
        std::filesystem::remove(std::filesystem::path(PortsFolder()) / ("com" + std::to_string(com)));
    }

    static QColor background(Tterminaali* terminal) {
        return terminal->teksti->palette().color(QPalette::Base);
    }

    // What the modem receives while the program runs, until it holds count bytes or
    // the time is up.
    static std::string receive(PseudoTerminal& modem, size_t count) {
        std::string arrived;
        (void)QTest::qWaitFor(
            [&] {
                arrived += modem.ReadFor(count - arrived.size(), std::chrono::milliseconds(5));
                return arrived.size() >= count;
            },
            kWaitMs);
        return arrived;
    }

    // The port commands the terminal's pop-up menu offers.
    static QStringList portCommands(Tterminaali* terminal) {
        QStringList offered;
        for (QAction* item : {terminal->closeport1, terminal->openport1})
            if (item->isVisible())
                offered << item->text();
        return offered;
    }

    // A multi firmware window's load of the firmware file on the terminal's port.
    TCMultiFlashDlg* multiFlashOn(Tterminaali* terminal, int com) {
        for (const char* loader : {CMassFlash::kFastLoaderFile, CMassFlash::kSlowLoaderFile}) {
            const std::vector<uint8_t> bytes = MakeTestLoader(1);
            WriteFileText(folder.file(loader), std::string(bytes.begin(), bytes.end()));
        }
        WriteFileText(folder.file("modem.a37"), MakeSRecordFile(MakeTestImage(400)));
        SetFileDialogResponder([this](const FileDialogRequest&) { return folder.file("modem.a37"); });
        terminal->MultiFlash1->trigger();
        TCMultiFlashDlg* window = main->CMultiFlashDlg[0];
        window->LuetiedostoClick();
        SetFileDialogResponder(nullptr);
        window->kayta[0]->setChecked(true);
        window->portti_id[0]->setCurrentText(QStringLiteral("COM%1").arg(com));
        return window;
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

// However a terminal's port comes to be closed, by the user or by an open that
// fails, the terminal shows it closed (silver, "Open port" offered) and its
// transmit window stops repeating as after Cancel. "Open port" then brings the
// terminal back, and a typed key goes out once and starts no repeat.
TEST_F(RealTerminalHandoverTest, EveryWayAPortClosesShowsItClosedAndStopsTheTransmitWindowsRepeat) {
    constexpr int com = 7;
    const QColor silver(192, 192, 192);
    std::unique_ptr<PseudoTerminal> modem;
    int modemCom = com;
    Tterminaali* terminal = nullptr;
    // The modem dies and its link goes: the port can no longer be opened.
    const auto pullModem = [&] {
        unlink(modemCom);
        modem.reset();
    };
    const auto plugModem = [&](int number) {
        modem = std::make_unique<PseudoTerminal>();
        modem->LinkAs(PortsFolder(), number);
        modemCom = number;
    };
    const auto postDevice = [&](WPARAM event) {
        PostDeviceChange(main.get(), event, DBT_DEVTYP_PORT, "COM" + std::to_string(com));
        settle();
    };
    const std::vector<std::pair<const char*, std::function<void()>>> closings{
        {"Close port", [&] { terminal->closeport1->trigger(); }},
        {"Close all", [&] { main->TermOpenCloseAll->trigger(); }},
        {"Close port, then the port lent and given back",
         [&] {
             terminal->closeport1->trigger();
             main->ReleaseTerminalPort(com);
             main->RestoreTerminalPort(com);
         }},
        {"settings move it to a port that does not open, then Cancel",
         [&] {
             Tportinasetus dialog(main.get());
             auto other = std::make_unique<PseudoTerminal>();
             other->LinkAs(PortsFolder(), com + 1);
             QTimer answer;
             int step = 0;
             QObject::connect(&answer, &QTimer::timeout, [&] {
                 if (!dialog.isVisible())
                     return;
                 if (step++ == 0) {
                     dialog.portinnro->setItemIndex(static_cast<int>(
                         dialog.portinnro->items().indexOf("COM" + QString::number(com + 1))));
                     unlink(com + 1);
                     other.reset();
                     dialog.OKClick();
                 } else {
                     dialog.PeruutaClick();
                 }
             });
             answer.start(10);
             terminal->Asetukset2->trigger();
             EXPECT_EQ(step, 2);
             EXPECT_EQ(terminal->portNumber(), com) << "on COM" << com + 1;
             // The caption names the port that "Open port" opens.
             EXPECT_TRUE(terminal->windowTitle().startsWith(QStringLiteral("COM%1:").arg(com + 1)))
                 << terminal->windowTitle().toStdString();
         }},
        {"radio test gives back a port that went",
         [&] {
             terminal->RadioTest1->trigger();
             QPointer<Ttxtestfrm> radio = txtestfrm;
             radio->portinnro->setItemIndex(com - 1);
             radio->StartClick();
             ASSERT_TRUE(radio->Running());
             boxes.clear();
             pullModem();
             EXPECT_TRUE(QTest::qWaitFor([&] { return !radio->Running(); }, kWaitMs));
             // The cause comes before the hand-back's failed reopen.
             std::vector<std::string> captions;
             for (const MessageBoxRequest& box : boxes.boxes())
                 captions.push_back(box.caption);
             EXPECT_EQ(captions, (std::vector<std::string>{"Port write failed", "Error opening port"}));
             radio->close();
         }},
        {"multi firmware window gives back a port that went",
         [&] {
             FlashWindowSim sim;
             QPointer<TCMultiFlashDlg> flash = multiFlashOn(terminal, com);
             sim.Hold();
             ASSERT_TRUE(flash->Flash_tiedostoClick());
             pullModem();
             sim.Release();
             EXPECT_TRUE(QTest::qWaitFor([&] { return !flash->Loading(); }, kWaitMs));
             flash->close();
         }},
        {"Open all fails",
         [&] {
             main->TermOpenCloseAll->trigger();
             settle();
             pullModem();
             main->TermOpenCloseAll->trigger();
         }},
        {"resume fails",
         [&] {
             PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMSUSPEND);
             settle();
             pullModem();
             PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND);
         }},
        {"suspended", [&] { PostMessage(main.get(), WM_POWERBROADCAST, PBT_APMSUSPEND); }},
        {"adapter removed",
         [&] {
             unlink(com);
             postDevice(DBT_DEVICEREMOVECOMPLETE);
         }},
        {"adapter arrives and does not open",
         [&] {
             unlink(com);
             postDevice(DBT_DEVICEREMOVECOMPLETE);
             postDevice(DBT_DEVICEARRIVAL);
         }},
        {"event wait fails and the quiet reopen too",
         [&] {
             pullModem();
             EXPECT_TRUE(QTest::qWaitFor([&] { return terminal->teksti->screenText().contains("restarted"); },
                                         kWaitMs));
         }},
    };
    for (const auto& [name, close] : closings) {
        SCOPED_TRACE(name);
        pullModem();
        plugModem(com);
        terminal = terminalOn(com);
        ASSERT_TRUE(terminal->portOpen());
        terminal->Lhetys1Click();
        settle(); // the window has loaded its saved options
        QPointer<TLahetys> transmit = qobject_cast<TLahetys*>(terminal->transmitWindow.data());
        ASSERT_TRUE(transmit);
        transmit->SetBoxText("PING");
        transmit->toisto->setChecked(true);
        transmit->aika_vali->setText("0.2");
        transmit->LahetaClick(true);
        ASSERT_EQ(receive(*modem, 8), "PINGPING");

        close();
        settle();
        EXPECT_FALSE(terminal->portOpen());
        EXPECT_EQ(background(terminal), silver);
        EXPECT_EQ(portCommands(terminal), QStringList{"Open port"});
        EXPECT_EQ(main->TermOpenCloseAll->text(), "OpenAll");
        EXPECT_FALSE(transmit->SendingActive());
        EXPECT_TRUE(transmit->Laheta->isEnabled() && transmit->toisto->isEnabled() &&
                    transmit->laskuri->isEnabled());

        // The modem comes back on the terminal's port.
        pullModem();
        plugModem(terminal->portNumber() + 1);
        terminal->openport1->trigger();
        settle();
        ASSERT_TRUE(terminal->portOpen());
        EXPECT_EQ(background(terminal), QColor(Qt::white));
        EXPECT_EQ(portCommands(terminal), QStringList{"Close port"});
        const uint32_t sent = terminal->txCount();
        QTest::keyClick(terminal->teksti, Qt::Key_K);
        EXPECT_EQ(receive(*modem, 1), "k");
        EXPECT_TRUE(QTest::qWaitFor([&] { return terminal->txCount() == sent + 1; }, kWaitMs));
        settle();
        EXPECT_FALSE(transmit->SendingActive()) << "the typed key started the repeat again";
        terminal->Suljeterminaali1Click();
        settle();
    }
}

// A terminal's port is open, closed by the user or lent to another window, and
// every event leaves it in one of the three: its colour, its pop-up menu, its
// transmit window and the tool bar's OpenAll/CloseAll all tell which. Only the
// hand-back of its last borrower ends a loan, by opening the port.
TEST_F(RealTerminalHandoverTest, EveryEventLeavesThePortOpenClosedOrLentAndOnlyTheHandBackEndsALoan) {
    enum State { Open, Closed, Lent };
    const std::array<const char*, 3> stateNames{"open", "closed", "lent"};
    const std::array<QColor, 3> colours{QColor(Qt::white), QColor(192, 192, 192), QColor(128, 128, 128)};
    constexpr int com = 7;
    Tterminaali* terminal = nullptr;
    std::string device;
    const auto settings = [&](bool ok) {
        Tportinasetus dialog(main.get());
        QTimer answer;
        int shown = 0;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (!dialog.isVisible())
                return;
            if (ok && shown++ == 0)
                dialog.OKClick(); // shown again when the port is not open
            else
                dialog.PeruutaClick();
        });
        answer.start(10);
        terminal->Asetukset2->trigger();
    };
    const auto offered = [&](QAction* command) {
        if (command->isVisible())
            command->trigger();
    };
    const auto portEvent = [&](WPARAM event) {
        PostDeviceChange(main.get(), event, DBT_DEVTYP_PORT, "COM" + std::to_string(com));
    };
    const auto power = [&](WPARAM event) { PostMessage(main.get(), WM_POWERBROADCAST, event); };
    struct Event {
        const char* name;
        std::function<void()> run;
        std::array<State, 3> after; // from open, closed, lent
    };
    const std::vector<Event> events{
        {"Settings OK", [&] { settings(true); }, {Open, Closed, Lent}},
        {"Settings Cancel", [&] { settings(false); }, {Open, Closed, Lent}},
        {"Open port", [&] { offered(terminal->openport1); }, {Open, Open, Lent}},
        {"Close port", [&] { offered(terminal->closeport1); }, {Closed, Closed, Closed}},
        {"Close all", [&] { main->CloseAllTerminalPorts(); }, {Closed, Closed, Lent}},
        {"Open all", [&] { main->ReopenAllTerminalPorts(false); }, {Open, Open, Lent}},
        {"arrival", [&] { portEvent(DBT_DEVICEARRIVAL); }, {Open, Open, Lent}},
        {"removal", [&] { portEvent(DBT_DEVICEREMOVECOMPLETE); }, {Closed, Closed, Lent}},
        {"suspend", [&] { power(PBT_APMSUSPEND); }, {Closed, Closed, Lent}},
        {"resume", [&] { power(PBT_APMRESUMESUSPEND); }, {Open, Open, Lent}},
        {"failed event wait",
         [&] {
             SetEventWaitsFailForTests(device, true);
             const bool open = terminal->portOpen();
             EXPECT_EQ(QTest::qWaitFor([&] { return terminal->teksti->screenText().contains("restarted"); },
                                       open ? kWaitMs : 0),
                       open);
             SetEventWaitsFailForTests(device, false);
         },
         {Open, Closed, Lent}},
        {"hand-back", [&] { main->RestoreTerminalPort(com); }, {Open, Closed, Open}},
        {"another window borrows and gives back",
         [&] {
             main->ReleaseTerminalPort(com);
             main->RestoreTerminalPort(com);
         },
         {Open, Closed, Lent}},
    };
    for (const Event& event : events) {
        for (const State before : {Open, Closed, Lent}) {
            SCOPED_TRACE(std::string(event.name) + " on a port " + stateNames[before]);
            unlink(com);
            PseudoTerminal modem;
            modem.LinkAs(PortsFolder(), com);
            device = modem.SlavePath();
            terminal = terminalOn(com);
            terminal->Lhetys1Click();
            settle();
            QPointer<TLahetys> transmit = qobject_cast<TLahetys*>(terminal->transmitWindow.data());
            if (before == Open) {
                transmit->SetBoxText("PING");
                transmit->toisto->setChecked(true);
                transmit->aika_vali->setText("0.2");
                transmit->LahetaClick(true);
            }
            if (before == Closed)
                terminal->closeport1->trigger();
            if (before == Lent)
                main->ReleaseTerminalPort(com);
            const auto expectState = [&](State state) {
                settle();
                EXPECT_EQ(terminal->portOpen(), state == Open);
                EXPECT_EQ(background(terminal), colours[state]);
                EXPECT_EQ(portCommands(terminal), QStringList{state == Closed ? "Open port" : "Close port"});
                EXPECT_EQ(main->TermOpenCloseAll->text(), state == Open ? "CloseAll" : "OpenAll");
                EXPECT_TRUE(state == Open || !transmit->SendingActive());
            };
            event.run();
            expectState(event.after[before]);
            main->RestoreTerminalPort(com);
            expectState(event.after[before] == Closed ? Closed : Open);
            terminal->Suljeterminaali1Click();
            settle();
        }
    }
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
