#include "components/tgenericprotocol.h"

#include "base/message_dialogs.h"

#include <algorithm>
#include <memory>

TGenericProtocol::TGenericProtocol(QObject* owner) : QObject(owner) {
    packets_.SetOnChange([this] { vPacketListChanged(); });
}

TGenericProtocol::~TGenericProtocol() {
    packets_.SetOnChange({});
}

TGPDataPacket* TGenericProtocol::pGetPacketByIndex(uint32_t index) const {
    return packets_.ObjectAt(index);
}

void TGenericProtocol::wirePackets() {
    DropReferencesToMissingPackets(packets_);
    forEachPacket([this](TGPDataPacket* packet) {
        packet->OnPacketReceived = [this](TGPDataPacket* p) { vPacketReceived(p); };
        packet->OnDataPacketChanged = [this](TGPDataPacket* p) { vDataPacketChanged(p); };
    });
}

void DropReferencesToMissingPackets(const TDynamicPacketList& packets) {
    std::vector<const TGPDataPacket*> present;
    for (size_t i = 0; i < packets.Count(); ++i)
        present.push_back(packets.ObjectAt(i));
    for (size_t i = 0; i < packets.Count(); ++i) {
        const TGPDataPacket* packet = packets.ObjectAt(i);
        for (uint32_t b = 0; b < packet->u32GetBlockCount(); ++b) {
            TGPDataBlock* block = packet->pGetBlockByIndex(b);
            if (block->bHasReferencePacket() &&
                std::find(present.begin(), present.end(), block->pGetReferencePacket()) == present.end())
                block->vSetReferencePacket(nullptr);
        }
    }
}

void TGenericProtocol::vPacketListChanged() {
    wirePackets();
    if (OnPacketListChanged)
        OnPacketListChanged();
}

TGPDataPacket* TGenericProtocol::CreatePacket(const std::string& name, TdGeneralPacketType type) {
    // The list's change notification hooks the new packet to the component.
    packets_.Add(new TGPDataPacket(name, type), name);
    return pGetPacketByIndex(u32GetPacketCount() - 1);
}

void TGenericProtocol::AddData(const std::string& text) {
    forEachPacket([&text](TGPDataPacket* packet) {
        if (packet->tdGetGeneralPacketType() != gptCustomDataPacket)
            packet->AddData(text);
    });
}

void TGenericProtocol::EnablePacketEvents() {
    forEachPacket([](TGPDataPacket* packet) { packet->vEnableEvents(); });
}

void TGenericProtocol::DisablePacketEvents() {
    forEachPacket([](TGPDataPacket* packet) { packet->vDisableEvents(); });
}

void TGenericProtocol::EnableBlockEvents() {
    forEachPacket([](TGPDataPacket* packet) { packet->vEnableBlockEvents(); });
}

void TGenericProtocol::DisableBlockEvents() {
    forEachPacket([](TGPDataPacket* packet) { packet->vDisableBlockEvents(); });
}

void TGenericProtocol::vDataPacketChanged(TGPDataPacket* packet) {
    if (OnDataPacketChanged)
        OnDataPacketChanged(packet);
}

void TGenericProtocol::vPacketReceived(TGPDataPacket* packet) {
    if (!eventsEnabled_ || !OnPacketReceived)
        return;
    auto final = std::make_unique<TGPDataPacket>(packet->strGetName(), packet->tdGetGeneralPacketType());
    final->vClearBlocks();
    final->vDisableEvents();
    final->vDisableBlockEvents();
    TGPDataPacket* out = final.get();
    if (!bCreatePublishedPacket(out, packet)) {
        ShowErrorMessage(
            "Exception Error => Cannot create FinalDataPacket => [TGenericProtocol::vPacketReceived]");
        return;
    }
    bool deletePacket = true;
    OnPacketReceived(final.get(), deletePacket);
    if (!deletePacket)
        final.release();
}

bool TGenericProtocol::bCreatePublishedPacket(TGPDataPacket*& out, TGPDataPacket* source) {
    std::vector<const TGPDataPacket*> path;
    return out && source && flatten(out, source, path);
}

bool TGenericProtocol::flatten(TGPDataPacket* out, TGPDataPacket* source,
                               std::vector<const TGPDataPacket*>& path) {
    if (std::find(path.begin(), path.end(), source) != path.end())
        return false;
    path.push_back(source);
    for (uint32_t i = 0; i < source->u32GetBlockCount(); ++i) {
        const TGPDataBlock* block = source->pGetBlockByIndex(i);
        const bool ok = block->bHasReferencePacket() ? flatten(out, block->pGetReferencePacket(), path)
                                                     : out->bAddBlockCopy(*block);
        if (!ok)
            return false;
    }
    path.pop_back();
    return true;
}
