// The main window's "Open terminal" runs the port dialog and opens a terminal
// on the chosen port; the user types into it and reads its screen.
#include "app/tpohjafrm.h"
#include "platform/portmap.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "platform/tradiogroup.h"
#include "platform/virtual_port.h"
#include "support/message_box_recorder.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"
#include "terminal/tportinasetus.h"
#include "terminal/tscriptsetup.h"
#include "terminal/tterminaali.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

namespace {

constexpr int kModemCom = 13;
constexpr int kLineCom = 16;
constexpr int kWaitMs = 5000;

class OpenTerminalTest : public testing::Test {
protected:
    OpenTerminalTest() {
        SetProgramPathForTests(folder.file("quovix"));
        main = std::make_unique<TPohjafrm>(std::vector<std::string>{folder.file("quovix")});
        main->show();
        dialog = std::make_unique<Tportinasetus>(main.get());
        QCoreApplication::processEvents();
    }
    ~OpenTerminalTest() override {
        dialog.reset();
        main.reset();
        SetProgramPathForTests("");
    }

    // Answers the port dialog when it shows: the modem's port, then OK or Cancel.
    void answerDialog(bool ok) {
        QTimer::singleShot(0, dialog.get(), [this, ok] {
            TRadioGroup* ports = dialog->portinnro;
            for (int i = 0; i < ports->count(); ++i)
                if (ports->button(i)->text() == QStringLiteral("COM%1").arg(kModemCom))
                    ports->setItemIndex(i);
            (ok ? dialog->OK : dialog->Peruuta)->click();
        });
    }

    // A terminal opened through the dialog on the modem's port and one on the
    // next port, both mirroring.
    std::pair<Tterminaali*, Tterminaali*> openMirroringPair() {
        answerDialog(true);
        main->Uusi1->trigger();
        Tterminaali* first = terminaali;
        Tterminaali* other = Tterminaali::CreateTerminal(nullptr, 0);
        other->CommPort1->setPortin_nro(static_cast<TPortnro>(kModemCom));
        other->CommPort1->tila_hiljaa(true);
        for (Tterminaali* terminal : {first, other}) {
            terminal->options.mirror = true;
            terminal->ApplyOptions();
        }
        return {first, other};
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    VirtualPort modem{kModemCom};
    std::unique_ptr<TPohjafrm> main;
    std::unique_ptr<Tportinasetus> dialog;
};

TEST_F(OpenTerminalTest, ANewTerminalComesToTheFrontWithTheKeyboardFocus) {
    main->Piirtopohja1->trigger();
    QCoreApplication::processEvents();
    answerDialog(true);
    main->Uusi1->trigger();
    QCoreApplication::processEvents();
    Tterminaali* terminal = terminaali;
    ASSERT_NE(terminal, nullptr);
    EXPECT_EQ(main->mdiArea()->activeSubWindow()->widget(), terminal);
    EXPECT_TRUE(terminal->teksti->hasFocus());
}

TEST_F(OpenTerminalTest, OpensThroughThePortDialogAndTalksToTheModem) {
    answerDialog(true);
    main->Uusi1->trigger();
    Tterminaali* terminal = terminaali;
    ASSERT_NE(terminal, nullptr);
    ASSERT_TRUE(terminal->CommPort1->IsOpen());
    EXPECT_EQ(terminal->CommPort1->Portin_nro(), kModemCom - 1);
    EXPECT_EQ(terminal->windowTitle(),
              QStringLiteral("COM%1: 9600 None  8 1 | None | Echo | CR -> CR/LF").arg(kModemCom));
    EXPECT_EQ(main->open_terminals, 1);

    terminal->teksti->setFocus();
    QTest::keyClicks(terminal->teksti, "at");
    QTest::keyClick(terminal->teksti, Qt::Key_Return);
    std::string sent;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            sent += modem.Read();
            return sent.size() >= 4;
        },
        kWaitMs));
    EXPECT_EQ(sent, "at\r\n");
    modem.Write("OK\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return terminal->teksti->screenText() == "at\nOK\n"; }, kWaitMs))
        << terminal->teksti->screenText().toStdString();
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(OpenTerminalTest, CancelledDialogClosesTheNewTerminal) {
    answerDialog(false);
    main->Uusi1->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->mdiArea()->subWindowList().isEmpty(); }, kWaitMs));
    EXPECT_EQ(main->open_terminals, 0);
    EXPECT_FALSE(modem.NearEndOpen());
}

TEST_F(OpenTerminalTest, TerminalsJoinTheWindowMenuAndMirrorThroughTheMainWindow) {
    VirtualPort second(kModemCom + 1);
    const auto [first, other] = openMirroringPair();
    const QList<QAction*> entries = main->Ikkunat1->actions();
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries[entries.size() - 2]->text(), first->windowTitle());
    EXPECT_TRUE(first->windowTitle().endsWith("| Mirror"));
    EXPECT_EQ(entries.back()->text(), other->windowTitle());

    first->QueueSend("shared", true);
    std::string mirrored;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            mirrored += second.Read();
            return mirrored.size() >= 6;
        },
        kWaitMs));
    EXPECT_EQ(mirrored, "shared");

    const qsizetype before = main->Ikkunat1->actions().size();
    other->Suljeterminaali1Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(main->Ikkunat1->actions().size(), before - 1);
    EXPECT_EQ(std::count(main->terminal_table.begin(), main->terminal_table.end(), nullptr), 9);
}

// A Backspace typed on one mirroring terminal is typed on the other: it goes to
// the other's modem and takes the last character off the other's screen.
TEST_F(OpenTerminalTest, ABackspaceTypedOnAMirroringTerminalIsTypedOnTheOther) {
    VirtualPort second(kModemCom + 1);
    // Plain variables, which the waits below can capture under every compiler.
    Tterminaali *first = nullptr, *other = nullptr;
    std::tie(first, other) = openMirroringPair();
    second.Write("abc");
    ASSERT_TRUE(QTest::qWaitFor([&] { return other->teksti->screenText() == "abc"; }, kWaitMs));
    first->teksti->setFocus();
    QTest::keyClick(first->teksti, Qt::Key_Backspace);
    std::string typed;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            typed += second.Read();
            return !typed.empty();
        },
        kWaitMs));
    EXPECT_EQ(typed, "\b");
    EXPECT_TRUE(QTest::qWaitFor([&] { return other->teksti->screenText() == "ab"; }, kWaitMs))
        << other->teksti->screenText().toStdString();
}

// A key typed on a mirroring terminal while its queued data is going out goes out
// once, shows once and reaches the other terminal's modem once: typed with a
// piece on the wire, with one that fills the transmit buffer, and with data
// still queued behind it.
TEST_F(OpenTerminalTest, AKeyTypedDuringAQueuedSendGoesOutAndShowsOnce) {
    VirtualPort second(kModemCom + 1);
    Tterminaali *first = nullptr, *other = nullptr;
    std::tie(first, other) = openMirroringPair();
    modem.SetPacing(true);
    first->CommPort1->vaihda_bitti_nop(br_38400);
    for (const size_t queued : {200u, 2048u, 5000u}) {
        SCOPED_TRACE(queued);
        first->Clear1Click();
        first->teksti->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return first->Focused(); }, kWaitMs))
            << "mirrors only with the focus";
        const std::string data(queued, 'q');
        first->QueueSend(data, true);
        QTest::keyClick(first->teksti, Qt::Key_X);
        std::string own;
        std::string mirrored;
        const auto arrived = [&] {
            own += modem.Read();
            mirrored += second.Read();
            return own.size() > queued && mirrored.size() > queued;
        };
        EXPECT_TRUE(QTest::qWaitFor(arrived, kWaitMs));
        QTest::qWait(100);
        arrived();
        EXPECT_TRUE(own == data + "x") << std::count(own.begin(), own.end(), 'x') << " x of " << own.size();
        EXPECT_TRUE(mirrored == data + "x")
            << std::count(mirrored.begin(), mirrored.end(), 'x') << " x of " << mirrored.size();
        EXPECT_EQ(first->teksti->screenText().count('x'), 1);
    }
}

// Whatever the size of the port's transmit buffer, typed keys, a CR turned into
// CR LF and a key script longer than the buffer go out of a real line once and in
// order, and so does the key typed after them: what does not fit goes as room
// comes.
TEST_F(OpenTerminalTest, EveryKeyGoesOutWhateverTheTransmitBuffer) {
    PseudoTerminal line;
    line.LinkAs(PortsFolder(), kLineCom);
    TScriptSetup scripts;
    Tterminaali* terminal = Tterminaali::CreateTerminal(nullptr, 0);
    terminal->CommPort1->setPortin_nro(static_cast<TPortnro>(kLineCom - 1));
    terminal->CommPort1->tila_hiljaa(true);
    ASSERT_TRUE(terminal->portOpen());
    terminal->options.crLf = true;
    terminal->ApplyOptions();
    struct Input {
        const char* what;
        // Types into the terminal and returns what must go out.
        std::function<std::string(int buffer)> type;
    };
    const Input inputs[] = {
        {"plain keys",
         [&](int) {
             QTest::keyClicks(terminal->teksti, "ab");
             return std::string("ab");
         }},
        {"Enter with CR to CR LF",
         [&](int) {
             QTest::keyClicks(terminal->teksti, "a");
             QTest::keyClick(terminal->teksti, Qt::Key_Return);
             QTest::keyClicks(terminal->teksti, "b");
             return std::string("a\r\nb");
         }},
        {"key script longer than the buffer",
         [&](int buffer) {
             std::string script;
             for (int i = 0; i < 2 * buffer + 3; ++i)
                 script.push_back(static_cast<char>('0' + i % 10));
             scripts.RichEdit1->setPlainText(QString::fromLatin1(script));
             QTest::keyClick(terminal->teksti, Qt::Key_F1, Qt::ShiftModifier);
             QTest::keyClicks(terminal->teksti, "b");
             return script + "b";
         }},
    };
    for (const int buffer : {1, 2, 7, 10240}) {
        terminal->CommPort1->vaihda_tx_size(buffer);
        for (const Input& input : inputs) {
            SCOPED_TRACE(std::string(input.what) + ", buffer " + std::to_string(buffer));
            const std::string expected = input.type(buffer);
            std::string sent;
            const auto read = [&] {
                sent += line.ReadFor(1 << 16, std::chrono::milliseconds(5));
                return sent.size() >= expected.size();
            };
            EXPECT_TRUE(QTest::qWaitFor(read, kWaitMs));
            QTest::qWait(20);
            read();
            EXPECT_EQ(sent, expected);
        }
    }
}

TEST_F(OpenTerminalTest, LayoutKeysBringTheTerminalBack) {
    answerDialog(true);
    main->Uusi1->trigger();
    Tterminaali* saved = terminaali;
    saved->CommPort1->vaihda_bitti_nop(br_38400);
    saved->options.viewType = kMixedView;
    saved->options.name = "modem1";
    saved->ApplyOptions();
    TIniFile ini(folder.file("layout.ini"));
    saved->saveTerminalSettings(ini, "Window number 1");
    const QString caption = saved->windowTitle();
    saved->Suljeterminaali1Click();
    QCoreApplication::processEvents();

    Tterminaali* restored = Tterminaali::CreateTerminal(nullptr, 0);
    restored->loadTerminalSettings(ini, "Window number 1");
    EXPECT_EQ(restored->windowTitle(), caption);
    EXPECT_TRUE(restored->CommPort1->IsOpen());
    EXPECT_EQ(restored->options.viewType, kMixedView);
    EXPECT_EQ(main->Ikkunat1->actions().back()->text(), caption);
}

TEST_F(OpenTerminalTest, SlicedLogTakesWhatTheScreenShows) {
    answerDialog(true);
    main->Uusi1->trigger();
    Tterminaali* terminal = terminaali;
    terminal->startSlicedLog(folder.file("log.txt"), 1);
    EXPECT_TRUE(terminal->Logfile1->isChecked());
    modem.Write("one\rtwo");
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminal->teksti->screenText() == "one\ntwo"; }, kWaitMs));
    terminal->stopLogging();
    EXPECT_FALSE(terminal->Logfile1->isChecked());
    QFile log(QString::fromStdString(folder.file("log_COM_13___0000.txt")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
    EXPECT_EQ(log.readAll(), QByteArray("one\r\ntwo"));

    // A log command whose save dialog is cancelled starts nothing and leaves
    // its item unticked.
    for (QAction* item : {terminal->Logfile1, terminal->LogFilesliced2}) {
        QTimer::singleShot(0, [] {
            QDialog* save = nullptr;
            if (QTest::qWaitFor(
                    [&] { return (save = qobject_cast<QDialog*>(QApplication::activeModalWidget())); },
                    kWaitMs))
                save->reject();
        });
        item->trigger();
        EXPECT_FALSE(item->isChecked()) << item->text().toStdString();
        EXPECT_FALSE(terminal->Logilappu->isVisible());
    }
}

} // namespace
