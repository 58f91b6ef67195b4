#pragma once
// A generic-protocol packet definition: a named, ordered list of blocks with a
// layout type. AddData checks that every Static block's content occurs in a
// received text and then splits the text into the blocks in order.

#include "base/tdynamiclist.h"
#include "components/tgpdatablock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

using TDynamicBlockList = TDynamicList<TGPDataBlock>;

class TGPDataPacket {
public:
    TGPDataPacket() = default;
    TGPDataPacket(const std::string& name, TdGeneralPacketType type);
    TGPDataPacket(const TGPDataPacket&) = delete;
    TGPDataPacket& operator=(const TGPDataPacket&) = delete;

    // Called with the packet once a received text has been split into it.
    std::function<void(TGPDataPacket*)> OnPacketReceived;
    // Called after a change of the packet or its layout.
    std::function<void(TGPDataPacket*)> OnDataPacketChanged;
    std::function<void(TGPDataPacket*, TGPDataBlock*)> OnBlockChanged;

    // Replaces the blocks by those of the layout.
    void vSetGeneralPacketType(TdGeneralPacketType type);
    void vSetName(const std::string& name);
    TdGeneralPacketType tdGetGeneralPacketType() const { return type_; }
    const std::string& strGetName() const { return name_; }

    // A new block of that name, null when the name is taken.
    TGPDataBlock* pCreateBlock(const std::string& name);
    // Appends a copy of the block; false when its name is taken.
    bool bAddBlockCopy(const TGPDataBlock& block);
    TGPDataBlock* pGetBlock(const std::string& name) const { return blocks_.Find(name); }
    bool bBlockExists(const std::string& name) const { return blocks_.Contains(name); }
    uint32_t u32GetBlockCount() const { return static_cast<uint32_t>(blocks_.Count()); }
    TGPDataBlock* pGetBlockByIndex(uint32_t index) const;
    bool bDeleteBlock(const std::string& name);
    // Renames the block and the item it is stored under; false when the name is
    // missing or the new name taken.
    bool bRenameBlock(const std::string& name, const std::string& newName);
    void vClearBlocks();

    // Splits the text into the blocks when every Static block's content occurs
    // in it; false when it does not, or when the text does not fit the blocks.
    bool AddData(const std::string& text);
    bool bCheckStaticData(const std::string& text) const;
    // False, with a message, for a packet without blocks or a last block of
    // Variable length; false when the text is too short for the blocks.
    bool vSetPacketData(const std::string& text);
    // The content length of the blocks after the one at index.
    uint32_t u32GetLengthBeforeDataBlock(uint32_t index) const;

    // 2: every block has a Constant length; 1: Constant or Defined by Block;
    // 0: some other mix (or no block).
    uint8_t u8GetLengthKind() const { return lengthKind_; }
    uint32_t u32GetPacketLength() const { return packetLength_; }
    uint32_t u32GetMinLength() const;
    uint32_t u32GetMaxLength() const;
    uint32_t u32GetStaticBlockCount() const { return staticBlockCount_; }
    void vUpdatePacketInfo();

    void vEnableEvents() { eventsEnabled_ = true; }
    void vDisableEvents() { eventsEnabled_ = false; }
    bool bGetEventsEnabled() const { return eventsEnabled_; }
    void vEnableBlockEvents();
    void vDisableBlockEvents();
    void vPacketChanged();

private:
    void vDoBlockChange(TGPDataBlock* block);
    // How much of the rest of a received text the block takes; none when the
    // text cannot be split there.
    std::optional<size_t> lengthToTake(uint32_t index, size_t restLength) const;
    TGPDataBlock* appendBlock(TGPDataBlock* block);
    template <typename F> void forEachBlock(F f) const {
        for (uint32_t i = 0; i < u32GetBlockCount(); ++i)
            f(pGetBlockByIndex(i));
    }

    TDynamicBlockList blocks_{"TGPDataPacket::BlockList"};
    TdGeneralPacketType type_ = gptUndefined;
    uint8_t lengthKind_ = 0;
    uint32_t packetLength_ = 0;
    uint32_t minLength_ = 0;
    uint32_t maxLength_ = 0;
    uint32_t staticBlockCount_ = 0;
    std::string name_;
    bool eventsEnabled_ = true;
};
