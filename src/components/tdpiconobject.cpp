#include "components/tdpiconobject.h"

#include "components/txmlnode.h"

void TDPIconObject::GetSaveData(TXMLNode* node) const {
    node->AddAttribute("ICON_LABEL", Label);
    node->AddAttribute("ICON_NAME", Name);
    node->AddAttribute("ICON_INDEX", std::to_string(ImageIndex));
    node->AddAttribute("ICON_XPOS", std::to_string(Pos.x()));
    node->AddAttribute("ICON_YPOS", std::to_string(Pos.y()));
}

void TDPIconObject::SetSaveData(TXMLNode* node) {
    Label = node->GetAttributeValue("ICON_LABEL", Label);
    Name = node->GetAttributeValue("ICON_NAME", Name);
    ImageIndex = node->GetAttributeInt("ICON_INDEX", std::to_string(ImageIndex));
    Pos.setX(node->GetAttributeInt("ICON_XPOS", std::to_string(Pos.x())));
    Pos.setY(node->GetAttributeInt("ICON_YPOS", std::to_string(Pos.y())));
}

QPoint TDPIconObject::GetLabelPos(int textHeight, int textWidth, int radius) const {
    return {Pos.x() - textWidth / 2, Pos.y() + radius - 3 - textHeight / 2 - textHeight / 2};
}
