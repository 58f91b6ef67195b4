#pragma once
// One named block of a generic-protocol packet definition: what it holds (data,
// STX, ETX or length), how its content is formatted and sized, and the content:
// fixed for a Static block, the part of the last received text for a Dynamic one.
//
// The setters keep the block consistent: only a Data block chooses between
// Dynamic and Static, a Length block is always Dynamic, other blocks are Static;
// Static and non-Data blocks have a Constant length. Every change is reported
// through OnChange while events are enabled.

#include "base/tvaluestring.h"
#include "components/generic_protocol_types.h"

#include <cstdint>
#include <functional>
#include <string>

class TGPDataPacket;

class TGPDataBlock {
public:
    explicit TGPDataBlock(const std::string& name);
    // Copies everything but OnChange, which the new owner sets.
    TGPDataBlock(const TGPDataBlock& other);
    TGPDataBlock& operator=(const TGPDataBlock&) = delete;

    std::function<void(TGPDataBlock*)> OnChange;

    // Sets the block's defaults for its type as well.
    void vSetBlockType(TdBlockType type);
    void vSetDataFormatType(TdBlockDataFormatType format);
    void vSetDataType(TdBlockDataType type);
    void vSetDataLengthType(TdBlockDataLengthType type);
    void vSetBlockData(const TValueString& data);
    void vSetName(const std::string& name);
    // The packet whose blocks stand in for this one when a packet is published;
    // not owned.
    void vSetReferencePacket(TGPDataPacket* packet) { referencePacket_ = packet; }
    // Empties the content unless the block is Static.
    void vClearDynamicData();
    void vEnableEvents() { eventsEnabled_ = true; }
    void vDisableEvents() { eventsEnabled_ = false; }

    TdBlockType tdGetBlockType() const { return blockType_; }
    TdBlockDataFormatType tdGetDataFormatType() const { return formatType_; }
    TdBlockDataType tdGetDataType() const { return dataType_; }
    TdBlockDataLengthType tdGetDataLengthType() const { return lengthType_; }
    const TValueString& vstrGetBlockData() const { return data_; }
    uint32_t u32GetBlockDataLength() const { return static_cast<uint32_t>(data_.Length()); }
    // The largest content a block of its type may hold; an Undefined block has
    // none, which is reported and answered with 0.
    uint32_t u32GetMaxLength() const;
    const std::string& strGetName() const { return name_; }
    TGPDataPacket* pGetReferencePacket() const { return referencePacket_; }
    bool bHasReferencePacket() const { return referencePacket_ != nullptr; }
    bool bGetEventsEnabled() const { return eventsEnabled_; }

private:
    void changed();

    TGPDataPacket* referencePacket_ = nullptr;
    TdBlockType blockType_ = btUndefined;
    TdBlockDataFormatType formatType_ = dftUndefined;
    TdBlockDataType dataType_ = dtUndefined;
    TdBlockDataLengthType lengthType_ = dltUndefined;
    TValueString data_;
    std::string name_;
    bool eventsEnabled_ = false;
};
