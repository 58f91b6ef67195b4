#include "base/nms_frame.h"
#include "sim/nms_modem_sim.h"
#include "terminal/nms_command.h"

#include <gtest/gtest.h>

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int value : values) {
        out.push_back(static_cast<char>(value));
    }
    return out;
}

NmsCommand parsed(const std::string& line) {
    const NmsCommandParse parse = ParseNmsCommandLine(line);
    EXPECT_TRUE(parse.command.has_value()) << line << ": " << parse.error;
    return parse.command.value_or(NmsCommand{});
}

std::string joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) {
        all += text;
    }
    return all;
}

// Sends a line to the simulated modem and returns what the terminal prints.
std::string exchange(NmsModemSim& modem, const std::string& line, uint8_t sequence = 0) {
    const NmsCommand command = parsed(line);
    NmsReplyAssembler replies;
    replies.Start(command.typeCode, command.idText, sequence);
    std::string printed;
    for (const std::string& chunk : modem.Receive(BuildNmsRequestFrame(command, sequence))) {
        printed += joined(replies.Feed(chunk));
    }
    EXPECT_FALSE(replies.Awaiting()) << line;
    return printed;
}

} // namespace

TEST(NmsCommandLine, BuildsTheGetAndSetFramesOfTheLine) {
    EXPECT_EQ(bytes({0x02, 0x00, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0x3A, 0x11, 0x00, 0x89, 0xB6}),
              BuildNmsRequestFrame(parsed("get u16 1.256"), 0));
    EXPECT_EQ(bytes({0x02, 0x00, 0x0E, 0, 0, 0x02, 0, 0, 0, 0, 0xA0, 0x45, 0x04, 0x11, 0x00, 0x00, 0x64, 0x70,
                     0xCE}),
              BuildNmsRequestFrame(parsed("SET U16 1.256 100"), 2));

    const NmsCommand byteString = parsed("SET H 1.300 \\01\\02\\ff");
    EXPECT_EQ(bytes({0x01, 0x02, 0xFF}), byteString.value);
    EXPECT_EQ(0x112C, byteString.valueId);
    EXPECT_EQ(" 1.300 ", byteString.idText);
    EXPECT_EQ(" 1.256", parsed("GET I8 1.256").idText);
    EXPECT_EQ(9, parsed("GET I8 1.256").typeCode);
    EXPECT_EQ("12.256", parsed("GET U32 12.256").idText);
    EXPECT_EQ(bytes({0xFF, 0xFF}), parsed("SET U16 1.2 -1").value);
    EXPECT_EQ(bytes({0x80}), parsed("SET I8 1.2 -128").value);
    EXPECT_EQ("Hello world", parsed("SET S 1.2   Hello world  ").value);
    EXPECT_EQ(std::string(243, 'x'), parsed("SET S 1.2 " + std::string(243, 'x')).value);
}

TEST(NmsCommandLine, RefusesLinesThatWouldMakeGarbageFrames) {
    for (const std::string line :
         {"GET U12 1.256", "GET X8 1.256", "GET U8 1256", "GET U8 a.b", "GET U8 1.", "SET U8 1.2 256",
          "SET I8 1.2 -129", "SET U16 1.2 12ab", "SET U32 1.2", "SET H 1.2 \\0", "SET H 1.2 \\0G", "GET"}) {
        const NmsCommandParse parse = ParseNmsCommandLine(line);
        EXPECT_FALSE(parse.command.has_value()) << line;
        EXPECT_FALSE(parse.error.empty()) << line;
    }
    EXPECT_FALSE(ParseNmsCommandLine("SET S 1.2 " + std::string(244, 'x')).command.has_value());
    EXPECT_FALSE(ParseNmsCommandLine("SET H 1.2 " + std::string(244 * 3, 'A')).command.has_value());
}

TEST(NmsReplies, PrintTheValueTheModemHoldsForEveryType) {
    NmsModemSim modem;
    modem.SetValue(0x1100, bytes({0xFF}));
    EXPECT_EQ("\r\nNMSOK  1.256 -1", exchange(modem, "GET I8 1.256"));
    EXPECT_EQ("\r\nNMSOK  1.256 255", exchange(modem, "GET U8 1.256"));

    modem.SetValue(0x1101, bytes({0, 0}));
    EXPECT_EQ("\r\nNMSOK  1.257  -32768", exchange(modem, "SET I16 1.257 -32768"));
    EXPECT_EQ(bytes({0x80, 0x00}), modem.Value(0x1101));
    EXPECT_EQ("\r\nNMSOK  1.257 32768", exchange(modem, "GET U16 1.257"));

    modem.SetValue(0x5106, bytes({0, 0, 0, 0}));
    EXPECT_EQ("\r\nNMSOK  5.262  4294967295", exchange(modem, "SET U32 5.262 4294967295"));
    EXPECT_EQ("\r\nNMSOK  5.262 -1", exchange(modem, "GET I32 5.262"));

    modem.SetValue(0x9106, "old");
    EXPECT_EQ("\r\nNMSOK Modem 7", exchange(modem, "SET S 9.262 Modem 7"));
    EXPECT_EQ("\r\nNMSOK \\01\\02\\FF", exchange(modem, "SET H 9.262 \\01\\02\\FF"));
    EXPECT_EQ("\r\nNMSOK \\01\\02\\FF", exchange(modem, "GET H 9.262"));
}

TEST(NmsReplies, SplitRepliesAreAssembledAcrossChunks) {
    NmsModemSim modem;
    modem.SetValue(0x1100, bytes({0x12, 0x34}));
    for (size_t split : {1, 3, 14, 15}) {
        modem.SetSplit(split);
        EXPECT_EQ("\r\nNMSOK  1.256 4660", exchange(modem, "GET U16 1.256")) << split;
    }
}

TEST(NmsReplies, ErrorsPrintTheirCodeAndBadFramesEndTheExchange) {
    NmsModemSim modem;
    EXPECT_EQ("\r\nNMSOK NMSError 258\r\n", exchange(modem, "GET U8 3.3"));

    modem.SetValue(0x1100, bytes({1}));
    modem.SetFault(NmsModemSim::Fault::BadCrc);
    EXPECT_EQ("\r\nNMSOK ", exchange(modem, "GET U8 1.256"));
    modem.SetFault(NmsModemSim::Fault::Flood);
    EXPECT_EQ("", exchange(modem, "GET U8 1.256"));

    modem.SetFault(NmsModemSim::Fault::None);
    std::string corrupted = BuildNmsRequestFrame(parsed("GET U8 1.256"), 0);
    corrupted.back() = static_cast<char>(corrupted.back() ^ 1);
    NmsReplyAssembler replies;
    replies.Start(8, " 1.256", 0);
    EXPECT_EQ("NMSError 1\r\n", joined(replies.Feed(modem.Receive(corrupted).at(0))));
}

TEST(NmsReplies, LengthsAreCheckedAgainstTheFrameAndTheBuffer) {
    NmsReplyAssembler replies;
    replies.Start(16, " 1.256", 0);
    // A frame that claims 600 payload bytes can never fit the reply buffer.
    EXPECT_EQ("NMS reply too long\r\n", joined(replies.Feed(bytes({0x02, 0x02, 0x58, 0}))));
    EXPECT_FALSE(replies.Awaiting());

    // A data frame whose length byte claims more bytes than the frame holds.
    NmsModemSim modem;
    modem.SetValue(0x1100, bytes({1, 2}));
    const std::vector<std::string> reply = modem.Receive(BuildNmsRequestFrame(parsed("GET U16 1.256"), 0));
    std::string frames = reply.at(0);
    const size_t dataFrame = 14;
    frames[dataFrame + 12] = 10;
    // Mend the CRC so only the length byte is wrong.
    const std::string payload = frames.substr(dataFrame + 3, frames.size() - dataFrame - 5);
    frames = frames.substr(0, dataFrame) + BuildNmsFrame(payload);
    replies.Start(16, " 1.256", 0);
    EXPECT_EQ("\r\nNMSOK NMS reply malformed\r\n", joined(replies.Feed(frames)));

    // A number shorter than its type.
    modem.SetValue(0x1100, bytes({1}));
    replies.Start(32, " 1.256", 0);
    std::string printed;
    for (const std::string& chunk : modem.Receive(BuildNmsRequestFrame(parsed("GET U32 1.256"), 0))) {
        printed += joined(replies.Feed(chunk));
    }
    EXPECT_EQ("\r\nNMSOK NMS reply malformed\r\n", printed);
}
