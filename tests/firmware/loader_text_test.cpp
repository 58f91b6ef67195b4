#include "firmware/loader_text.h"

#include "base/tstreamstring.h"
#include "firmware/cmassflash.h"
#include "platform/program_files.h"
#include "sim/firmware/firmware_test_files.h"
#include "support/file_text.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(LoaderTextTest, HexPairValue) {
    EXPECT_EQ(HexPairValue("00"), 0x00);
    EXPECT_EQ(HexPairValue("9F"), 0x9F);
    EXPECT_EQ(HexPairValue("A5"), 0xA5);
    EXPECT_EQ(HexPairValue("FF"), 0xFF);
    // Lower-case digits are no digits of the loader tools: "ff" is not 0xFF.
    EXPECT_NE(HexPairValue("ff"), 0xFF);
}

TEST(LoaderTextTest, DataOfS1S2S3RecordsInFileOrder) {
    const std::string text = "S00600004844521B\r\n" + MakeSRecord('2', 0x10000, Bytes("\x03\x04")) + "\n" +
                             MakeSRecord('1', 0, Bytes("\x01\x02")) + "\r\n" +
                             MakeSRecord('3', 0x2000000, Bytes("\xAA\xBB\xCC")) + "\r\n" +
                             "not a record\r\n" + MakeSRecord('5', 3, {}) + "\r\nS9030000FC\r\n";
    EXPECT_EQ(SRecordDataBytes(text), std::string("\x03\x04\x01\x02\xAA\xBB\xCC"));
    EXPECT_EQ(SRecordDataBytes("S00600004844521B\r\nS9030000FC\r\n"), "");
}

TEST(LoaderTextTest, RecordsTooShortForTheirCountGiveNoMoreThanTheyHold) {
    // Counts below the address and checksum give no bytes (never a negative length).
    EXPECT_EQ(SRecordDataBytes("S1020000\r\nS2030000\r\nS3040000\r\nS1\r\n"), "");
    EXPECT_EQ(SRecordDataBytes("S1030000FF\r\n"), "");
    // A record cut short gives the whole bytes before its end.
    EXPECT_EQ(SRecordDataBytes("S10800001122\r\nS1060000334\r\n"), std::string("\x11\x22\x33"));
}

TEST(LoaderTextTest, ConstantsElevenToALine) {
    EXPECT_EQ(LoaderByteConstants(""), "");
    EXPECT_EQ(LoaderByteConstants(std::string("\x00\xAB\x0f", 3)), std::string("0x00,0xab,0x0f,"));
    std::string bytes(21, '\x5a');
    const std::string eleven = "0x5a,0x5a,0x5a,0x5a,0x5a,0x5a,0x5a,0x5a,0x5a,0x5a,0x5a,";
    const std::string ten = eleven.substr(5);
    EXPECT_EQ(LoaderByteConstants(bytes), eleven + "\r\n" + ten);
    EXPECT_EQ(LoaderByteConstants(std::string(22, '\x5a')), eleven + "\r\n" + eleven + "\r\n");
}

TEST(LoaderTextTest, FilesBesideTheLoader) {
    TempFolder folder;
    WriteFileText(folder.file("loader.s19"), "S0030000FC\nS9030000FC\n");
    WriteFileText(folder.file("loader.bin"), "old contents");
    EXPECT_EQ(SRecordFileToBinary(folder.file("loader.s19")), folder.file("loader.bin"));
    EXPECT_EQ(ReadFileText(folder.file("loader.bin")), "");
    EXPECT_EQ(BinaryFileToText(folder.file("loader.bin")), folder.file("loader.txt"));
    EXPECT_EQ(ReadFileText(folder.file("loader.txt")), "");

    // A file never replaces itself, and a missing one is reported.
    EXPECT_THROW(SRecordFileToBinary(folder.file("loader.bin")), EStreamError);
    EXPECT_THROW(BinaryFileToText(folder.file("loader.txt")), EStreamError);
    EXPECT_THROW(SRecordFileToBinary(folder.file("missing.s19")), EStreamError);
    EXPECT_FALSE(std::filesystem::exists(folder.file("missing.bin")));
}

TEST(LoaderTextTest, ConvertedLoaderIsALoaderImageOfTheEngine) {
    TempFolder folder;
    const std::vector<uint8_t> loader = MakeTestLoader(7);
    WriteFileText(folder.file("h8_3048_loader_115200.s19"), MakeSRecordFile(loader));
    SRecordFileToBinary(folder.file("h8_3048_loader_115200.s19"));

    SetProgramPathForTests(folder.file("quovix"));
    CMassFlash engine;
    engine.HighSpeed = 1;
    EXPECT_TRUE(engine.LoadLoader());
    SetProgramPathForTests("");
    EXPECT_TRUE(std::equal(loader.begin(), loader.end(), engine.LoaderImage.begin()));
}

} // namespace
