// A terminal as it sits in the real main window: where its settings dialog and
// transmit window open, its status bar, its Mode menu, the power events it hears
// of and its packet interval in the window layout; and the copy and paste
// buttons, which serve a terminal or a designer.
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
    // The terminal's frame with its top 100 pixels above the main window's bottom.
    void PlaceTerminalLow() {
        frame()->setGeometry(30, main->mdiArea()->height() - 100, 400, 300);
        QCoreApplication::processEvents();
    }
    QPoint BesideTerminal() const { return main->pos() + frame()->pos() + QPoint(8, 80); }
    static QRect Screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    std::unique_ptr<TPohjafrm> main;
    std::unique_ptr<Tportinasetus> dialog;
    Tterminaali* terminal = nullptr;
};

TEST_F(TerminalInMainWindowTest, TransmitWindowOfATerminalLowInTheMainWindowOpensWithinTheScreen) {
    PlaceTerminalLow();
    terminal->Lhetys1->trigger();
    auto* transmit = qobject_cast<TLahetys*>(terminal->transmitWindow.data());
    ASSERT_NE(transmit, nullptr);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Screen().contains(transmit->frameGeometry()))
        << transmit->frameGeometry().y() << "+" << transmit->frameGeometry().height();
    EXPECT_EQ(transmit->x(), BesideTerminal().x());
    EXPECT_TRUE(transmit->Peruuta->isVisible());
}

TEST_F(TerminalInMainWindowTest, SettingsDialogOpensBesideTheTerminalInTheMainWindow) {
    for (const bool low : {false, true}) {
        if (low)
            PlaceTerminalLow();
        else
            frame()->move(40, 20);
        QPoint shownAt;
        QRect shown;
        QTimer::singleShot(0, dialog.get(), [&] {
            shownAt = dialog->pos();
            shown = dialog->frameGeometry();
            dialog->Peruuta->click();
        });
        terminal->Asetukset1Click(false);
        EXPECT_EQ(shownAt.x(), BesideTerminal().x()) << low;
        if (low)
            EXPECT_TRUE(Screen().contains(shown)) << shown.bottom();
        else
            EXPECT_EQ(shownAt.y(), BesideTerminal().y());
    }
}

TEST_F(TerminalInMainWindowTest, LineStatePanelTakesTheWidthTheOtherPanelsLeave) {
    const auto widths = [this] {
        std::vector<int> panels;
        for (QLabel* panel : terminal->statusPanels)
            panels.push_back(panel->width());
        return panels;
    };
    frame()->resize(900, 300);
    QCoreApplication::processEvents();
    std::vector<int> before = widths();
    frame()->resize(1000, 300);
    QCoreApplication::processEvents();
    std::vector<int> after = widths();
    EXPECT_EQ(after[3], before[3] + 100);
    before.erase(before.begin() + 3);
    after.erase(after.begin() + 3);
    EXPECT_EQ(after, before);
}

TEST_F(TerminalInMainWindowTest, ModeMenuOffersMultiFlashAndRadioTestOnlyInFactoryMode) {
    for (const bool factory : {false, true, false}) {
        main->factory_mode = factory;
        emit terminal->Tiedosto1->aboutToShow();
        for (QAction* item : {terminal->MultiFlash1, terminal->RadioTest1}) {
            EXPECT_EQ(item->isVisible(), factory) << item->text().toStdString();
            EXPECT_EQ(item->isEnabled(), factory) << item->text().toStdString();
        }
    }
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
// interval, which comes back whether it runs or not.
TEST_F(TerminalInMainWindowTest, PacketIntervalComesBackWhetherItsTimerRanOrNot) {
    for (const bool running : {false, true}) {
        terminal->cr_interval->setInterval(500);
        if (running)
            terminal->cr_interval->start();
        else
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
