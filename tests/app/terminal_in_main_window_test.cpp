// A terminal in the real main window: where its settings dialog and transmit
// window open, its status bar, the power events it hears of, its packet interval
// in the layout; and the main window's firmware-window places.
#include "main_window_fixture.h"

#include "firmware/tcmultiflashdlg.h"
#include "firmware/tcsingleflashdlg.h"
#include "platform/device_broadcast.h"
#include "platform/window_message.h"
#include "terminal/tportinasetus.h"
#include "terminal/tterminaali.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

namespace {

class TerminalInMainWindowTest : public MainWindowTest {
protected:
    TerminalInMainWindowTest() {
        main->SetHandoverClock(std::make_unique<NoWaitClock>());
        QCoreApplication::processEvents();
    }
    QMdiSubWindow* frame() const { return qobject_cast<QMdiSubWindow*>(terminal->parentWidget()); }

    std::unique_ptr<TPohjafrm> main = open();
    Tportinasetus dialog{main.get()};
    Tterminaali* terminal = Tterminaali::CreateTerminal(nullptr, 0);
};

// Both open at main Left + terminal Left + 8, main Top + terminal Top + 80, moved
// up and left as far as they must to lie wholly on the screen.
TEST_F(TerminalInMainWindowTest, SettingsDialogAndTransmitWindowOpenBesideTheTerminalOnTheScreen) {
    for (const int terminalTop : {20, main->mdiArea()->height() - 100}) {
        frame()->move(40, terminalTop);
        const QPoint beside = main->pos() + frame()->pos() + QPoint(8, 80);
        QRect dialogFrame;
        QTimer::singleShot(0, &dialog, [&] {
            dialogFrame = dialog.frameGeometry();
            dialog.Peruuta->click();
        });
        terminal->Asetukset1Click(false);
        terminal->Lhetys1->trigger();
        const QWidget* transmit = qobject_cast<QWidget*>(terminal->transmitWindow.data());
        ASSERT_NE(transmit, nullptr);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const QRect& opened : {dialogFrame, transmit->frameGeometry()}) {
            EXPECT_TRUE(screen.contains(opened));
            const int left = std::min(beside.x(), screen.right() + 1 - opened.width());
            EXPECT_EQ(opened.topLeft(), QPoint(left, terminalTop == 20 ? beside.y() : opened.top()));
        }
        delete transmit;
    }
}

TEST_F(TerminalInMainWindowTest, LineStatePanelTakesTheWidthTheOtherPanelsLeave) {
    std::vector<int> widths[2];
    for (const int width : {900, 1000}) {
        frame()->resize(width, 300);
        QCoreApplication::processEvents();
        for (QLabel* panel : terminal->statusPanels)
            widths[width / 1000].push_back(panel->width());
    }
    EXPECT_EQ(widths[1][3], widths[0][3] + 100);
    widths[0][3] = widths[1][3];
    EXPECT_EQ(widths[1], widths[0]);
}

TEST_F(TerminalInMainWindowTest, EveryTerminalNotesSuspendAndResumeOnItsScreen) {
    Tterminaali* other = Tterminaali::CreateTerminal(nullptr, 0);
    for (const auto& [event, line] :
         {std::pair{PBT_APMSUSPEND, "nyt nukkumaan"}, std::pair{PBT_APMRESUMESUSPEND, "unikeko nousee"}}) {
        PostMessage(main.get(), WM_POWERBROADCAST, event);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
        for (Tterminaali* each : {terminal, other})
            EXPECT_TRUE(each->teksti->screenText().contains(line)) << line;
    }
}

// "CR interval" tells whether the packet timer runs; "Packet Interval" comes back
// either way.
TEST_F(TerminalInMainWindowTest, PacketIntervalComesBackWhetherItsTimerRanOrNot) {
    for (const bool running : {false, true}) {
        terminal->cr_interval->start(500);
        if (!running)
            terminal->cr_interval->stop();
        TIniFile ini(folder.file("layout.ini"));
        terminal->saveTerminalSettings(ini, "Window number 0");
        EXPECT_EQ(ini.ReadInteger("Window number 0", "CR interval", -1), running ? 1 : 0);
        Tterminaali* restored = Tterminaali::CreateTerminal(nullptr, 0);
        restored->loadTerminalSettings(ini, "Window number 0");
        EXPECT_EQ(restored->cr_interval->interval(), 500) << running;
        EXPECT_EQ(restored->cr_interval->isActive(), running);
    }
}

// By the main window's Width and Height, frame included; multi windows by the
// height below the menu bar.
TEST_F(TerminalInMainWindowTest, FirmwareWindowsAreCentredInTheMainWindow) {
    main->Flashyksi1->trigger();
    main->Flashmonta3->trigger();
    const QSize outer = main->frameGeometry().size();
    const int clientHeight = main->height() - main->menuBar()->height();
    for (const auto& [window, height, instance] :
         {std::tuple<QWidget*, int, int>{main->CSingleFlashDlg, outer.height(), 1},
          {main->CMultiFlashDlg[2], clientHeight, 3}}) {
        const QWidget* child = window->parentWidget();
        const WindowPoint at = CentredFirmwareWindow(outer.width(), height, child->width(), child->height(),
                                                     main->SpeedPanel->height(), instance);
        EXPECT_EQ(child->pos(), QPoint(at.left, at.top)) << instance;
    }
}

} // namespace
