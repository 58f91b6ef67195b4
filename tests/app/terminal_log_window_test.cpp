// The log of a real terminal started by the main window's "Start Log": it takes
// what the screen shows, time stamps and local echo included.
#include "app/tpohjafrm.h"
#include "platform/program_files.h"
#include "platform/virtual_port.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/terminal_log.h"
#include "terminal/tterminaali.h"

#include <QFile>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kModemCom = 11;
constexpr int kWaitMs = 5000;

TEST(TerminalLogWindow, StartLogOfAllTerminalsLogsStampsAndEcho) {
    TempFolder folder;
    MessageBoxRecorder boxes;
    VirtualPort modem(kModemCom);
    SetProgramPathForTests(folder.file("quovix"));
    {
        TPohjafrm main(std::vector<std::string>{folder.file("quovix")});
        main.show();
        Tterminaali* terminal = Tterminaali::CreateTerminal(nullptr, 0);
        terminal->CommPort1->setPortin_nro(static_cast<TPortnro>(kModemCom - 1));
        terminal->CommPort1->tila_hiljaa(true);
        terminal->options.timeStamp = true;
        terminal->options.localEcho = true;
        terminal->options.name = "m";
        terminal->ApplyOptions();
        QCoreApplication::processEvents();

        const std::string base = TimeStampedLogName(folder.file("all.txt"), {2024, 3, 5, 9, 7, 2});
        main.StartLogAllTerminals(base, 1);
        modem.Write("abc");
        ASSERT_TRUE(QTest::qWaitFor([&] { return terminal->teksti->screenText().endsWith("abc"); }, kWaitMs));
        terminal->tekstiKeyPress('x');
        terminal->tekstiKeyPress('y');
        std::string sent;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                sent += modem.Read();
                return sent == "xy";
            },
            kWaitMs));
        // A second start leaves the running log alone.
        main.StartLogAllTerminals(folder.file("other.txt"), 1);
        main.StopLogAllTerminals();
        EXPECT_FALSE(terminal->Logilappu->isVisible());

        QFile log(QString::fromStdString(folder.file("all_2024_3_5_9_7_2_COM_11_m__0000.txt")));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
        const QByteArray logged = log.readAll();
        EXPECT_EQ(logged, terminal->teksti->screenText().toLatin1().replace("\n", "\r\n"));
        EXPECT_TRUE(logged.startsWith("(")) << logged.toStdString();
        EXPECT_TRUE(logged.contains(")abc")) << logged.toStdString();
        EXPECT_TRUE(logged.endsWith("xy")) << logged.toStdString();
        EXPECT_FALSE(QFile::exists(QString::fromStdString(folder.file("other_COM_11_m__0000.txt"))));
    }
    SetProgramPathForTests("");
}

} // namespace
