// The recogniser's editor: opened modally on the component's own packet list.
#include "components/tgenericprotocol.h"
#include "components/tgenericprotocoleditorform.h"

void TGenericProtocol::ShowPacketEditor(QWidget* parent) {
    {
        TGenericProtocolEditorForm form(parent);
        form.vSetPacketList(&packets_);
        form.exec();
    }
    // The form is gone and has unhooked itself: the list and every packet report
    // to the component again. The owner hears of later list changes only.
    packets_.SetOnChange([this] { vPacketListChanged(); });
    wirePackets();
}
