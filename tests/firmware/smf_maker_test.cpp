#include "firmware/smf_maker.h"

#include "base/modem_type_check.h"
#include "base/text_lines.h"
#include "platform/tinifile.h"
#include "support/file_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

std::string ExportFixture(const std::string& name) {
    return std::string(QUOVIX_TEST_DATA) + "/smf_export/" + name;
}

// True when the file's "Number" is the check value the designer computes for it
// under the given name.
bool PassesCheck(const std::string& path, const std::string& asName) {
    const int stored = TIniFile(path).ReadInteger("Version", "Number", -1);
    return stored == ModemTypeCheckValue(asName, SplitLines(ReadFileText(path)), NumberLineForm::OwnKey);
}

class SmfMakerTest : public testing::Test {
protected:
    TempFolder folder;
};

TEST_F(SmfMakerTest, ExportBecomesTheTypeFileInFileOrder) {
    const std::string path = MakeSmfFromText(ExportFixture("qx-test-crlf.txt"), folder.path().string());
    EXPECT_EQ(path, folder.file("QX-Test.smf"));
    const TIniFile smf(path);
    EXPECT_EQ(smf.ReadSections(), (std::vector<std::string>{"Version", "Properties", "help text"}));
    // The export's "Number" line keeps its place; the check number is written into it.
    EXPECT_EQ(smf.ReadSection("Version"),
              (std::vector<std::string>{"Quovix ini", "Name", "Settings", "Version number", "nms support",
                                        "Number", "Routable"}));
    EXPECT_TRUE(PassesCheck(path, "QX-Test.smf"));
    // One count per type letter, whatever its case or the mode: "s" is the second S.
    // Only a parameter of type R takes items; lines after the end marker are not read.
    EXPECT_EQ(smf.ReadSectionValues("Properties"),
              (std::vector<std::string>{"S01=Station name", "S01_v=3", "R51=Radio speed", "R51_v=3",
                                        "R51_1=4800", "R51_2=9600", "R51_3=19200", "s92=Serial number",
                                        "s92_v=0", "B01=Radio channel", "B01_v=3"}));
    // A line longer than 80 characters is read whole.
    EXPECT_EQ(smf.ReadString("help text", "S01_h", ""),
              "The name the modem gives itself in answers and in the network designer, up to twenty "
              "characters");
    EXPECT_EQ(smf.ReadSection("help text"), (std::vector<std::string>{"S01_h", "R51_h", "s92_h", "B01_h"}));
    EXPECT_EQ(smf.ReadInteger("Version", "nms support", 0), 1);
    EXPECT_EQ(smf.ReadString("Version", "Settings", ""), "19200,8,N,1");
}

TEST_F(SmfMakerTest, ExportWithoutNumberGetsOneThatTheCheckAccepts) {
    const std::string path = MakeSmfFromText(ExportFixture("qx-plain-lf.txt"), folder.path().string());
    const TIniFile smf(path);
    EXPECT_EQ(smf.ReadSection("Version").back(), "Number");
    EXPECT_TRUE(PassesCheck(path, "QX-Plain.smf"));
    EXPECT_TRUE(PassesCheck(path, "qx-plain.SMF")) << "letter case of the name is ignored";
    EXPECT_FALSE(PassesCheck(path, "QX-Other.smf")) << "the name is under the check";
    EXPECT_EQ(smf.ReadString("Properties", "r91_2", ""), "Terminal");

    // Any changed line fails the check.
    TIniFile(path).WriteString("Properties", "M01", "Acknowledged transfers");
    EXPECT_FALSE(PassesCheck(path, "QX-Plain.smf"));
}

// The designer takes the key after each parameter as its visibility key: a
// parameter without a visibility line still gets one, so the next is not lost.
TEST_F(SmfMakerTest, AParameterWithoutVisibilityLineGetsAHiddenOne) {
    const std::string exportFile = folder.file("export.txt");
    WriteFileText(exportFile, "Modem type\tQX-Bare\n>>>>>>>>\nType\tLevel\tDescription\tHelp\n\t\tVisible\n"
                              "B\t0\tRadio channel\tChannel\nM\t0\tAcknowledged transfer\tAck\n\t\t3\n");
    const TIniFile smf(MakeSmfFromText(exportFile, folder.path().string()));
    EXPECT_EQ(
        smf.ReadSectionValues("Properties"),
        (std::vector<std::string>{"B01=Radio channel", "B01_v=0", "M01=Acknowledged transfer", "M01_v=3"}));
}

// A header line's first column is its key, even when it is empty.
TEST_F(SmfMakerTest, HeaderLineWithAnEmptyKeyIsWrittenAsItIs) {
    const std::string exportFile = folder.file("export.txt");
    WriteFileText(exportFile, "Modem type\tQX-Keyless\nName\tKeyless\t\n\tlonely\t\n>>>>>>>>\n");
    const std::string path = MakeSmfFromText(exportFile, folder.path().string());
    const std::vector<std::string> version = TIniFile(path).ReadSectionValues("Version");
    ASSERT_EQ(version.size(), 3u);
    EXPECT_EQ(version[1], "=lonely");
    EXPECT_TRUE(PassesCheck(path, "QX-Keyless.smf"));
}

// However the export spells the check number's key, the made file passes the check.
TEST_F(SmfMakerTest, NumberKeyInAnySpellingIsWrittenAsNumber) {
    for (const std::string key : {"number", "NUMBER", "Number "}) {
        const std::string exportFile = folder.file("export.txt");
        WriteFileText(exportFile,
                      "Modem type\tQX-Spelled\nName\tSpelled\t\n" + key + "\t31064\t\n>>>>>>>>\n");
        const std::string path = MakeSmfFromText(exportFile, folder.path().string());
        EXPECT_EQ(TIniFile(path).ReadSection("Version"), (std::vector<std::string>{"Name", "Number"})) << key;
        EXPECT_TRUE(PassesCheck(path, "QX-Spelled.smf")) << key;
    }
}

TEST_F(SmfMakerTest, ReplacesTheOldFileWholeAndOnlyWhenItCan) {
    WriteFileText(folder.file("QX-Plain.smf"), "[Version]\r\nOld key=1\r\n[Old section]\r\nx=1\r\n");
    WriteFileText(folder.file("qx-plain.SMF"), "[Version]\r\nQuovix ini=1\r\n");
    const std::string path = MakeSmfFromText(ExportFixture("qx-plain-lf.txt"), folder.path().string());
    EXPECT_FALSE(TIniFile(path).ValueExists("Version", "Old key"));
    EXPECT_FALSE(TIniFile(path).SectionExists("Old section"));
    EXPECT_FALSE(fs::exists(folder.file("qx-plain.SMF"))) << "one type file, as where case is ignored";

    // A read-only type file stays as it was.
    const std::string before = ReadFileText(path);
    TIniFile(path).WriteString("Version", "Name", "changed");
    const std::string changed = ReadFileText(path);
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_THROW(MakeSmfFromText(ExportFixture("qx-plain-lf.txt"), folder.path().string()),
                 std::runtime_error);
    EXPECT_EQ(ReadFileText(path), changed);
    EXPECT_NE(changed, before);
}

TEST_F(SmfMakerTest, ExportWithoutUsableTypeNameWritesNothing) {
    for (const std::string firstLine :
         {"No tab here\r\n", "Modem type\t  \r\n", "Modem type\t../escape\r\n"}) {
        WriteFileText(folder.file("export.txt"), firstLine + ">>>>>>>>\r\n");
        EXPECT_THROW(MakeSmfFromText(folder.file("export.txt"), folder.path().string()), std::runtime_error)
            << firstLine;
    }
    EXPECT_THROW(MakeSmfFromText(folder.file("missing.txt"), folder.path().string()), std::runtime_error);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

} // namespace
