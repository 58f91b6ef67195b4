#include "base/tstreamstring.h"
#include "platform/dialogs_in_front.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"
#include "terminal/terminal_link.h"
#include "terminal/tscriptsetup.h"

#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class RecordingTerminal : public TerminalLink {
public:
    std::vector<std::string> sent;
    bool PortOpen() const override { return true; }
    void QueueSend(const std::string& data, bool fromUser) override {
        EXPECT_TRUE(fromUser);
        sent.push_back(data);
    }
    void AppendScreenBytes(const std::string&) override {}
    void CancelSending() override {}
    void QueueEscape(const std::string&, bool) override {}
    void StopSendTimer() override {}
    void SetNmsReplyMode(bool) override {}
    void SetTransmitWindowHandle(QObject*) override {}
    void TransmitWindowDismissed(bool) override {}
};

class ScriptSetupWindowTest : public ::testing::Test {
protected:
    ScriptSetupWindowTest() { SetProgramPathForTests(folder.file("quovix")); }

    std::unique_ptr<TScriptSetup> open() { return std::make_unique<TScriptSetup>(); }
    ScriptTable stored() {
        ScriptTable table;
        LoadScriptStore(TIniFile(SettingsFileName()), ScriptStoreFileName(SettingsFileName()), table);
        return table;
    }
    static void type(QTextEdit* edit, const QString& text) {
        edit->setFocus();
        QTest::keyClicks(edit, text);
        QApplication::processEvents();
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    RecordingTerminal terminal;
};

QColor colourAt(QTextEdit* edit, int position) {
    QTextCursor cursor(edit->document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().foreground().color();
}

} // namespace

TEST_F(ScriptSetupWindowTest, FirstStoreNamesSetOneSetName) {
    auto window = open();
    EXPECT_EQ("SetName", window->SetName->text().toStdString());
    EXPECT_TRUE(window->RichEdit1->toPlainText().isEmpty());
    window->show();
    window->OkbtnClick(window->Okbtn);
    EXPECT_FALSE(window->isVisible());

    const ScriptTable table = stored();
    EXPECT_EQ("SetName", table.cell(1, kScriptNameRow).text);
    EXPECT_EQ("", table.cell(2, kScriptNameRow).text);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ScriptSetupWindowTest, ChangingSetsKeepsWhatWasTypedAndCtrlAloneChooses) {
    auto window = open();
    window->show();
    type(window->RichEdit1, "one");
    QTest::keyRelease(window->RichEdit3, Qt::Key_F2, Qt::ControlModifier);
    EXPECT_EQ(2, window->CurrentSet());
    EXPECT_TRUE(window->RichEdit1->toPlainText().isEmpty());
    type(window->RichEdit1, "two");
    window->SetName->setText("Second");

    EXPECT_FALSE(window->RichEdit1KeyUp(Qt::Key_F3, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_FALSE(window->RichEdit1KeyUp(Qt::Key_F3, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_EQ(2, window->CurrentSet());
    // The button of the shown set keeps the unstored edits.
    window->SpeedButton2->click();
    EXPECT_EQ("two", window->RichEdit1->toPlainText().toStdString());

    QSignalSpy chosen(window.get(), &TScriptSetup::ScriptSetChosen);
    QTest::keyRelease(window->Mixed4, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ("one", window->RichEdit1->toPlainText().toStdString());
    EXPECT_EQ("SetName", window->GetActiveScriptSet());
    ASSERT_EQ(1, chosen.count());
    EXPECT_EQ("SetName", chosen.at(0).at(0).toString().toStdString());
    window->SelectScriptSet(Qt::Key_F2);
    EXPECT_EQ("two", window->RichEdit1->toPlainText().toStdString());
    // A key released on another control reaches the form's own handler.
    QTest::keyRelease(window->Okbtn, Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(4, window->CurrentSet());
    window->SelectScriptSet(Qt::Key_F2);
    EXPECT_EQ("Second", window->GetActiveScriptSet());
    EXPECT_EQ("Second", window->SpeedButton2->toolTip().toStdString());
}

TEST_F(ScriptSetupWindowTest, MixedTextsSendTheirEscapesAsBytes) {
    auto window = open();
    window->RichEdit1->setPlainText("\\\\5C41");
    window->Mixed1->setChecked(true);
    window->RichEdit2->setPlainText("A\\41\\4G\nx\\4");
    window->RichEdit3->setPlainText("A\\41");
    window->SendScriptText(1, terminal);
    window->SendScriptText(2, terminal);
    window->Mixed2->setChecked(true);
    window->SendScriptText(2, terminal);
    window->SendScriptText(3, terminal);
    window->SendScriptText(4, terminal);
    EXPECT_EQ((std::vector<std::string>{"\\\\41", "A\\41\\4G\r\nx\\4", "AA\\4G\r\nx\\4", "A\\41"}),
              terminal.sent);
}

TEST_F(ScriptSetupWindowTest, EscapesTurnBlueInMixedEditsOnly) {
    auto window = open();
    window->show();
    window->Mixed1->click();
    type(window->RichEdit1, "a\\41b");
    const QColor text = window->RichEdit1->palette().color(QPalette::Text);
    EXPECT_EQ(text, colourAt(window->RichEdit1, 0));
    EXPECT_EQ(QColor(0, 0, 255), colourAt(window->RichEdit1, 1));
    EXPECT_EQ(QColor(0, 0, 255), colourAt(window->RichEdit1, 3));
    EXPECT_EQ(text, colourAt(window->RichEdit1, 4));

    window->Mixed1->click();
    QApplication::processEvents();
    EXPECT_EQ(text, colourAt(window->RichEdit1, 2));
}

TEST_F(ScriptSetupWindowTest, VersionOneStoreFillsTheEditsAndLaterStoresAreVersionThree) {
    {
        TIniFile settings(SettingsFileName());
        settings.WriteString("Script texts", "SHIFT F2", "1");
        std::string records;
        for (const std::string text : {"first", "\\41"}) {
            records += std::string{static_cast<char>(text.size()), 0, 0, 0} + text;
        }
        TStreamString stream;
        stream.AppendString(records);
        stream.SaveToFile(ScriptStoreFileName(SettingsFileName()));
    }
    auto window = open();
    QApplication::processEvents();
    EXPECT_EQ("first", window->RichEdit1->toPlainText().toStdString());
    EXPECT_TRUE(window->Mixed2->isChecked());
    EXPECT_EQ(QColor(0, 0, 255), colourAt(window->RichEdit2, 0));
    EXPECT_EQ("SetName", window->SetName->text().toStdString());

    window->OkbtnClick(nullptr);
    EXPECT_EQ("3", TIniFile(SettingsFileName()).ReadString("Script texts", "Script version", ""));
    auto reopened = open();
    EXPECT_EQ("\\41", reopened->RichEdit2->toPlainText().toStdString());
    EXPECT_EQ("SetName", reopened->SpeedButton1->toolTip().toStdString());
}

TEST_F(ScriptSetupWindowTest, ReadOnlySettingsFileShowsTheFailureAndStillCloses) {
    TIniFile(SettingsFileName()).WriteString("Other", "key", "1");
    std::filesystem::permissions(SettingsFileName(), std::filesystem::perms::owner_read);
    auto window = open();
    window->show();
    window->OkbtnClick(window->Okbtn);
    EXPECT_EQ((std::vector<std::string>{"Unable to write ini file. Access denied"}), boxes.texts());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(std::filesystem::exists(ScriptStoreFileName(SettingsFileName())));
}

TEST_F(ScriptSetupWindowTest, EscClosesTheWindowFromEveryControl) {
    auto window = open();
    for (QWidget* control : std::initializer_list<QWidget*>{
             window->RichEdit2, window->SetName, window->Mixed3, window->SpeedButton5, window->Okbtn}) {
        SCOPED_TRACE(control->objectName().toStdString());
        window->show();
        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 1000));
    }
}

// Shown as a terminal shows it, the window takes what is typed at once into the
// first script.
TEST_F(ScriptSetupWindowTest, OpensWithTheKeyboardInTheFirstScript) {
    auto window = open();
    window->showNormal();
    ShowInFront(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClicks(QApplication::focusWidget(), "ab");
    EXPECT_EQ("ab", window->RichEdit1->toPlainText().toStdString());
}

TEST_F(ScriptSetupWindowTest, ScriptFileSavesTheGridsAndLoadsThemBack) {
    auto window = open();
    window->RichEdit5->setPlainText("five");
    window->Mixed5->setChecked(true);
    window->SelectScriptSet(Qt::Key_F3);
    window->SetName->setText("Third");
    window->RichEdit1->setPlainText("unstored");
    const std::string file = folder.file("sets.stf");
    ASSERT_TRUE(window->SaveScriptFile(file));

    auto other = open();
    other->SelectScriptSet(Qt::Key_F3);
    other->LoadScriptFile(file);
    // What was typed in the shown set since it was last stored is not in the file.
    EXPECT_EQ("", other->SetName->text().toStdString());
    EXPECT_TRUE(other->RichEdit1->toPlainText().isEmpty());
    other->SelectScriptSet(Qt::Key_F1);
    EXPECT_EQ("five", other->RichEdit5->toPlainText().toStdString());
    EXPECT_TRUE(other->Mixed5->isChecked());
    EXPECT_EQ("SetName", other->SetName->text().toStdString());
}

// The window fits the screen it opens on, however tall its twelve rows would
// like to be, and can be made smaller still: OK, Cancel, the set buttons and
// the set name stay inside it, and the rows scroll to the last edit.
TEST_F(ScriptSetupWindowTest, FitsTheScreenWithItsButtonsInReach) {
    auto window = open();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window->frameGeometry()))
        << window->frameGeometry().width() << "x" << window->frameGeometry().height();
    for (const int height : {window->height(), 260}) {
        window->resize(window->width(), height);
        QApplication::processEvents();
        EXPECT_LE(window->height(), std::max(height, 260));
        const QRect inside = window->rect();
        for (QWidget* control :
             std::initializer_list<QWidget*>{window->Okbtn, window->peruuta, window->SpeedButton1,
                                             window->SpeedButton12, window->SetName}) {
            const QRect place(control->mapTo(window.get(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(control->isVisible() && inside.contains(place))
                << control->objectName().toStdString() << " at height " << height;
        }
        window->scriptRowsArea->ensureWidgetVisible(window->RichEdit12);
        const QRect last(window->RichEdit12->mapTo(window->scriptRowsArea->viewport(), QPoint(0, 0)),
                         window->RichEdit12->size());
        EXPECT_TRUE(window->scriptRowsArea->viewport()->rect().contains(last)) << "at height " << height;
    }
}

TEST_F(ScriptSetupWindowTest, AnUnreadableStoreIsSaidAndNeverWrittenOver) {
    const std::string store = ScriptStoreFileName(SettingsFileName());
    const std::string unreadable =
        "Unable to read file " + store + "\r\nThe scripts are not stored while it cannot be read";
    // A link to a folder: unreadable for root too, and a store written before
    // it was read would have replaced the link.
    std::filesystem::create_directory(folder.file("elsewhere"));
    std::filesystem::create_directory_symlink(folder.file("elsewhere"), store);
    auto window = open();
    EXPECT_EQ(std::vector<std::string>{unreadable}, boxes.texts());
    window->show();
    window->RichEdit1->setPlainText("typed");
    window->OkbtnClick(window->Okbtn);
    EXPECT_EQ((std::vector<std::string>{unreadable, unreadable}), boxes.texts());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(std::filesystem::is_symlink(store)) << "the store is left as it was";
    EXPECT_EQ("", TIniFile(SettingsFileName()).ReadString("Script texts", "Script version", ""));
}

TEST_F(ScriptSetupWindowTest, AScriptFileThatIsNoneSaysSoAndLeavesTheEdits) {
    auto window = open();
    window->RichEdit1->setPlainText("kept");
    const std::string text = folder.file("text.stf");
    { std::ofstream(text, std::ios::binary) << "not a script"; }
    window->LoadScriptFile(text);
    window->LoadScriptFile(folder.path().string());
    EXPECT_EQ((std::vector<std::string>{"File " + text + " is not a script file",
                                        "Unable to read file " + folder.path().string()}),
              boxes.texts());
    EXPECT_EQ("kept", window->RichEdit1->toPlainText().toStdString());
}
