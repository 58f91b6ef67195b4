#include "platform/tinifile.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/resource.h>
#include <thread>

namespace {

using Strings = std::vector<std::string>;

void writeFile(const std::string& name, const std::string& content) {
    std::ofstream(name, std::ios::binary) << content;
}

std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

size_t fileCount(const std::filesystem::path& folder) {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

std::string withEnds(const std::string& text, const std::string& end) {
    std::string out;
    for (char c : text)
        out += c == '\n' ? end : std::string(1, c);
    return out;
}

const std::string sample = "; settings\n"
                           "[Terminal port]\n"
                           "Speed=9600\n"
                           "  Parity = None  \n"
                           "Command=AT=1;X=2\n"
                           "Empty=\n"
                           "Speed=1200\n"
                           "\n"
                           "[Window number 0]\n"
                           "Zeta=1\n"
                           "Alpha=2\n"
                           "Mid=3\n";

class TIniFileReadTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { writeFile(folder.file("a.ini"), withEnds(sample, GetParam())); }
    TempFolder folder;
    TIniFile ini{folder.file("a.ini")};
};

TEST_P(TIniFileReadTest, ReadsValuesWithoutRegardToCase) {
    EXPECT_EQ(ini.ReadString("terminal PORT", "speed", "x"), "9600") << "the first of two equal keys wins";
    EXPECT_EQ(ini.ReadString("Terminal port", "Parity", "x"), "None") << "blanks around key and value go";
    EXPECT_EQ(ini.ReadString("Terminal port", "Command", "x"), "AT=1;X=2") << "value runs from the first '='";
    EXPECT_EQ(ini.ReadString("Terminal port", "Empty", "x"), "");
    EXPECT_TRUE(ini.ValueExists("TERMINAL PORT", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("Terminal port", "settings"));
    EXPECT_TRUE(ini.SectionExists("window NUMBER 0"));
    EXPECT_FALSE(ini.SectionExists("Window number 1"));
}

TEST_P(TIniFileReadTest, ListsSectionsAndKeysInFileOrder) {
    EXPECT_EQ(ini.ReadSections(), (Strings{"Terminal port", "Window number 0"}));
    EXPECT_EQ(ini.ReadSection("Window number 0"), (Strings{"Zeta", "Alpha", "Mid"}));
    EXPECT_EQ(ini.ReadSectionValues("terminal port"),
              (Strings{"Speed=9600", "Parity=None", "Command=AT=1;X=2", "Empty="}));
    EXPECT_TRUE(ini.ReadSection("Nothing").empty());
}

TEST_P(TIniFileReadTest, AFileReadIntoMemoryReadsTheSameAndIsNotOpenedAgain) {
    const TIniFile once = TIniFile::ReadIntoMemory(folder.file("a.ini"));
    writeFile(folder.file("a.ini"), "[Terminal port]\nSpeed=300\n");
    EXPECT_EQ(once.ReadString("terminal PORT", "speed", "x"), "9600");
    EXPECT_EQ(once.ReadInteger("Window number 0", "Mid", 0), 3);
    EXPECT_EQ(once.ReadSection("Window number 0"), (Strings{"Zeta", "Alpha", "Mid"}));
    EXPECT_EQ(ini.ReadString("Terminal port", "Speed", "x"), "300");
    EXPECT_EQ(TIniFile::ReadIntoMemory(folder.file("none.ini")).ReadString("a", "b", "default"), "default");
}

INSTANTIATE_TEST_SUITE_P(LineEnds, TIniFileReadTest, ::testing::Values("\n", "\r\n"),
                         [](const auto& info) { return info.param == "\n" ? "LF" : "CRLF"; });

TEST(TIniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    TempFolder folder;
    TIniFile missing(folder.file("none.ini"));
    EXPECT_EQ(missing.ReadString("S", "K", "def"), "def");
    EXPECT_EQ(missing.ReadInteger("S", "K", 42), 42);
    EXPECT_TRUE(missing.ReadBool("S", "K", true));
    EXPECT_TRUE(missing.ReadSections().empty());
    EXPECT_FALSE(missing.SectionExists("S"));

    writeFile(folder.file("a.ini"), "[S]\nK=1\n");
    TIniFile ini(folder.file("a.ini"));
    EXPECT_EQ(ini.ReadString("Other", "K", "def"), "def");
    EXPECT_EQ(ini.ReadString("S", "Other", "def"), "def");
}

TEST(TIniFileTest, ReadsIntegersAndBooleans) {
    TempFolder folder;
    writeFile(folder.file("a.ini"), "[N]\ndec=-125\nplus=+7\nhex=0x1F\nallbits=0xFFFFFFFF\ntext=12a\n"
                                    "big=99999999999\nblank=\nzero=0\ntwo=2\n");
    TIniFile ini(folder.file("a.ini"));
    EXPECT_EQ(ini.ReadInteger("N", "dec", 0), -125);
    EXPECT_EQ(ini.ReadInteger("N", "plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "allbits", 0), -1);
    for (const char* bad : {"text", "big", "blank"})
        EXPECT_EQ(ini.ReadInteger("N", bad, 5), 5) << bad;
    EXPECT_FALSE(ini.ReadBool("N", "zero", true));
    EXPECT_TRUE(ini.ReadBool("N", "two", false));
    EXPECT_TRUE(ini.ReadBool("N", "text", true));
    EXPECT_FALSE(ini.ReadBool("N", "text", false));
}

TEST(TIniFileTest, WritesKeepTheRestOfTheFileAsItWas) {
    TempFolder folder;
    writeFile(folder.file("a.ini"), "; keep me\n[A]\nOne=1\nTwo = 2\n\n[B]\nX=y\n");
    TIniFile ini(folder.file("a.ini"));
    ini.WriteString("a", "TWO", "zwei=2");
    ini.WriteInteger("A", "Three", -3);
    ini.WriteBool("C", "Flag", true);
    ini.WriteBool("C", "Off", false);
    EXPECT_EQ(readFile(folder.file("a.ini")), "; keep me\r\n[A]\r\nOne=1\r\nTwo=zwei=2\r\nThree=-3\r\n\r\n"
                                              "[B]\r\nX=y\r\n[C]\r\nFlag=1\r\nOff=0\r\n");
    EXPECT_EQ(ini.ReadString("A", "Two", ""), "zwei=2");
    EXPECT_EQ(fileCount(folder.path()), 1u) << "no temporary file is left";

    TIniFile fresh(folder.file("new.ini"));
    fresh.WriteString("S", "K", "v");
    EXPECT_EQ(readFile(folder.file("new.ini")), "[S]\r\nK=v\r\n");
}

TEST(TIniFileTest, EraseSectionAndDeleteKeyRemoveEveryCopy) {
    TempFolder folder;
    writeFile(folder.file("a.ini"), "[A]\nK=1\nL=2\nk=3\n[B]\nK=1\n[a]\nM=4\n[C]\n");
    TIniFile ini(folder.file("a.ini"));
    ini.DeleteKey("a", "k");
    EXPECT_EQ(ini.ReadSection("A"), (Strings{"L"}));
    EXPECT_EQ(ini.ReadString("B", "K", ""), "1");
    ini.EraseSection("A");
    EXPECT_EQ(ini.ReadSections(), (Strings{"B", "C"}));
    EXPECT_EQ(readFile(folder.file("a.ini")), "[B]\r\nK=1\r\n[C]\r\n");
}

TEST(TIniFileTest, ReadOnlyFileRefusesWritesAndStaysWhole) {
    TempFolder folder;
    const std::string name = folder.file("ro.ini");
    const std::string content = "[S]\nK=old\n";
    writeFile(name, content);
    std::filesystem::permissions(name,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    TIniFile ini(name);
    EXPECT_THROW(ini.WriteString("S", "K", "new"), EIniFileException);
    EXPECT_THROW(ini.EraseSection("S"), EIniFileException);
    EXPECT_THROW(ini.DeleteKey("S", "K"), EIniFileException);
    EXPECT_EQ(readFile(name), content);
    EXPECT_EQ(fileCount(folder.path()), 1u);
}

TEST(TIniFileTest, WriteThatFailsMidwayLeavesTheOldFile) {
    TempFolder folder;
    const std::string name = folder.file("a.ini");
    const std::string content = "[S]\nK=old\n";
    writeFile(name, content);
    // A file-size limit makes the write of the new contents fail part of the way
    // through, even for a user whom no permission stops.
    // The program must survive the limit's signal on its own.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    TIniFile ini(name);
    std::string failure;
    try {
        ini.WriteString("S", "K", std::string(200, 'n'));
    } catch (const EIniFileException& error) {
        failure = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_NE(failure.find("File too large"), std::string::npos) << failure;
    EXPECT_EQ(readFile(name), content);
    EXPECT_EQ(fileCount(folder.path()), 1u) << "the half-written file is removed";
}

TEST(TIniFileTest, WriteKeepsPermissionsAndLinks) {
    TempFolder folder;
    const std::string real = folder.file("real.ini");
    writeFile(real, "[S]\nK=1\n");
    std::filesystem::permissions(real,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(real, folder.file("link.ini"));
    TIniFile(folder.file("link.ini")).WriteString("S", "K", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link.ini")));
    EXPECT_EQ(TIniFile(real).ReadString("S", "K", ""), "2");
    EXPECT_EQ(std::filesystem::status(real).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(TIniFileTest, EditsFromTwoThreadsAreAllKept) {
    TempFolder folder;
    const std::string name = folder.file("a.ini");
    constexpr int editsPerThread = 40;
    std::thread writer([&] {
        TIniFile ini(name);
        for (int i = 0; i < editsPerThread; ++i)
            ini.WriteInteger("S", "a" + std::to_string(i), i);
    });
    std::thread eraser([&] {
        TIniFile ini(name);
        for (int i = 0; i < editsPerThread; ++i) {
            ini.WriteInteger("S", "b" + std::to_string(i), i);
            ini.WriteString("Scratch", "K", "v");
            ini.EraseSection("Scratch");
        }
    });
    writer.join();
    eraser.join();
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadSection("S").size(), 2u * editsPerThread);
    EXPECT_FALSE(ini.SectionExists("Scratch"));
}

} // namespace

TEST(TIniFileTest, UpdateGathersWritesIntoOneReplacement) {
    TempFolder folder;
    const std::string name = folder.file("batch.ini");
    writeFile(name, "[Layout]\nLayout count=5\n");
    TIniFile ini(name);
    ini.BeginUpdate();
    ini.WriteInteger("Layout", "Layout count", 1);
    ini.WriteString("Window number 0", "Window type", "1");
    ini.DeleteKey("Layout", "Missing");
    EXPECT_EQ(ini.ReadInteger("Layout", "Layout count", 0), 1) << "reads see the gathered writes";
    EXPECT_EQ(readFile(name), "[Layout]\nLayout count=5\n") << "nothing reaches the disk before UpdateFile";
    ini.UpdateFile();
    EXPECT_EQ(readFile(name), "[Layout]\r\nLayout count=1\r\n[Window number 0]\r\nWindow type=1\r\n");
    ini.WriteString("Layout", "Layout count", "2");
    EXPECT_EQ(TIniFile(name).ReadInteger("Layout", "Layout count", 0), 2) << "writes go straight on after it";
}

TEST(TIniFileTest, UpdateOfAReadOnlyFileFailsWholeAtTheEnd) {
    TempFolder folder;
    const std::string name = folder.file("ro.ini");
    const std::string content = "[S]\nK=old\n";
    writeFile(name, content);
    std::filesystem::permissions(name, std::filesystem::perms::owner_read);
    TIniFile ini(name);
    ini.BeginUpdate();
    ini.WriteString("S", "K", "new");
    ini.WriteString("S", "L", "new");
    EXPECT_THROW(ini.UpdateFile(), EIniFileException);
    EXPECT_EQ(readFile(name), content);
    EXPECT_EQ(fileCount(folder.path()), 1u);
    EXPECT_EQ(ini.ReadString("S", "K", ""), "old") << "a failed update leaves nothing gathered behind";
}

TEST(TIniFileTest, RewriteReplacesTheWholeFileWithTheGatheredWrites) {
    TempFolder folder;
    const std::string name = folder.file("type.smf");
    writeFile(name, "; old comment\n[Old]\nKey=1\n");
    TIniFile ini(name);
    ini.BeginRewrite();
    EXPECT_EQ(ini.Lines(), Strings{});
    ini.WriteString("Version", "Name", "x");
    ini.WriteString("Version", "NAME", "y");
    EXPECT_EQ(ini.Lines(), (Strings{"[Version]", "Name=y"}));
    EXPECT_EQ(readFile(name), "; old comment\n[Old]\nKey=1\n");
    ini.UpdateFile();
    EXPECT_EQ(readFile(name), "[Version]\r\nName=y\r\n");
}

TEST(TIniFileTest, ByteOrderMarkAndEveryLineEndReadAsExpected) {
    TempFolder folder;
    const std::string name = folder.file("a.ini");
    writeFile(name, "\xEF\xBB\xBF[First]\rA=1\r[Second]\r\r\nB=two\r\r\nC=3\n");
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(ini.ReadInteger("First", "A", 0), 1);
    EXPECT_EQ(ini.ReadString("Second", "B", ""), "two");
    EXPECT_EQ(ini.ReadSection("Second"), (std::vector<std::string>{"B", "C"}));
}

TEST(TIniFileTest, AFolderInTheFilesPlaceReadsAsDefaultsAndRefusesWrites) {
    TempFolder folder;
    const std::string name = folder.file("a.ini");
    std::filesystem::create_directory(name);
    TIniFile ini(name);
    EXPECT_FALSE(ini.Readable());
    EXPECT_EQ(ini.ReadString("S", "K", "default"), "default");
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_THROW(ini.WriteString("S", "K", "v"), EIniFileException);
    EXPECT_TRUE(TIniFile(folder.file("missing.ini")).Readable());
}
