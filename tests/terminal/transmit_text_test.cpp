#include "base/crc16.h"
#include "platform/tinifile.h"
#include "support/temp_folder.h"
#include "terminal/transmit_text.h"

#include <gtest/gtest.h>

TEST(TransmitText, CounterEscapesCrcAndCrLfComeInTheirOrder) {
    EXPECT_EQ("AA\\4G", BuildTransmitText("A\\41\\4G", 0, {false, true, false, false}));
    EXPECT_EQ("A\\41\\4G", BuildTransmitText("A\\41\\4G", 0, {false, false, false, false}));
    EXPECT_EQ("x\\4", BuildTransmitText("x\\4", 0, {false, true, false, false}));

    const std::string body = std::string("00042") + "\x01" + "B";
    const uint16_t crc = Crc16Nibble(0xFFFF, body);
    const std::string expected = body + static_cast<char>(crc >> 8) + static_cast<char>(crc & 0xFF) + "\r\n";
    EXPECT_EQ(expected, BuildTransmitText("\\01B", 42, {true, true, true, true}));
}

TEST(TransmitText, PacketCounterWrapsAfterFiveDigits) {
    EXPECT_EQ(0, NextPacketCounter(-1));
    EXPECT_EQ(99999, NextPacketCounter(99998));
    EXPECT_EQ(0, NextPacketCounter(99999));
}

TEST(TransmitText, CommandFileLosesItsComments) {
    const std::string file = "GET U16 1.256\r\n// a comment\r\n+++\n  text // tail  \r\n\r\nlast";
    EXPECT_EQ((std::vector<std::string>{"GET U16 1.256", "+++", "text", "", "last"}), ReadCommandLines(file));
}

TEST(TransmitText, CommandLinesAreEscapesNmsRequestsOrText) {
    const CommandLineAction escape = ClassifyCommandLine("+++");
    EXPECT_EQ(CommandLineAction::Escape, escape.kind);
    EXPECT_EQ("\r\n+++ ", escape.echo);
    EXPECT_EQ(CommandLineAction::Text, ClassifyCommandLine("++++").kind);
    EXPECT_EQ(CommandLineAction::Nms, ClassifyCommandLine("set U8 1.2 3").kind);
    const CommandLineAction text = ClassifyCommandLine("AT&V");
    EXPECT_EQ("AT&V\r\n", text.data);
    EXPECT_EQ("\r\nAT&V ", text.echo);
    EXPECT_EQ(CommandLineAction::Nothing, ClassifyCommandLine("").kind);
}

TEST(TransmitText, DelayHasItsFloorAndSteps) {
    EXPECT_EQ("0.2", AppliedDelayText("0.1", '.'));
    EXPECT_EQ("0,2", AppliedDelayText("nonsense", ','));
    EXPECT_EQ("1,5", AppliedDelayText("1,5", ','));
    EXPECT_EQ("0.2", SteppedDelayText("0.25", '.', false));
    EXPECT_EQ("0.6", SteppedDelayText("0.5", '.', true));
    EXPECT_EQ("2,9", SteppedDelayText("3,0", ',', false));
    EXPECT_EQ(190, RepeatIntervalMs("0.05"));
    EXPECT_EQ(1500, RepeatIntervalMs("1,5"));
}

TEST(TransmitText, SettingsRoundTripAndCommandSourceNeedsFactoryMode) {
    TempFolder folder;
    TIniFile settings(folder.file("quovix.ini"));
    const std::string section = TransmitSectionName("COM3: Transmit window");
    EXPECT_EQ("COM3", section);
    EXPECT_EQ("Transmit", TransmitSectionName("Transmit"));

    const TransmitSettings defaults = LoadTransmitSettings(settings, section, ',', false);
    EXPECT_EQ(1, defaults.select);
    EXPECT_EQ("0,2", defaults.delay);
    EXPECT_FALSE(defaults.newFormat);

    TransmitSettings values;
    values.crLf = values.crc = values.counter = values.continuous = true;
    values.txFile = "/tmp/commands.txt";
    values.select = 2;
    values.delay = "1.5";
    SaveTransmitSettings(settings, section, values);
    const TransmitSettings factory = LoadTransmitSettings(settings, section, '.', true);
    EXPECT_EQ(2, factory.select);
    EXPECT_TRUE(factory.crLf && factory.crc && factory.counter && factory.continuous && factory.newFormat);
    EXPECT_FALSE(factory.mixed);
    EXPECT_EQ("/tmp/commands.txt", factory.txFile);
    EXPECT_EQ("1.5", factory.delay);
    EXPECT_EQ(1, LoadTransmitSettings(settings, section, '.', false).select);
}

TEST(TransmitText, OldBoxFilesAreReadAsLines) {
    EXPECT_EQ("a\r\n// b\r\n", TransmitBoxText("a\n// b", false));
    EXPECT_EQ("a\n// b", TransmitBoxText("a\n// b", true));
}
