#include "components/tgpdatapacket.h"

#include "base/message_dialogs.h"

#include <algorithm>

namespace {
struct LayoutBlock {
    const char* name;
    TdBlockType type;
    TdBlockDataFormatType format;
    TdBlockDataLengthType length;
};

std::vector<LayoutBlock> layoutBlocks(TdGeneralPacketType type) {
    const LayoutBlock stx{"STX", btSTX, dftUndefined, dltUndefined};
    const LayoutBlock etx{"ETX", btETX, dftUndefined, dltUndefined};
    switch (type) {
    case gptStxDataEtx:
        return {stx, {"DATA", btData, dftAscii, dltVariable}, etx};
    case gptStxData:
        return {stx, {"DATA", btData, dftAscii, dltConstant}};
    case gptDataEtx:
        return {{"DATA", btData, dftAscii, dltConstant}, etx};
    case gptStxLengthData:
        return {stx,
                {"DATA LEN", btLength, dftUndefined, dltUndefined},
                {"DATA", btData, dftUndefined, dltDefinedByBlock}};
    default:
        return {};
    }
}
} // namespace

TGPDataPacket::TGPDataPacket(const std::string& name, TdGeneralPacketType type) : name_(name) {
    eventsEnabled_ = false;
    vSetGeneralPacketType(type);
    eventsEnabled_ = true;
}

TGPDataBlock* TGPDataPacket::pGetBlockByIndex(uint32_t index) const {
    return blocks_.ObjectAt(index);
}

void TGPDataPacket::vSetGeneralPacketType(TdGeneralPacketType type) {
    blocks_.Clear();
    type_ = type;
    for (const LayoutBlock& layout : layoutBlocks(type)) {
        auto* block = new TGPDataBlock(layout.name);
        block->vSetBlockType(layout.type);
        if (layout.format != dftUndefined)
            block->vSetDataFormatType(layout.format);
        if (layout.length != dltUndefined)
            block->vSetDataLengthType(layout.length);
        appendBlock(block);
    }
    vPacketChanged();
}

void TGPDataPacket::vSetName(const std::string& name) {
    name_ = name;
    vPacketChanged();
}

TGPDataBlock* TGPDataPacket::appendBlock(TGPDataBlock* block) {
    block->OnChange = [this](TGPDataBlock* changed) { vDoBlockChange(changed); };
    blocks_.Add(block, block->strGetName());
    return block;
}

TGPDataBlock* TGPDataPacket::pCreateBlock(const std::string& name) {
    if (bBlockExists(name))
        return nullptr;
    return appendBlock(new TGPDataBlock(name));
}

bool TGPDataPacket::bAddBlockCopy(const TGPDataBlock& block) {
    if (bBlockExists(block.strGetName()))
        return false;
    appendBlock(new TGPDataBlock(block));
    return true;
}

bool TGPDataPacket::bDeleteBlock(const std::string& name) {
    const std::optional<size_t> index = blocks_.IndexOf(name);
    return index && blocks_.Delete(*index);
}

bool TGPDataPacket::bRenameBlock(const std::string& name, const std::string& newName) {
    if (name != newName && bBlockExists(newName))
        return false;
    TGPDataBlock* block = blocks_.Rename(name, newName);
    if (block)
        block->vSetName(newName);
    return block != nullptr;
}

void TGPDataPacket::vClearBlocks() {
    blocks_.Clear();
}

bool TGPDataPacket::AddData(const std::string& text) {
    return bCheckStaticData(text) && vSetPacketData(text);
}

bool TGPDataPacket::bCheckStaticData(const std::string& text) const {
    for (uint32_t i = 0; i < u32GetBlockCount(); ++i) {
        const TGPDataBlock* block = pGetBlockByIndex(i);
        if (block->tdGetDataType() != dtStatic)
            continue;
        const std::string content = block->vstrGetBlockData().AsString();
        if (content.empty() || text.find(content) == std::string::npos)
            return false;
    }
    return true;
}

bool TGPDataPacket::vSetPacketData(const std::string& text) {
    if (u32GetBlockCount() == 0) {
        ShowErrorMessage("Exception Error => Cannot set PacketData (DataBlockCount:0) => [__fastcall "
                         "TGPDataPacket::vSetPacketData]");
        return false;
    }
    std::string rest = text;
    for (uint32_t i = 0; i < u32GetBlockCount(); ++i) {
        TGPDataBlock* block = pGetBlockByIndex(i);
        block->vDisableEvents();
        block->vClearDynamicData();
        const std::optional<size_t> n = lengthToTake(i, rest.size());
        if (n && block->tdGetBlockType() != btUndefined) {
            block->vSetBlockData(TValueString(rest.substr(0, *n)));
            rest.erase(0, *n);
        }
        block->vEnableEvents();
        if (!n)
            return false;
    }
    if (eventsEnabled_ && OnPacketReceived)
        OnPacketReceived(this);
    return true;
}

std::optional<size_t> TGPDataPacket::lengthToTake(uint32_t index, size_t restLength) const {
    const TGPDataBlock* block = pGetBlockByIndex(index);
    size_t n = 0;
    switch (block->tdGetBlockType()) {
    case btData:
        if (block->tdGetDataLengthType() != dltVariable) {
            n = block->u32GetBlockDataLength();
            break;
        }
        if (index + 1 == u32GetBlockCount()) {
            // Reported by the look-up: nothing follows a last block of variable length.
            u32GetLengthBeforeDataBlock(index);
            return std::nullopt;
        }
        if (restLength < u32GetLengthBeforeDataBlock(index))
            return std::nullopt;
        n = restLength - u32GetLengthBeforeDataBlock(index);
        break;
    case btSTX:
    case btETX:
        n = 1;
        break;
    case btLength:
        n = block->u32GetBlockDataLength();
        break;
    case btUndefined:
        return 0;
    }
    // A text that ends before the block does not fit the packet.
    if (restLength < n)
        return std::nullopt;
    return n;
}

uint32_t TGPDataPacket::u32GetLengthBeforeDataBlock(uint32_t index) const {
    const uint32_t count = u32GetBlockCount();
    if (count > 0 && index == count - 1) {
        ShowErrorMessage("Exception Error => There are no DataBlocks after last block => [__fastcall "
                         "TGPDataPacket::u32GetLengthBeforeDataBlock]");
        return 0;
    }
    if (index > count) {
        ShowErrorMessage("Exception Error => There are no DataBlock[" + std::to_string(index) +
                         "] (DataBlockCount:+" + std::to_string(count) +
                         " ) => [__fastcall TGPDataPacket::u32GetLengthBeforeDataBlock]");
        return 0;
    }
    uint32_t length = 0;
    for (uint32_t i = index; i < count; ++i)
        length += pGetBlockByIndex(i)->u32GetBlockDataLength();
    return length;
}

void TGPDataPacket::vUpdatePacketInfo() {
    lengthKind_ = 0;
    packetLength_ = minLength_ = maxLength_ = staticBlockCount_ = 0;
    if (u32GetBlockCount() > 0) {
        uint32_t constant = 0, definedByBlock = 0;
        forEachBlock([&](const TGPDataBlock* block) {
            constant += block->tdGetDataLengthType() == dltConstant;
            definedByBlock += block->tdGetDataLengthType() == dltDefinedByBlock;
        });
        if (constant == u32GetBlockCount())
            lengthKind_ = 2;
        else if (constant + definedByBlock == u32GetBlockCount())
            lengthKind_ = 1;
    }
    if (lengthKind_ == 1) {
        minLength_ = u32GetMinLength();
        maxLength_ = u32GetMaxLength();
    } else if (lengthKind_ == 2) {
        packetLength_ = u32GetMinLength();
    }
    forEachBlock([&](const TGPDataBlock* block) { staticBlockCount_ += block->tdGetDataType() == dtStatic; });
}

uint32_t TGPDataPacket::u32GetMinLength() const {
    uint32_t length = 0;
    forEachBlock([&](const TGPDataBlock* block) {
        length += block->tdGetDataLengthType() == dltVariable ? 1 : block->u32GetBlockDataLength();
    });
    return length;
}

uint32_t TGPDataPacket::u32GetMaxLength() const {
    uint32_t length = 0;
    forEachBlock([&](const TGPDataBlock* block) { length += block->u32GetMaxLength(); });
    return length;
}

void TGPDataPacket::vEnableBlockEvents() {
    forEachBlock([](TGPDataBlock* block) { block->vEnableEvents(); });
}

void TGPDataPacket::vDisableBlockEvents() {
    forEachBlock([](TGPDataBlock* block) { block->vDisableEvents(); });
}

void TGPDataPacket::vPacketChanged() {
    forEachBlock([this](TGPDataBlock* block) {
        block->OnChange = [this](TGPDataBlock* changed) { vDoBlockChange(changed); };
    });
    vUpdatePacketInfo();
    if (eventsEnabled_ && OnDataPacketChanged)
        OnDataPacketChanged(this);
}

void TGPDataPacket::vDoBlockChange(TGPDataBlock* block) {
    if (eventsEnabled_ && OnBlockChanged)
        OnBlockChanged(this, block);
}
