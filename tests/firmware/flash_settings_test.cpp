#include "firmware/flash_settings.h"

#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {
class FlashSettingsTest : public ::testing::Test {
protected:
    FlashSettingsTest() { SetProgramPathForTests(folder.file("quovix")); }
    ~FlashSettingsTest() override { SetProgramPathForTests(""); }

    TempFolder folder;
    TIniFile ini{folder.file("quovix.ini")};
    const std::array<int, kFlashChannels> fourPorts{4, 4, 4, 4};
};

TEST_F(FlashSettingsTest, FreshFileGivesTheWindowsDefaults) {
    const auto multi = ReadMultiFlashSettings(ini, 1, fourPorts);
    EXPECT_EQ(multi.enabled, (std::array<bool, 4>{}));
    EXPECT_EQ(multi.portIndex, (std::array<int, 4>{}));
    EXPECT_TRUE(multi.freq24);
    EXPECT_FALSE(multi.freq33 || multi.freqVar || multi.speedSelection || multi.h8_3069 || multi.kzModule);
    EXPECT_EQ(multi.crystalHz, 24576000);
    EXPECT_EQ(multi.deviceRow, 0);
    EXPECT_EQ(multi.fileName, "");
    EXPECT_EQ(multi.initialDir, ProgramFolder());
    const auto single = ReadSingleFlashSettings(ini);
    EXPECT_EQ(single.portIndex, 0);
    EXPECT_EQ(single.initialDir, ProgramFolder());
}

TEST_F(FlashSettingsTest, WrittenSettingsReadBackInTheirInstancesSection) {
    MultiFlashSettings saved;
    saved.portIndex = {3, 1, 2, 0};
    saved.enabled = {true, false, true, true};
    saved.fileName = "/srv/firmware/modem.a37";
    saved.filterIndex = 2;
    saved.h8_3069 = true;
    saved.freq24 = false;
    saved.freqVar = true;
    saved.crystalHz = 30000000;
    saved.deviceRow = 5;
    saved.speedSelection = true;
    ASSERT_TRUE(WriteMultiFlashSettings(ini, 3, saved));
    EXPECT_EQ(ini.ReadString("Multi Flash3", "Directory", ""), "/srv/firmware/");
    EXPECT_EQ(ini.ReadString("Multi Flash3", "Filename", ""), "modem.a37");
    const auto read = ReadMultiFlashSettings(ini, 3, fourPorts);
    EXPECT_EQ(read.portIndex, saved.portIndex);
    EXPECT_EQ(read.enabled, saved.enabled);
    EXPECT_EQ(read.fileName, saved.fileName);
    EXPECT_EQ(read.initialDir, "/srv/firmware/");
    EXPECT_EQ(read.filterIndex, 2);
    EXPECT_TRUE(read.h8_3069 && read.freqVar && read.speedSelection);
    EXPECT_FALSE(read.freq24);
    EXPECT_EQ(read.crystalHz, 30000000);
    EXPECT_EQ(read.deviceRow, 5);
    EXPECT_FALSE(ReadMultiFlashSettings(ini, 1, fourPorts).enabled[0]) << "instance 1 has its own section";
    EXPECT_EQ(MultiFlashSection(1), "Multi Flash");
    EXPECT_EQ(MultiFlashSection(0), "");
}

TEST_F(FlashSettingsTest, StalePortIndexTurnsItsChannelOff) {
    ini.WriteString("Multi Flash", "Enable 2", "1");
    ini.WriteInteger("Multi Flash", "Serial port2", 6);
    ini.WriteString("Multi Flash", "Enable 3", "1");
    ini.WriteInteger("Multi Flash", "Serial port3", 3);
    const auto read = ReadMultiFlashSettings(ini, 1, {4, 4, 8, 4});
    EXPECT_FALSE(read.enabled[1]);
    EXPECT_EQ(read.portIndex[1], 0);
    EXPECT_TRUE(read.enabled[2]);
    EXPECT_EQ(read.portIndex[2], 3);
}

TEST_F(FlashSettingsTest, MoreThanOneCrystalLeavesOnly24576kHz) {
    ini.WriteString("Multi Flash", "freq 24", "0");
    ini.WriteString("Multi Flash", "freq 33", "1");
    ini.WriteString("Multi Flash", "freq var", "1");
    const auto read = ReadMultiFlashSettings(ini, 1, fourPorts);
    EXPECT_TRUE(read.freq24);
    EXPECT_FALSE(read.freq33 || read.freqVar);
}

TEST_F(FlashSettingsTest, RootFolderAndSingleWindowDirectory) {
    ini.WriteString("Multi Flash", "Directory", "/");
    ini.WriteString("Multi Flash", "Filename", "fw.a37");
    EXPECT_EQ(ReadMultiFlashSettings(ini, 1, fourPorts).fileName, "/fw.a37");
    const std::pair<const char*, const char*> folders[]{{"/srv/fw/modem.sf2", "/srv/fw"}, {"/fw.sff", "/"}};
    for (const auto& [file, folder] : folders) {
        ASSERT_TRUE(WriteSingleFlashSettings(ini, 2, file));
        EXPECT_EQ(ini.ReadString("Single Flash", "Directory", ""), folder)
            << "no closing separator but the root";
        const auto single = ReadSingleFlashSettings(ini);
        EXPECT_EQ(single.portIndex, 2);
        EXPECT_EQ(single.initialDir, folder);
    }
}

TEST_F(FlashSettingsTest, UnwritableFileIsReportedNotThrown) {
    TIniFile nowhere(folder.file("missing-folder/quovix.ini"));
    EXPECT_FALSE(WriteSingleFlashSettings(nowhere, 0, "/a/b.sff"));
    EXPECT_FALSE(WriteMultiFlashSettings(nowhere, 1, {}));
}
} // namespace
