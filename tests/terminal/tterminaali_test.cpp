#include "terminal/tterminaali.h"

#include "platform/program_files.h"
#include "platform/virtual_port.h"
#include "platform/window_message.h"
#include "serial/tquovixcommport.h"
#include "support/fake_main_window.h"
#include "support/image_pixels.h"
#include "support/message_box_recorder.h"
#include "support/pdf_text.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr int kModemCom = 14;
constexpr int kWaitMs = 5000;

// Counts the messages a transmit window would get from its terminal.
class TransmitWindowStandIn : public QObject {
public:
    int sendsDone = 0;
    int portClosed = 0;

protected:
    bool event(QEvent* event) override {
        if (const WindowMessage* message = WindowMessage::from(event)) {
            if (message->number() == WM_TX_SEND_DONE)
                ++sendsDone;
            else if (message->number() == WM_TX_PORT_CLOSED)
                ++portClosed;
            return true;
        }
        return QObject::event(event);
    }
};

class TerminalWindowTest : public testing::Test {
protected:
    TerminalWindowTest() {
        SetProgramPathForTests(folder.file("quovix"));
        main = std::make_unique<FakeMainWindow>();
        main->show();
        terminal = Tterminaali::CreateTerminal(nullptr, 0);
        terminal->CommPort1->setPortin_nro(static_cast<TPortnro>(kModemCom - 1));
        terminal->CommPort1->tila_hiljaa(true);
        terminal->ApplyOptions();
        QCoreApplication::processEvents();
    }
    ~TerminalWindowTest() override {
        main.reset();
        SetProgramPathForTests("");
    }

    QString screen() { return terminal->teksti->screenText(); }

    // What the modem receives while the terminal runs, up to count bytes.
    std::string modemReceives(size_t count) {
        std::string received;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                received += modem.Read();
                return received.size() >= count;
            },
            kWaitMs));
        return received;
    }

    // Lets the port deliver until the screen holds text.
    bool screenShows(const QString& text) {
        return QTest::qWaitFor([&] { return screen() == text; }, kWaitMs);
    }

    QTextCharFormat formatAt(int position) { return terminal->teksti->formatAt(position); }

    TempFolder folder;
    MessageBoxRecorder boxes;
    VirtualPort modem{kModemCom};
    std::unique_ptr<FakeMainWindow> main;
    QPointer<Tterminaali> terminal;
};

TEST_F(TerminalWindowTest, LineEndSplitOverTwoChunksGivesTwoLines) {
    modem.Write("A\r");
    ASSERT_TRUE(screenShows("A\n"));
    modem.Write("\nB");
    EXPECT_TRUE(screenShows("A\nB"));
    EXPECT_EQ(terminal->statusPanels[0]->text(), "RX: 4");
}

TEST_F(TerminalWindowTest, HexAndMixedViewsShowEscapesInBlue) {
    terminal->options.viewType = kHexView;
    modem.Write("A\rB");
    ASSERT_TRUE(screenShows("\\41\n\\0D\\42"));
    EXPECT_EQ(formatAt(0).foreground().color(), QColor(0, 0, 255));

    terminal->Clear1Click();
    terminal->options.viewType = kMixedView;
    modem.Write(std::string("AB\x00\rC", 5));
    ASSERT_TRUE(screenShows("AB\\00\n\\0DC"));
    EXPECT_NE(formatAt(0).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(formatAt(2).foreground().color(), QColor(0, 0, 255));
    EXPECT_NE(formatAt(10).foreground().color(), QColor(0, 0, 255));
}

// A log that fails in the middle of a chunk shows its box after the chunk: what
// arrives while the box is open follows on the screen in the line's order.
TEST_F(TerminalWindowTest, AFailingLogsBoxKeepsReceivedDataInOrder) {
    terminal->options.viewType = kMixedView;
    std::filesystem::create_symlink("/dev/full", folder.file("log_COM_14___0000.txt"));
    terminal->startSlicedLog(folder.file("log.txt"), 0);
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        modem.Write("B2\r\n");
        QTest::qWait(200);
        return IDOK;
    });
    modem.Write("A1\r\n");
    EXPECT_TRUE(screenShows("A1\n\\0D\n\\0AB2\n\\0D\n\\0A")) << screen().toStdString();
}

TEST_F(TerminalWindowTest, ChunkStampsAreMaroon) {
    terminal->options.timeStamp = true;
    modem.Write("data");
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen().endsWith("data"); }, kWaitMs));
    EXPECT_TRUE(screen().startsWith("("));
    EXPECT_EQ(formatAt(0).foreground().color(), QColor(128, 0, 0));
}

TEST_F(TerminalWindowTest, LineStartStampsBeginEveryLineButEmptyOnes) {
    terminal->options.timeStamp = true;
    terminal->options.lineStart = true;
    terminal->ApplyOptions();
    modem.Write("one\r\n\r\ntwo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen().endsWith("two"); }, kWaitMs));
    const QStringList lines = screen().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("(") && lines[0].endsWith(")one")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].startsWith("(") && lines[2].endsWith(")two"));
}

TEST_F(TerminalWindowTest, ColourCounterHighlightsFirstFiveCharactersAfterAPause) {
    terminal->options.colourCounter = true;
    modem.Write("0123456789A");
    ASSERT_TRUE(screenShows("0123456789A"));
    EXPECT_EQ(formatAt(4).fontWeight(), QFont::Bold);
    EXPECT_NE(formatAt(5).fontWeight(), QFont::Bold);
}

// In hexadecimal view the escapes after the five highlighted characters are in
// the window's text colour, not blue.
TEST_F(TerminalWindowTest, ColourCounterLeavesTheRestOfAHighlightedTextInTheTextColour) {
    terminal->options.colourCounter = true;
    terminal->options.viewType = kHexView;
    modem.Write("AB");
    ASSERT_TRUE(screenShows("\\41\\42"));
    EXPECT_EQ(formatAt(4).foreground().color(), QColor(255, 128, 0));
    EXPECT_EQ(formatAt(5).foreground().style(), Qt::NoBrush);
    EXPECT_NE(formatAt(5).fontWeight(), QFont::Bold);
}

TEST_F(TerminalWindowTest, LongSendArrivesWholeInOrderWithOneSendDone) {
    TransmitWindowStandIn transmit;
    terminal->transmitWindow = &transmit;
    terminal->transmitShown = true;
    std::string data(10000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i % 251);
    terminal->QueueSend(data, true);
    EXPECT_EQ(modemReceives(data.size()), data);
    ASSERT_TRUE(QTest::qWaitFor([&] { return transmit.sendsDone > 0; }, kWaitMs));
    QTest::qWait(100);
    EXPECT_EQ(transmit.sendsDone, 1);
    EXPECT_EQ(terminal->statusPanels[1]->text(), "TX: 10000");
}

TEST_F(TerminalWindowTest, KeysTypedDuringAQueuedSendGoBehindIt) {
    modem.SetPacing(true);
    terminal->CommPort1->vaihda_bitti_nop(br115200);
    const std::string data(6000, 'd');
    terminal->QueueSend(data, true);
    QTest::keyClicks(terminal->teksti, "xyz");
    EXPECT_EQ(modemReceives(data.size() + 3), data + "xyz");
}

TEST_F(TerminalWindowTest, FiveQvRaisesRtsWhileSendingAndDropsItWhenTheLineIsIdle) {
    modem.SetPacing(true);
    modem.SetCts(true); // the modem answers RTS
    terminal->options.fiveQv = true;
    terminal->ApplyOptions();
    EXPECT_EQ(terminal->options.rtsHoldMs, 6);
    EXPECT_FALSE(modem.Rts());
    terminal->QueueSend(std::string(200, 'r'), true);
    ASSERT_EQ(modem.ReadFor(1, 2s).size(), 1u);
    EXPECT_TRUE(modem.Rts());
    ASSERT_EQ(modem.ReadFor(199, 2s).size(), 199u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !modem.Rts(); }, kWaitMs));
}

TEST_F(TerminalWindowTest, FailedWaitPrintsTheRedLineAndReopensThePort) {
    modem.SetWaitsFail(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen().contains("Serial port restarted"); }, kWaitMs));
    modem.SetWaitsFail(false);
    QTest::qWait(600); // failures reported before the wait worked again
    EXPECT_TRUE(screen().startsWith("\nERROR: Serial port error. Serial port restarted\n"));
    EXPECT_EQ(formatAt(2).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(terminal->CommPort1->IsOpen());
    terminal->Clear1Click();
    modem.Write("back");
    EXPECT_TRUE(screenShows("back")) << screen().toStdString();
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(TerminalWindowTest, AFailedReopenShowsThePortClosed) {
    terminal->showPortState();
    modem.Vanish();
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen().contains("Serial port restarted"); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminal->openport1->isVisible(); }, kWaitMs));
    EXPECT_FALSE(terminal->closeport1->isVisible());
    EXPECT_EQ(terminal->teksti->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_FALSE(terminal->CommPort1->IsOpen());
}

TEST_F(TerminalWindowTest, LineErrorsAreCountedAndClearedWithTheScreen) {
    terminal->CommPort1->vaihda_pariteetti(pbEven);
    terminal->ApplyOptions();
    modem.InjectLineErrors(CE_RXPARITY | CE_FRAME);
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminal->lineErrors().any(); }, kWaitMs));
    EXPECT_EQ(terminal->statusPanels[4]->text(), "Elog: P = 1, O = 0, F = 1");
    EXPECT_EQ(terminal->statusPanels[4]->palette().color(QPalette::Window), QColor(255, 0, 0));
    terminal->Clear1Click();
    EXPECT_EQ(terminal->statusPanels[4]->text(), "Elog: P = 0, O = 0, F = 0");
    EXPECT_NE(terminal->statusPanels[4]->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_F(TerminalWindowTest, ProgrammingModeRoundTripsThePortAndTheView) {
    TQuovixCommPort& port = *terminal->CommPort1;
    port.vaihda_bitti_nop(br_38400);
    port.vaihda_bitti_luku(db_7_Seven);
    port.vaihda_pariteetti(pbEven);
    port.vaihda_kattely(fcXONXOFF);
    terminal->options.viewType = kHexView;
    terminal->ApplyOptions();

    terminal->ProgSettings1Click();
    DCB near = modem.NearSettings();
    EXPECT_EQ(near.BaudRate, 9600u);
    EXPECT_EQ(near.ByteSize, 8);
    EXPECT_EQ(near.Parity, NOPARITY);
    EXPECT_FALSE(near.fOutX);
    EXPECT_TRUE(terminal->options.localEcho && terminal->options.crLf);
    EXPECT_EQ(terminal->windowTitle(), "COM14: Programming mode ");
    terminal->PopupMenu1Popup();
    EXPECT_EQ(terminal->ProgSettings1->text(), "Normal settings");
    modem.Write("\x41\r");
    ASSERT_TRUE(screenShows("A\n"));

    terminal->ProgSettings1Click();
    near = modem.NearSettings();
    EXPECT_EQ(near.BaudRate, 38400u);
    EXPECT_EQ(near.ByteSize, 7);
    EXPECT_EQ(near.Parity, EVENPARITY);
    EXPECT_TRUE(near.fOutX && near.fInX);
    EXPECT_EQ(terminal->options.viewType, kHexView);
    EXPECT_FALSE(terminal->options.localEcho);
    EXPECT_EQ(terminal->windowTitle(), "COM14: 38400 Even  7 1 | Software");
}

TEST_F(TerminalWindowTest, TypedKeysAreSentEchoedAndCtrlKeysSendControlCharacters) {
    terminal->options.localEcho = true;
    terminal->options.crLf = true;
    QTest::keyClicks(terminal->teksti, "at");
    QTest::keyClick(terminal->teksti, Qt::Key_Return);
    QTest::keyClick(terminal->teksti, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(terminal->teksti, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(modemReceives(5), "at\r\n\x03");
    EXPECT_TRUE(screenShows("at\n ")); // a control character shows as a blank
    EXPECT_EQ(modem.ReadFor(1, 200ms), "");
}

// Ctrl with a digit chooses a script set and types nothing, whatever control
// character the platform gives the key (X gives NUL, ESC and 1C to 1F for
// Ctrl+2 to Ctrl+7).
TEST_F(TerminalWindowTest, CtrlDigitsSendNothingAndShowNothing) {
    terminal->options.localEcho = true;
    const std::pair<Qt::Key, char> keys[] = {{Qt::Key_2, '\x00'}, {Qt::Key_3, '\x1b'}, {Qt::Key_4, '\x1c'},
                                             {Qt::Key_5, '\x1d'}, {Qt::Key_6, '\x1e'}, {Qt::Key_7, '\x1f'}};
    for (const auto& [key, text] : keys) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier, QString(QChar::fromLatin1(text)));
        QCoreApplication::sendEvent(terminal->teksti, &press);
    }
    EXPECT_EQ(modem.ReadFor(1, 200ms), "");
    EXPECT_EQ(screen(), "");
}

// A backspace typed on a mirroring terminal is typed on this one too: it goes
// to the modem and takes the last character off the screen.
TEST_F(TerminalWindowTest, AMirroredBackspaceIsSentAndActsOnTheScreen) {
    modem.Write("abc");
    ASSERT_TRUE(screenShows("abc"));
    terminal->typeMirroredKey('\b');
    EXPECT_EQ(modemReceives(1), "\b");
    EXPECT_TRUE(screenShows("ab")) << screen().toStdString();
}

// Accepts the print dialog when it shows, noting the range it offered.
void AcceptPrintDialog(QAbstractPrintDialog::PrintRange& offered) {
    QTimer::singleShot(0, [&offered] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        offered = dialog->printRange();
        dialog->accept();
    });
}

// A print of the selection, then a print without one: the second starts on all
// pages and prints the whole screen in its colours, titled with the caption.
TEST_F(TerminalWindowTest, APrintAfterASelectionPrintsTheWholeScreenInItsColours) {
    QPrinter* printer = main->Printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    terminal->teksti->appendText("HIGHLIGHTED", kNormalColour, 5);
    terminal->teksti->appendText("\r\nESCAPES\r\n", kEscapeColour);
    terminal->teksti->appendText("(STAMP)\r\n", kStampColour);
    terminal->teksti->appendText("ERRORS\r\n", kErrorColour);
    terminal->teksti->flush();
    terminal->teksti->selectAll();

    QAbstractPrintDialog::PrintRange offered = QAbstractPrintDialog::AllPages;
    const std::string selection = folder.file("selection.pdf");
    printer->setOutputFileName(QString::fromStdString(selection));
    AcceptPrintDialog(offered);
    terminal->Print1Click();
    EXPECT_EQ(offered, QAbstractPrintDialog::Selection);
    EXPECT_TRUE(HoldsInOrder(PdfText(selection), {"HIGHLIGHTED", "ESCAPES", "(STAMP)", "ERRORS"}));

    QTest::mouseClick(terminal->teksti->viewport(), Qt::LeftButton);
    ASSERT_FALSE(terminal->teksti->hasSelection());
    const std::string screen = folder.file("screen.pdf");
    printer->setOutputFileName(QString::fromStdString(screen));
    AcceptPrintDialog(offered);
    terminal->Print1Click();
    EXPECT_EQ(offered, QAbstractPrintDialog::AllPages);
    EXPECT_EQ(PdfPages(screen).size(), 1u);
    EXPECT_TRUE(HoldsInOrder(PdfText(screen), {"HIGHLIGHTED", "ESCAPES", "(STAMP)", "ERRORS"}));
    EXPECT_EQ(PdfTitle(screen), terminal->windowTitle().toStdString());
    EXPECT_EQ(printer->docName(), terminal->windowTitle());

    const QImage page = PdfFirstPageImage(screen, 150);
    ASSERT_FALSE(page.isNull());
    const auto near = [](QColor c, int red, int green, int blue) {
        return std::abs(c.red() - red) < 40 && std::abs(c.green() - green) < 40 &&
               std::abs(c.blue() - blue) < 40;
    };
    EXPECT_TRUE(HasPixel(page, [&](QColor c) { return near(c, 255, 128, 0); })) << "orange";
    EXPECT_TRUE(HasPixel(page, [&](QColor c) { return near(c, 0, 0, 255); })) << "blue";
    EXPECT_TRUE(HasPixel(page, [&](QColor c) { return near(c, 128, 0, 0); })) << "maroon";
    EXPECT_TRUE(HasPixel(page, [&](QColor c) { return near(c, 255, 0, 0); })) << "red";
}

TEST_F(TerminalWindowTest, ClosedPortGreysTheScreenAndDropsSends) {
    TransmitWindowStandIn transmit;
    terminal->transmitWindow = &transmit;
    terminal->transmitShown = true;
    terminal->closeport1Click();
    EXPECT_FALSE(terminal->CommPort1->IsOpen());
    EXPECT_TRUE(terminal->openport1->isVisible());
    EXPECT_FALSE(terminal->closeport1->isVisible());
    terminal->QueueSend("lost", true);
    QTest::keyClicks(terminal->teksti, "k");
    terminal->openport1Click();
    EXPECT_TRUE(terminal->CommPort1->IsOpen());
    EXPECT_EQ(modem.ReadFor(1, 200ms), "");
    QCoreApplication::processEvents();
    EXPECT_EQ(transmit.portClosed, 1);
}

TEST_F(TerminalWindowTest, ClosingTheLastTerminalLeavesTheCountAtZero) {
    main->open_terminals = 0;
    terminal->Suljeterminaali1Click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(terminal.isNull());
    EXPECT_EQ(main->open_terminals, 0);
    EXPECT_TRUE(main->MdiArea()->subWindowList().isEmpty());
}

TEST_F(TerminalWindowTest, TransmitWindowBytesPrintUpToTheirEnd) {
    terminal->AppendScreenBytes("\rskipped at a line start");
    terminal->AppendScreenBytes(std::string("NMSOK 12\0garbage", 16));
    terminal->AppendScreenBytes(std::string("ab\0cd", 5));
    terminal->AppendScreenBytes("\rnext");
    EXPECT_EQ(screen(), "NMSOK 12ab\nnext");
}

} // namespace
