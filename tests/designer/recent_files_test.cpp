#include "designer/recent_files.h"

#include "designer_fixture.h"
#include "platform/tinifile.h"

#include <filesystem>

namespace {

using RecentFilesTest = DesignerFolderTest;

std::vector<std::string> Slots(const RecentFiles& files) {
    std::vector<std::string> names;
    for (size_t i = 0; i < RecentFiles::kSlots; ++i)
        names.push_back(files.Slot(i));
    return names;
}

TEST_F(RecentFilesTest, TheLatestFileComesFirstAndTheSeventhDropsTheOldest) {
    RecentFiles files(false);
    for (const char* name : {"A", "B", "C"})
        files.RecordAndWrite(name);
    EXPECT_EQ(Slots(files), (std::vector<std::string>{"C", "B", "A", "", "", ""}));
    files.RecordAndWrite("B");
    EXPECT_EQ(Slots(files), (std::vector<std::string>{"B", "C", "A", "", "", ""}));
    EXPECT_FALSE(files.Record("B"));
    for (const char* name : {"D", "E", "F", "G"})
        files.RecordAndWrite(name);
    EXPECT_EQ(Slots(files), (std::vector<std::string>{"G", "F", "E", "D", "B", "C"}));

    RecentFiles read(false);
    read.Read();
    EXPECT_EQ(Slots(read), Slots(files));
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("File List", "File5", ""), "C");
}

TEST_F(RecentFilesTest, ProjectAndSingleModemListsAreKeptApart) {
    RecentFiles project(false);
    RecentFiles single(true);
    project.RecordAndWrite("net.spf");
    single.RecordAndWrite("one.ssf");
    const TIniFile settings(SettingsFileName());
    EXPECT_EQ(settings.ReadString("File List", "Latest", ""), "net.spf");
    EXPECT_EQ(settings.ReadString("One Modem File List", "Latest", ""), "one.ssf");
    RecentFiles reread(true);
    reread.Read();
    EXPECT_EQ(reread.Latest(), "one.ssf");
}

TEST_F(RecentFilesTest, AnUnwritableSettingsFileIsReportedAndTheListKeepsItsNewOrder) {
    RecentFiles files(false);
    files.RecordAndWrite("A");
    std::filesystem::permissions(SettingsFileName(), std::filesystem::perms::owner_read);
    files.RecordAndWrite("B");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Unable to write ini file. Access denied"});
    EXPECT_EQ(Slots(files), (std::vector<std::string>{"B", "A", "", "", "", ""}));
    EXPECT_EQ(TIniFile(SettingsFileName()).ReadString("File List", "Latest", ""), "A");
}

} // namespace
