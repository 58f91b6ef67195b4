#include "terminal/terminal_log.h"

#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(TerminalLogNames, SlicesCarryPortTerminalNameAndFourDigitNumber) {
    const std::string base = SliceBaseName("log.txt", 2, "modem1");
    EXPECT_EQ(SliceFileName(base, 0, ".txt"), "log_COM_03_modem1__0000.txt");
    EXPECT_EQ(SliceFileName(SliceBaseName("log.txt", 2, ""), 0, ".txt"), "log_COM_03___0000.txt");
    EXPECT_EQ(SliceFileName(SliceBaseName("/var/my.logs/run", 15, "a"), 12, ""),
              "/var/my.logs/run_COM_16_a__0012");
}

TEST(TerminalLogNames, TimeStampGoesBetweenNameAndExtensionWithoutLeadingZeros) {
    const LocalDateTime when{2024, 3, 5, 9, 7, 2};
    EXPECT_EQ(TimeStampedLogName("C:\\logs\\all.txt", when), "C:\\logs\\all_2024_3_5_9_7_2.txt");
    EXPECT_EQ(TimeStampedLogName("/home/u/all", when), "/home/u/all_2024_3_5_9_7_2");
    // The sliced log of a terminal on COM1 started from that name.
    const std::string stamped = TimeStampedLogName("/logs/all.txt", when);
    EXPECT_EQ(SliceFileName(SliceBaseName(stamped, 0, "x"), 0, ".txt"),
              "/logs/all_2024_3_5_9_7_2_COM_01_x__0000.txt");
}

TEST(TerminalLog, WholeLogReplacesTheFileAndCountsBytes) {
    TempFolder folder;
    const std::string name = folder.file("whole.txt");
    std::ofstream(name) << "old content that must go";
    TerminalLog log;
    ASSERT_TRUE(log.startWhole(name));
    EXPECT_TRUE(log.write("(12.3.2024 10:00:00)"));
    EXPECT_TRUE(log.write("hello\r\n"));
    EXPECT_EQ(log.fileLine(), "File: " + name);
    EXPECT_EQ(log.bytesLine(), "27 Bytes");
    log.stop();
    EXPECT_FALSE(log.running());
    EXPECT_TRUE(log.write("after stop"));
    EXPECT_EQ(Contents(name), "(12.3.2024 10:00:00)hello\r\n");
}

TEST(TerminalLog, FileThatCannotBeCreatedStartsNoLog) {
    TempFolder folder;
    TerminalLog log;
    EXPECT_FALSE(log.startWhole(folder.file("missing/folder/log.txt")));
    EXPECT_FALSE(log.running());
    EXPECT_NE(log.failure().find("missing/folder/log.txt"), std::string::npos);
    EXPECT_FALSE(log.startSliced(folder.file("missing/log.txt"), 0, "", 1));
    EXPECT_FALSE(log.running());
    EXPECT_FALSE(log.sliced());
    // A pipe in the file's place is refused, not opened and waited on for a reader.
    const std::string pipe = folder.file("pipe.txt");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(log.startWhole(pipe));
    EXPECT_EQ(log.failure(), "Cannot create file " + pipe);
}

TEST(TerminalLog, SliceRollsAfterTheWriteThatPassesTheSize) {
    TempFolder folder;
    TerminalLog log;
    ASSERT_TRUE(log.startSliced(folder.file("log.txt"), 2, "m", 1));
    const std::string first = folder.file("log_COM_03_m__0000.txt");
    EXPECT_EQ(log.fileLine(), first);
    EXPECT_TRUE(log.write(std::string(TerminalLog::kBytesPerMegabyte, 'a')));
    EXPECT_EQ(log.sliceNumber(), 0); // exactly the size is not past it
    EXPECT_TRUE(log.write("bc"));
    EXPECT_EQ(log.sliceNumber(), 1);
    EXPECT_EQ(log.fileLine(), folder.file("log_COM_03_m__0001.txt"));
    EXPECT_EQ(log.bytesLine(), "0 Bytes");
    EXPECT_TRUE(log.write("next"));
    // After a move to COM5 the next slice names that port.
    EXPECT_TRUE(log.portMoved(4));
    EXPECT_TRUE(log.write("moved"));
    log.stop();
    EXPECT_EQ(std::filesystem::file_size(first), TerminalLog::kBytesPerMegabyte + 2);
    EXPECT_EQ(Contents(folder.file("log_COM_03_m__0001.txt")), "next");
    EXPECT_EQ(Contents(folder.file("log_COM_05_m__0002.txt")), "moved");
}

TEST(TerminalLog, SliceSizeZeroNeverRollsAndARunningLogIsNotRestarted) {
    TempFolder folder;
    TerminalLog log;
    ASSERT_TRUE(log.startSliced(folder.file("a.txt"), 0, "", 0));
    EXPECT_TRUE(log.write(std::string(TerminalLog::kBytesPerMegabyte + 1, 'a')));
    EXPECT_EQ(log.sliceNumber(), 0);
    EXPECT_TRUE(log.startSliced(folder.file("b.txt"), 4, "other", 1));
    EXPECT_EQ(log.fileName(), folder.file("a_COM_01___0000.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("b_COM_05_other__0000.txt")));
}

TEST(TerminalLog, FailedRollStopsTheLogAndKeepsTheClosedSlice) {
    TempFolder folder;
    // A folder where the second slice should go makes it impossible to create.
    std::filesystem::create_directory(folder.file("log_COM_01_t__0001.txt"));
    TerminalLog log;
    ASSERT_TRUE(log.startSliced(folder.file("log.txt"), 0, "t", 1));
    const std::string slice(TerminalLog::kBytesPerMegabyte + 1, 'x');
    EXPECT_FALSE(log.write(slice));
    EXPECT_FALSE(log.running());
    EXPECT_FALSE(log.sliced());
    EXPECT_NE(log.failure().find("log_COM_01_t__0001.txt"), std::string::npos);
    EXPECT_NE(log.failure().find("Logging stopped"), std::string::npos);
    EXPECT_TRUE(log.write("written nowhere"));
    EXPECT_EQ(Contents(folder.file("log_COM_01_t__0000.txt")), slice);
}

TEST(TerminalLog, FailedWriteStopsTheLog) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TerminalLog log;
    ASSERT_TRUE(log.startWhole("/dev/full"));
    EXPECT_FALSE(log.write("does not fit"));
    EXPECT_FALSE(log.running());
    EXPECT_NE(log.failure().find("/dev/full"), std::string::npos);
}

} // namespace
