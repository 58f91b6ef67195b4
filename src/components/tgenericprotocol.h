#pragma once
// Recognises received packets by a list of packet definitions. Text handed to
// AddData is offered to every definition (but Custom ones); a definition whose
// Static blocks all occur in the text splits it into its blocks, and the
// component publishes a flattened copy, the final data packet, through
// OnPacketReceived. Blocks that refer to another packet are replaced by that
// packet's blocks in the copy.

#include "components/tgpdatapacket.h"

#include <QObject>

class QWidget;

#include <functional>
#include <string>

using TDynamicPacketList = TDynamicList<TGPDataPacket>;

// Clears every block's reference to a packet that is no longer in the list, so
// no block is left pointing at a deleted packet.
void DropReferencesToMissingPackets(const TDynamicPacketList& packets);

class TGenericProtocol : public QObject {
    Q_OBJECT
public:
    explicit TGenericProtocol(QObject* owner = nullptr);
    ~TGenericProtocol() override;

    // The final packet is deleted after the call unless the handler sets
    // deletePacket to false; it then owns the packet.
    std::function<void(TGPDataPacket* p_DataPacket, bool& _pb_delete_packet)> OnPacketReceived;
    std::function<void(TGPDataPacket* p_DataPacket, bool& _pb_delete_packet)> OnPacketReady;
    std::function<void()> OnPacketListChanged;
    std::function<void(TGPDataPacket* p_DataPacket)> OnDataPacketChanged;
    std::function<void(TGPDataPacket* p_DataPacket, TGPDataBlock* p_DataBlock)> OnBlockChanged;

    // Adds a definition with the layout's blocks; an empty name gets a random one.
    TGPDataPacket* CreatePacket(const std::string& name, TdGeneralPacketType type);
    void AddData(const std::string& text);

    void EnablePacketEvents();
    void DisablePacketEvents();
    void EnableBlockEvents();
    void DisableBlockEvents();
    void vEnableEvents() { eventsEnabled_ = true; }
    void vDisableEvents() { eventsEnabled_ = false; }

    bool CreateCompleteDataPacket(TGPDataPacket*& out, TGPDataPacket* source) {
        return bCreatePublishedPacket(out, source);
    }
    // Appends copies of the source's blocks to out, each referring block replaced
    // by the blocks of the packet it refers to. False at the first name that out
    // already holds, or at a packet that refers back to itself.
    bool bCreatePublishedPacket(TGPDataPacket*& out, TGPDataPacket* source);

    // Packet definitions have no file format yet: loading and saving touch no
    // file and report success.
    bool LoadPacketFromFile(const std::string& /*fileName*/) { return true; }
    bool SavePacketToFile(const std::string& /*fileName*/, const std::string& /*packetName*/) { return true; }
    // The fast check of a packet tests nothing yet, so no packet passes it.
    bool bFastCC(TGPDataPacket* /*p_DataPacket*/) const { return false; }
    // Announces nothing yet: OnPacketReady is published for it.
    void vPacketReady(TGPDataPacket* /*p_DataPacket*/) {}

    TDynamicPacketList& PacketList() { return packets_; }
    // Opens the modal editor on the packet list; `parent` owns the form.
    void ShowPacketEditor(QWidget* parent = nullptr);
    uint32_t u32GetPacketCount() const { return static_cast<uint32_t>(packets_.Count()); }
    TGPDataPacket* pGetPacketByIndex(uint32_t index) const;
    TGPDataPacket* pGetPacket(const std::string& name) const { return packets_.Find(name); }

    // Hooks every packet of the list to the component again; blocks that
    // referred to a packet no longer in the list lose their reference.
    void vPacketListChanged();

private:
    template <typename F> void forEachPacket(F f) const {
        for (uint32_t i = 0; i < u32GetPacketCount(); ++i)
            f(pGetPacketByIndex(i));
    }
    // Hooks every packet to the component; blocks that referred to a packet no
    // longer in the list lose their reference.
    void wirePackets();
    void vDataPacketChanged(TGPDataPacket* packet);
    void vPacketReceived(TGPDataPacket* packet);
    bool flatten(TGPDataPacket* out, TGPDataPacket* source, std::vector<const TGPDataPacket*>& path);

    TDynamicPacketList packets_{"TGenericProtocol::PacketList"};
    bool eventsEnabled_ = true;
};
