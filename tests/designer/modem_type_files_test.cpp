#include "base/crc16.h"
#include "base/modem_type_check.h"
#include "base/text_lines.h"
#include "designer/modem_type_files.h"
#include "designer/network_design.h"
#include "designer/project_file.h"
#include "designer/tkuvio.h"
#include "designer_fixture.h"
#include "platform/tinifile.h"
#include "support/unreadable_file.h"

#include <filesystem>
#include <fstream>

namespace {

const char* const kFixtures[] = {"QX-450.smf", "QX-450R.smf", "QX-NMS.smf", "QX-MP4.smf", "QX-Lite.smf"};

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return SplitLines(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class ModemTypeFilesTest : public DesignerFolderTest {};

TEST_F(ModemTypeFilesTest, FixturesCarryTheirCheckValue) {
    for (const char* fixture : kFixtures) {
        AddTypeFile(fixture);
        CheckModemTypeFile(fixture, false);
        const int stored = TIniFile(folder.file(fixture)).ReadInteger("Version", "Number", -1);
        EXPECT_EQ(ModemTypeCheckValue(fixture, FileLines(folder.file(fixture)), NumberLineForm::OwnKey),
                  stored)
            << fixture;
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(ModemTypeFilesTest, CatalogueFollowsTheModeAndLeavesOutNonTypeFiles) {
    AddTypeFile("QX-450.smf");
    AddTypeFile("QX-Lite.smf");
    AddTypeFile("QX-NMS.smf", "qx-nms.SMF");
    WriteText(folder.file("Broken.smf"), "[Version]\r\nName=no marker\r\n");
    WriteText(folder.file("Broken2.smf"), "[Version]\r\nQuovix ini=xERROR\r\n");
    WriteText(folder.file("notes.txt"), "[Version]\r\nQuovix ini=1\r\n");
    EXPECT_EQ(BuildModemTypeCatalogue(false), (std::vector<std::string>{"QX-450", "qx-nms"}));
    EXPECT_EQ(BuildModemTypeCatalogue(true), (std::vector<std::string>{"QX-450", "QX-Lite", "qx-nms"}));
}

TEST_F(ModemTypeFilesTest, ChangedFileIsReportedAndFactoryModeCorrectsIt) {
    AddTypeFile("QX-450.smf");
    TIniFile(folder.file("QX-450.smf")).WriteString("Version", "Settings", "19200,8,N,1");
    const int checkValue =
        ModemTypeCheckValue("QX-450.smf", FileLines(folder.file("QX-450.smf")), NumberLineForm::OwnKey);
    const int stored = TIniFile(folder.file("QX-450.smf")).ReadInteger("Version", "Number", -1);
    CheckModemTypeFile("QX-450.smf", false);
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"Ini file QX-450.smf has been corrupted L " +
                                        std::to_string(checkValue) + " S " + std::to_string(stored)}));

    boxes.clear();
    boxes.queueAnswer(IDNO);
    CheckModemTypeFile("QX-450.smf", true);
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"FACTORY: Do you want to correct CRC sum to ini file"}));
    EXPECT_EQ(TIniFile(folder.file("QX-450.smf")).ReadInteger("Version", "Number", -1), stored);

    boxes.clear();
    boxes.queueAnswer(IDYES);
    CheckModemTypeFile("QX-450.smf", true);
    EXPECT_EQ(TIniFile(folder.file("QX-450.smf")).ReadInteger("Version", "Number", -1), checkValue);
    boxes.clear();
    CheckModemTypeFile("QX-450.smf", false);
    EXPECT_TRUE(boxes.texts().empty());
}

// A sound file whose "Number" line is spelt with blanks or in capitals is checked
// over that line's own text up to its "=", and is not reported.
TEST_F(ModemTypeFilesTest, TheNumberLineIsCheckedAsItIsSpelt) {
    for (const std::string key : {"Number = ", "NUMBER=", "  number\t= "}) {
        SCOPED_TRACE(key);
        const std::string zeroed = key.substr(0, key.find('=') + 1) + "0000";
        const uint16_t sound =
            Crc16Nibble(0xFFFF, "spelt.smf\r\n[Version]\r\nQuovix ini=1\r\n" + zeroed + "\r\n");
        WriteText(folder.file("Spelt.smf"),
                  "[Version]\r\nQuovix ini=1\r\n" + key + std::to_string(sound) + "\r\n");
        boxes.clear();
        CheckModemTypeFile("Spelt.smf", false);
        EXPECT_TRUE(boxes.texts().empty());
    }
}

// The factory correction writes the number that the next check computes over the
// file as the write leaves it: whatever the spelling of the "Number" line, and when
// the file had none and the line is added at the end of "Version".
TEST_F(ModemTypeFilesTest, TheFactoryCorrectionPassesTheNextCheck) {
    const std::string head = "[Version]\r\nQuovix ini=1\r\nName=QX\r\nSettings=9600,8,N,1\r\n";
    const std::string tail =
        "Version number=3\r\nnms support=0\r\nRoutable=true\r\n[Properties]\r\nB01=Channel\r\n";
    for (const std::string numberLine : {"Number = 17\r\n", "NUMBER=17\r\n", "  number\t= 17\r\n", ""}) {
        SCOPED_TRACE(numberLine);
        WriteText(folder.file("Fixed.smf"), head + numberLine + tail);
        boxes.clear();
        boxes.queueAnswer(IDYES);
        CheckModemTypeFile("Fixed.smf", true);
        ASSERT_EQ(boxes.texts().size(), 1u);
        boxes.clear();
        CheckModemTypeFile("Fixed.smf", false);
        EXPECT_TRUE(boxes.texts().empty());
    }
}

TEST_F(ModemTypeFilesTest, MissingFileIsReported) {
    CheckModemTypeFile("QX-GONE.smf", false);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"File " + folder.file("QX-GONE.smf") +
                                                       " is missing !!\rRevcover file and try again"}));
}

// Type names come from project files: one that could reach outside the program's
// folder, or holds a control character, is a missing type and never a path, even
// in factory mode after "Yes".
TEST_F(ModemTypeFilesTest, TypeNamesThatArePathsAreMissingTypes) {
    std::filesystem::create_directories(folder.file("sub"));
    AddTypeFile("QX-450.smf", "sub/victim.smf");
    TIniFile(folder.file("sub/victim.smf")).WriteString("Version", "Settings", "19200,8,N,1");
    AddTypeFile("QX-450.smf");
    const std::vector<std::string> victim = FileLines(folder.file("sub/victim.smf"));
    const std::string folderName = std::filesystem::path(folder.path()).filename().string();
    const std::string names[] = {"sub/victim.smf",
                                 "./sub/victim.smf",
                                 "../" + folderName + "/QX-450.smf",
                                 "..\\QX-450.smf",
                                 "QX-450\x01.smf",
                                 "sub\\victim.smf",
                                 ".."};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        boxes.clear();
        boxes.queueAnswer(IDYES);
        CheckModemTypeFile(name, true);
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{"File " + (folder.path() / name).string() +
                                                          " is missing !!\rRevcover file and try again"});
        EXPECT_EQ(ProgramFileIgnoringCase(name), "");
        EXPECT_EQ(ReadModemTypeVersion(name).name, "ERROR");
    }
    EXPECT_EQ(FileLines(folder.file("sub/victim.smf")), victim);
}

// A file far larger than any type file is reported as corrupted without reading
// it, is never rewritten, gives the default version values and is no catalogue entry.
TEST_F(ModemTypeFilesTest, AHugeFileIsReportedAsCorruptedWithoutReadingIt) {
    AddTypeFile("QX-450.smf", "QX-Huge.smf");
    {
        std::ofstream out(folder.file("QX-Huge.smf"), std::ios::app | std::ios::binary);
        out << std::string(1024 * 1024, ';') << "\r\n";
    }
    const auto size = std::filesystem::file_size(folder.file("QX-Huge.smf"));
    boxes.queueAnswer(IDYES);
    CheckModemTypeFile("QX-Huge.smf", true);
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"Ini file QX-Huge.smf has been corrupted: it is larger than 1024 KB"});
    EXPECT_EQ(std::filesystem::file_size(folder.file("QX-Huge.smf")), size);
    EXPECT_EQ(ReadModemTypeVersion("QX-Huge.smf").name, "ERROR");
    EXPECT_TRUE(BuildModemTypeCatalogue(true).empty());
}

// A type file whose read fails is reported as unreadable, never checked as if it
// were empty, and never rewritten, not even in factory mode after "Yes".
TEST_F(ModemTypeFilesTest, AFileThatCannotBeReadIsReportedAndLeftAlone) {
    const std::string path = MakeUnreadableFiles(folder.file("QX-Bad"))[1];
    const std::string name = std::filesystem::path(path).filename().string();
    boxes.queueAnswer(IDYES);
    CheckModemTypeFile(name, true);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Unable to read file " + path});
    EXPECT_TRUE(std::filesystem::is_symlink(path));
}

TEST_F(ModemTypeFilesTest, VersionValuesAreReadOncePerRunOfTheSameType) {
    AddTypeFile("QX-NMS.smf");
    AddTypeFile("QX-450.smf");
    ModemTypeVersionReader reader(false);
    TKuvio first(0, 0), second(0, 0), other(0, 0), third(0, 0);
    first.SetTypeName("QX-NMS");
    second.SetTypeName("QX-NMS");
    other.SetTypeName("QX-450");
    third.SetTypeName("QX-NMS");
    reader.ReadSmfVersionInfo(first);
    EXPECT_EQ(first.modemNameFromType, "QX-NMS example");
    EXPECT_EQ(first.versionFromType, 412);
    EXPECT_EQ(first.settingsFromType, "9600,8,N,1");
    EXPECT_TRUE(first.NmsSupport());
    EXPECT_EQ(first.PictureName(), "MODEEMIE");

    // The kept values serve the next figure of the type even when the file changed.
    TIniFile(folder.file("QX-NMS.smf")).WriteString("Version", "Name", "changed");
    reader.ReadSmfVersionInfo(second);
    EXPECT_EQ(second.modemNameFromType, "QX-NMS example");
    EXPECT_TRUE(boxes.texts().empty());

    reader.ReadSmfVersionInfo(other);
    EXPECT_FALSE(other.NmsSupport());
    reader.ReadSmfVersionInfo(third);
    EXPECT_EQ(third.modemNameFromType, "changed");
    EXPECT_EQ(boxes.count(), 1u);
}

TEST_F(ModemTypeFilesTest, NmsSupportOtherThanOneClearsIt) {
    WriteText(folder.file("Two.smf"), "[Version]\r\nQuovix ini=1\r\nnms support=2\r\n");
    ModemTypeVersionReader reader(false);
    TKuvio figure(0, 0);
    figure.SetTypeName("Two");
    figure.SetNmsSupport(true);
    reader.ReadSmfVersionInfo(figure);
    EXPECT_FALSE(figure.NmsSupport());
}

TEST_F(ModemTypeFilesTest, NewModemTakesTypeDefaultsOnlyWhenTheItemChanges) {
    AddTypeFile("QX-450.smf");
    AddTypeFile("QX-NMS.smf");
    TKuvio defaults(0, 0);
    defaults.SetTypeName("QX-450");
    defaults.SetPropertyEntry('B', '0', "42", true, true, 8, 0x1100);
    std::ofstream(folder.file("QX-450.ssf"), std::ios::binary) << EncodeModemRecord(defaults, true);

    NetworkDesign design(false);
    ModemTypeVersionReader reader(false);
    TKuvio& first = design.NewModemFigure("QX-450", NewModemKind::Normal, 100, 100, "new:QX-450", reader);
    EXPECT_EQ(first.PropertyEntries(), defaults.PropertyEntries());
    EXPECT_EQ(first.identifier, 1);
    EXPECT_EQ(design.active, &first);
    EXPECT_TRUE(design.modified);
    EXPECT_EQ(first.CentreX(), 100);
    TKuvio& second = design.NewModemFigure("QX-450", NewModemKind::Normal, 100, 100, "new:QX-450", reader);
    EXPECT_TRUE(second.PropertyEntries().empty());
    design.NewModemFigure("QX-NMS", NewModemKind::Multiport, 100, 100, "multi:QX-NMS", reader);
    TKuvio& fourth = design.NewModemFigure("QX-450", NewModemKind::Mobile, 100, 100, "new:QX-450", reader);
    EXPECT_EQ(fourth.PropertyEntries(), defaults.PropertyEntries());
    EXPECT_TRUE(fourth.Mobile());
    EXPECT_EQ(fourth.identifier, 4);
    EXPECT_TRUE(design.Figures()[2]->Multiport());
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
