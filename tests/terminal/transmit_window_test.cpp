#include "base/nms_frame.h"
#include "base/tstreamstring.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/window_message.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/terminal_link.h"
#include "terminal/tlahetys.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

// A terminal that records what the transmit window asks of it.
class RecordingTerminal : public TerminalLink {
public:
    bool open = true;
    std::vector<std::string> queued;
    std::string screen;
    std::vector<std::string> escapes;
    bool nmsReplyMode = false;
    int cancels = 0;
    QObject* handle = nullptr;
    bool dismissed = false;
    // Each send leaves at once and the window hears that the queue ran empty.
    bool reportsSendDone = false;

    bool PortOpen() const override { return open; }
    void QueueSend(const std::string& data, bool) override {
        queued.push_back(data);
        if (reportsSendDone && handle != nullptr)
            PostMessage(handle, WM_TX_SEND_DONE);
    }
    void AppendScreenBytes(const std::string& text) override { screen += text; }
    void CancelSending() override { ++cancels; }
    void QueueEscape(const std::string& characters, bool) override { escapes.push_back(characters); }
    void StopSendTimer() override {}
    void SetNmsReplyMode(bool on) override { nmsReplyMode = on; }
    void SetTransmitWindowHandle(QObject* window) override { handle = window; }
    void TransmitWindowDismissed(bool closed) override { dismissed = closed; }
};

// Runs the event loop until the condition holds; false when time ran out.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

class TransmitWindowTest : public ::testing::Test {
protected:
    TransmitWindowTest() { SetProgramPathForTests(folder.file("quovix")); }
    // Windows a test left open go with it, before their timers can reach a
    // terminal that no longer exists.
    ~TransmitWindowTest() override {
        for (const QPointer<TLahetys>& window : windows)
            delete window.data();
    }

    TLahetys* open(TerminalLink& terminal, bool factory = true, const QString& caption = "COM3: Transmit") {
        auto* window = new TLahetys(terminal, factory);
        windows.emplace_back(window);
        window->setWindowTitle(caption);
        QApplication::processEvents();
        return window;
    }
    std::string writeFile(const std::string& name, const std::string& bytes) {
        TStreamString stream;
        stream.AppendString(bytes);
        stream.SaveToFile(folder.file(name));
        return folder.file(name);
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    std::vector<QPointer<TLahetys>> windows;
};

} // namespace

TEST_F(TransmitWindowTest, TextSendsCountFromZeroAndEmptySourcesAreRefused) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    window->LahetaClick(true);
    window->lahde->setItemIndex(TLahetys::FileSource);
    window->LahetaClick(true);
    EXPECT_EQ((std::vector<std::string>{"Error: No text to send", "No file selected"}), boxes.texts());
    window->SelectFile(writeFile("empty.txt", ""));
    window->LahetaClick(true);
    EXPECT_EQ("File is empty. No text to send", boxes.texts().back());
    EXPECT_TRUE(terminal.queued.empty());

    window->lahde->setItemIndex(TLahetys::TextSource);
    window->SetBoxText("A\\41");
    window->laskuri->setChecked(true);
    window->lisa->setChecked(true);
    window->mixed_text->setChecked(true);
    EXPECT_EQ("9", window->merkkimaara->text().toStdString());
    window->LahetaClick(true);
    window->LahetaClick(false);
    window->LahetaClick(true);
    EXPECT_EQ((std::vector<std::string>{"00000AA\r\n", "00001AA\r\n", "00000AA\r\n"}), terminal.queued);

    terminal.open = false;
    window->LahetaClick(true);
    EXPECT_EQ(3u, terminal.queued.size());
    window->close();
    EXPECT_TRUE(terminal.dismissed);
}

TEST_F(TransmitWindowTest, ContinuousSendingRepeatsAfterTheDelayUntilCancelled) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    EXPECT_TRUE(waitFor([&] { return terminal.handle == window.data(); }));
    window->SetBoxText("ping");
    window->toisto->setChecked(true);
    window->LahetaClick(true);
    EXPECT_TRUE(window->SendingActive());
    EXPECT_FALSE(window->Laheta->isEnabled());
    PostMessage(window, WM_TX_SEND_DONE);
    EXPECT_TRUE(waitFor([&] { return terminal.queued.size() == size_t{2}; }));
    EXPECT_EQ("Cancel repeat", window->Peruuta->toolTip().toStdString());

    window->PeruutaClick();
    EXPECT_FALSE(window->SendingActive());
    EXPECT_TRUE(window->Laheta->isEnabled());
    EXPECT_EQ(1, terminal.cancels);
    PostMessage(window, WM_TX_SEND_DONE);
    QTest::qWait(300);
    EXPECT_EQ(2u, terminal.queued.size());
    ASSERT_TRUE(window);

    // A port that closes while repeating stops the repeat.
    window->LahetaClick(true);
    PostMessage(window, WM_TX_PORT_CLOSED);
    EXPECT_TRUE(waitFor([&] { return window->Laheta->isEnabled(); }));
    window->PeruutaClick();
    EXPECT_TRUE(waitFor([&] { return !window; }));
}

TEST_F(TransmitWindowTest, CommandFileSendsOneLinePerSendAndSkipsRefusedLines) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    window->lahde->setItemIndex(TLahetys::CommandSource);
    window->SelectFile(writeFile("commands.txt", "GET U16 1.256\r\n// note\r\nSET U8 1.256 300\r\n+++\r\n"));
    window->LahetaClick(true);
    ASSERT_EQ(1u, terminal.queued.size());
    EXPECT_EQ(BuildNmsGetFrame(0, 0x1100), terminal.queued[0]);
    EXPECT_TRUE(terminal.nmsReplyMode);
    EXPECT_TRUE(window->SendingActive());
    EXPECT_EQ("\r\nGET U16 1.256 ", terminal.screen);

    // The refused line prints why and the file goes on without a send. The
    // escape line goes to the terminal whole, and the file ends with it.
    PostMessage(window, WM_TX_SEND_DONE);
    EXPECT_TRUE(waitFor([&] { return !terminal.escapes.empty(); }));
    EXPECT_EQ((std::vector<std::string>{"+++"}), terminal.escapes);
    EXPECT_NE(std::string::npos, terminal.screen.find("NMS command refused"));
    EXPECT_EQ(1u, terminal.queued.size());
    EXPECT_TRUE(window->Laheta->isEnabled());
    EXPECT_FALSE(window->SendingActive());
    window->close();
}

// A send keeps the source, the box text and its options and the command lines it
// started with: what the user chooses, ticks or types while it runs is for the
// next Send, and a command file ends with its last line whether Continuous is
// ticked or not.
TEST_F(TransmitWindowTest, ASendKeepsItsSourceUntilItEnds) {
    const std::string commands = writeFile("commands.txt", "one\r\n// note\r\ntwo\r\nthree\r\n");
    const std::string file = writeFile("data.txt", "FILE");
    const std::string otherFile = writeFile("other.txt", "OTHER");
    const std::vector<std::string> lines{"one\r\n", "two\r\n", "three\r\n"};
    struct Row {
        int source;
        bool continuous;
        int changedTo;
        std::vector<std::string> sent;
    };
    const Row rows[] = {{TLahetys::CommandSource, false, TLahetys::TextSource, lines},
                        {TLahetys::CommandSource, true, TLahetys::FileSource, lines},
                        {TLahetys::TextSource, true, TLahetys::CommandSource, {"BOX", "BOX", "BOX"}},
                        {TLahetys::FileSource, true, TLahetys::TextSource, {"FILE", "FILE", "FILE"}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        RecordingTerminal terminal;
        terminal.reportsSendDone = true;
        QPointer<TLahetys> window = open(terminal);
        ASSERT_TRUE(waitFor([&] { return terminal.handle == window.data(); }));
        window->SetBoxText("BOX");
        window->SelectFile(row.source == TLahetys::CommandSource ? commands : file);
        window->lahde->setItemIndex(row.source);
        window->toisto->setChecked(row.continuous);
        window->LahetaClick(true);
        window->lahde->setItemIndex(row.changedTo);
        window->SetBoxText("NEW");
        window->SelectFile(otherFile);
        window->lisa->setChecked(true);
        EXPECT_TRUE(waitFor([&] { return terminal.queued.size() >= 3; }, 3000));
        QTest::qWait(500); // a command file has ended by now
        if (row.source != TLahetys::CommandSource) {
            window->PeruutaClick();
            terminal.queued.resize(3);
        }
        EXPECT_EQ(terminal.queued, row.sent);
        EXPECT_TRUE(window->Laheta->isEnabled());
        delete window.data(); // before its terminal goes
    }
}

TEST_F(TransmitWindowTest, SilentModemTimesOutAndTheTerminalShowsItsInputAgain) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    window->lahde->setItemIndex(TLahetys::CommandSource);
    window->SelectFile(writeFile("get.txt", "GET U8 1.2"));
    window->LahetaClick(true);
    // The time to answer starts when the request has left the port.
    QTest::qWait(TLahetys::kNmsReplyTimeoutMs + 300);
    EXPECT_TRUE(terminal.nmsReplyMode);
    PostMessage(window, WM_TX_SEND_DONE);
    EXPECT_TRUE(waitFor([&] { return !terminal.nmsReplyMode; }, TLahetys::kNmsReplyTimeoutMs + 2000));
    EXPECT_NE(std::string::npos, terminal.screen.find("NMS reply timed out"));

    // Cancel ends reply mode too.
    window->LahetaClick(true);
    EXPECT_TRUE(terminal.nmsReplyMode);
    window->close();
    EXPECT_FALSE(terminal.nmsReplyMode);
}

TEST_F(TransmitWindowTest, SettingsAndBoxTextSurviveAndCommandSourceNeedsFactoryMode) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    window->SetBoxText("line one\nline \\41");
    window->mixed_text->setChecked(true);
    window->lisa->setChecked(true);
    window->lahde->setItemIndex(TLahetys::CommandSource);
    window->aika_vali->setText("1.5");
    window->close();
    TStreamString box;
    box.LoadFromFile(ProgramFile("COM3.txw"));
    EXPECT_EQ("line one\r\nline \\41", box.AsString());

    QPointer<TLahetys> factory = open(terminal);
    EXPECT_EQ(TLahetys::CommandSource, factory->SourceIndex());
    EXPECT_EQ("line one\r\nline \\41", factory->BoxText());
    EXPECT_TRUE(factory->mixed_text->isChecked());
    EXPECT_EQ("1.5", factory->aika_vali->text().toStdString());
    factory->close();

    QPointer<TLahetys> plain = open(terminal, false);
    EXPECT_EQ(TLahetys::TextSource, plain->SourceIndex());
    EXPECT_FALSE(plain->CRC_text->isVisibleTo(plain));
    plain->close();
}

TEST_F(TransmitWindowTest, UnreadableSettingsAreReportedAndTheDefaultsServe) {
    std::filesystem::create_directory(SettingsFileName());
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Unable to read ini file. Access denied"});
    EXPECT_EQ(TLahetys::TextSource, window->SourceIndex());
}

TEST_F(TransmitWindowTest, EditMenusActOnTheBoxAndAPasteRecoloursEscapes) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    QStringList popup;
    for (QAction* item : window->PopupMenu1->actions())
        popup << item->text();
    EXPECT_EQ(popup, (QStringList{"Cu&t", "&Copy", "&Paste"}));
    window->mixed_text->setChecked(true);
    QApplication::clipboard()->setText(QStringLiteral("A\\41"));
    window->Paste1->trigger();
    QApplication::processEvents();
    QTextCursor cursor(window->teksti->document());
    cursor.setPosition(2);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(0, 0, 255));
}

TEST_F(TransmitWindowTest, ACommandSourceReadOutsideFactoryModeClearsTheFileCaptionAndKeepsTheFile) {
    TIniFile settings(SettingsFileName());
    settings.WriteInteger("COM3", "SELECT", TLahetys::CommandSource);
    settings.WriteString("COM3", "TXFILE", folder.file("commands.txt"));
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal, false);
    EXPECT_EQ(TLahetys::TextSource, window->SourceIndex());
    EXPECT_TRUE(window->Panel1->text().isEmpty());
    window->close();
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("COM3", "TXFILE", ""), folder.file("commands.txt"));
}

// Shown and given the keyboard as the terminal opens it, the window has the focus
// on its first control: the saved source of "Data from".
TEST_F(TransmitWindowTest, OpensWithTheFocusOnTheChosenSource) {
    RecordingTerminal terminal;
    for (const int source : {TLahetys::TextSource, TLahetys::FileSource}) {
        TIniFile(SettingsFileName()).WriteInteger("COM3", "SELECT", source);
        auto* window = new TLahetys(terminal, false);
        windows.emplace_back(window);
        window->setWindowTitle("COM3: Transmit");
        window->show();
        window->activateWindow();
        EXPECT_TRUE(waitFor([&] { return QApplication::focusWidget() == window->lahde->button(source); }))
            << source;
        window->close();
    }
}

TEST_F(TransmitWindowTest, DelayBoxKeepsItsFloorAndSteps) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    window->show();
    window->aika_vali->clear();
    window->aika_vali->setFocus();
    QTest::keyClicks(window->aika_vali, "0x,1");
    EXPECT_EQ("0.1", window->aika_vali->text().toStdString());
    QTest::keyClick(window->aika_vali, Qt::Key_Return);
    EXPECT_EQ("0.2", window->aika_vali->text().toStdString());
    window->CSpinButton1Down->click();
    EXPECT_EQ("0.2", window->aika_vali->text().toStdString());
    window->CSpinButton1Up->click();
    EXPECT_EQ("0.3", window->aika_vali->text().toStdString());
    window->close();
}

// A repeat that waits out a long delay takes a shorter one at once, whether the
// delay box is left by Enter or by moving on.
TEST_F(TransmitWindowTest, ANewDelayAppliesToTheRepeatAlreadyWaiting) {
    RecordingTerminal terminal;
    QPointer<TLahetys> window = open(terminal);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(waitFor([&] { return QApplication::activeWindow() == window.data(); }));
    window->SetBoxText("ping");
    window->toisto->setChecked(true);
    const std::vector<std::function<void()>> applies{
        [&] { QTest::keyClick(window->aika_vali, Qt::Key_Return); }, [&] { window->teksti->setFocus(); }};
    for (size_t row = 0; row < applies.size(); ++row) {
        window->aika_vali->setText("60");
        window->LahetaClick(true);
        PostMessage(window, WM_TX_SEND_DONE);
        QTest::qWait(50);
        window->aika_vali->setFocus();
        window->aika_vali->clear();
        QTest::keyClicks(window->aika_vali, "0.2");
        applies[row]();
        EXPECT_TRUE(waitFor([&] { return terminal.queued.size() == 2 * row + 2; }, 2000)) << row;
        window->PeruutaClick();
    }
}
