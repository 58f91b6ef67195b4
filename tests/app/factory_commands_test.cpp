#include "main_window_fixture.h"

#include "designer/modem_type_files.h"
#include "designer/parameter_schema.h"
#include "support/file_dialog_recorder.h"
#include "support/file_text.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class FactoryCommandsTest : public MainWindowTest {
protected:
    std::string copyExport(const std::string& name) {
        fs::copy_file(std::string(QUOVIX_TEST_DATA) + "/smf_export/" + name, folder.file(name));
        return folder.file(name);
    }
};

TEST_F(FactoryCommandsTest, MadeTypeFilePassesTheDesignersCheckAndJoinsItsCatalogue) {
    auto window = open({"KpalvuxR"});
    const std::string exportFile = copyExport("qx-test-crlf.txt");
    FileDialogRecorder dialogs({exportFile});
    window->makesmf1->trigger();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].filter, "text file|*.txt");
    EXPECT_EQ(dialogs.requests[0].fileName, "*.txt");
    EXPECT_EQ(dialogs.requests[0].initialFolder, ProgramFolder());
    const std::string typeFile = folder.file("QX-Test.smf");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Conversion from\r\n" + exportFile + "\r\nto " +
                                                      typeFile + "\r\nfinnished OK"});

    boxes.clear();
    CheckModemTypeFile("QX-Test.smf", false);
    EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front();
    EXPECT_EQ(BuildModemTypeCatalogue(false), std::vector<std::string>{"QX-Test"});
    const ModemTypeVersion version = ReadModemTypeVersion("QX-Test.smf");
    EXPECT_EQ(version.settings, "19200,8,N,1");
    EXPECT_EQ(version.versionNumber, 12);
    EXPECT_EQ(version.nmsSupport, 1);

    const ParameterSchema schema = ReadParameterSchema(typeFile);
    ASSERT_EQ(schema.fields.size(), 4u);
    const ParameterField& speed = schema.fields[1];
    EXPECT_EQ(speed.key, "R51");
    EXPECT_EQ(speed.level, '5');
    EXPECT_EQ(speed.label, "Radio speed");
    EXPECT_EQ(speed.hint, "Air speed of the radio");
    EXPECT_EQ(speed.visibilityMask, 3);
    ASSERT_EQ(speed.items.size(), 3u);
    EXPECT_EQ(speed.items[2].text, "19200");
    EXPECT_EQ(schema.fields[2].key, "S92");
    EXPECT_TRUE(schema.fields[2].items.empty());
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(FactoryCommandsTest, MakerReportsAnExportItCannotUseAndACancelDoesNothing) {
    auto window = open({"KpalvuxR"});
    {
        FileDialogRecorder dialogs({std::nullopt});
        window->makesmf1->trigger();
        EXPECT_TRUE(boxes.texts().empty());
    }
    WriteFileText(folder.file("bad.txt"), "no type name here\r\n");
    FileDialogRecorder dialogs({folder.file("bad.txt")});
    window->makesmf1->trigger();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].flags & MB_ICONERROR, MB_ICONERROR);
    EXPECT_EQ(BuildModemTypeCatalogue(true), std::vector<std::string>{});
}

TEST_F(FactoryCommandsTest, LoaderToHexConvertsBothStepsAndKeepsTheChosenImage) {
    auto window = open({"KpalvuxR"});
    WriteFileText(folder.file("boot.s19"), "S0030000FC\r\nS10500000102F7\r\nS9030000FC\r\n");
    FileDialogRecorder dialogs({folder.file("boot.s19"), folder.file("boot.bin")});
    window->loadermnu->trigger();
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].filter, "Loader ASM file|*.a20;*s19");
    EXPECT_EQ(dialogs.requests[0].fileName, "*.s19");
    EXPECT_EQ(dialogs.requests[0].initialFolder, ProgramFolder());
    EXPECT_EQ(dialogs.requests[1].filter, "Loader file|*.bin");
    EXPECT_EQ(dialogs.requests[1].fileName, "*.bin");
    EXPECT_EQ(dialogs.requests[1].initialFolder, ProgramFolder()) << "no loader stored yet";
    EXPECT_EQ(ReadFileText(folder.file("boot.bin")), "\x01\x02");
    EXPECT_EQ(ReadFileText(folder.file("boot.txt")), "0x01,0x02,");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Loader transfered to txt format"});
    EXPECT_EQ(window->loader_path, folder.file("boot.bin"));
    window->close();
    EXPECT_EQ(settings().ReadString("Testi", "loader", ""), folder.file("boot.bin"));
}

TEST_F(FactoryCommandsTest, LoaderDialogStartsAtTheStoredImageAndACancelStillEndsWithTheBox) {
    settings().WriteString("Testi", "loader", "/opt/loaders/old.bin");
    auto window = open({"KpalvuxR"});
    FileDialogRecorder dialogs({std::nullopt, std::nullopt});
    window->loadermnu->trigger();
    ASSERT_EQ(dialogs.requests.size(), 2u) << "a cancelled first step goes on to the second";
    EXPECT_EQ(dialogs.requests[1].initialFolder, "/opt/loaders");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Loader transfered to txt format"});
    EXPECT_EQ(window->loader_path, "/opt/loaders/old.bin");
}

TEST_F(FactoryCommandsTest, HiddenBuildSizeItemShowsTheTotals) {
    auto window = open({"KpalvuxR"});
    EXPECT_FALSE(window->Lasku->isVisible());
    window->Lasku->trigger();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{
                                 "Code size: 0 Constant size: 0  Static variable size: Data(0) Iram(0)"});
}

} // namespace
