// The main window's side of the firmware windows: its commands, the buttons they
// switch, the saved layout and the remote-use load from the command line.
#include "main_window_fixture.h"

#include "app/window_layout.h"
#include "firmware/cmassflash.h"
#include "firmware/tcmultiflashdlg.h"
#include "firmware/tcsingleflashdlg.h"
#include "platform/portmap.h"
#include "shell/mdi_child.h"
#include "shell/serial_port_list.h"
#include "sim/firmware/firmware_test_files.h"
#include "sim/firmware/flash_window_sim.h"
#include "support/file_text.h"
#include "terminal/tterminaali.h"

#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
class FirmwareWindowsMainWindowTest : public MainWindowTest {
protected:
    FirmwareWindowsMainWindowTest() {
        writeFile(CMassFlash::kFastLoaderFile, MakeTestLoader(1));
        writeFile(CMassFlash::kSlowLoaderFile, MakeTestLoader(2));
    }

    void writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        WriteFileText(folder.file(name), std::string(bytes.begin(), bytes.end()));
    }

    std::string firmwareFile() {
        WriteFileText(folder.file("modem.a37"), MakeSRecordFile(image));
        return folder.file("modem.a37");
    }

    // A boot-mode modem on the first port of the main window's list, which remote
    // use selects with port digit 1.
    SimulatedH8_3048& modemOnFirstPort() {
        const std::string ports = ReadSerialPortList();
        const std::string first = ports.substr(0, ports.find(','));
        return sim.AttachModem(ComPortNumber(first), false, MakeTestLoader(1));
    }

    // The main window in remote use, once it has opened the load's window.
    std::unique_ptr<TPohjafrm> openRemote(const std::vector<std::string>& arguments) {
        auto window = open(arguments);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->CMultiFlashDlg[0] != nullptr; }, 5000));
        return window;
    }

    QMdiSubWindow* childOf(TPohjafrm& window, int instance) {
        return qobject_cast<QMdiSubWindow*>(
            window.CMultiFlashDlg[static_cast<size_t>(instance - 1)]->parentWidget());
    }

    const std::vector<uint8_t> image = MakeTestImage(400);
    FlashWindowSim sim;
};

TEST_F(FirmwareWindowsMainWindowTest, MultiFlashCommandsOpenEachInstanceOnceAndSwitchTheButtons) {
    auto window = open({"KpalvuxR"});
    window->Flashmonta1->trigger();
    window->Flashm3Btn->trigger();
    ASSERT_TRUE(window->CMultiFlashDlg[0] && window->CMultiFlashDlg[2]);
    EXPECT_EQ(window->CMultiFlashDlg[2]->Instance(), 3);
    EXPECT_EQ(childOf(*window, 3)->pos() - childOf(*window, 1)->pos(), QPoint(32, 32));
    TCMultiFlashDlg* third = window->CMultiFlashDlg[2];
    window->Flashmonta3->trigger();
    EXPECT_EQ(window->CMultiFlashDlg[2], third) << "a second click brings the same window forward";
    EXPECT_FALSE(window->DrawingBtn->isEnabled());

    window->CMultiFlashDlg[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->CMultiFlashDlg[0]);
    EXPECT_FALSE(window->DrawingBtn->isEnabled()) << "window 3 is still open";
    third->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->DrawingBtn->isEnabled());
}

// The tool bar's enabled commands follow the open windows and the active one,
// whatever the order in which they were opened, activated and closed.
TEST_F(FirmwareWindowsMainWindowTest, ToolBarCommandsFollowTheOpenWindowsAndTheActiveOne) {
    auto window = open({"KpalvuxR"});
    window->SetHandoverClock(std::make_unique<NoWaitClock>());
    Tterminaali* terminal = nullptr;
    const auto multiFlash = [&] { return window->CMultiFlashDlg[0]; };
    const std::vector<std::pair<std::function<void()>, std::string>> steps{
        {[] {}, "OpenBtn DrawingBtn FlashBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn CopyBtn logsize_nbr"},
        {[&] { terminal = Tterminaali::CreateTerminal(nullptr, 0); },
         "OpenBtn SetupBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn ProgramBtn CopyBtn TermOpenCloseAll "
         "logsize_nbr"},
        {[&] { window->FlashmBtn->trigger(); }, "OpenBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn CopyBtn"},
        {[&] {
             window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(terminal->parentWidget()));
         },
         "OpenBtn SetupBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn ProgramBtn CopyBtn"},
        {[&] { CloseMdiChild(multiFlash()); },
         "OpenBtn SetupBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn ProgramBtn CopyBtn TermOpenCloseAll "
         "logsize_nbr"},
        {[&] { window->FlashmBtn->trigger(); }, "OpenBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn CopyBtn"},
        {[&] {
             CloseMdiChild(multiFlash());
             terminal->Suljeterminaali1Click();
         },
         "OpenBtn DrawingBtn FlashBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn CopyBtn logsize_nbr"},
        {[&] { window->FlashBtn->trigger(); }, "CopyBtn"},
        {[&] { CloseMdiChild(window->CSingleFlashDlg); },
         "OpenBtn DrawingBtn FlashBtn FlashmBtn Flashm2Btn Flashm3Btn Flashm4Btn CopyBtn logsize_nbr"},
    };
    for (size_t step = 0; step < steps.size(); ++step) {
        steps[step].first();
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        QStringList enabled;
        for (QAction* command :
             {window->OpenBtn, window->SetupBtn, window->DrawingBtn, window->FlashBtn, window->FlashmBtn,
              window->Flashm2Btn, window->Flashm3Btn, window->Flashm4Btn, window->ProgramBtn, window->CopyBtn,
              window->TermOpenCloseAll})
            if (command->isEnabled())
                enabled << command->objectName();
        if (window->logsize_nbr->isEnabled())
            enabled << "logsize_nbr";
        EXPECT_EQ(enabled.join(' ').toStdString(), steps[step].second) << "step " << step;
    }
}

TEST_F(FirmwareWindowsMainWindowTest, OpenMultiFlashWindowsAreSavedAndComeBackAtTheirPlaces) {
    {
        auto window = open({"KpalvuxR"});
        window->Flashmonta2->trigger();
        window->Flashmonta4->trigger();
        childOf(*window, 2)->move(10, 20);
        childOf(*window, 4)->move(60, 70);
        window->close();
    }
    auto window = open({"KpalvuxR"});
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->CMultiFlashDlg[1] && window->CMultiFlashDlg[3]);
    EXPECT_FALSE(window->CMultiFlashDlg[0] || window->CMultiFlashDlg[2]);
    EXPECT_EQ(childOf(*window, 2)->pos(), QPoint(10, 20));
    EXPECT_EQ(childOf(*window, 4)->pos(), QPoint(60, 70));
}

TEST_F(FirmwareWindowsMainWindowTest, SingleFlashWindowOpensOnceAndComesBackAtItsPlace) {
    {
        auto window = open();
        window->Flashyksi1->trigger();
        ASSERT_TRUE(window->CSingleFlashDlg);
        TCSingleFlashDlg* single = window->CSingleFlashDlg;
        window->FlashBtn->trigger();
        EXPECT_EQ(window->CSingleFlashDlg, single);
        EXPECT_FALSE(window->OpenBtn->isEnabled());
        qobject_cast<QMdiSubWindow*>(single->parentWidget())->move(30, 40);
        window->close();
    }
    auto window = open();
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->CSingleFlashDlg);
    EXPECT_EQ(window->CSingleFlashDlg->parentWidget()->pos(), QPoint(30, 40));
}

TEST_F(FirmwareWindowsMainWindowTest, RemoteUseLoadsAndEndsTheProgramWithSuccess) {
    const std::string file = firmwareFile();
    SimulatedH8_3048& sim = modemOnFirstPort();
    auto window = open({"ZrunemoltoQ", "1", "1", "0", file});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 20000));
    EXPECT_EQ(window->ExitStatus(), 0);
    EXPECT_EQ(sim.Memory(0, image.size()), image);
    EXPECT_EQ(boxes.count(), 0u);
}

TEST_F(FirmwareWindowsMainWindowTest, FailedRemoteUseShowsTheSummaryAndEndsWithFailure) {
    const std::string file = firmwareFile();
    modemOnFirstPort().faults.eraseStatus = 0xFF;
    auto window = open({"ZrunemoltoQ", "1", "1", "0", file});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 20000));
    EXPECT_EQ(window->ExitStatus(), 1);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.texts()[0].rfind("All channels\r\nPort1: " + FlashErrorText(kFlashEraseFailed), 0), 0u);
}

// The window system gives the main window its size once it shows it: the remote
// load's window waits for that, and then sits centred.
TEST_F(FirmwareWindowsMainWindowTest, RemoteUseCentresItsWindowInTheShownMainWindow) {
    const std::string file = firmwareFile();
    modemOnFirstPort();
    sim.Hold();
    TPohjafrm window({folder.file("quovix"), "ZrunemoltoQ", "1", "1", "0", file});
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.CMultiFlashDlg[0]) << "not before the main window is shown";
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.CMultiFlashDlg[0] != nullptr; }, 5000));
    QMdiSubWindow* child = childOf(window, 1);
    const WindowPoint centre =
        CentredFirmwareWindow(window.frameGeometry().width(), window.height() - window.menuBar()->height(),
                              child->width(), child->height(), window.SpeedPanel->height(), 1);
    EXPECT_EQ(child->pos(), QPoint(centre.left, centre.top));
    sim.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 20000));
    EXPECT_EQ(window.ExitStatus(), 0);
}

// A remote load the user interrupts is no success, whether the main window or the
// firmware window is closed first.
TEST_F(FirmwareWindowsMainWindowTest, InterruptedRemoteUseEndsWithFailure) {
    const std::string file = firmwareFile();
    modemOnFirstPort();
    for (const bool firmwareWindowFirst : {false, true}) {
        SCOPED_TRACE(firmwareWindowFirst);
        TIniFile(SettingsFileName()).EraseSection("Layout"); // no window of the last run comes back
        sim.Hold();
        auto window = openRemote({"ZrunemoltoQ", "1", "1", "0", file});
        ASSERT_TRUE(window->CMultiFlashDlg[0] && window->CMultiFlashDlg[0]->Loading());
        boxes.queueAnswer(IDYES);
        // The load goes on once the window waits for it.
        QTimer::singleShot(0, [this] { sim.Release(); });
        if (firmwareWindowFirst)
            window->CMultiFlashDlg[0]->close();
        window->close();
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->ExitStatus(), 1);
    }
}

TEST_F(FirmwareWindowsMainWindowTest, CancelClosesTheFirmwareWindowsWithTheirFrames) {
    {
        auto window = open({"KpalvuxR"});
        window->Flashmonta2->trigger();
        window->close();
    }
    auto window = open({"KpalvuxR"});
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->CMultiFlashDlg[1]) << "reopened from the layout";
    window->Flashyksi1->trigger();
    ASSERT_TRUE(window->CSingleFlashDlg);
    window->CSingleFlashDlg->peruuta->click();
    window->CMultiFlashDlg[1]->peruuta->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->MdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(window->FlashBtn->isEnabled());
    window->close();
    EXPECT_EQ(settings().ReadInteger("Layout", "Layout count", -1), 0);
}

TEST_F(FirmwareWindowsMainWindowTest, FrameWithoutItsWindowIsNoPartOfTheLayout) {
    auto window = open();
    window->Flashyksi1->trigger();
    ASSERT_TRUE(window->CSingleFlashDlg);
    window->CSingleFlashDlg->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->close();
    EXPECT_EQ(settings().ReadInteger("Layout", "Layout count", -1), 0);
    EXPECT_EQ(settings().ReadInteger("Window number 0", "Window type", -1), -1);
}

TEST_F(FirmwareWindowsMainWindowTest, RemoteStartRefusedByACheckShowsItsMessageAndLeavesTheProgramOpen) {
    const std::string file = firmwareFile();
    {
        // Channels 1 and 2 both on the first port.
        auto window = openRemote({"ZrunemoltoQ", "1", "3", "0", file});
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(boxes.texts(),
                  std::vector<std::string>{"All active channels must point to different com ports !!!"});
        EXPECT_EQ(window->ExitStatus(), 1) << "nothing was loaded";
        window->close();
    }
    boxes.clear();
    auto window = openRemote({"ZrunemoltoQ", "0", "1", "0", file});
    EXPECT_TRUE(window->isVisible()) << "port digit 0 selects no port: nothing starts";
    ASSERT_TRUE(window->CMultiFlashDlg[0]);
    EXPECT_FALSE(window->CMultiFlashDlg[0]->kayta1->isChecked());
    EXPECT_TRUE(boxes.texts().empty());
}
} // namespace
