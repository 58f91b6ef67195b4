#include "designer/tinfo.h"
#include "platform/file_dialogs.h"
#include "support/fake_main_window.h"
#include "support/file_text.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct StatusWindow : ::testing::Test {
    explicit StatusWindow(bool factory = false) {
        main.factory_mode = factory;
        window = new Tinfo(&main);
    }
    QTextEdit* Log() const { return window->findChild<QTextEdit*>("infot"); }
    QPushButton* Button(const char* name) const { return window->findChild<QPushButton*>(name); }

    FakeMainWindow main;
    Tinfo* window;
};

struct FactoryStatusWindow : StatusWindow {
    FactoryStatusWindow() : StatusWindow(true) {}
};

TEST_F(StatusWindow, OutsideFactoryModeFramesAddNoLinesAndTheLogHasNoMenu) {
    EXPECT_EQ(info, window);
    window->ShowCentredEmpty();
    window->AddStatusLine("Opening port COM1.. Wait 1 second..");
    window->AddStatusData("\x24\x01", TransferStatusWindow::kSentColour);
    window->AddStatusLine("Send NMS");
    window->AddStatusPair(" OK");
    EXPECT_EQ(window->LogText(), "Opening port COM1.. Wait 1 second..\nSend NMS OK");
    EXPECT_EQ(Log()->contextMenuPolicy(), Qt::NoContextMenu);

    // Showing it again for a run starts an empty log.
    window->hide();
    window->ShowCentredEmpty();
    EXPECT_EQ(window->LogText(), "");
}

TEST_F(FactoryStatusWindow, FramesBecomeColouredLinesOfHexadecimalEscapes) {
    window->ShowCentredEmpty();
    window->AddStatusLine("Set the modem to the programming mode");
    window->AddStatusData(std::string("\x24\x01\x00\x4C\x2C\x2A", 6), TransferStatusWindow::kSentColour);
    EXPECT_EQ(window->LogText(), "Set the modem to the programming mode\n\\24\\01\\00\\4C\\2C\\2A");
    QTextCursor cursor(Log()->document());
    cursor.movePosition(QTextCursor::End);
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(0, 0x80, 0));
    EXPECT_EQ(Log()->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(StatusWindow, ButtonsAreHeldDuringARunAndComeBackWhenItsTimerFires) {
    window->EnableStatusButtons(false);
    EXPECT_FALSE(Button("closebtn")->isEnabled());
    EXPECT_FALSE(Button("saveasbtn")->isEnabled());
    window->StartButtonTimer();
    EXPECT_TRUE(window->PiilotaTmr->isActive());
    EXPECT_EQ(window->PiilotaTmr->interval(), Tinfo::kButtonDelayMs);
    // The next run, starting before the timer fired, holds them to its own end; a
    // process that starts meanwhile waits its turn and gives nothing back before
    // it has the window; one still going when the holder ends takes it over.
    int run = 0;
    int other = 0;
    int third = 0;
    EXPECT_TRUE(window->Take(&run, "run"));
    EXPECT_FALSE(window->PiilotaTmr->isActive());
    EXPECT_FALSE(window->Take(&other, "other"));
    window->GiveBack(&other);
    EXPECT_FALSE(window->PiilotaTmr->isActive());
    EXPECT_FALSE(window->Take(&third, "third"));
    window->GiveBack(&run);
    EXPECT_TRUE(window->Serves(&third));
    EXPECT_FALSE(window->Serves(&run));
    EXPECT_EQ(window->windowTitle(), "third");
    EXPECT_FALSE(window->PiilotaTmr->isActive());
    EXPECT_FALSE(Button("closebtn")->isEnabled());
    // The timer fires at once instead of after its second.
    window->PiilotaTmr->setInterval(0);
    window->GiveBack(&third);
    for (QDeadlineTimer deadline(2000); window->PiilotaTmr->isActive() && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(window->PiilotaTmr->isActive());
    EXPECT_TRUE(Button("closebtn")->isEnabled());
    EXPECT_TRUE(window->Serves(&other));
    window->ShowCentredEmpty();
    window->closebtnClick();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(StatusWindow, SaveAsWritesTheLogAsTextLines) {
    TempFolder folder;
    const std::string file = folder.file("log.txt");
    SetFileDialogResponder([&](const FileDialogRequest& request) -> std::optional<std::string> {
        EXPECT_EQ(request.filter, "Text file|*.txt");
        return file;
    });
    window->AddStatusLine("first");
    window->AddStatusLine("second");
    window->saveasbtnClick();
    SetFileDialogResponder({});
    EXPECT_EQ(ReadFileText(file), "first\r\nsecond\r\n");
}

} // namespace
