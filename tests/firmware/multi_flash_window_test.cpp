#include "firmware/tcmultiflashdlg.h"

#include "firmware/cmassflash_3069.h"

#include "firmware_window_fixture.h"
#include "platform/tinifile.h"
#include "platform/wave_sound.h"
#include "support/silent_wave.h"
#include "support/sound_server.h"

#include <QPointer>
#include <QTimer>
#include <sys/stat.h>

namespace {
using Verdict = SimulatedH8_3048::Verdict;

// Ten seconds of silence.
const std::string silentWave = SilentWave(80000);

class MultiFlashWindowTest : public FirmwareWindowFixture {
protected:
    MultiFlashWindowTest() {
        main.com_list = "COM21,COM22,COM23,COM24,COM25";
        chosenFile = writeFile("modem.a37", MakeSRecordFile(image));
    }

    TCMultiFlashDlg* open(int instance = 1) {
        window = new TCMultiFlashDlg(nullptr, instance);
        return window;
    }

    // Channels c on COM21 + c with a modem each.
    void enableChannels(std::initializer_list<int> channels) {
        for (int c : channels) {
            window->kayta[c]->setChecked(true);
            window->portti_id[c]->setCurrentIndex(c);
            attachModem(21 + c);
        }
    }

    // The text of the summary box, empty while none was shown.
    std::string summary() {
        for (const auto& box : boxes.boxes())
            if (box.caption == "Information")
                return box.text;
        return "";
    }

    bool summaryShown() { return !summary().empty(); }

    const std::vector<uint8_t> image = MakeTestImage(600);
    QPointer<TCMultiFlashDlg> window;
};

// The tests that play a result sound play it to a sound server of their own, so
// that the program ends connected to one, as on a technician's desktop.
class MultiFlashSoundTest : public MultiFlashWindowTest {
protected:
    void SetUp() override {
        if (const std::string failure = StartSoundServer(); !failure.empty())
            GTEST_SKIP() << "No sound server: " << failure;
    }
};

TEST_F(MultiFlashSoundTest, FourChannelsLoadAtOnceAndOneFailureShowsInTheSummary) {
    writeFile("ok.wav", silentWave);
    const std::string errorSound = writeFile("error.wav", silentWave);
    open();
    window->LuetiedostoClick();
    ASSERT_TRUE(window->Flash_tiedosto->isEnabled());
    enableChannels({0, 1, 2, 3});
    modems[2]->faults.eraseStatus = 0xFF;
    ASSERT_TRUE(window->Flash_tiedostoClick());
    EXPECT_FALSE(window->Luetiedosto->isEnabled());
    EXPECT_EQ(main.released, (std::vector<int>{21, 22, 23, 24}));
    ASSERT_TRUE(waitFor([&] { return summaryShown(); }));

    const std::string ok = FlashErrorText(kFlashOk);
    EXPECT_EQ(summary(), "All channels\r\nPort1: " + ok + "\r\nPort2: " + ok +
                             "\r\nPort3: " + FlashErrorText(kFlashEraseFailed) + "\r\nPort4: " + ok + "\r\n");
    for (int c : {0, 1, 3})
        EXPECT_EQ(modems[c]->Memory(0, image.size()), image) << "channel " << c + 1;
    EXPECT_TRUE(window->GroupBox3->autoFillBackground());
    EXPECT_EQ(window->GroupBox3->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_FALSE(window->GroupBox1->autoFillBackground());
    EXPECT_TRUE(window->Luetiedosto->isEnabled() && window->Flash_tiedosto->isEnabled());
    EXPECT_EQ(main.restored, (std::vector<int>{21, 22, 23, 24}));
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("Multi Flash", "Enable 3", ""), "1");
    EXPECT_EQ(PlayingWaveFile(), errorSound) << "the failure's sound was started";

    window->portti_id[1]->setCurrentIndex(0);
    EXPECT_FALSE(window->Flash_tiedostoClick());
    EXPECT_FALSE(window->GroupBox3->autoFillBackground())
        << "a start refused by the port check clears the red";
    EXPECT_EQ(PlayingWaveFile(), "") << "and stops the sound";
}

TEST_F(MultiFlashSoundTest, DisabledChannelsReportAsNotEnabledAndOnlyEnabledPortsAreTaken) {
    const std::string okSound = writeFile("ok.wav", silentWave);
    open();
    window->LuetiedostoClick();
    enableChannels({2});
    // The summary, and the loaded channel's program bar when it opened.
    std::string summaryText;
    int barAtSummary = -1;
    SetMessageBoxResponder([&](const MessageBoxRequest& request) {
        summaryText = request.text;
        barAtSummary = window->softa3->value() * 100 / window->softa3->maximum();
        return int{IDOK};
    });
    ASSERT_TRUE(window->Flash_tiedostoClick());
    ASSERT_TRUE(waitFor([&] { return !summaryText.empty(); }));
    const std::string off = FlashErrorText(kFlashPortNotEnabled);
    EXPECT_EQ(summaryText, "All channels\r\nPort1: " + off + "\r\nPort2: " + off +
                               "\r\nPort3: " + FlashErrorText(kFlashOk) + "\r\nPort4: " + off + "\r\n");
    EXPECT_EQ(barAtSummary, 100);
    EXPECT_EQ(main.released, std::vector<int>{23});
    EXPECT_EQ(main.restored, std::vector<int>{23});
    EXPECT_EQ(PlayingWaveFile(), okSound);
    window->close();
    EXPECT_EQ(PlayingWaveFile(), "") << "the close stops the sound";
}

// A failed channel whose box was cleared during the load keeps its colour; its
// failure sounds in the H8/3048 family only. The summary still names it.
TEST_F(MultiFlashSoundTest, FailureOfAChannelClearedDuringTheLoad) {
    const std::string okSound = writeFile("ok.wav", silentWave);
    const std::string errorSound = writeFile("error.wav", silentWave);
    open();
    window->LuetiedostoClick();
    attachModem(21).faults.eraseStatus = 0xFF;
    window->kayta1->setChecked(true);
    window->portti_id1->setCurrentIndex(0);
    for (const bool h8_3069 : {false, true}) {
        SCOPED_TRACE(h8_3069);
        window->h8_3069->setChecked(h8_3069); // an H8/3069 load fails on the H8/3048 modem
        boxes.clear();
        sim.Hold();
        ASSERT_TRUE(window->Flash_tiedostoClick());
        window->kayta1->setChecked(false);
        sim.Release();
        ASSERT_TRUE(waitFor([&] { return summaryShown(); }));
        EXPECT_EQ(summary().find("Port1: ERROR"), 14u) << summary();
        EXPECT_FALSE(window->GroupBox1->autoFillBackground());
        EXPECT_EQ(PlayingWaveFile(), h8_3069 ? okSound : errorSound);
        window->kayta1->setChecked(true);
    }
}

TEST_F(MultiFlashWindowTest, RefusedStartsGiveTheirBoxAndLeaveTheButtons) {
    open();
    window->LuetiedostoClick();
    window->kayta[0]->setChecked(true);
    window->kayta[1]->setChecked(true);
    window->portti_id[0]->setCurrentIndex(1);
    window->portti_id[1]->setCurrentIndex(1);
    EXPECT_FALSE(window->Flash_tiedostoClick());
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"All active channels must point to different com ports !!!"});
    // COM22 unplugged: channel 1's refreshed list has COM23 where channel 2's older
    // list has it one further on.
    window->portti_id[1]->setCurrentIndex(2);
    main.com_list = "COM21,COM23,COM24,COM25";
    window->portti_id1DropDown(window->portti_id1);
    window->portti_id1->setCurrentIndex(1);
    boxes.clear();
    EXPECT_FALSE(window->Flash_tiedostoClick()) << "both channels would open COM23";
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"All active channels must point to different com ports !!!"});
    window->portti_id1->setCurrentIndex(0);
    boxes.clear();
    window->fileName = folder.file("gone.a37");
    EXPECT_FALSE(window->Flash_tiedostoClick());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"File " + window->fileName + " does not exists !!!"});
    const std::string directory = folder.file("firmware.a37"), pipe = folder.file("firmware.rec");
    std::filesystem::create_directory(directory);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const auto& [unreadable, why] :
         {std::pair{directory, "Is a directory"}, std::pair{pipe, "It is not a regular file."}}) {
        boxes.clear();
        window->fileName = unreadable;
        EXPECT_FALSE(window->Flash_tiedostoClick());
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Cannot read file \"" + unreadable + "\". " + why});
    }
    EXPECT_TRUE(window->Luetiedosto->isEnabled());
    EXPECT_TRUE(main.released.empty());
}

TEST_F(MultiFlashWindowTest, CheckBoxesSetByCodeRunTheirHandlers) {
    open();
    EXPECT_TRUE(window->veryslow->isVisibleTo(window)) << "only the family boxes hide it";
    ASSERT_EQ(window->Devicelist->count(), 16);
    EXPECT_EQ(window->Devicelist->itemText(2).toStdString(), "7QV-TC/RM - OEM ");
    EXPECT_EQ(window->Devicelist->itemText(15).toStdString(), "KZ# CRYPT");
    window->Update->setChecked(true);
    EXPECT_TRUE(window->Devicelist->isEnabled());
    window->KZmodule->setChecked(true);
    EXPECT_FALSE(window->Devicelist->isEnabled());
    window->h8_3069->setChecked(true);
    EXPECT_FALSE(window->KZmodule->isChecked()) << "the families exclude each other";
    EXPECT_TRUE(window->Devicelist->isEnabled());
    window->Devicelist->setCurrentIndex(1);
    window->DevicelistSelect();
    EXPECT_TRUE(window->freq_33->isChecked() && window->SpeedSelection->isChecked());
    chosenFile = writeFile("modem.a37", "");
    window->LuetiedostoClick();
    EXPECT_EQ(window->Devicelist->currentIndex(), 0) << "an S-record file moves row 1 back to row 0";
    EXPECT_TRUE(window->freq_24->isChecked());
    EXPECT_FALSE(window->SpeedSelection->isEnabled());
}

TEST_F(MultiFlashWindowTest, ClosingMidLoadStopsAndWaitsAndGivesThePortsBack) {
    open();
    window->LuetiedostoClick();
    enableChannels({0, 1});
    modems[0]->faults.zerosBeforeSync = 0;
    modems[1]->faults.zerosBeforeSync = 0;
    sim.Hold();
    ASSERT_TRUE(window->Flash_tiedostoClick());
    QTest::keyClick(window->portti_id1, Qt::Key_Escape);
    EXPECT_FALSE(window->peruuta->isEnabled()) << "Esc pressed Cancel, which stays off while loading";
    boxes.queueAnswer(IDNO);
    window->close();
    EXPECT_TRUE(window) << "No keeps the window open";
    boxes.queueAnswer(IDYES);
    // The load goes on once the window waits for it.
    QTimer::singleShot(0, [this] { sim.Release(); });
    window->close();
    ASSERT_TRUE(waitFor([&] { return window.isNull(); }));
    EXPECT_EQ(main.restored, (std::vector<int>{21, 22}));
    EXPECT_FALSE(summaryShown());
}

TEST_F(MultiFlashWindowTest, WhileALoadRunsNothingStartsAnotherOrChangesWhatItLoads) {
    main.bootflash_mode = true;
    open();
    window->LuetiedostoClick();
    enableChannels({0});
    const std::vector<QWidget*> choices{window->Luetiedosto, window->Flash_tiedosto, window->BootFile,
                                        window->kayta1,      window->portti_id1,     window->portti_id4,
                                        window->Update,      window->SpeedSelection, window->veryslow,
                                        window->KZmodule,    window->h8_3069,        window->BootSection,
                                        window->freq_33,     window->kidetaajuus,    window->Devicelist};
    std::vector<bool> before;
    for (QWidget* control : choices)
        before.push_back(control->isEnabled());
    sim.Hold();
    ASSERT_TRUE(window->Flash_tiedostoClick());
    for (QWidget* control : choices)
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    QTest::mouseClick(window->BootFile, Qt::LeftButton);
    EXPECT_FALSE(window->Flash_tiedosto->isEnabled()) << "Boot file cannot turn Flash back on";
    EXPECT_FALSE(window->Flash_tiedostoClick()) << "no second load over the running one";
    EXPECT_EQ(main.released, std::vector<int>{21});
    sim.Release();
    ASSERT_TRUE(waitFor([&] { return summaryShown(); }));
    for (size_t i = 0; i < choices.size(); ++i)
        EXPECT_EQ(choices[i]->isEnabled(), before[i]) << choices[i]->objectName().toStdString();
    EXPECT_EQ(main.restored, std::vector<int>{21});
    EXPECT_EQ(modems[0]->Memory(0, image.size()), image);
}

TEST_F(MultiFlashWindowTest, RemoteUseEndsWithTheLoadsStatus) {
    TIniFile ini(SettingsFileName());
    ini.WriteString("Multi Flash", "Directory", folder.path().string() + "/");
    ini.WriteString("Multi Flash", "Filename", "img64k.a20");
    open();
    attachModem(21);
    window->RemoteStartFlash(1, 1, *chosenFile, 0);
    EXPECT_EQ(window->windowTitle().toStdString(), *chosenFile) << "the window shows the file it loads";
    EXPECT_EQ(main.exit_status, 1) << "a remote load is no success until it has ended well";
    ASSERT_TRUE(waitFor([&] { return !window->Loading(); }));
    EXPECT_EQ(main.exit_status, 0);
    EXPECT_EQ(boxes.count(), 0u) << "a successful remote load shows nothing";
    EXPECT_EQ(modems[0]->Memory(0, image.size()), image);

    modems[0]->faults.eraseStatus = 0xFF;
    window->RemoteStartFlash(1, 1, *chosenFile, 0);
    ASSERT_TRUE(waitFor([&] { return !window->Loading(); }));
    EXPECT_EQ(main.exit_status, 1);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.texts()[0].rfind("All channels\r\nPort1: ", 0), 0u);
}

TEST_F(MultiFlashWindowTest, RemoteUseThatCannotStartEndsWithFailure) {
    open();
    window->RemoteStartFlash(1, 1, folder.file("missing.a37"), 0);
    EXPECT_EQ(main.exit_status, 1);
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"File does not exists !! " + folder.file("missing.a37")});
    const std::string directory = folder.file("firmware.a37");
    std::filesystem::create_directory(directory);
    boxes.clear();
    main.exit_status = 0;
    window->RemoteStartFlash(1, 1, directory, 0);
    EXPECT_EQ(main.exit_status, 1) << "a folder cannot be loaded";
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"Cannot read file \"" + directory + "\". Is a directory"});
    main.exit_status = 0;
    boxes.clear();
    window->RemoteStartFlash(0, 1, *chosenFile, 0);
    EXPECT_EQ(main.exit_status, 1) << "port digit 0 selects no port: nothing starts";
    EXPECT_FALSE(window->kayta1->isChecked());
    EXPECT_EQ(boxes.count(), 0u) << "channel 1 is turned off without a message";
}

TEST_F(MultiFlashWindowTest, SettingsComeBackInANewWindow) {
    open(2);
    EXPECT_FALSE(window->MultiFlash21->isVisible());
    window->LuetiedostoClick();
    enableChannels({1});
    ASSERT_TRUE(window->Flash_tiedostoClick());
    ASSERT_TRUE(waitFor([&] { return summaryShown(); }));
    window->close();

    open(2);
    EXPECT_TRUE(window->kayta2->isChecked());
    EXPECT_EQ(window->portti_id2->currentIndex(), 1);
    EXPECT_EQ(window->fileName, *chosenFile);
    EXPECT_EQ(window->windowTitle().toStdString(), *chosenFile);
    EXPECT_TRUE(window->Flash_tiedosto->isEnabled());
    window->close();
}

TEST_F(MultiFlashWindowTest, SavedFilterIndexIsGivenToTheDialogAndTakenBack) {
    TIniFile(SettingsFileName()).WriteInteger("Multi Flash", "Type", 2);
    open();
    int shown = 0;
    SetFileDialogResponder([&](FileDialogRequest& request) {
        shown = request.filterIndex;
        request.filterIndex = 3;
        return chosenFile;
    });
    window->LuetiedostoClick();
    EXPECT_EQ(shown, 2);
    enableChannels({0});
    ASSERT_TRUE(window->Flash_tiedostoClick());
    ASSERT_TRUE(waitFor([&] { return summaryShown(); }));
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadInteger("Multi Flash", "Type", 0), 3);
}

TEST_F(MultiFlashWindowTest, RestoredSoftwareNameIsSplitAsAChosenOne) {
    chosenFile = writeFile("img16k.a20", MakeSRecordFile(image));
    TIniFile ini(SettingsFileName());
    ini.WriteString("Multi Flash", "Directory", folder.path().string() + "/");
    ini.WriteString("Multi Flash", "Filename", "img16k.a20");
    main.show();
    open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    const QString restored = window->sw_name->text();
    window->LuetiedostoClick();
    EXPECT_EQ(restored, window->sw_name->text());
    EXPECT_EQ(restored.toStdString(), "img16k.a20 ");
}

// Restoring a saved file does not run the device-list handler on the row the
// list holds before its own key is read: a saved K10 row keeps "115200" as saved.
TEST_F(MultiFlashWindowTest, RestoredFileLeavesTheSpeedBoxToTheSavedRow) {
    for (const bool withFile : {false, true}) {
        TIniFile ini(SettingsFileName());
        ini.WriteString("Multi Flash", "Directory", folder.path().string() + "/");
        ini.WriteString("Multi Flash", "Filename", withFile ? "modem.a37" : "ERROR");
        ini.WriteInteger("Multi Flash", "Device", 14);
        ini.WriteString("Multi Flash", "Speed", "1");
        open();
        EXPECT_EQ(window->Flash_tiedosto->isEnabled(), withFile);
        EXPECT_EQ(window->Devicelist->currentIndex(), 14);
        EXPECT_TRUE(window->SpeedSelection->isEnabled()) << withFile;
        EXPECT_TRUE(window->SpeedSelection->isChecked()) << withFile;
        window->close();
    }
}

// A port box that drops down, by mouse or by keyboard, lists the ports there are
// then; the chosen port stays chosen while it is listed.
TEST_F(MultiFlashWindowTest, PortBoxTakesThePortListWheneverItDropsDown) {
    open();
    QComboBox* box = window->portti_id2;
    box->setCurrentIndex(2);
    const auto dropDown = [&](const std::function<void()>& how) {
        how();
        box->hidePopup();
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items.join(',').toStdString() + " @" + box->currentText().toStdString();
    };
    main.com_list = "COM21,COM23,COM7";
    EXPECT_EQ(dropDown([&] { QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier); }),
              "COM21,COM23,COM7 @COM23");
    main.com_list = "COM21,COM8";
    EXPECT_EQ(dropDown([&] { QTest::keyClick(box, Qt::Key_F4); }), "COM21,COM8 @");
    box->setCurrentIndex(0);
    main.com_list = "COM8,COM21";
    EXPECT_EQ(dropDown([&] { QTest::mouseClick(box, Qt::LeftButton); }), "COM8,COM21 @COM21");
}

TEST_F(MultiFlashWindowTest, LoadEndingWhileTheInterruptQuestionIsOpenShowsItsSummaryAfterTheAnswer) {
    open();
    window->LuetiedostoClick();
    enableChannels({0});
    ASSERT_TRUE(window->Flash_tiedostoClick());
    const std::vector<ShownBox> shown =
        closeAnsweringYesOnceEnded(window, [&] { return window->AllChannelsReported(); });
    const std::vector<ShownBox> expected{{kInterruptQuestion, false}, {"All channels", false}};
    EXPECT_EQ(shown, expected) << "the summary follows the answer";
    EXPECT_TRUE(window.isNull() || window->Closed()) << "with no load running, Yes closes the window";
    EXPECT_EQ(main.restored, std::vector<int>{21});
}
} // namespace
