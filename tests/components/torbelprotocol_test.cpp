#include "components/torbelprotocol.h"

#include "base/crc16.h"

#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::string withCrc(const std::string& frame) {
    return frame + Crc16X25Hex(frame);
}

struct Parsed {
    TOrbelProtocol codec;
    int packets = 0;
    explicit Parsed(const std::string& text) {
        codec.OnPacket = [this](TOrbelProtocol*) { ++packets; };
        codec.ParseData(text);
    }
    const TOrbelDataPacket& data() const { return codec.Data; }
};

TEST(TOrbelProtocol, AcknowledgementsWithAndWithoutAddresses) {
    TOrbelProtocol codec;
    EXPECT_EQ(codec.GetData(), "");
    codec.Data.vSetCommand(1);
    codec.Data.vSetAddress1(1);
    codec.Data.vSetAddress2("2A");
    EXPECT_EQ(codec.GetData(), "012A6");

    for (const std::string& text : {std::string("012A6"), std::string("\x02"
                                                                      "012A6\x03")}) {
        Parsed ack(text);
        EXPECT_EQ(ack.data().Command, 1) << text;
        EXPECT_EQ(ack.data().Address1, 1u);
        EXPECT_EQ(ack.data().Address2, 42u);
    }
    EXPECT_EQ(Parsed("012AF").data().Command, 2);
    EXPECT_EQ(Parsed("6").data().Command, 15);
    EXPECT_EQ(Parsed("F").data().Command, 16);
}

TEST(TOrbelProtocol, RejectedTextsGiveCommandZeroAndStillReport) {
    const std::string ping = withCrc("012A03PNG");
    std::string lowerCrc = ping;
    for (size_t i = lowerCrc.size() - 4; i < lowerCrc.size(); ++i)
        lowerCrc[i] = static_cast<char>(std::tolower(lowerCrc[i]));
    ASSERT_NE(lowerCrc, ping) << "pick a frame whose CRC has letters";
    const std::string rejected[] = {"",        "01",
                                    "0126",    "xx2A6",
                                    "012AX",   "\x02" + ping + "\x03",
                                    lowerCrc,  withCrc("0102") + "Z",
                                    "0102ABC", withCrc("010203ZZZ")};
    for (const std::string& text : rejected) {
        Parsed p(text);
        EXPECT_EQ(p.data().Command, 0) << text;
        EXPECT_EQ(p.packets, 1) << text;
    }
    // What a rejected frame held is still read into the record.
    const Parsed shortFrame("\x02"
                            "01A\x03");
    EXPECT_EQ(shortFrame.data().Address2, 0xAu);
    EXPECT_EQ(ArrayText(Parsed("0102ABC").data().CrcText), "ABC");
}

TEST(TOrbelProtocol, PingRoundTripChecksTheCrc) {
    TOrbelProtocol codec;
    codec.Data.vSetCommand(3);
    codec.Data.vSetAddress1(0x01);
    codec.Data.vSetAddress2(0x2A);
    const std::string frame = codec.GetData();
    EXPECT_EQ(frame, withCrc("012A03PNG"));
    EXPECT_EQ(codec.Data.DataLength, 3u);

    Parsed p(frame);
    EXPECT_EQ(p.data().Command, 3);
    EXPECT_EQ(p.data().Address2, 42u);
    EXPECT_EQ(p.data().CrcOk, 1);
    EXPECT_EQ(ArrayText(p.data().CrcText), frame.substr(frame.size() - 4));
}

TEST(TOrbelProtocol, SetFrameCarriesRouteAndPortDataOfEachDeviceType) {
    TOrbelProtocol codec;
    codec.Data.vSetCommand(5);
    codec.Data.vSetAddress1(0x10);
    codec.Data.vSetAddress2(0x20);
    codec.Data.PortType = {optOrbel100, optOrbel200, optNone, optOrbel300};
    codec.Data.vSetPortData(0, "ABCDEFG");
    codec.Data.vSetPortData(1, "1234567");
    codec.Data.vSetPortData(2, "ignored");
    codec.Data.vSetPortData(3, "XY");
    const std::string frame = codec.GetData();
    EXPECT_EQ(frame, withCrc("10201F2"
                             "13"
                             "SET"
                             "ABCDEFG"
                             "1234567"
                             "XY"));

    Parsed p(frame);
    EXPECT_EQ(p.data().Command, 5);
    EXPECT_EQ(p.data().PortType, (std::array<uint8_t, 4>{optOrbel100, optOrbel200, optNone, optOrbel300}));
    EXPECT_EQ(ArrayText(p.data().PortData[0]), "ABCDEFG");
    EXPECT_EQ(ArrayText(p.data().PortData[1]), "1234567");
    EXPECT_EQ(ArrayText(p.data().PortData[2]), "");
    EXPECT_EQ(ArrayText(p.data().PortData[3]), "XY");
}

TEST(TOrbelProtocol, CounterAndVelmorundFramesBothWays) {
    TOrbelProtocol codec;
    codec.Data.vSetAddress1(1);
    codec.Data.vSetAddress2(2);
    codec.Data.vSetCommand(18);
    codec.Data.PortType[0] = optDunvar100;
    codec.Data.vSetPortData(0, "0123456789ABCDEFGH");
    EXPECT_EQ(codec.GetData(), withCrc("0102FFF"
                                       "15"
                                       "SCD"
                                       "0123456789ABCDEFGH"));
    Parsed scd(codec.GetData());
    EXPECT_EQ(scd.data().Command, 18);
    EXPECT_EQ(ArrayChars(scd.data().PortData[0]), "0123456789ABCDEFGH");

    codec.Data.vSetCommand(23);
    codec.Data.PortType[0] = optVelmorund;
    codec.Data.vSetPortData(0, "VELMO1234");
    // The Velmorund length field is fixed at 12.
    EXPECT_EQ(codec.GetData(), withCrc("0102"
                                       "0C"
                                       "SMD"
                                       "VELMO1234"));
    Parsed smd(codec.GetData());
    EXPECT_EQ(smd.data().Command, 23);
    EXPECT_EQ(ArrayText(smd.data().PortData[0]), "VELMO1234");

    codec.Data.vSetCommand(24);
    codec.Data.InitialData = 0xDEADBEEF;
    EXPECT_EQ(codec.GetData(), withCrc("0102"
                                       "00"
                                       "IMC"
                                       "DEADBEEF"));
    EXPECT_EQ(Parsed(codec.GetData()).data().InitialData, 0xDEADBEEFu);

    codec.Data.vSetCommand(19);
    codec.Data.PortType = {};
    codec.Data.Counters.Value1 = 1;
    codec.Data.Counters.Value2 = 0xABC;
    EXPECT_EQ(codec.GetData(), withCrc("0102FFF"
                                       "10"
                                       "ICD"
                                       "0000000100000ABC"));
}

TEST(TOrbelProtocol, SlCommandResponseAndChannelPayloads) {
    TOrbelProtocol codec;
    codec.Data.vSetCommand(7);
    codec.Data.vSetSlCommandText("SL&F=1");
    codec.Data.vSetSlCommandTail("\r\n");
    EXPECT_EQ(codec.GetData(), withCrc("0000FFF"
                                       "0D"
                                       "SLC"
                                       "06SL&F=1\r\n"));

    Parsed slc(codec.GetData());
    EXPECT_EQ(slc.data().Command, 7);
    EXPECT_EQ(ArrayText(slc.data().SlCommand.Text), "06SL&F=1");
    EXPECT_EQ(ArrayChars(slc.data().SlCommand.Length), "08");
    EXPECT_EQ(ArrayChars(slc.data().SlCommand.Tail), "\r\n");
    EXPECT_EQ(ArrayText(slc.data().DataText), "06SL&F=1\r\n");

    Parsed slr(withCrc("0000FFF"
                       "00"
                       "SLR"
                       "OKvalue"));
    EXPECT_EQ(slr.data().Command, 8);
    EXPECT_EQ(ArrayChars(slr.data().SlResponse.Head), "OK");
    EXPECT_EQ(ArrayText(slr.data().SlResponse.Text), "value");

    codec.Data.vSetCommand(9);
    codec.Data.vSetChannel("A", "12");
    EXPECT_EQ(codec.GetData(), withCrc("0000FFF"
                                       "06"
                                       "CHC"
                                       "A12"));
    Parsed chc(codec.GetData());
    EXPECT_EQ(chc.data().Command, 9);
    EXPECT_EQ(ArrayChars(chc.data().Channel.Part2), "12");
}

TEST(TOrbelProtocol, SafeModeVersionAndInitialDataLimits) {
    TOrbelProtocol builder;
    builder.Data.vSetCommand(10);
    builder.Data.vSetAddress1(1);
    builder.Data.vSetAddress2(2);
    builder.Data.PortType[0] = optOrbel100;
    builder.Data.vSetPortData(0, "1234567");
    builder.Data.SafeMode.Mode = 2;
    builder.Data.SafeMode.Value = 0xBEEF;
    EXPECT_EQ(builder.GetData(), withCrc("0102FFF"
                                         "0F"
                                         "CFS"
                                         "2BEEF"
                                         "1234567"));

    Parsed cfs(withCrc("0102FFF"
                       "10"
                       "CFS"
                       "2BEEF"
                       "123456"));
    EXPECT_EQ(cfs.data().Command, 0);
    EXPECT_EQ(cfs.data().Address2, 2u);
    EXPECT_EQ(cfs.data().PortType[0], optOrbel100);
    EXPECT_EQ(cfs.data().SafeMode.Mode, 2);
    EXPECT_EQ(cfs.data().SafeMode.Value, 0xBEEFu);
    EXPECT_EQ(Parsed(withCrc("0102FFF"
                             "10"
                             "CFS"
                             "2BEEF"
                             "1234567"))
                  .data()
                  .Command,
              10);
    // A safe-mode payload that is no hexadecimal number is a rejected frame, not
    // an exception out of the parser.
    Parsed badMode(withCrc("0102FFF"
                           "10"
                           "CFS"
                           "2BXEF"
                           "1234567"));
    EXPECT_EQ(badMode.data().Command, 0);
    EXPECT_EQ(badMode.packets, 1);

    TOrbelProtocol codec;
    codec.ParseData(withCrc("0102FFF"
                            "00"
                            "VRS"
                            "1.23AB"));
    EXPECT_EQ(codec.Data.Command, 13);
    EXPECT_EQ(ArrayChars(codec.Data.Version), "1.23A");
    codec.ParseData(withCrc("010203PNG"));
    EXPECT_EQ(ArrayChars(codec.Data.Version), "1.23A");

    codec.Data.InitialData = 7;
    codec.ParseData(withCrc("0102"
                            "00"
                            "IMC"
                            "1234567"));
    EXPECT_EQ(codec.Data.Command, 24);
    EXPECT_EQ(codec.Data.InitialData, 7u);
    codec.ParseData(withCrc("0102"
                            "00"
                            "IMC"
                            "\\1234567"));
    EXPECT_EQ(codec.Data.Command, 24) << "the hexadecimal conversion leaves out backslashes";
    EXPECT_EQ(codec.Data.InitialData, 0x1234567u);
}

TEST(TOrbelProtocol, PointToPointLengthRuleWinsOverTheMnemonic) {
    // 12 characters before the CRC: a first address of 12 - 5 = 7 marks P2P_SET.
    EXPECT_EQ(Parsed(withCrc("0702"
                             "03PNGxxx"))
                  .data()
                  .Command,
              14);
    EXPECT_EQ(Parsed(withCrc("0802"
                             "03PNGxxx"))
                  .data()
                  .Command,
              3);
}

TEST(TOrbelProtocol, OverlongTextsAreCutToTheRecord) {
    const std::string slc = withCrc("0000FFF00SLC" + std::string(300, 'A') + "\r\n");
    Parsed p(slc);
    EXPECT_EQ(p.data().Command, 7);
    EXPECT_EQ(ArrayChars(p.data().RawText), slc.substr(0, 128));
    EXPECT_EQ(ArrayChars(p.data().SlCommand.Text), std::string(50, 'A'));
    EXPECT_EQ(ArrayChars(p.data().DataText), std::string(244, 'A'));
}

// The owner hands the codec a memo through the published property; the codec
// writes nothing to it and forgets it when it is deleted.
TEST(TOrbelProtocol, DebugMemoIsAPublishedPropertyTheCodecLeavesAlone) {
    TOrbelProtocol codec;
    EXPECT_EQ(codec.property("DebugMemo").value<QPlainTextEdit*>(), nullptr);
    auto memo = std::make_unique<QPlainTextEdit>("owner's text");
    ASSERT_TRUE(codec.setProperty("DebugMemo", QVariant::fromValue(memo.get())));
    EXPECT_EQ(codec.DebugMemo, memo.get());
    codec.ParseData(withCrc("012A03PNG"));
    codec.GetData();
    EXPECT_EQ(memo->toPlainText(), "owner's text");
    memo.reset();
    EXPECT_EQ(codec.property("DebugMemo").value<QPlainTextEdit*>(), nullptr);
}

} // namespace
