#include "components/tdplinkobject.h"

#include "components/txmlnode.h"

#include <cmath>
#include <cstdlib>

void TDPLinkObject::GetSaveData(TXMLNode* node) const {
    node->AddAttribute("SOURCE_ICON_NAME", SourceIconName);
    node->AddAttribute("TARGET_ICON_NAME", TargetIconName);
    node->AddAttribute("LINK_LABEL", Label);
    node->AddAttribute("LINK_COLOR", std::to_string(Color));
}

void TDPLinkObject::SetSaveData(TXMLNode* node) {
    pSourcePos = pTargetPos = nullptr;
    SourceIconName = node->GetAttributeValue("SOURCE_ICON_NAME", SourceIconName);
    TargetIconName = node->GetAttributeValue("TARGET_ICON_NAME", TargetIconName);
    Label = node->GetAttributeValue("LINK_LABEL", Label);
    Color = node->GetAttributeInt("LINK_COLOR", std::to_string(Color));
}

int TDPLinkObject::GetLinkLength() const {
    if (!bHasPositions())
        return 0;
    const double dx = std::abs(pTargetPos->x() - pSourcePos->x());
    const double dy = std::abs(pTargetPos->y() - pSourcePos->y());
    return static_cast<int>(std::sqrt(dx * dx + dy * dy));
}

QPoint TDPLinkObject::vCountLinkPoints() const {
    if (!bHasPositions())
        return {};
    // Half the link's length from the target back towards the source.
    return CountRPos(*pTargetPos, *pSourcePos, GetLinkLength() / 2);
}

TRect TDPLinkObject::GetLabelRect(int textHeight, int textWidth) const {
    const QPoint m = vCountLinkPoints();
    return {m.x() - textWidth / 2, m.y() - textHeight / 2, m.x() + textWidth / 2, m.y() + textHeight / 2};
}
