#include "components/tgenericprotocol.h"

#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Blocks = std::vector<std::pair<std::string, std::string>>;

Blocks blocksOf(const TGPDataPacket& packet) {
    Blocks blocks;
    for (uint32_t i = 0; i < packet.u32GetBlockCount(); ++i)
        blocks.emplace_back(packet.pGetBlockByIndex(i)->strGetName(),
                            packet.pGetBlockByIndex(i)->vstrGetBlockData().AsString());
    return blocks;
}

struct Recogniser {
    MessageBoxRecorder boxes;
    TGenericProtocol protocol;
    std::vector<Blocks> published;
    Recogniser() {
        protocol.OnPacketReceived = [this](TGPDataPacket* packet, bool&) {
            published.push_back(blocksOf(*packet));
        };
    }
};

TEST(TGenericProtocol, FramedPacketIsSplitAndPublishedOnlyWhenWhole) {
    Recogniser r;
    r.protocol.CreatePacket("Frame", gptStxDataEtx);

    r.protocol.AddData("\x02"
                       "AB");
    r.protocol.AddData("C\x03");
    EXPECT_TRUE(r.published.empty());
    r.protocol.AddData("ABC");
    EXPECT_TRUE(r.published.empty());

    r.protocol.AddData("\x02"
                       "ABC\x03");
    ASSERT_EQ(r.published.size(), 1u);
    EXPECT_EQ(r.published[0], (Blocks{{"STX", "\x02"}, {"DATA", "ABC"}, {"ETX", "\x03"}}));

    // Two packets joined in one text are one match: the data block takes
    // everything between the first and the last byte.
    r.protocol.AddData("\x02"
                       "AB\x03\x02"
                       "CD\x03");
    ASSERT_EQ(r.published.size(), 2u);
    EXPECT_EQ(r.published[1][1].second, "AB\x03\x02"
                                        "CD");
    EXPECT_EQ(r.boxes.count(), 0u);
}

TEST(TGenericProtocol, StaticBlockTakesTheFirstCharacterWhereverItsContentStands) {
    Recogniser r;
    TGPDataPacket* packet = r.protocol.CreatePacket("Frame", gptStxDataEtx);
    r.protocol.AddData("x\x02"
                       "AB\x03");
    ASSERT_EQ(r.published.size(), 1u);
    EXPECT_EQ(r.published[0], (Blocks{{"STX", "x"},
                                      {"DATA", "\x02"
                                               "AB"},
                                      {"ETX", "\x03"}}));
    EXPECT_EQ(packet->pGetBlock("STX")->vstrGetBlockData().AsString(), "x");
}

TEST(TGenericProtocol, UnsplittablePacketsReportAndRefuse) {
    MessageBoxRecorder boxes;
    TGPDataPacket empty("Empty", gptCustomDataPacket);
    EXPECT_FALSE(empty.AddData("anything"));
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Exception Error => Cannot set PacketData (DataBlockCount:0) => [__fastcall "
                                "TGPDataPacket::vSetPacketData]");

    TGPDataPacket lastVariable("Tail", gptCustomDataPacket);
    lastVariable.pCreateBlock("DATA")->vSetBlockType(btData);
    int received = 0;
    lastVariable.OnPacketReceived = [&](TGPDataPacket*) { ++received; };
    EXPECT_FALSE(lastVariable.AddData("abc"));
    EXPECT_EQ(boxes.texts().back(),
              "Exception Error => There are no DataBlocks after last block => [__fastcall "
              "TGPDataPacket::u32GetLengthBeforeDataBlock]");

    // The static contents occur in the text, but the blocks after the variable
    // one need more than the text has left.
    TGPDataPacket tooShort("Short", gptCustomDataPacket);
    tooShort.pCreateBlock("STX")->vSetBlockType(btSTX);
    tooShort.pCreateBlock("DATA")->vSetBlockType(btData);
    for (const char* name : {"K1", "K2"}) {
        TGPDataBlock* key = tooShort.pCreateBlock(name);
        key->vSetBlockType(btData);
        key->vSetDataType(dtStatic);
        key->vSetBlockData(TValueString(std::string("AB")));
    }
    tooShort.OnPacketReceived = lastVariable.OnPacketReceived;
    EXPECT_TRUE(tooShort.bCheckStaticData("\x02"
                                          "AB"));
    EXPECT_FALSE(tooShort.AddData("\x02"
                                  "AB"));
    EXPECT_EQ(received, 0);
    EXPECT_TRUE(tooShort.AddData("\x02"
                                 "xyABAB"));
    EXPECT_EQ(tooShort.pGetBlock("DATA")->vstrGetBlockData().AsString(), "xy");
    EXPECT_EQ(received, 1);
}

TEST(TGenericProtocol, ReferencedPacketsAreFlattenedIntoThePublishedCopy) {
    Recogniser r;
    TGPDataPacket* header = r.protocol.CreatePacket("Header", gptCustomDataPacket);
    TGPDataBlock* id = header->pCreateBlock("ID");
    id->vSetBlockType(btData);
    id->vSetDataType(dtStatic);
    id->vSetBlockData(TValueString(std::string("H1")));

    TGPDataPacket* frame = r.protocol.CreatePacket("Frame", gptStxDataEtx);
    frame->pGetBlock("DATA")->vSetReferencePacket(header);
    r.protocol.AddData("\x02"
                       "xyz\x03");
    ASSERT_EQ(r.published.size(), 1u);
    EXPECT_EQ(r.published[0], (Blocks{{"STX", "\x02"}, {"ID", "H1"}, {"ETX", "\x03"}}));

    // A name twice in the flattened packet, and a packet that refers to itself
    // through another, both fail with the same message.
    id->vSetName("STX");
    header->vClearBlocks();
    header->pCreateBlock("STX")->vSetBlockType(btSTX);
    r.protocol.AddData("\x02"
                       "xyz\x03");
    header->pGetBlock("STX")->vSetReferencePacket(frame);
    r.protocol.AddData("\x02"
                       "xyz\x03");
    EXPECT_EQ(r.published.size(), 1u);
    EXPECT_EQ(r.boxes.texts(),
              std::vector<std::string>(2, "Exception Error => Cannot create FinalDataPacket => "
                                          "[TGenericProtocol::vPacketReceived]"));

    // Deleting the referenced packet drops the reference instead of leaving it dangling.
    r.protocol.PacketList().Delete(0);
    EXPECT_FALSE(frame->pGetBlock("DATA")->bHasReferencePacket());
}

TEST(TGenericProtocol, HandlerMayKeepThePacketAndCustomPacketsGetNothing) {
    TGenericProtocol protocol;
    std::unique_ptr<TGPDataPacket> kept;
    protocol.OnPacketReceived = [&](TGPDataPacket* packet, bool& deletePacket) {
        deletePacket = false;
        kept.reset(packet);
    };
    TGPDataPacket* custom = protocol.CreatePacket("Custom", gptCustomDataPacket);
    custom->pCreateBlock("STX")->vSetBlockType(btSTX);
    protocol.CreatePacket("", gptStxData);
    protocol.AddData("\x02");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->u32GetBlockCount(), 2u);
    EXPECT_EQ(protocol.pGetPacketByIndex(1)->strGetName(), "");
    EXPECT_EQ(protocol.PacketList().ItemAt(1)->name.size(), 4u);

    // Without a handler the definitions are still split.
    protocol.OnPacketReceived = nullptr;
    protocol.CreatePacket("Frame", gptStxDataEtx);
    protocol.AddData("\x02"
                     "Q\x03");
    EXPECT_EQ(protocol.pGetPacket("Frame")->pGetBlock("DATA")->vstrGetBlockData().AsString(), "Q");
}

TEST(TGPDataPacket, BlockRulesAndPacketInformation) {
    TGPDataPacket packet("P", gptStxDataEtx);
    EXPECT_EQ(packet.u8GetLengthKind(), 0); // the Variable data block
    EXPECT_EQ(packet.u32GetStaticBlockCount(), 2u);
    EXPECT_EQ(packet.pCreateBlock("DATA"), nullptr);
    EXPECT_EQ(packet.u32GetBlockCount(), 3u);

    std::vector<std::string> changes;
    packet.OnBlockChanged = [&](TGPDataPacket*, TGPDataBlock* block) {
        changes.push_back(block->strGetName());
    };
    TGPDataBlock* data = packet.pGetBlock("DATA");
    data->vSetBlockData(TValueString(std::string("abc")));
    data->vSetDataType(dtStatic);
    EXPECT_EQ(data->u32GetBlockDataLength(), 0u);
    EXPECT_EQ(data->tdGetDataLengthType(), dltConstant);
    data->vSetDataLengthType(dltVariable);
    EXPECT_EQ(data->tdGetDataLengthType(), dltConstant);
    TGPDataBlock* etx = packet.pGetBlock("ETX");
    etx->vSetDataType(dtDynamic);
    EXPECT_EQ(etx->tdGetDataType(), dtStatic);
    EXPECT_EQ(changes, (std::vector<std::string>{"DATA", "DATA", "DATA", "ETX"}));

    packet.vUpdatePacketInfo();
    EXPECT_EQ(packet.u8GetLengthKind(), 2);
    EXPECT_EQ(packet.u32GetPacketLength(), 2u);

    TGPDataBlock copy(*data);
    EXPECT_EQ(copy.tdGetDataType(), dtStatic);
    EXPECT_EQ(copy.strGetName(), "DATA");
    EXPECT_FALSE(copy.OnChange);

    // Renames and deletes go by the names the blocks are stored under.
    EXPECT_FALSE(packet.bRenameBlock("STX", "ETX")) << "the name is taken";
    EXPECT_FALSE(packet.bRenameBlock("NONE", "X"));
    TGPDataBlock* stx = packet.pGetBlock("STX");
    EXPECT_TRUE(packet.bRenameBlock("STX", "START"));
    EXPECT_EQ(packet.pGetBlock("START"), stx);
    EXPECT_EQ(stx->strGetName(), "START");
    EXPECT_FALSE(packet.bDeleteBlock("STX"));
    EXPECT_TRUE(packet.bDeleteBlock("START"));
    EXPECT_EQ(packet.u32GetBlockCount(), 2u);
    EXPECT_EQ(packet.pGetBlockByIndex(0), data);
}

// The file operations and the fast check are published without a file format
// or a check to run: loading and saving report success and touch no file, no
// packet passes the fast check, and announcing a ready packet fires nothing.
TEST(TGenericProtocol, FileOperationsFastCheckAndReadyAnnouncementDoNothingYet) {
    Recogniser r;
    TGPDataPacket* packet = r.protocol.CreatePacket("P", gptStxData);
    const TempFolder folder;
    EXPECT_TRUE(r.protocol.SavePacketToFile(folder.file("p.gpp"), "P"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("p.gpp")));
    EXPECT_TRUE(r.protocol.LoadPacketFromFile(folder.file("missing.gpp")));
    EXPECT_EQ(r.protocol.u32GetPacketCount(), 1u);
    EXPECT_FALSE(r.protocol.bFastCC(packet));
    int ready = 0;
    r.protocol.OnPacketReady = [&](TGPDataPacket*, bool&) { ++ready; };
    r.protocol.vPacketReady(packet);
    EXPECT_EQ(ready, 0);
    EXPECT_TRUE(r.boxes.texts().empty());
}

} // namespace
