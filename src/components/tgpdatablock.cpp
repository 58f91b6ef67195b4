#include "components/tgpdatablock.h"

#include "base/control_chars.h"
#include "base/message_dialogs.h"

namespace {
constexpr uint32_t MaxDataLength = 100;
constexpr uint32_t MaxLengthFieldLength = 4;

TValueString singleByte(uint8_t byte) {
    return TValueString(std::string(1, static_cast<char>(byte)));
}
} // namespace

TGPDataBlock::TGPDataBlock(const std::string& name) : name_(name) {
    eventsEnabled_ = true;
}

TGPDataBlock::TGPDataBlock(const TGPDataBlock& other) : referencePacket_(other.referencePacket_) {
    vSetBlockType(other.blockType_);
    vSetDataFormatType(other.formatType_);
    vSetDataType(other.dataType_);
    vSetDataLengthType(other.lengthType_);
    vSetBlockData(other.data_);
    name_ = other.name_;
    eventsEnabled_ = true;
}

void TGPDataBlock::changed() {
    if (eventsEnabled_ && OnChange)
        OnChange(this);
}

void TGPDataBlock::vSetBlockType(TdBlockType type) {
    blockType_ = type;
    switch (type) {
    case btData:
        formatType_ = dftBinary;
        dataType_ = dtDynamic;
        lengthType_ = dltVariable;
        data_ = TValueString();
        break;
    case btSTX:
    case btETX:
        formatType_ = dftBinary;
        dataType_ = dtStatic;
        lengthType_ = dltConstant;
        data_ = singleByte(type == btSTX ? STX : ETX);
        break;
    case btLength:
        formatType_ = dftBinary;
        dataType_ = dtDynamic;
        lengthType_ = dltConstant;
        data_ = TValueString();
        break;
    case btUndefined:
        break;
    }
    changed();
}

void TGPDataBlock::vSetDataFormatType(TdBlockDataFormatType format) {
    formatType_ = format;
    changed();
}

void TGPDataBlock::vSetDataType(TdBlockDataType type) {
    if (blockType_ == btData) {
        if (type == dtDynamic || type == dtStatic) {
            dataType_ = type;
            lengthType_ = dltConstant;
            data_ = TValueString();
        }
    } else {
        dataType_ = blockType_ == btLength ? dtDynamic : dtStatic;
    }
    changed();
}

void TGPDataBlock::vSetDataLengthType(TdBlockDataLengthType type) {
    lengthType_ = blockType_ == btData && dataType_ != dtStatic ? type : dltConstant;
    changed();
}

void TGPDataBlock::vSetBlockData(const TValueString& data) {
    data_ = data;
    changed();
}

void TGPDataBlock::vSetName(const std::string& name) {
    name_ = name;
    changed();
}

void TGPDataBlock::vClearDynamicData() {
    if (dataType_ != dtStatic)
        data_ = TValueString();
}

uint32_t TGPDataBlock::u32GetMaxLength() const {
    switch (blockType_) {
    case btData:
        return MaxDataLength;
    case btSTX:
    case btETX:
        return 1;
    case btLength:
        return MaxLengthFieldLength;
    case btUndefined:
        break;
    }
    ShowErrorMessage("Exception Error => Cannot get maximum length of block which type is UNDEFINED => "
                     "[__fastcall TGPDataBlock::vSetBlockData]");
    return 0;
}
