#include "app/tpohjafrm.h"
#include "base/tstreamstring.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "serial/tquovixcommport.h"
#include "sim/nms_modem_sim.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/tlahetys.h"
#include "terminal/tterminaali.h"

#include <QCheckBox>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kModemCom = 12;
constexpr int kWaitMs = 8000;

class TransmitThroughTerminalTest : public testing::Test {
protected:
    TransmitThroughTerminalTest() {
        SetProgramPathForTests(folder.file("quovix"));
        main = std::make_unique<TPohjafrm>(std::vector<std::string>{folder.file("quovix")});
        main->factory_mode = true;
        openTerminalAndTransmitWindow();
    }
    ~TransmitThroughTerminalTest() override {
        main.reset();
        SetProgramPathForTests("");
    }

    // A terminal on the modem's port with its transmit window open, the
    // window's saved settings loaded.
    void openTerminalAndTransmitWindow() {
        terminal = Tterminaali::CreateTerminal(nullptr, 0);
        terminal->CommPort1->setPortin_nro(static_cast<TPortnro>(kModemCom - 1));
        terminal->CommPort1->tila_hiljaa(true);
        terminal->ApplyOptions();
        terminal->Lhetys1Click();
        window = qobject_cast<TLahetys*>(terminal->transmitWindow.data());
        QCoreApplication::processEvents();
    }
    // Box text "ping", Counter, Continuous, CR/LF and Mixed ticked, delay 1.5 s.
    static void SetOptionsToKeep(TLahetys& transmit) {
        transmit.SetBoxText("ping");
        for (QCheckBox* option : {transmit.laskuri, transmit.toisto, transmit.lisa, transmit.mixed_text})
            option->setChecked(true);
        transmit.aika_vali->setText("1.5");
    }
    static void ExpectOptionsKept(TLahetys& transmit) {
        EXPECT_EQ(transmit.BoxText(), "ping");
        EXPECT_TRUE(transmit.laskuri->isChecked() && transmit.toisto->isChecked());
        EXPECT_TRUE(transmit.lisa->isChecked() && transmit.mixed_text->isChecked());
        EXPECT_EQ(transmit.aika_vali->text(), "1.5");
    }
    void sendCommandFile(const std::string& lines) {
        TStreamString file;
        file.AppendString(lines);
        file.SaveToFile(folder.file("commands.txt"));
        window->lahde->setItemIndex(TLahetys::CommandSource);
        window->SelectFile(folder.file("commands.txt"));
        window->LahetaClick(true);
    }
    bool screenHas(const std::string& text) {
        return QTest::qWaitFor(
            [&] { return terminal->teksti->screenText().toStdString().find(text) != std::string::npos; },
            kWaitMs);
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    NmsModemOnPort modem{kModemCom};
    std::unique_ptr<TPohjafrm> main;
    QPointer<Tterminaali> terminal;
    QPointer<TLahetys> window;
};

} // namespace

TEST_F(TransmitThroughTerminalTest, RepliesPrintOnTheTerminalAndASilentModemGivesTheScreenBack) {
    ASSERT_TRUE(window);
    EXPECT_EQ("Transmit window COM12", window->windowTitle().toStdString().substr(0, 21));
    modem.With([](NmsModemSim& sim) {
        sim.SetValue(0x1100, std::string(1, '\xFF'));
        sim.SetValue(0x1101, std::string(2, '\0'));
        sim.SetValue(0x5106, std::string(4, '\0'));
        sim.SetValue(0x9106, "name");
        sim.SetSplit(5);
    });
    sendCommandFile("GET I8 1.256\nGET U8 1.256\nSET I16 1.257 -2\nGET U16 1.257\nSET I32 5.262 -7\n"
                    "GET U32 5.262\nSET S 9.262 Modem 7\nSET H 9.262 \\01\\02\\FF\nGET U8 3.3\n");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->Laheta->isEnabled() && !terminal->NmsReplyMode(); }, kWaitMs));
    // The terminal drops texts that begin with CR while its caret is at a line
    // start, so the first echo and acknowledgement do not show on a fresh screen.
    for (const std::string expected :
         {" 1.256 -1", "NMSOK  1.256 255", "NMSOK  1.257  -2", "NMSOK  1.257 65534", "NMSOK  5.262  -7",
          "NMSOK  5.262 4294967289", "NMSOK Modem 7", "NMSOK \\01\\02\\FF", "NMSOK NMSError 258"}) {
        EXPECT_TRUE(screenHas(expected)) << expected;
    }

    modem.With([](NmsModemSim& sim) {
        sim.SetSplit(0);
        sim.SetFault(NmsModemSim::Fault::Silent);
    });
    sendCommandFile("GET U8 1.256\n");
    EXPECT_TRUE(terminal->NmsReplyMode());
    EXPECT_TRUE(screenHas("NMS reply timed out"));
    modem.With([](NmsModemSim& sim) { sim.SetFault(NmsModemSim::Fault::Flood); });
    sendCommandFile("GET U8 1.256\n");
    EXPECT_TRUE(screenHas(std::string(64, 'U')));
    EXPECT_FALSE(terminal->NmsReplyMode());

    // Closing the terminal takes its transmit window with it.
    terminal->close();
    delete terminal.data();
    EXPECT_FALSE(window);
}

namespace {

// The modem answers late: the reply to a request that was cancelled comes while
// the next file's request waits, and is passed over; the next request's own reply
// is the one shown.
TEST_F(TransmitThroughTerminalTest, ALateReplyIsTakenOnlyByItsOwnRequest) {
    ASSERT_TRUE(window);
    modem.With([](NmsModemSim& sim) {
        sim.SetValue(0x1100, "late");
        sim.SetValue(0x1101, "own");
    });
    modem.SetReplyDelay(std::chrono::milliseconds(1000));
    sendCommandFile("GET S 1.256\nGET S 1.256\n");
    QTest::qWait(300);
    window->PeruutaClick();
    sendCommandFile("GET S 1.257\n");
    // On the fresh screen the echoes and the acknowledgement begin at the line
    // start and are dropped: the value is all that shows.
    EXPECT_TRUE(screenHas("own"));
    EXPECT_EQ(terminal->teksti->screenText().toStdString(), "own");
}

// On a cleared screen the first echo and acknowledgement begin at the line start
// and are dropped, but the value that follows is printed, and from then on every
// line shows. Command lines are not echoed as sent data, also when the user
// chooses another source while the file runs.
TEST_F(TransmitThroughTerminalTest, RepliesShowOnAClearedScreen) {
    ASSERT_TRUE(window);
    modem.With([](NmsModemSim& sim) {
        sim.SetValue(0x1100, std::string(1, '\xFF'));
        sim.SetValue(0x1101, std::string(2, '\0'));
    });
    terminal->Clear1Click();
    terminal->options.localEcho = true;
    sendCommandFile("GET U8 1.256\nSET I16 1.257 -2\ntext\nGET U16 1.257\n");
    window->lahde->setItemIndex(TLahetys::TextSource);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->Laheta->isEnabled() && !terminal->NmsReplyMode(); }, kWaitMs));
    EXPECT_EQ(" 1.256 255\nSET I16 1.257 -2 \nNMSOK  1.257  -2\ntext \nGET U16 1.257 \nNMSOK  1.257 65534",
              terminal->teksti->screenText().toStdString());
}

// The program closes with the transmit window open: its options and its place
// come back with the terminal as they were.
TEST_F(TransmitThroughTerminalTest, ClosingTheProgramKeepsAnOpenTransmitWindowsOptionsAndPlace) {
    ASSERT_TRUE(window);
    SetOptionsToKeep(*window);
    window->setGeometry(150, 160, 420, 380);
    QCoreApplication::processEvents();
    const QRect place = window->geometry();
    main->close();
    QCoreApplication::processEvents();

    const TIniFile settings(SettingsFileName());
    const std::string section = "Transmit window COM12";
    for (const char* option : {"COUNTER", "CONTINUOUS", "CR_LF", "Mixed"})
        EXPECT_TRUE(settings.ReadBool(section, option, false)) << option;
    EXPECT_EQ(settings.ReadString(section, "DELAY", ""), "1.5");

    Tterminaali* restored = Tterminaali::CreateTerminal(nullptr, 0);
    restored->loadTerminalSettings(settings, "Window number 0");
    QCoreApplication::processEvents();
    auto* reopened = qobject_cast<TLahetys*>(restored->transmitWindow.data());
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->geometry(), place)
        << "frame " << reopened->frameGeometry().x() << "," << reopened->frameGeometry().y();
    ExpectOptionsKept(*reopened);
}

// Closing the terminal (not the program) with its transmit window open, even
// while it repeats a send, keeps what closing the transmit window keeps: the
// next transmit window on the port opens with the options and text it had.
TEST_F(TransmitThroughTerminalTest, ClosingTheTerminalKeepsItsTransmitWindowsOptionsAndText) {
    ASSERT_TRUE(window);
    SetOptionsToKeep(*window);
    // It is repeating its text as the terminal closes.
    window->LahetaClick(true);
    ASSERT_TRUE(window->SendingActive());
    terminal->Suljeterminaali1->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(terminal);
    ASSERT_FALSE(window);

    openTerminalAndTransmitWindow();
    ASSERT_TRUE(window);
    ExpectOptionsKept(*window);
}

} // namespace
