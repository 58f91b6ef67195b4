// Received text as the packet recogniser takes it: every layout and a custom
// definition with static keys and a referenced packet get the same text; no
// crash, no read past the text, and a published packet never holds more bytes
// than it was given.
#include "components/tgenericprotocol.h"
#include "fuzz_require.h"
#include "platform/message_box.h"

#include <cstdint>
#include <string>

namespace {

void addCustomDefinitions(TGenericProtocol& protocol) {
    TGPDataPacket* keyed = protocol.CreatePacket("Keyed", gptStxDataEtx);
    TGPDataBlock* key = keyed->pCreateBlock("KEY");
    key->vSetBlockType(btData);
    key->vSetDataType(dtStatic);
    key->vSetBlockData(TValueString(std::string("K")));
    TGPDataPacket* header = protocol.CreatePacket("Header", gptCustomDataPacket);
    header->pCreateBlock("LEN")->vSetBlockType(btLength);
    keyed->pGetBlock("DATA")->vSetReferencePacket(header);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetMessageBoxResponder([](const MessageBoxRequest&) { return IDOK; });
    const std::string text(reinterpret_cast<const char*>(data), size);
    TGenericProtocol protocol;
    for (auto type : {gptStxDataEtx, gptStxData, gptDataEtx, gptStxLengthData})
        protocol.CreatePacket("", type);
    addCustomDefinitions(protocol);
    protocol.OnPacketReceived = [&text](TGPDataPacket* packet, bool&) {
        size_t bytes = 0;
        for (uint32_t i = 0; i < packet->u32GetBlockCount(); ++i)
            bytes += packet->pGetBlockByIndex(i)->u32GetBlockDataLength();
        require(bytes <= text.size() + 1);
    };
    protocol.AddData(text);
    protocol.AddData(text.substr(0, size / 2));
    SetMessageBoxResponder(nullptr);
    return 0;
}
