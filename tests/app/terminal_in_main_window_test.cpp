// A terminal as it sits in the real main window: where its settings dialog and
// transmit window open, its status bar, the power events it hears of and its
// packet interval in the window layout; and the main window's placing of the
// firmware windows and its copy and paste buttons with a designer active.
#include "main_window_fixture.h"

#include "app/port_handover.h"
#include "designer/tpiirtopohja.h"
#include "firmware/tcmultiflashdlg.h"
#include "firmware/tcsingleflashdlg.h"
#include "platform/device_broadcast.h"
#include "platform/window_message.h"
#include "terminal/tlahetys.h"
#include "terminal/tportinasetus.h"
#include "terminal/tterminaali.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace {

class NoWaitClock : public HandoverClock {
public:
    void wait(int) override {}
};

class TerminalInMainWindowTest : public MainWindowTest {
protected:
    TerminalInMainWindowTest() {
        main = open();
        main->SetHandoverClock(std::make_unique<NoWaitClock>());
        dialog = std::make_unique<Tportinasetus>(main.get());
        terminal = Tterminaali::CreateTerminal(nullptr, 0);
        QCoreApplication::processEvents();
    }

    QMdiSubWindow* frame() const { return qobject_cast<QMdiSubWindow*>(terminal->parentWidget()); }
    QPoint BesideTerminal() const { return main->pos() + frame()->pos() + QPoint(8, 80); }
    static QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    std::unique_ptr<TPohjafrm> main;
    std::unique_ptr<Tportinasetus> dialog;
    Tterminaali* terminal = nullptr;
};

// Both open at main Left + terminal Left + 8, main Top + terminal Top + 80, and
// move up as far as they must to lie wholly on the screen.
TEST_F(TerminalInMainWindowTest, SettingsDialogAndTransmitWindowOpenBesideTheTerminalOnTheScreen) {
    for (const int terminalTop : {20, main->mdiArea()->height() - 100}) {
        frame()->move(40, terminalTop);
        QRect dialogFrame;
        QTimer::singleShot(0, dialog.get(), [&] {
            dialogFrame = dialog->frameGeometry();
            dialog->Peruuta->click();
        });
        terminal->Asetukset1Click(false);
        terminal->Lhetys1->trigger();
        const QWidget* transmit = qobject_cast<QWidget*>(terminal->transmitWindow.data());
        ASSERT_NE(transmit, nullptr);
        for (const QRect& opened : {dialogFrame, transmit->frameGeometry()}) {
            EXPECT_TRUE(Screen().contains(opened)) << opened.bottom();
            EXPECT_EQ(opened.left(), BesideTerminal().x());
            if (terminalTop == 20) {
                EXPECT_EQ(opened.top(), BesideTerminal().y());
            }
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

// "CR interval" tells whether the packet timer runs, "Packet Interval" its
// interval, which comes back whether the timer ran or not.
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

// A designer disables OpenBtn: the copy and paste buttons then put the active
// designer into copy mode.
TEST_F(TerminalInMainWindowTest, CopyAndPasteButtonsPutTheActiveDesignerIntoCopyMode) {
    for (QAction* button : {main->CopyBtn, main->PasteBtn}) {
        main->Piirtopohja1->trigger();
        auto* designer = qobject_cast<Tpiirtopohja*>(main->mdiArea()->currentSubWindow()->widget());
        ASSERT_NE(designer, nullptr);
        button->trigger();
        EXPECT_TRUE(designer->Editor().CopyMode()) << button->objectName().toStdString();
    }
}

// The firmware windows are centred by the main window's width and height, its
// frame included; a multi firmware window by its height below the menu bar, 16
// pixels further right and down for each instance after the first. A window
// below the tool bar is raised by the tool bar's height.
TEST_F(TerminalInMainWindowTest, FirmwareWindowsAreCentredInTheMainWindow) {
    main->Flashyksi1->trigger();
    main->Flashmonta3->trigger();
    const QSize outer = main->frameGeometry().size();
    const int clientHeight = main->height() - main->menuBar()->height();
    const std::tuple<QWidget*, int, int> windows[] = {{main->CSingleFlashDlg, outer.height(), 1},
                                                      {main->CMultiFlashDlg[2], clientHeight, 3}};
    for (const auto& [window, height, instance] : windows) {
        const QWidget* child = window->parentWidget();
        const WindowPoint at = CentredFirmwareWindow(outer.width(), height, child->width(), child->height(),
                                                     main->SpeedPanel->height(), instance);
        EXPECT_EQ(child->pos(), QPoint(at.left, at.top)) << instance;
    }
}

} // namespace
