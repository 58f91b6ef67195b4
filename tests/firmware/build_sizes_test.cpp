#include "firmware/build_sizes.h"

#include "platform/program_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const char* const kResult = "Linkage map\r\n"
                            "Code size: 12034 bytes\r\n"
                            "Constant size: 880 bytes\r\n"
                            "Static variable size: Data(1500) Iram(64)\r\n";

TEST(BuildSizesTest, ReadsTheFourSizesInOrder) {
    const BuildSizes sizes = ReadBuildSizes(kResult);
    EXPECT_EQ(sizes.code, 12034u);
    EXPECT_EQ(sizes.constant, 880u);
    EXPECT_EQ(sizes.data, 1500u);
    EXPECT_EQ(sizes.internalRam, 64u);
}

TEST(BuildSizesTest, MissingLabelsCountAsZero) {
    const BuildSizes sizes = ReadBuildSizes("Code size: 10\r\nStatic variable size: Data(7) Iram(3)\r\n");
    EXPECT_EQ(sizes.code, 10u);
    EXPECT_EQ(sizes.constant, 0u);
    EXPECT_EQ(sizes.data, 7u);
    EXPECT_EQ(sizes.internalRam, 3u);
    const BuildSizes none = ReadBuildSizes("Constant size: x (5)\r\n");
    EXPECT_EQ(none.code + none.constant + none.data + none.internalRam, 0u);
}

TEST(BuildSizesTest, ReportAddsUpTheResultFiles) {
    TempFolder folder;
    SetProgramPathForTests(folder.file("quovix"));
    std::filesystem::create_directory(folder.file("build_results"));
    for (int number : {1, 2, 10})
        std::ofstream(folder.file("build_results/result" + std::to_string(number) + ".txt")) << kResult;
    EXPECT_EQ(SumBuildSizes(),
              "Code size: 36102 Constant size: 2640  Static variable size: Data(4500) Iram(192)");
    SetProgramPathForTests("");
}

} // namespace
