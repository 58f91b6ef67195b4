#include "designer/byte_reader.h"
#include "designer/project_properties.h"

#include <gtest/gtest.h>

namespace {

TEST(ProjectProperties, DefaultBlockIsThirtySevenBytes) {
    std::string block;
    ProjectProperties().Write(block);
    EXPECT_EQ(block, std::string("S\x06nonameS\x0cUser DefinedB\0B\x01"
                                 "B\0S\x05netidB\x01",
                                 37));
}

TEST(ProjectProperties, BlockRoundTripsAndHostileValuesStayInRange) {
    ProjectProperties written;
    written.name = "Harbour";
    written.netId = "ABCDEFGHIJ";
    written.addressType = 2;
    written.offset = 16;
    written.length = 4;
    written.routingType = 1;
    written.addressFormat = 0;
    std::string block;
    written.Write(block);
    ProjectProperties read;
    ByteReader in(block);
    EXPECT_TRUE(read.Read(in));
    written.netId = "ABCDEFGH";
    EXPECT_EQ(read, written);

    const std::string hostile("S\x01xS\x03???B\xFF"
                              "B\x00"
                              "B\x07S\x00"
                              "B\x09",
                              18);
    ByteReader hostileIn(hostile);
    EXPECT_TRUE(read.Read(hostileIn));
    EXPECT_EQ(read.addressType, -1);
    EXPECT_EQ(read.offset, 16);
    EXPECT_EQ(read.length, 1);
    EXPECT_EQ(read.routingType, 1);
    EXPECT_EQ(read.addressFormat, 1);

    ByteReader cut(block, 10);
    EXPECT_FALSE(read.Read(cut));
}

TEST(ProjectProperties, HexAddresses) {
    EXPECT_EQ(ParseHexAddress(" 1A2B "), 0x1A2Bu);
    EXPECT_EQ(ParseHexAddress("0x10"), 16u);
    EXPECT_EQ(ParseHexAddress("zz"), std::nullopt);
    EXPECT_EQ(ParseHexAddress(""), std::nullopt);
}

} // namespace
