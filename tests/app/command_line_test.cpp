#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {
CommandLineModes Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "quovix");
    return ParseCommandLine(arguments);
}
} // namespace

TEST(CommandLine, ModesFollowTheirArgumentsWithoutRegardToCase) {
    EXPECT_FALSE(Parse({}).factory);
    EXPECT_TRUE(Parse({"KPALVUXR"}).factory);
    EXPECT_FALSE(Parse({"Kpalvux"}).factory);
    EXPECT_TRUE(Parse({"x", "dsr"}).dsr);
    EXPECT_FALSE(Parse({"DSR"}).dsr);
    EXPECT_FALSE(Parse({"x", "BootFlash"}).bootFlash);
    EXPECT_TRUE(Parse({"KpalvuxR", "bootflash"}).bootFlash);
    EXPECT_FALSE(Parse({"KpalvuxR", "bootflash"}).dsr);
}

TEST(CommandLine, RemoteUseReadsItsDigitsAndFileName) {
    const CommandLineModes modes = Parse({"ZrunemoltoQ", "3", "15x", "1", "/tmp/f.s19"});
    EXPECT_TRUE(modes.remoteUse);
    EXPECT_FALSE(modes.factory);
    // Argument 2 is the port digit, never "DSR".
    EXPECT_FALSE(modes.dsr);
    ASSERT_TRUE(modes.remoteArgumentsValid);
    EXPECT_EQ(modes.remoteLoad.portDigit, 3);
    EXPECT_EQ(modes.remoteLoad.channelMaskDigit, 1);
    EXPECT_EQ(modes.remoteLoad.updateDigit, 1);
    EXPECT_EQ(modes.remoteLoad.fileName, "/tmp/f.s19");
}

TEST(CommandLine, RemoteUseWithMissingOrNonDigitArgumentsIsInvalid) {
    EXPECT_FALSE(Parse({"ZrunemoltoQ"}).remoteArgumentsValid);
    EXPECT_FALSE(Parse({"ZrunemoltoQ", "3", "1", "1"}).remoteArgumentsValid);
    EXPECT_FALSE(Parse({"ZrunemoltoQ", "3", "1", "1", ""}).remoteArgumentsValid);
    EXPECT_FALSE(Parse({"ZrunemoltoQ", "DSR", "1", "1", "f"}).remoteArgumentsValid);
    EXPECT_FALSE(Parse({"ZrunemoltoQ", "3", "", "1", "f"}).remoteArgumentsValid);
    EXPECT_TRUE(Parse({"ZrunemoltoQ", "3", "1", "1", "f"}).remoteArgumentsValid);
}
