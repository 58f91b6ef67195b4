#include "designer/dollar_frame.h"
#include "designer/dollar_receiver.h"
#include "designer/project_properties.h"
#include "support/bytes.h"
#include "support/message_box_recorder.h"

#include <gtest/gtest.h>

namespace {

std::string Frame(DollarCommand command) {
    return BuildDollarFrame(command);
}

PropertyEntry Entry(char tag, char second, const std::string& value) {
    return PropertyEntry{tag, second, 1, value, 0, 0};
}

TEST(DollarFrame, FramesWithoutItemsMatchTheirCheckVectors) {
    EXPECT_EQ(Frame(DollarCommand::ProgModeOn), bytesOf({0x24, 0x01, 0x00, 0x4C, 0x2C, 0x2A}));
    EXPECT_EQ(Frame(DollarCommand::ProgModeOff), bytesOf({0x24, 0x00, 0x00, 0x4C, 0x76, 0xF6}));
    EXPECT_EQ(Frame(DollarCommand::ReadParameters), bytesOf({0x24, 0x03, 0x00, 0x4C, 0x99, 0x92}));
    EXPECT_EQ(Frame(DollarCommand::SaveRoutes), bytesOf({0x24, 0x0C, 0x00, 0x4C, 0xD3, 0x55}));
}

TEST(DollarFrame, PropertyEntriesAreEncodedByTheirTypeLetter) {
    MessageBoxRecorder boxes;
    const std::vector<PropertyEntry> entries{
        Entry('B', '0', "300"),      Entry('R', '5', "x"),       Entry('W', '0', "70000"),
        Entry('H', '5', "1A2B3C4D"), Entry('S', '0', "name"),    Entry('M', '0', "1"),
        Entry('C', '0', "9"),        Entry('Q', '0', "ignored"), Entry('M', '5', "ON")};
    EXPECT_EQ(*ParameterItems(entries),
              bytesOf({'B', '0', 0x2C, 0,    'R',  '5',  0,    0,   'W', '0', 0x11, 0x70,
                       0,   'H', '5',  0x1A, 0x2B, 0x3C, 0x4D, 0,   'S', '0', 'n',  'a',
                       'm', 'e', 0,    'M',  '0',  '1',  0,    'M', '5', 'O', 'N',  0}));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"nyt v\xE4\xE4r\xE4ss\xE4 paikassa"});
}

TEST(DollarFrame, TheFactoryBlockIsSentApartFromTheOtherParameters) {
    const std::vector<PropertyEntry> entries{Entry('B', '0', "1"), Entry('B', '9', "2"), Entry('B', '9', "3"),
                                             Entry('B', '5', "4"), Entry('B', '9', "5")};
    EXPECT_EQ(*ParameterItems(entries), bytesOf({'B', '0', 1, 0}));
    EXPECT_EQ(*FactoryParameterItems(entries), bytesOf({'B', '9', 2, 0, 'B', '9', 3, 0}));
    EXPECT_TRUE(HasFactoryBlock(entries));

    const std::vector<PropertyEntry> factoryFirst{Entry('B', '9', "2")};
    EXPECT_FALSE(ParameterItems(factoryFirst).has_value());
    EXPECT_FALSE(FactoryParameterItems({Entry('B', '0', "1")}).has_value());
}

TEST(DollarFrame, RouteLinesBecomeNOrAddressItems) {
    EXPECT_EQ(SourceRouteItems(" 0A 2 $10 0x11 ").items,
              bytesOf({'N', '0', 10, 0, 0, 0, 0x0A, 0, 2, 0, 0x10, 0, 0x11, 0}));
    EXPECT_EQ(SourceRouteItems("zz 2").failure, RouteLineItems::BadAddress);
    EXPECT_EQ(SourceRouteItems("0A two").failure, RouteLineItems::BadLine);

    EXPECT_EQ(VirtualRouteItems("0000001A <-> 0002").items,
              bytesOf({'A', '0', 0, 0, 0, 0x1A, 0, 'J', '0', 0, 2, 0}));
    EXPECT_EQ(VirtualRouteItems("0003 <-> 0002").items, bytesOf({'J', '0', 0, 3, 0, 'J', '0', 0, 2, 0}));
    EXPECT_EQ(VirtualRouteItems("0003 <-> ").failure, RouteLineItems::BadAddress);
    EXPECT_EQ(VirtualRouteItems("0003").failure, RouteLineItems::BadLine);
}

TEST(DollarFrame, ProjectItemsCarryTheProtocolAndTheAddressFormat) {
    ProjectProperties properties;
    properties.addressType = 2;
    properties.routingType = 1;
    properties.netId = "net";
    properties.offset = 3;
    properties.length = 2;
    EXPECT_EQ(ProtocolInfoItems(properties, 0x0102),
              bytesOf({'B', '0', 2, 0, 'B', '0', 1, 0, 'W', '0', 1, 2, 0, 'S', '0', 'n', 'e', 't', 0}));
    EXPECT_EQ(AddressOffsetLengthItems(properties), bytesOf({'B', '0', 3, 0, 'B', '0', 2, 0}));
}

TEST(DollarFrame, ReplyItemsReadBackAsTheTextsTheWindowShows) {
    const std::string frame =
        BuildDollarFrame(0x83, bytesOf({'B',  '0',  200, 0,   'W', '5', 0xFF, 0xFE, 0, 'H', '0', 0,   0,
                                        0xFF, 0xFF, 0,   'H', '0', 0,   1,    0,    0, 0,   'H', '0', 0x80,
                                        0,    0,    0,   0,   'S', '0', 'a',  'b',  0, 'M', '0', '1', 0}));
    EXPECT_EQ(ReplyCode(frame), 3);
    EXPECT_EQ(ReplyStatus(frame), 200);
    const std::vector<DollarItem> expected{{'B', '0', "200"},      {'W', '5', "65534"},    {'H', '0', "FFFF"},
                                           {'H', '0', "00010000"}, {'H', '0', "80000000"}, {'S', '0', "ab"},
                                           {'M', '0', "1"}};
    EXPECT_EQ(DecodeItems(frame), expected);
    EXPECT_EQ(ReplyCode(BuildDollarFrame(0x94)), 20);
}

TEST(DollarFrame, TheProgrammingReplyNamesTheModemTypeAndItsVersion) {
    const std::string answer =
        BuildDollarFrame(0x81, TextItem("RADIO-X/2.01") + ByteItem(static_cast<uint8_t>(-3)));
    EXPECT_EQ(ReadModemTypeAnswer(answer).name, "RADIO-X");
    EXPECT_EQ(ReadModemTypeAnswer(answer).version, -3);

    const ModemTypeAnswer cut = ReadModemTypeAnswer(BuildDollarFrame(0x01, TextItem("RADIO-X")));
    EXPECT_EQ(cut.name, "RADIO-X");
    EXPECT_FALSE(cut.version.has_value());
    EXPECT_FALSE(ReadModemTypeAnswer(BuildDollarFrame(0x01)).version.has_value());
}

TEST(DollarReceiver, AReplySplitOverSeveralReadsIsAssembledAfterLeadingNoiseIsDropped) {
    DollarReceiver receiver;
    const std::string frame = BuildDollarFrame(0x03, TextItem("L$L") + WordItem(0x4C24));
    const std::string bytes = "noise" + frame;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        receiver.Append(&bytes[i], 1);
        EXPECT_FALSE(receiver.Next().has_value()) << i;
    }
    receiver.Append(&bytes.back(), 1);
    const auto event = receiver.Next();
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->kind, DollarReceiver::Event::Frame);
    EXPECT_EQ(event->frame, frame);
    EXPECT_TRUE(receiver.Buffer().empty());
}

TEST(DollarReceiver, TwoFramesInOneReadAreTakenOneAfterTheOtherAndTheRestKept) {
    DollarReceiver receiver;
    const std::string first = BuildDollarFrame(0x08);
    const std::string second = BuildDollarFrame(0x04, ByteItem(1));
    const std::string bytes = first + second + "$\x0A";
    receiver.Append(bytes.data(), bytes.size());
    EXPECT_EQ(receiver.Next()->frame, first);
    EXPECT_EQ(receiver.Next()->frame, second);
    EXPECT_FALSE(receiver.Next().has_value());
    EXPECT_EQ(receiver.Buffer(), "$\x0A");

    receiver.Clear();
    receiver.Append("no frame here", 13);
    EXPECT_FALSE(receiver.Next().has_value());
    EXPECT_TRUE(receiver.Buffer().empty());
}

TEST(DollarReceiver, ACrcMismatchReportsBothNumbersAndEmptiesTheBuffer) {
    DollarReceiver receiver;
    std::string bad = BuildDollarFrame(0x06, ByteItem(1));
    const uint16_t good = static_cast<uint16_t>(static_cast<uint8_t>(bad[bad.size() - 2]) << 8 |
                                                static_cast<uint8_t>(bad.back()));
    bad.back() = static_cast<char>(bad.back() ^ 1);
    bad += BuildDollarFrame(0x00);
    receiver.Append(bad.data(), bad.size());
    const auto event = receiver.Next();
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->kind, DollarReceiver::Event::CrcError);
    EXPECT_EQ(event->computed, good);
    EXPECT_EQ(event->received, good ^ 1);
    EXPECT_TRUE(receiver.Buffer().empty());
}

// A "C" item drops the buffer; a byte that is no item tag leaves its frame in the
// buffer, never complete, whatever follows.
TEST(DollarReceiver, AMisplacedItemDropsTheBufferAndAnUnknownByteKeepsIt) {
    DollarReceiver receiver;
    const std::string good = BuildDollarFrame(0x0C);
    const std::string misplaced = bytesOf({'$', 2, 0, 'C', '0', 'L', 1, 2}) + good;
    receiver.Append(misplaced.data(), misplaced.size());
    EXPECT_EQ(receiver.Next()->kind, DollarReceiver::Event::Misplaced);
    EXPECT_TRUE(receiver.Buffer().empty());

    const std::string unknown = bytesOf({'$', 2, 0, 'Z', 'L', 1, 2}) + good;
    receiver.Append(unknown.data(), unknown.size());
    EXPECT_FALSE(receiver.Next().has_value());
    EXPECT_EQ(receiver.Buffer(), unknown);
}

// The "$" counts only before the first zero byte: one after it is not looked for
// and the whole buffer is dropped.
TEST(DollarReceiver, TheStartIsLookedForOnlyBeforeTheFirstZeroByte) {
    DollarReceiver receiver;
    const std::string bytes = std::string("ab\0", 3) + BuildDollarFrame(0x00);
    receiver.Append(bytes.data(), bytes.size());
    EXPECT_FALSE(receiver.Next().has_value());
    EXPECT_TRUE(receiver.Buffer().empty());
}

TEST(DollarReceiver, AFloodIsDroppedInsteadOfGrowingTheBuffer) {
    DollarReceiver receiver;
    const std::string start = bytesOf({'$', 3, 0, 'S', '0'});
    ASSERT_TRUE(receiver.Append(start.data(), start.size()));
    const std::string flood(DollarReceiver::kCapacity, 'x');
    EXPECT_FALSE(receiver.Append(flood.data(), flood.size()));
    EXPECT_TRUE(receiver.Buffer().empty());
    const std::string frame = BuildDollarFrame(0x00);
    ASSERT_TRUE(receiver.Append(frame.data(), frame.size()));
    EXPECT_EQ(receiver.Next()->frame, frame);
}

} // namespace
