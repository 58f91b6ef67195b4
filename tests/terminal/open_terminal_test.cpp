// The main window's "Open terminal" runs the port dialog and opens a terminal
// on the chosen port; the user types into it and reads its screen.
#include "app/tpohjafrm.h"
#include "platform/program_files.h"
#include "platform/tradiogroup.h"
#include "platform/virtual_port.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/tportinasetus.h"
#include "terminal/tterminaali.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr int kModemCom = 13;
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

    TempFolder folder;
    MessageBoxRecorder boxes;
    VirtualPort modem{kModemCom};
    std::unique_ptr<TPohjafrm> main;
    std::unique_ptr<Tportinasetus> dialog;
};

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

} // namespace
