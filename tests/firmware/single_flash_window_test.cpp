#include "firmware/tcsingleflashdlg.h"

#include "firmware_window_fixture.h"
#include "platform/tinifile.h"
#include "shell/close_query.h"

#include <QPointer>

namespace {
const std::array<uint8_t, 16> kKey{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                   0x10, 0x32, 0x54, 0x76, 0x10, 0x32, 0x54, 0x76};

class SingleFlashWindowTest : public FirmwareWindowFixture {
protected:
    SingleFlashWindowTest() {
        main.com_list = "COM31,COM32";
        chosenFile =
            writeFile("modem.sff", EncipherFirmwareFile("KelvoFlash" + MakeSRecordFile(image), kKey));
        window = new TCSingleFlashDlg(nullptr);
        window->key_id1->setText("01234567");
        window->key_id2->setText("89abcdef");
        window->key_id3->setText("10325476");
        window->key_id4->setText("not read");
        window->portti_id->setCurrentIndex(1);
    }

    std::vector<std::string> results() {
        std::vector<std::string> texts;
        for (const auto& box : boxes.boxes())
            if (box.caption == "Information")
                texts.push_back(box.text);
        return texts;
    }

    const std::vector<uint8_t> image = MakeTestImage(500);
    QPointer<TCSingleFlashDlg> window;
};

TEST_F(SingleFlashWindowTest, EncipheredH8_3048FileIsLoadedAndTheResultShown) {
    SimulatedH8_3048& modem = attachModem(32, true);
    window->LuetiedostoClick();
    EXPECT_FALSE(window->h8_3069->isChecked());
    // Nothing can start another load or change what this one loads until it ends.
    const std::vector<QWidget*> choices{window->Luetiedosto, window->Flash_tiedosto, window->paivita,
                                        window->Devicelist,  window->portti_id,      window->key_id1,
                                        window->key_id4};
    std::vector<bool> before;
    for (QWidget* control : choices)
        before.push_back(control->isEnabled());
    EXPECT_EQ(window->windowTitle().toStdString(), *chosenFile);
    // The result box, and the program bar's place when it opened.
    std::vector<std::pair<std::string, int>> shown;
    SetMessageBoxResponder([&](const MessageBoxRequest& request) {
        shown.emplace_back(request.text, window->prog_bar->value() * 100 / window->prog_bar->maximum());
        return int{IDOK};
    });
    ASSERT_TRUE(window->Flash_tiedostoClick());
    for (QWidget* control : choices)
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    ASSERT_TRUE(waitFor([&] { return !shown.empty(); }));
    EXPECT_EQ(shown, (std::vector<std::pair<std::string, int>>{{FlashErrorText(kFlashOk), 100}}));
    EXPECT_EQ(modem.Memory(0, image.size()), image);
    for (size_t i = 0; i < choices.size(); ++i)
        EXPECT_EQ(choices[i]->isEnabled(), before[i]) << choices[i]->objectName().toStdString();
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadInteger("Single Flash", "Serial port", -1), 1);
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("Single Flash", "Directory", ""),
              folder.path().string());
}

TEST_F(SingleFlashWindowTest, RefusedLoadLeavesTheButtonsForTheNextTry) {
    window->LuetiedostoClick();
    window->key_id2->setText("89abcde");
    EXPECT_FALSE(window->Flash_tiedostoClick());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"The format of key is NOT valid! Check It!"});
    EXPECT_TRUE(window->Luetiedosto->isEnabled() && window->Flash_tiedosto->isEnabled());
    chosenFile = writeFile("short.sf2", EncipherFirmwareFile("Kelvo", kKey));
    window->LuetiedostoClick();
    EXPECT_TRUE(window->h8_3069->isChecked());
    EXPECT_TRUE(window->veryslow->isVisibleTo(window));
    window->key_id2->setText("89abcdef");
    boxes.clear();
    EXPECT_FALSE(window->Flash_tiedostoClick());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ERROR: Wrong key or file isn't correct!"});
    EXPECT_TRUE(window->Luetiedosto->isEnabled());
}

TEST_F(SingleFlashWindowTest, ExtensionChoosesEngineRowAndSpeedBox) {
    ASSERT_EQ(window->Devicelist->count(), 17);
    EXPECT_EQ(window->Devicelist->itemText(2).toStdString(), "7QV-TC/RM - OEM");
    EXPECT_EQ(window->Devicelist->itemText(16).toStdString(), "OEM DEV CM 2");
    chosenFile = writeFile("oem.S12", std::vector<uint8_t>{1});
    window->LuetiedostoClick();
    EXPECT_TRUE(window->h8_3069->isChecked());
    EXPECT_EQ(window->Devicelist->currentIndex(), 15);
    chosenFile = writeFile("other.s19", std::vector<uint8_t>{1});
    window->LuetiedostoClick();
    EXPECT_EQ(window->Devicelist->currentIndex(), 15) << "an unknown extension keeps the last file's row";
    chosenFile = writeFile("modem.sff", std::vector<uint8_t>{1});
    window->LuetiedostoClick();
    EXPECT_FALSE(window->h8_3069->isChecked());
    EXPECT_FALSE(window->veryslow->isVisibleTo(window));
}

// Esc presses the first enabled of the window's cancel buttons: Cancel, else Flash.
TEST_F(SingleFlashWindowTest, EscapePressesTheFirstEnabledCancelButton) {
    attachModem(32, true);
    window->LuetiedostoClick();
    window->DisableCancel();
    QTest::keyClick(window->key_id1, Qt::Key_Escape);
    EXPECT_TRUE(window->Loading()) << "Flash took the key";
    ASSERT_TRUE(waitFor([&] { return !window->Loading(); }));
    QTest::keyClick(window->portti_id, Qt::Key_Escape);
    EXPECT_TRUE(window.isNull() || window->Closed()) << "Cancel closed the window";
}

TEST_F(SingleFlashWindowTest, ClosingMidLoadStopsTheEngineAndKeepsTheWindowForTheResult) {
    attachModem(32, true).faults.zerosBeforeSync = 0;
    window->LuetiedostoClick();
    sim.Hold();
    ASSERT_TRUE(window->Flash_tiedostoClick());
    boxes.queueAnswer(IDYES);
    window->close();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "Confirm");
    EXPECT_EQ(boxes.boxes()[0].flags, unsigned{MB_YESNOCANCEL | MB_ICONQUESTION}) << "a confirmation";
    sim.Release();
    ASSERT_TRUE(waitFor([&] { return !results().empty(); }));
    EXPECT_EQ(results(), std::vector<std::string>{FlashErrorText(kFlashUserInterrupted)});
    EXPECT_TRUE(window);
    EXPECT_FALSE(window->Loading());
    window->close();
    EXPECT_TRUE(window->Closed());
}

TEST_F(SingleFlashWindowTest, LoadEndingWhileTheInterruptQuestionIsOpenShowsItsResultAfterTheAnswer) {
    attachModem(32, true);
    window->LuetiedostoClick();
    ASSERT_TRUE(window->Flash_tiedostoClick());
    const std::vector<ShownBox> shown =
        closeAnsweringYesOnceEnded(window, [&] { return !window->Loading(); });
    const std::vector<ShownBox> expected{{kInterruptQuestion, false}, {FlashErrorText(kFlashOk), false}};
    EXPECT_EQ(shown, expected) << "the result follows the answer, and nothing says the load was interrupted";
    EXPECT_TRUE(window.isNull() || window->Closed()) << "with no load running, Yes closes the window";
}
// The main window asks again while the interrupt question is open (its close asks
// every child); the load ending meanwhile shows its result once, after the answers.
TEST_F(SingleFlashWindowTest, SecondCloseWhileTheQuestionIsOpenShowsTheResultOnce) {
    attachModem(32, true);
    window->LuetiedostoClick();
    sim.Hold();
    ASSERT_TRUE(window->Flash_tiedostoClick());
    int questions = 0;
    std::vector<std::string> others;
    SetMessageBoxResponder([&](const MessageBoxRequest& request) {
        if (request.text != kInterruptQuestion)
            others.push_back(request.text);
        else if (++questions == 1)
            EXPECT_FALSE(static_cast<CloseQuery*>(window.data())->FormCloseQuery());
        else {
            sim.Release();
            EXPECT_TRUE(waitFor([&] { return !window->Loading(); }));
        }
        return int{IDNO};
    });
    window->close();
    SetMessageBoxResponder([](const MessageBoxRequest&) { return int{IDOK}; });
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(others, std::vector<std::string>{FlashErrorText(kFlashOk)});
    EXPECT_TRUE(window) << "No keeps the window open";
}
} // namespace
