#include "main_window_fixture.h"

#include "app/taboutfrm.h"
#include "designer/run_fixtures.h"
#include "designer/tpiirtopohja.h"
#include "platform/file_dialogs.h"
#include "platform/window_message.h"
#include "serial/tquovixcommport.h"
#include "shell/close_query.h"
#include "terminal/tportinasetus.h"
#include "terminal/tpuskuriensaato.h"
#include "terminal/tscriptsetup.h"
#include "terminal/tterminaali.h"

#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>

namespace {
int Read(const TIniFile& ini, const char* key) {
    return ini.ReadInteger("Start Position", key, -12345);
}

// Whether a tool-bar widget is shown: on a narrow screen it may sit in the tool
// bar's overflow menu, so the holding action tells.
bool ShownOnToolBar(const TPohjafrm& window, QWidget* widget) {
    for (QAction* action : window.SpeedPanel->actions())
        if (window.SpeedPanel->widgetForAction(action) == widget)
            return action->isVisible();
    return false;
}
} // namespace

TEST_F(MainWindowTest, WithoutSettingsOpensMaximisedAndClosingWritesOnlyTheState) {
    auto window = open();
    EXPECT_TRUE(window->isMaximized());
    EXPECT_EQ(window->windowTitle(), "TERAMONDO Quovix 5.2.1");
    EXPECT_EQ(window->loader_path, "qq");
    EXPECT_TRUE(window->close());

    const TIniFile ini = settings();
    EXPECT_EQ(Read(ini, "WindowState"), 2);
    EXPECT_EQ(ini.ReadSection("Start Position"), std::vector<std::string>{"WindowState"});
    EXPECT_FALSE(ini.SectionExists("Testi"));
    EXPECT_FALSE(ini.SectionExists("All log settings"));
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(MainWindowTest, SavedPlacementIsRestoredAndWrittenBack) {
    TIniFile ini = settings();
    ini.WriteInteger("Start Position", "WindowState", 0);
    ini.WriteInteger("Start Position", "Left", 30);
    ini.WriteInteger("Start Position", "Top", 40);
    ini.WriteInteger("Start Position", "Width", 320);
    ini.WriteInteger("Start Position", "Height", 240);
    ini.WriteString("Testi", "loader", "/opt/loader.bin");

    auto window = open();
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(window->pos(), QPoint(30, 40));
    EXPECT_EQ(window->size(), QSize(320, 240));
    EXPECT_EQ(window->loader_path, "/opt/loader.bin");
    window->move(50, 60);
    window->loader_path = "/opt/other.bin";
    window->close();

    EXPECT_EQ(Read(ini, "WindowState"), 0);
    EXPECT_EQ(Read(ini, "Left"), 50);
    EXPECT_EQ(Read(ini, "Top"), 60);
    EXPECT_EQ(Read(ini, "Width"), 320);
    EXPECT_EQ(Read(ini, "Height"), 240);
    EXPECT_EQ(ini.ReadString("Testi", "loader", ""), "/opt/other.bin");
}

TEST_F(MainWindowTest, PositionOffTheDesktopIsPulledBack) {
    TIniFile ini = settings();
    ini.WriteInteger("Start Position", "WindowState", 0);
    ini.WriteInteger("Start Position", "Left", 5000);
    ini.WriteInteger("Start Position", "Top", -400);
    ini.WriteInteger("Start Position", "Width", 100000);
    ini.WriteInteger("Start Position", "Height", 300);

    auto window = open();
    EXPECT_EQ(window->pos(), QPoint(10, 10));
    EXPECT_EQ(window->size(), QSize(200, 300));
}

TEST_F(MainWindowTest, FactoryCodeInAnyLetterCaseShowsTheFactoryTools) {
    auto window = open({"kPALVUXr"});
    EXPECT_TRUE(window->factory_mode);
    for (QAction* shown : {window->FlashmBtn, window->Flashm2Btn, window->Flashm3Btn, window->Flashm4Btn,
                           window->makesmf1, window->loadermnu, window->StartLog})
        EXPECT_TRUE(shown->isVisible()) << shown->objectName().toStdString();
    EXPECT_TRUE(ShownOnToolBar(*window, window->TehdasLabel1));
    EXPECT_TRUE(ShownOnToolBar(*window, window->logsize_nbr));
    EXPECT_TRUE(window->logsize_nbr->isEnabled());
    EXPECT_FALSE(window->Lasku->isVisible());

    window->Tiedosto1Click();
    EXPECT_TRUE(window->Flashmonta3->isVisible());
    window->PopupMenu1Popup();
    EXPECT_TRUE(window->MultiFlash41->isVisible());

    window->logsize_nbr->setValue(25);
    window->close();
    EXPECT_EQ(settings().ReadInteger("All log settings", "All log split size", 0), 25);
}

TEST_F(MainWindowTest, WithoutTheFactoryCodeTheFactoryToolsStayHidden) {
    // The code must be the whole argument, and only argument 1 counts.
    auto window = open({"KpalvuxRx", "KpalvuxR"});
    EXPECT_FALSE(window->factory_mode);
    for (QAction* hidden :
         {window->FlashmBtn, window->Flashm4Btn, window->makesmf1, window->loadermnu, window->StartLog})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_FALSE(ShownOnToolBar(*window, window->TehdasLabel1));
    EXPECT_FALSE(ShownOnToolBar(*window, window->logsize_nbr));
    // The layout restore reads the split size in every mode.
    EXPECT_EQ(window->logsize_nbr->value(), 10);

    window->Tiedosto1Click();
    EXPECT_FALSE(window->Flashmonta1->isVisible());
    window->PopupMenu1Popup();
    EXPECT_FALSE(window->MultiFlash1->isVisible());

    window->close();
    EXPECT_FALSE(settings().SectionExists("All log settings"));
}

TEST_F(MainWindowTest, ReadOnlySettingsFileIsReportedAndLeftWholeAndTheProgramStillEnds) {
    TIniFile ini = settings();
    ini.WriteInteger("Start Position", "WindowState", 2);
    ini.WriteString("Own", "kept", "yes");
    namespace fs = std::filesystem;
    fs::permissions(SettingsFileName(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    auto window = open({"KpalvuxR"});
    window->loader_path = "/opt/loader.bin";
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());

    const std::vector<std::string> expected{" voi vain lukea", "Unable to write ini file. Access denied",
                                            "Unable to write ini file. Access denied"};
    EXPECT_EQ(boxes.texts(), expected);
    EXPECT_EQ(settings().ReadString("Own", "kept", ""), "yes");
    EXPECT_FALSE(settings().SectionExists("Testi"));
}

TEST_F(MainWindowTest, RemoteUseWithoutItsArgumentsSaysSoAndCloses) {
    auto window = open({"zrunemoltoq", "1", "x", "0", "firmware.s19"});
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.texts()[0].find("Remote use needs"), std::string::npos);
}

TEST_F(MainWindowTest, PostedCloseClosesTheMainWindow) {
    auto window = open();
    PostMessage(window.get(), WM_CLOSE);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(settings().ReadInteger("Start Position", "WindowState", -1), 2);
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersionAndEnterClosesIt) {
    auto window = open();
    Taboutfrm about(window.get());
    EXPECT_EQ(about.Label4->text(), "Version 5.2.1");
    about.open();
    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

namespace {
// A child window that may refuse to let the program close, as a designer with
// unsaved work does.
class RefusingChild : public QWidget, public CloseQuery {
public:
    bool FormCloseQuery() override {
        ++asked;
        return agree;
    }
    bool agree = false;
    int asked = 0;
};
} // namespace

// Every modal window is a box: a run's timer stands still while one waits for its
// answer, and runs on once it is answered.
TEST_F(MainWindowTest, EveryModalWindowHoldsTheRunTimers) {
    auto window = open();
    Taboutfrm about(window.get());
    Tportinasetus portSetup(window.get());
    Tterminaali* terminal = Tterminaali::CreateTerminal(nullptr, 0);
    Tpiirtopohja* designer = CreateDesigner(true);
    const std::pair<const char*, std::function<void()>> kinds[] = {
        {"open or save dialog", [&] { ChooseFileName(window.get(), {}); }},
        {"the program's own file dialog", [&] { window->StartLog->trigger(); }},
        {"ping count input box", [&] { designer->PingCount1Click(); }},
        {"printer setup", [&] { window->PrinterSetup(); }},
        {"print dialog", [&] { terminal->Print1Click(); }},
        {"About box", [&] { window->Tietoja1Click(); }},
        {"port setup", [&] { terminal->Asetukset1Click(false); }},
    };
    ManualTimer timer;
    timer.onTimeout = [] {};
    for (const auto& [kind, openWindow] : kinds) {
        timer.Start();
        bool shown = false;
        bool firedUnderIt = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            shown = dialog != nullptr;
            firedUnderIt = timer.Fire();
            if (dialog)
                dialog->reject();
        });
        openWindow();
        EXPECT_TRUE(shown) << kind;
        EXPECT_FALSE(firedUnderIt) << kind;
        EXPECT_TRUE(timer.Fire()) << kind << ": runs on once answered";
        timer.Stop();
    }
}

TEST_F(MainWindowTest, ChildThatRefusesKeepsTheProgramOpenAndNothingIsWritten) {
    auto window = open();
    auto* child = new RefusingChild;
    window->mdiArea()->addSubWindow(child)->show();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(child->asked, 1);
    EXPECT_FALSE(settings().SectionExists("Start Position"));

    child->agree = true;
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(settings().SectionExists("Start Position"));
}

TEST_F(MainWindowTest, RightClickOnTheEmptyFrameOffersTheOpenCommands) {
    auto window = open({"KpalvuxR"});
    QWidget* client = window->mdiArea()->viewport();
    QTest::mouseClick(client, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_TRUE(window->PopupMenu1->isVisible());
    EXPECT_TRUE(window->MultiFlash21->isVisible());
    window->PopupMenu1->close();

    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(window->PopupMenu1->isVisible());

    // With a terminal as the latest child only a new terminal is offered.
    Tterminaali::CreateTerminal(nullptr, 0);
    QMdiSubWindow* child = window->mdiArea()->subWindowList().first();
    child->resize(40, 40);
    child->move(200, 200);
    window->mdiArea()->setActiveSubWindow(child);
    QTest::mouseClick(client, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_FALSE(window->PopupMenu1->isVisible());
    EXPECT_TRUE(window->PopupMenu2->isVisible());
    window->PopupMenu2->close();
}

TEST_F(MainWindowTest, ClosingStoresTheScriptsOnlyWhileTheirSetUpWindowIsShown) {
    auto window = open();
    TScriptSetup scripts;
    window->close();
    EXPECT_FALSE(std::filesystem::exists(ProgramFile("scripts.txt")));

    auto again = open();
    scripts.show();
    again->close();
    EXPECT_TRUE(std::filesystem::exists(ProgramFile("scripts.txt")));
}

TEST_F(MainWindowTest, ShiftCtrlRightClickOnTheToolBarSetsTheActiveTerminalsBuffers) {
    auto window = open();
    Tpuskuriensaato buffers(window.get());
    const Qt::KeyboardModifiers shiftCtrl = Qt::ShiftModifier | Qt::ControlModifier;
    // Without a terminal nothing opens.
    QTest::mouseClick(window->SpeedPanel, Qt::RightButton, shiftCtrl, QPoint(2, 2));
    EXPECT_FALSE(buffers.isVisible());

    QPointer<Tterminaali> terminal = Tterminaali::CreateTerminal(nullptr, 0);
    QMdiSubWindow* child = window->mdiArea()->subWindowList().first();
    window->mdiArea()->setActiveSubWindow(child);
    QTest::mouseClick(window->SpeedPanel, Qt::RightButton, Qt::ControlModifier, QPoint(2, 2));
    EXPECT_FALSE(buffers.isVisible());
    QTest::mouseClick(window->SpeedPanel, Qt::RightButton, shiftCtrl, QPoint(2, 2));
    ASSERT_TRUE(buffers.isVisible());
    EXPECT_EQ(buffers.rx_pituus->value(), terminal->CommPort1->RX_puskurin_koko());
    EXPECT_EQ(buffers.tx_pituus->value(), terminal->CommPort1->TX_puskurin_koko());

    buffers.rx_pituus->setValue(4096);
    buffers.tx_pituus->setValue(1024);
    buffers.okbtnClick();
    EXPECT_EQ(terminal->CommPort1->RX_puskurin_koko(), 4096);
    EXPECT_EQ(terminal->CommPort1->RX_notify(), 4096);
    EXPECT_EQ(terminal->CommPort1->TX_puskurin_koko(), 1024);

    QTest::mouseClick(window->SpeedPanel, Qt::RightButton, shiftCtrl, QPoint(2, 2));
    buffers.rx_pituus->setValue(0);
    buffers.okbtnClick();
    EXPECT_EQ(terminal->CommPort1->RX_notify(), 1) << "a notify level of 0 would receive nothing";

    // The terminal closes while the dialog is still up: OK then touches nothing.
    QTest::mouseClick(window->SpeedPanel, Qt::RightButton, shiftCtrl, QPoint(2, 2));
    EXPECT_EQ(buffers.rx_pituus->value(), 1) << "the size in force";
    child->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(terminal.isNull());
    buffers.okbtnClick();
    EXPECT_FALSE(buffers.isVisible());
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeReadIsReportedInTheProgramsWords) {
    std::filesystem::create_directory(SettingsFileName());
    auto window = open();
    EXPECT_TRUE(window->close());
    const std::string writeFailed = "Unable to write ini file. Access denied";
    for (const std::string& text : boxes.texts())
        EXPECT_TRUE(text == "Unable to read ini file. Access denied" || text == writeFailed) << text;
    const std::vector<std::string> texts = boxes.texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), writeFailed), 2)
        << "the layout and the window's own keys each fail and are each reported";
}
