#include "app/tpohjafrm.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "support/message_box_recorder.h"
#include "support/pseudo_terminal_ports.h"
#include "support/temp_folder.h"
#include "terminal/tportinasetus.h"
#include "terminal/tpuskuriensaato.h"

#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A terminal as the dialog sees it: its settings, its line-idle timer and what
// the dialog asked of its port.
struct FakeTerminal {
    LineSettings line;
    TerminalOptions options;
    QTimer packetTimer;
    std::vector<LineSettings> applied;
    int reopened = 0;
    int openedQuietly = 0;

    PortDialogTarget Target() {
        return {&line,
                &options,
                &packetTimer,
                [this](const LineSettings& settings) { applied.push_back(settings); },
                [this] { ++reopened; },
                [this] { ++openedQuietly; }};
    }
};

class PortDialogTest : public testing::Test {
protected:
    PortDialogTest() { SetProgramPathForTests(folder.file("quovix")); }
    ~PortDialogTest() override { SetProgramPathForTests(""); }

    // The main window (for the factory mode and the port list), then the dialog.
    void Start(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.begin(), folder.file("quovix"));
        mainWindow = std::make_unique<TPohjafrm>(arguments);
        dialog = std::make_unique<Tportinasetus>(mainWindow.get());
    }
    void Link(std::initializer_list<int> numbers) {
        for (int number : numbers)
            ports.Add(number);
    }
    // Shows the dialog for a terminal as the terminal does, without waiting.
    void ShowFor(FakeTerminal& terminal, bool newTerminal) {
        dialog->SetTarget(terminal.Target());
        dialog->new_terminal = newTerminal;
        dialog->show();
    }
    // A button takes clicks on its indicator and text, not on the rest of its row.
    static void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    }
    static void Click(TRadioGroup* group, int position) { Click(group->button(position)); }
    std::string Entry() const {
        return dialog->portinnro->button(dialog->portinnro->itemIndex())->text().toStdString();
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    PseudoTerminalPorts ports;
    std::unique_ptr<TPohjafrm> mainWindow;
    std::unique_ptr<Tportinasetus> dialog;
};

} // namespace

TEST_F(PortDialogTest, FirstNewTerminalGetsTheDefaults) {
    Start();
    FakeTerminal terminal;
    ShowFor(terminal, true);
    EXPECT_EQ(dialog->windowTitle(), "Serial port setup");
    EXPECT_EQ(dialog->portinnro->itemIndex(), 0);
    EXPECT_EQ(dialog->nopeus->count(), 10);
    EXPECT_EQ(dialog->nopeus->itemIndex(), 5);
    EXPECT_EQ(dialog->databits->itemIndex(), 1);
    EXPECT_EQ(dialog->parity->itemIndex(), 0);
    EXPECT_EQ(dialog->stopbits->itemIndex(), 0);
    EXPECT_EQ(dialog->kattely->itemIndex(), 0);
    EXPECT_EQ(dialog->nayta->itemIndex(), 0);
    EXPECT_TRUE(dialog->localecho->isChecked());
    EXPECT_TRUE(dialog->rivi->isChecked());
    EXPECT_FALSE(dialog->mirror->isChecked());
    EXPECT_FALSE(dialog->linestart->isEnabled());
    EXPECT_EQ(dialog->ScrollBack->value(), 64);
}

TEST_F(PortDialogTest, FactoryModeOffersFifteenSpeeds) {
    Start({"KpalvuxR"});
    ASSERT_EQ(dialog->nopeus->count(), 15);
    EXPECT_EQ(dialog->nopeus->items().last(), "921600");
}

TEST_F(PortDialogTest, SecondNewTerminalIsOfferedTheNextFreePort) {
    Link({1, 3, 4});
    Start();
    FakeTerminal first;
    ShowFor(first, true);
    EXPECT_EQ(Entry(), "COM1");
    dialog->OKClick();
    EXPECT_EQ(first.line.portNumber, 0);
    EXPECT_EQ(first.openedQuietly, 1);

    // The next listed port: COM3, or COM2 where the machine has a serial device of
    // its own.
    FakeTerminal second;
    ShowFor(second, true);
    const std::string next = dialog->portinnro->items()[1].toStdString();
    EXPECT_EQ(Entry(), next);
    if (!PseudoTerminalPorts::MachineHasSerialDevices()) {
        EXPECT_EQ(next, "COM3");
    }
    dialog->OKClick();
    EXPECT_EQ(second.line.portNumber, PortIndexOfEntry(next));
    EXPECT_EQ(dialog->PortsInUse(), (std::set<int>{0, PortIndexOfEntry(next)}));

    // The first terminal moving to COM4 leaves COM1 free; once it has closed,
    // COM4 is free again.
    ShowFor(first, false);
    dialog->portinnro->setItemIndex(static_cast<int>(dialog->portinnro->items().indexOf("COM4")));
    dialog->OKClick();
    EXPECT_EQ(dialog->PortsInUse(), (std::set<int>{3, PortIndexOfEntry(next)}));
    dialog->RemovePortInUse(&first.line);
    FakeTerminal third;
    ShowFor(third, true);
    EXPECT_EQ(Entry(), "COM1");

    // COM1 would not open, and the terminal shows the dialog again: the port
    // chosen then is the one it holds, and COM1 is free again.
    dialog->OKClick();
    ShowFor(third, true);
    dialog->portinnro->setItemIndex(static_cast<int>(dialog->portinnro->items().indexOf("COM4")));
    dialog->OKClick();
    EXPECT_EQ(dialog->PortsInUse(), (std::set<int>{3, PortIndexOfEntry(next)}));
    FakeTerminal fourth;
    ShowFor(fourth, true);
    EXPECT_EQ(Entry(), "COM1");

    // A terminal that tried the third's port and closed leaves that port in use.
    dialog->portinnro->setItemIndex(static_cast<int>(dialog->portinnro->items().indexOf("COM4")));
    dialog->OKClick();
    dialog->RemovePortInUse(&fourth.line);
    EXPECT_EQ(dialog->PortsInUse(), (std::set<int>{3, PortIndexOfEntry(next)}));
}

TEST_F(PortDialogTest, OkAppliesTheChoiceAndTheNextNewTerminalStartsFromIt) {
    Start();
    FakeTerminal terminal;
    ShowFor(terminal, true);
    Click(dialog->nopeus, 9);
    Click(dialog->databits, 0);
    Click(dialog->parity, 2);
    Click(dialog->stopbits, 1);
    Click(dialog->kattely, 3);
    Click(dialog->nayta, 2);
    dialog->mirror->setChecked(true);
    dialog->localecho->setChecked(false);
    Click(dialog->timestamp);
    EXPECT_TRUE(dialog->linestart->isEnabled());
    dialog->linestart->setChecked(true);
    dialog->counter_color->setChecked(true);
    dialog->aikavali->setValue(3);
    dialog->ScrollBack->setValue(100);
    QTest::mouseClick(dialog->OK, Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);

    const LineSettings& line = terminal.line;
    EXPECT_EQ(line.baudRate, 9);
    EXPECT_EQ(line.dataBits, 3);
    EXPECT_EQ(line.parity, 2);
    EXPECT_EQ(line.stopBits, LineSettings::kStopTwo);
    EXPECT_EQ(line.rtsMode, LineSettings::kRtsDisable);
    EXPECT_EQ(line.flowControl, LineSettings::kFlowNone);
    ASSERT_FALSE(terminal.applied.empty());
    EXPECT_EQ(terminal.applied.back(), line);
    const TerminalOptions& options = terminal.options;
    EXPECT_TRUE(options.fiveQv);
    EXPECT_TRUE(options.mirror);
    EXPECT_FALSE(options.localEcho);
    EXPECT_TRUE(options.timeStamp);
    EXPECT_TRUE(options.lineStart);
    EXPECT_TRUE(options.colourCounter);
    EXPECT_EQ(options.viewType, 2);
    EXPECT_EQ(options.highMark, 100 * 1024);
    EXPECT_TRUE(terminal.packetTimer.isActive());
    EXPECT_EQ(terminal.packetTimer.interval(), 3000);

    const TIniFile ini(SettingsFileName());
    const std::vector<std::string> keys{"Serial port", "Baudrate",   "Databits",    "Parity",
                                        "Stopbits",    "Handshake",  "Local Echo",  "Mirror",
                                        "CR LF",       "Time stamp", "CR interval", "Packet Interval",
                                        "View Type",   "ScrollBack", "Linestart"};
    EXPECT_EQ(ini.ReadSection("Terminal port"), keys);
    EXPECT_EQ(ini.ReadInteger("Terminal port", "Handshake", -1), 3);
    EXPECT_EQ(ini.ReadInteger("Terminal port", "CR interval", -1), 1);

    // A fresh dialog (the next program start) shows the same choice to a new terminal.
    dialog = std::make_unique<Tportinasetus>(mainWindow.get());
    FakeTerminal next;
    ShowFor(next, true);
    EXPECT_EQ(dialog->nopeus->itemIndex(), 9);
    EXPECT_EQ(dialog->databits->itemIndex(), 0);
    EXPECT_EQ(dialog->parity->itemIndex(), 2);
    EXPECT_EQ(dialog->stopbits->itemIndex(), 1);
    EXPECT_EQ(dialog->kattely->itemIndex(), 3);
    EXPECT_EQ(dialog->nayta->itemIndex(), 2);
    EXPECT_TRUE(dialog->mirror->isChecked());
    EXPECT_FALSE(dialog->localecho->isChecked());
    EXPECT_TRUE(dialog->linestart->isChecked());
    EXPECT_EQ(dialog->aikavali->value(), 3);
    EXPECT_EQ(dialog->ScrollBack->value(), 100);
}

TEST_F(PortDialogTest, ExistingTerminalIsShownAndMovedOnlyWhenItsPortChanges) {
    Link({1, 2, 10});
    Start();
    FakeTerminal terminal;
    terminal.line.portNumber = 9;
    terminal.line.rtsMode = LineSettings::kRtsHandshake;
    terminal.line.baudRate = 7;
    terminal.options.highMark = 70000;
    terminal.options.timeStamp = true;
    terminal.packetTimer.setInterval(4500);
    terminal.packetTimer.start();
    ShowFor(terminal, false);
    EXPECT_EQ(dialog->portinnro->items().mid(0, 3), (QStringList{"COM1", "COM10", "COM2"}));
    EXPECT_EQ(dialog->portinnro->itemIndex(), 1);
    EXPECT_EQ(dialog->kattely->itemIndex(), 1);
    EXPECT_EQ(dialog->nopeus->itemIndex(), 7);
    EXPECT_EQ(dialog->ScrollBack->value(), 68);
    EXPECT_EQ(dialog->aikavali->value(), 4);
    EXPECT_TRUE(dialog->linestart->isEnabled());
    EXPECT_FALSE(terminal.packetTimer.isActive());

    dialog->OKClick();
    EXPECT_EQ(terminal.reopened, 0);
    EXPECT_EQ(terminal.line.portNumber, 9);
    EXPECT_EQ(terminal.openedQuietly, 0);

    ShowFor(terminal, false);
    Click(dialog->portinnro, 2);
    dialog->OKClick();
    EXPECT_EQ(terminal.reopened, 1);
    EXPECT_EQ(terminal.line.portNumber, 1);

    terminal.line.portNumber = 20;
    ShowFor(terminal, false);
    EXPECT_EQ(Entry(), "COM1") << "a port gone from the list shows the first entry";
    dialog->OKClick();
    EXPECT_EQ(terminal.reopened, 2) << "and OK there moves the terminal to it";
    EXPECT_EQ(terminal.line.portNumber, 0);
}

TEST_F(PortDialogTest, LineClicksTakeEffectAtOnceAndStayAfterCancel) {
    Start();
    FakeTerminal terminal;
    ShowFor(terminal, false);
    Click(dialog->nopeus, 8);
    EXPECT_EQ(terminal.line.baudRate, 8);
    Click(dialog->kattely, 2);
    EXPECT_EQ(terminal.line.flowControl, LineSettings::kFlowXonXoff);
    // 5QV/6QV changes nothing until OK.
    Click(dialog->kattely, 3);
    EXPECT_EQ(terminal.line.flowControl, LineSettings::kFlowXonXoff);
    Click(dialog->kattely, 1);
    EXPECT_EQ(terminal.line.rtsMode, LineSettings::kRtsHandshake);
    EXPECT_EQ(terminal.line.flowControl, LineSettings::kFlowNone);
    EXPECT_EQ(terminal.applied.size(), 4u);

    QTest::mouseClick(dialog->Peruuta, Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(terminal.line.baudRate, 8);
    EXPECT_FALSE(terminal.options.fiveQv);
    EXPECT_FALSE(TIniFile(SettingsFileName()).SectionExists("Terminal port"));
}

TEST_F(PortDialogTest, UnwritableSettingsStillApplyTheChoice) {
    TIniFile(SettingsFileName()).WriteInteger("Terminal port", "Baudrate", 99);
    namespace fs = std::filesystem;
    fs::permissions(SettingsFileName(), fs::perms::owner_read);
    Start();
    FakeTerminal terminal;
    ShowFor(terminal, true);
    // A value outside the list falls back to the default choice.
    EXPECT_EQ(dialog->nopeus->itemIndex(), 5);
    Click(dialog->nopeus, 6);
    dialog->OKClick();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(terminal.line.baudRate, 6);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Unable to write ini file. Access denied"});
}

TEST(BufferDialog, OkSetsThePortBuffersAndEmptiesTheFields) {
    Tpuskuriensaato dialog;
    EXPECT_EQ(dialog.tx_pituus->value(), 10240);
    int receive = -1;
    int transmit = -1;
    dialog.SetTarget([&](int rx, int tx) {
        receive = rx;
        transmit = tx;
    });
    dialog.rx_pituus->setValue(4096);
    dialog.tx_pituus->setValue(1024);
    dialog.show();
    QTest::mouseClick(dialog.okbtn, Qt::LeftButton);
    EXPECT_EQ(receive, 4096);
    EXPECT_EQ(transmit, 1024);
    EXPECT_EQ(dialog.rx_pituus->value(), 0);
    EXPECT_EQ(dialog.tx_pituus->value(), 0);
    EXPECT_FALSE(dialog.isVisible());

    dialog.show();
    dialog.rx_pituus->setValue(512);
    QTest::mouseClick(dialog.peruuta, Qt::LeftButton);
    EXPECT_EQ(receive, 4096);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(PortDialogValues, PortEntriesNeedANumberAfterTheFirstThreeCharacters) {
    EXPECT_EQ(PortIndexOfEntry("COM1"), 0);
    EXPECT_EQ(PortIndexOfEntry("COM10"), 9);
    EXPECT_EQ(PortIndexOfEntry("COM"), -1);
    EXPECT_EQ(PortIndexOfEntry("COM0"), -1);
    EXPECT_EQ(PortIndexOfEntry("COMx"), -1);
    // At most three digits are read: a longer number is no port the dialog can name.
    EXPECT_EQ(PortIndexOfEntry("COM1234"), 122);
    EXPECT_EQ(PortEntries("COM1,LPT,COM10,,CNCA0x,COM2"),
              (std::vector<std::string>{"COM1", "COM10", "COM2"}));
}
