#include "app/tpohjafrm.h"
#include "platform/program_files.h"
#include "platform/virtual_port.h"
#include "serial/tquovixcommport.h"
#include "shell/terminal_window_link.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/ttxtestfrm.h"

#include <QMdiArea>
#include <QPointer>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

constexpr int kCom = 5;
constexpr int kPortIndex = kCom - 1;

// A terminal window on COM5 as the main window's port hand-over sees it: it
// holds the port while open, so the radio test can have it only when lent.
class StandInTerminal : public QWidget, public TerminalWindowLink {
public:
    std::vector<std::string> events;
    PortShade shade = PortShade::Open;

    StandInTerminal() { openPort(true); }
    ~StandInTerminal() override { closePort(); }

    int portNumber() const override { return kPortIndex; }
    bool portOpen() const override { return port_ != INVALID_HANDLE_VALUE; }
    void openPort(bool) override {
        if (!portOpen()) {
            port_ = CreateFile("COM" + std::to_string(kCom), 0);
        }
        events.push_back(portOpen() ? "open" : "open failed");
    }
    void closePort() override {
        if (portOpen()) {
            CloseHandle(port_);
            port_ = INVALID_HANDLE_VALUE;
            events.push_back("close");
        }
    }
    void showPortState() override {
        shade = lent_ ? PortShade::Lent : portOpen() ? PortShade::Open : PortShade::Closed;
    }
    bool portLent() const override { return lent_; }
    void setPortLent(bool lent) override { lent_ = lent; }
    bool closePortItemShown() const override { return true; }
    void closePortCommand() override {}
    void openPortCommand() override {}
    QWidget* terminalWindow() override { return this; }
    bool mirrors() const override { return false; }
    void typeMirroredKey(char) override {}
    void sendMirroredData(std::string_view) override {}
    void clearScreen() override {}
    void startSlicedLog(const std::string&, int) override {}
    void stopLogging() override {}
    void showScriptSetName(const std::string&) override {}
    void saveTerminalSettings(TIniFile&, const std::string&) override {}
    void loadTerminalSettings(const TIniFile&, const std::string&) override {}

private:
    HANDLE port_ = INVALID_HANDLE_VALUE;
    bool lent_ = false;
};

class RadioTestWindowTest : public testing::Test {
protected:
    RadioTestWindowTest() {
        SetProgramPathForTests(folder.file("quovix"));
        window = new Ttxtestfrm;
        window->portinnro->setItemIndex(kPortIndex);
    }
    ~RadioTestWindowTest() override { delete window.data(); }

    TempFolder folder;
    MessageBoxRecorder boxes;
    QPointer<Ttxtestfrm> window;
};

} // namespace

TEST_F(RadioTestWindowTest, WritesTheTextAgainAndAgainUntilStopped) {
    VirtualPort peer(kCom);
    window->TestChar->setText("AB");
    window->kattely->setItemIndex(2);
    window->stopbits->setItemIndex(1);
    window->parity->setItemIndex(2);
    window->StartClick();
    ASSERT_TRUE(window->Running()) << (boxes.texts().empty() ? "" : boxes.texts()[0]);
    EXPECT_EQ("Stop sending", window->Cancel->toolTip().toStdString());

    const std::string received = peer.ReadFor(64, 3000ms);
    ASSERT_EQ(64u, received.size());
    for (size_t i = 0; i < received.size(); ++i) {
        ASSERT_EQ(i % 2 == 0 ? 'A' : 'B', received[i]) << i;
    }
    const DCB settings = peer.NearSettings();
    EXPECT_TRUE(settings.fOutX);
    EXPECT_EQ(TWOSTOPBITS, settings.StopBits);
    EXPECT_EQ(EVENPARITY, settings.Parity);
    EXPECT_EQ(9600u, settings.BaudRate);

    // Escape presses Cancel.
    QTest::keyClick(window->TestChar, Qt::Key_Escape);
    EXPECT_FALSE(window->Running());
    EXPECT_FALSE(peer.NearEndOpen());
    EXPECT_EQ("Cancel", window->Cancel->toolTip().toStdString());
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(RadioTestWindowTest, StopsWhileHardwareHandshakeHoldsTheLine) {
    VirtualPort peer(kCom);
    peer.SetCts(false);
    // Bytes take their time on the line: the 200 bytes need 6.7 s at 300 baud.
    peer.SetPacing(true);
    window->kattely->setItemIndex(1);
    window->nopeus->setItemIndex(0);
    window->TestChar->setText(QString(200, 'x'));
    window->StartClick();
    ASSERT_TRUE(window->Running());
    QTest::qWait(200);
    const auto started = std::chrono::steady_clock::now();
    window->close();
    // One slice plus the pauses of the stop, not a write of the whole text.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_FALSE(window->Running());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    EXPECT_FALSE(peer.NearEndOpen());
}

TEST_F(RadioTestWindowTest, StartsOnlyWithATextAndAnOpenPort) {
    window->TestChar->clear();
    window->StartClick();
    EXPECT_FALSE(window->Running());
    EXPECT_EQ((std::vector<std::string>{"Error: No text to send"}), boxes.texts());

    // No port COM5: the component says so.
    window->TestChar->setText("U");
    window->StartClick();
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(2u, boxes.texts().size());
}

TEST_F(RadioTestWindowTest, ATerminalOnThePortGoesGreyAndGetsItBack) {
    VirtualPort peer(kCom);
    TPohjafrm main(std::vector<std::string>{folder.file("quovix")});
    auto* terminal = new StandInTerminal;
    main.mdiArea()->addSubWindow(terminal);
    ASSERT_TRUE(terminal->portOpen());

    window->StartClick();
    ASSERT_TRUE(window->Running()) << "the port is free for the test once the terminal lent it";
    EXPECT_EQ(PortShade::Lent, terminal->shade);
    EXPECT_FALSE(peer.ReadFor(8, 3000ms).empty());
    window->CancelClick();
    EXPECT_TRUE(terminal->portOpen());
    EXPECT_EQ(PortShade::Open, terminal->shade);
    EXPECT_EQ((std::vector<std::string>{"open", "close", "open"}), terminal->events);
}
