#include "components/packet_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Feeds a splitter and keeps what it completes.
struct Splitting {
    PacketSplitter splitter;
    TdPacketFraming framing;
    std::vector<std::string> packets;
    std::vector<std::string> frames;

    explicit Splitting(TdPacketModeType type) {
        framing.Type = type;
        splitter.OnPacket = [this](const std::string& packet, const std::string& frame) {
            packets.push_back(packet);
            frames.push_back(frame);
        };
    }
    void take(const std::string& bytes) { splitter.Take(bytes, framing); }
};

TEST(PacketSplitterTest, NmsFramesAreCutByTheirLengthWhetherSplitOrJoined) {
    Splitting s(pmtKELVO_NMS);
    s.take(std::string("xx\x02\x00\x00\xAA\xBB", 7));
    ASSERT_EQ(s.packets.size(), 1u);
    EXPECT_EQ(s.packets[0], "\xAA\xBB") << "a zero-length frame is its two CRC bytes";
    EXPECT_EQ(s.frames[0], std::string("\x02\x00\x00\xAA\xBB", 5));

    // Two frames in one piece, the second carrying a start byte as data, then a
    // frame cut into single bytes.
    s.take(std::string("\x02\x00\x01"
                       "A"
                       "cc"
                       "\x02\x00\x02\x02\x02"
                       "dd",
                       14));
    const std::string split("\x02\x00\x03"
                            "xyz"
                            "ee",
                            8);
    for (char c : split)
        s.take(std::string(1, c));
    ASSERT_EQ(s.packets.size(), 4u);
    EXPECT_EQ(s.packets[1], "Acc");
    EXPECT_EQ(s.packets[2], "\x02\x02"
                            "dd");
    EXPECT_EQ(s.packets[3], "xyzee");
    EXPECT_FALSE(s.splitter.InsidePacket());
}

TEST(PacketSplitterTest, AnNmsLengthAboveTheLimitDropsOnlyThatFrame) {
    Splitting s(pmtKELVO_NMS);
    s.framing.MaxPacketLen = 100;
    s.take(std::string("\x02\x00\xC8", 3) + "data of a frame too long");
    EXPECT_TRUE(s.packets.empty());
    s.take(std::string("\x02\x00\x64", 3) + std::string(100, 'a') + "cc");
    ASSERT_EQ(s.packets.size(), 1u) << "100 is still accepted";
    EXPECT_EQ(s.packets[0].size(), 102u);
}

TEST(PacketSplitterTest, DelimitedPacketsRestartOnAStartAndIgnoreStrayEnds) {
    for (TdPacketModeType type : {pmtNORMAL, pmtLENGTH, pmtEND}) {
        Splitting s(type);
        s.take("\x03noise\x02"
               "A\x02"
               "B\x03\x03"
               "C\x02\x03");
        ASSERT_EQ(s.packets.size(), 2u) << type;
        EXPECT_EQ(s.packets[0], "B");
        EXPECT_EQ(s.frames[0], "\x02"
                               "B\x03");
        EXPECT_EQ(s.packets[1], "") << "an empty packet is a packet";
    }
}

// The splitter knows no time: a partial packet waits through any silence of the
// line, until its frame ends or, in the delimited modes, a start character begins
// the next packet.
TEST(PacketSplitterTest, APartialPacketWaitsForItsEndOrTheNextStartCharacter) {
    Splitting nms(pmtKELVO_NMS);
    nms.take(std::string("\x02\x00\x03"
                         "ab",
                         5));
    EXPECT_TRUE(nms.splitter.InsidePacket());
    nms.take(std::string("c\x02\x00", 3));
    ASSERT_EQ(nms.packets.size(), 1u) << "a start character inside a frame is data";
    EXPECT_EQ(nms.packets[0], std::string("abc\x02\x00", 5));

    Splitting normal(pmtNORMAL);
    normal.take("\x02"
                "par");
    EXPECT_EQ(normal.splitter.PacketText(), "par");
    normal.take("tial\x03");
    ASSERT_EQ(normal.packets.size(), 1u);
    EXPECT_EQ(normal.packets[0], "partial");
    normal.take("\x02"
                "lost\x02"
                "kept\x03");
    ASSERT_EQ(normal.packets.size(), 2u);
    EXPECT_EQ(normal.packets[1], "kept");
}

TEST(PacketSplitterTest, AnEndlessDelimitedPacketNeverGrowsPastItsBound) {
    Splitting s(pmtNORMAL);
    s.take("\x02");
    const std::string chunk(4096, 'x');
    for (size_t sent = 0; sent < 4 * PacketSplitter::kMaxDelimitedPacket; sent += chunk.size()) {
        s.take(chunk);
        ASSERT_LE(s.splitter.PacketText().size(), PacketSplitter::kMaxDelimitedPacket);
    }
    s.take("\x02"
           "ok\x03");
    ASSERT_EQ(s.packets.size(), 1u);
    EXPECT_EQ(s.packets[0], "ok");
}

} // namespace
