#include "terminal_services_fixture.h"

#include "platform/window_message.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

namespace {

TEST_F(TerminalServicesTest, ButtonsFollowTheCountOfTerminalsAndOpenPorts) {
    auto window = start({"", ""});
    Settle();
    EXPECT_FALSE(window->TermOpenCloseAll->isEnabled());
    EXPECT_FALSE(window->SpeedButton2->isEnabled());

    FakeTerminalWindow* first = Terminal(*window, 0);
    FakeTerminalWindow* second = Terminal(*window, 1);
    second->open = false;
    window->UpdateTerminalButtons();
    EXPECT_TRUE(window->TermOpenCloseAll->isEnabled());
    EXPECT_TRUE(window->SpeedButton2->isEnabled());
    EXPECT_EQ(window->TermOpenCloseAll->text(), "CloseAll");
    EXPECT_EQ(window->Tag, 0);
    EXPECT_EQ(waited, 100);

    // Closing all turns every screen silver; the recount then offers opening all.
    window->TermOpenCloseAll->trigger();
    Settle();
    EXPECT_FALSE(first->open);
    EXPECT_EQ(first->shade, PortShade::Closed);
    EXPECT_EQ(window->TermOpenCloseAll->text(), "OpenAll");
    EXPECT_EQ(window->TermOpenCloseAll->toolTip(), "Open serial port on all terminals.");
    window->TermOpenCloseAll->trigger();
    Settle();
    EXPECT_TRUE(first->open && second->open);
    EXPECT_EQ(first->quietOpens, 1);
    EXPECT_EQ(window->TermOpenCloseAll->text(), "CloseAll");

    window->SpeedButton2->trigger();
    EXPECT_EQ(first->clears + second->clears, 2);
    window->ShowScriptSetName("Set 2");
    EXPECT_EQ(second->scriptPanel, "Script Set: Set 2");
}

TEST_F(TerminalServicesTest, TableHoldsTenTerminalsAndMirrorsOnlyBetweenMirroringOnes) {
    auto window = start();
    std::vector<FakeTerminalWindow*> terminals;
    for (int i = 0; i < 11; ++i) {
        terminals.push_back(Terminal(*window, i, "T" + std::to_string(i)));
        terminals.back()->layout.options.mirror = true;
    }
    terminals[2]->layout.options.mirror = false;
    EXPECT_EQ(window->Ikkunat1->actions().size(), 6 + 11);
    EXPECT_EQ(window->terminal_table[9], terminals[9]);

    window->BroadcastKeyToTerminals(terminals[0], 'k');
    window->BroadcastDataToTerminals(terminals[0], "data");
    EXPECT_EQ(terminals[1]->keys, "k");
    EXPECT_EQ(terminals[1]->data_, "data");
    EXPECT_EQ(terminals[0]->keys, "");   // not back to the sender
    EXPECT_EQ(terminals[2]->keys, "");   // mirror off
    EXPECT_EQ(terminals[10]->data_, ""); // no slot

    // The eleventh terminal's entry still activates it.
    terminals[10]->child->showMinimized();
    window->Ikkunat1->actions().last()->trigger();
    EXPECT_FALSE(terminals[10]->child->isMinimized());
    EXPECT_EQ(window->mdiArea()->activeSubWindow(), terminals[10]->child);
    EXPECT_EQ(window->Ikkunat1->actions().last()->statusTip(), "Open window T10");

    // A freed slot goes to the next terminal that registers.
    window->RemoveWindowMenuEntry(terminals[3], "T3");
    EXPECT_EQ(window->Ikkunat1->actions().size(), 6 + 10);
    EXPECT_EQ(window->terminal_table[3], nullptr);
    FakeTerminalWindow* late = Terminal(*window, 12, "late");
    EXPECT_EQ(window->terminal_table[3], late);
}

TEST_F(TerminalServicesTest, EntriesAreRemovedByTerminalAndRenamedByCaption) {
    auto window = start();
    FakeTerminalWindow* first = Terminal(*window, 0, "COM1: 9600");
    FakeTerminalWindow* second = Terminal(*window, 0, "COM1: 9600");
    window->RemoveWindowMenuEntry(second, "COM1: 9600");
    window->RemoveWindowMenuEntry(second, "COM1: 9600");
    ASSERT_EQ(window->Ikkunat1->actions().size(), 7);
    window->RenameWindowMenuEntry("COM1: 9600", "COM1: 19200");
    EXPECT_EQ(window->Ikkunat1->actions().last()->text(), "COM1: 19200");
    window->Ikkunat1->actions().last()->trigger();
    EXPECT_EQ(window->mdiArea()->activeSubWindow(), first->child);
}

TEST_F(TerminalServicesTest, StartLogLogsAllTerminalsUnderOneTimeStampedName) {
    auto window = start({"", ""});
    FakeTerminalWindow* terminal = Terminal(*window, 2);
    window->logsize_nbr->setValue(5);
    window->StartLog->setEnabled(true);

    QTimer::singleShot(0, window->SaveLog, &QDialog::reject);
    window->StartLog->trigger();
    EXPECT_FALSE(window->StartLog->isChecked());
    EXPECT_TRUE(terminal->logs.empty());

    QTimer::singleShot(0, window->SaveLog, [&] {
        window->SaveLog->setDirectory(QString::fromStdString(folder.path().string()));
        if (auto* name = window->SaveLog->findChild<QLineEdit*>("fileNameEdit"))
            name->setText("all.txt");
        static_cast<QDialog*>(window->SaveLog)->done(QDialog::Accepted);
    });
    window->StartLog->trigger();
    EXPECT_TRUE(window->StartLog->isChecked());
    EXPECT_EQ(window->StartLog->text(), "Stop Log");
    ASSERT_EQ(terminal->logs.size(), 1u);
    const std::string& started = terminal->logs[0];
    EXPECT_EQ(started.rfind(folder.file("all_"), 0), 0u) << started;
    EXPECT_EQ(started.substr(started.size() - 6), ".txt|5");

    window->StartLog->trigger();
    EXPECT_EQ(window->StartLog->text(), "Start Log");
    EXPECT_EQ(terminal->logStops, 1);
}

} // namespace
