#include "base/nms_frame.h"
#include "base/nmssequencecounter.h"

#include "support/bytes.h"

#include <gtest/gtest.h>

namespace {

// Any status byte other than an acknowledgement or an error marks a data response.
constexpr uint8_t dataStatus = 'D';

// A reply frame as a modem sends it: eight payload bytes before the status byte.
std::string replyFrame(uint8_t status, const std::string& rest) {
    return BuildNmsFrame(std::string(8, '\0') + static_cast<char>(status) + rest);
}

std::string dataReply(const std::string& value) {
    return replyFrame(dataStatus, static_cast<char>(value.size() + 2) + std::string("\x11\x00", 2) + value);
}

TEST(NmsFrameTest, RequestFramesByteForByte) {
    EXPECT_EQ(BuildNmsGetFrame(0, 0x1100), bytesOf({0x02, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                    0x00, 0x00, 0x3A, 0x11, 0x00, 0x89, 0xB6}));
    EXPECT_EQ(BuildNmsSetFrame(2, 0x1100, NmsNumberBytes(100, NmsUnsigned16)),
              bytesOf({0x02, 0x00, 0x0E, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0xA0, 0x45, 0x04, 0x11,
                       0x00, 0x00, 0x64, 0x70, 0xCE}));
    const auto longest = BuildNmsSetFrame(0, 1, std::string(NmsMaxValueLength, 'x'));
    ASSERT_TRUE(longest);
    EXPECT_EQ(static_cast<uint8_t>((*longest)[12]), 255);
    EXPECT_FALSE(BuildNmsSetFrame(0, 1, std::string(NmsMaxValueLength + 1, 'x')))
        << "a value whose length byte would overflow is refused";
}

TEST(NmsFrameTest, SequenceNumbersGrowByTwoAndWrap) {
    NmsSequenceCounter counter;
    EXPECT_EQ(counter.Next(), 0);
    EXPECT_EQ(counter.Next(), 2);
    for (int i = 2; i < 128; ++i)
        counter.Next();
    EXPECT_EQ(counter.Next(), 0) << "after 128 requests the number is back to 0";
    EXPECT_EQ(counter.Next(), 2);
}

TEST(NmsFrameTest, ValueIdTextsBothWays) {
    EXPECT_EQ(ParseNmsValueId("1.256"), 0x1100);
    EXPECT_EQ(ParseNmsValueId("5.262"), 0x5106);
    EXPECT_EQ(ParseNmsValueId(" 9.262 U8"), 0x9106);
    EXPECT_EQ(ParseNmsValueId("1,4096"), 0x1000) << "the number spills into the group bits";
    EXPECT_EQ(ParseNmsValueId("17.1"), 0x1001) << "the id is taken to 16 bits";
    for (const char* bad : {"", "1", "1.", "a.1", "1.x", "--1.2", "99999999999.1"})
        EXPECT_FALSE(ParseNmsValueId(bad)) << bad;
    EXPECT_EQ(NmsValueIdText(0x9106), "9.262");
    for (uint32_t id : {0x0000u, 0x1100u, 0xF0FFu, 0xFFFFu})
        EXPECT_EQ(ParseNmsValueId(NmsValueIdText(static_cast<uint16_t>(id))), id);
}

TEST(NmsFrameTest, TypeCodes) {
    EXPECT_EQ(NmsNumberSize(NmsSigned32), 4u);
    EXPECT_EQ(NmsNumberSize(NmsByteString), 0u);
    EXPECT_EQ(NmsNumberBytes(0x12345678, NmsUnsigned32), bytesOf({0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(NmsNumberBytes(0x1FF, NmsSigned8), bytesOf({0xFF}));
    EXPECT_EQ(NmsNumberValue(bytesOf({0xFF}), NmsSigned8), -1);
    EXPECT_EQ(NmsNumberValue(bytesOf({0xFF}), NmsUnsigned8), 255);
    EXPECT_EQ(NmsNumberValue(bytesOf({0xFF, 0xFE, 0x99}), NmsSigned16), -2)
        << "only the type's width is read";
    EXPECT_EQ(NmsNumberValue(bytesOf({0xFF, 0xFF, 0xFF, 0xFF}), NmsSigned32), -1);
    EXPECT_EQ(NmsNumberValue(bytesOf({0xFF, 0xFF, 0xFF, 0xFF}), NmsUnsigned32), 4294967295);
    EXPECT_EQ(NmsBigEndianValue(bytesOf({0x01, 0x02})), 258u);
}

TEST(NmsFrameTest, CheckFindsWholeGoodFrames) {
    const std::string frame = BuildNmsGetFrame(4, 0x5106);
    for (size_t size = 0; size < frame.size(); ++size)
        EXPECT_EQ(CheckNmsFrame(frame.substr(0, size)).result, NmsFrameCheck::Incomplete) << size;
    const auto whole = CheckNmsFrame(frame + "next");
    EXPECT_EQ(whole.result, NmsFrameCheck::Complete);
    EXPECT_EQ(whole.length, frame.size());
    for (size_t offset : {3u, 10u, 14u, 15u}) {
        std::string damaged = frame;
        damaged[offset] ^= 0x01;
        EXPECT_EQ(CheckNmsFrame(damaged).result, NmsFrameCheck::Bad) << offset;
    }
    EXPECT_EQ(CheckNmsFrame("\x03").result, NmsFrameCheck::Bad);
    EXPECT_EQ(CheckNmsFrame(BuildNmsFrame("")).result, NmsFrameCheck::Complete);
}

TEST(NmsFrameTest, ReadsAcknowledgementsErrorsAndValues) {
    const auto acknowledge = ReadNmsReply(replyFrame(NmsStatusAcknowledge, ""));
    ASSERT_TRUE(acknowledge);
    EXPECT_TRUE(acknowledge->IsAcknowledge());

    const auto error = ReadNmsReply(replyFrame(NmsStatusError, bytesOf({0x01, 0x02})));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->IsError());
    EXPECT_EQ(error->errorCode, 258);

    const auto data = ReadNmsReply(dataReply("YRF0100"));
    ASSERT_TRUE(data);
    EXPECT_FALSE(data->IsError());
    EXPECT_TRUE(data->hasValue);
    EXPECT_EQ(data->value, "YRF0100");
}

TEST(NmsFrameTest, RefusesRepliesThatDoNotHoldTheirFields) {
    EXPECT_FALSE(ReadNmsReply(BuildNmsFrame(std::string(8, '\0')))) << "no status byte";
    EXPECT_FALSE(ReadNmsReply(replyFrame(NmsStatusError, "\x01"))) << "error code cut";
    std::string badCrc = dataReply("x");
    badCrc.back() ^= 1;
    EXPECT_FALSE(ReadNmsReply(badCrc));
    // A value length that reaches past the payload must not read the CRC or beyond.
    const auto overlong = ReadNmsReply(replyFrame(dataStatus, bytesOf({12, 0, 0, 'a', 'b'})));
    ASSERT_TRUE(overlong);
    EXPECT_FALSE(overlong->hasValue);
    const auto tooSmall = ReadNmsReply(replyFrame(dataStatus, bytesOf({1, 0, 0})));
    ASSERT_TRUE(tooSmall);
    EXPECT_FALSE(tooSmall->hasValue);
}

} // namespace
