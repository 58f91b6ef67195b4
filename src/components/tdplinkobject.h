#pragma once
// One directed link of the draw panel, from a source icon to a target icon, with
// a label at its middle. The two position pointers refer to the icons' positions
// and are not owned; a freshly loaded link has none until the panel resolves it.

#include "components/drawpanel_geometry.h"
#include "components/tcolor.h"

#include <QPoint>

#include <string>

class TXMLNode;

class TDPLinkObject {
public:
    TDPLinkObject() = default;
    TDPLinkObject(std::string label, std::string source, std::string target, QPoint* sourcePos,
                  QPoint* targetPos, TColor color)
        : Label(std::move(label)), SourceIconName(std::move(source)), TargetIconName(std::move(target)),
          pSourcePos(sourcePos), pTargetPos(targetPos), Color(color) {}

    std::string Label;
    std::string SourceIconName;
    std::string TargetIconName;
    QPoint* pSourcePos = nullptr;
    QPoint* pTargetPos = nullptr;
    TColor Color = 0;

    // SOURCE_ICON_NAME, TARGET_ICON_NAME, LINK_LABEL, LINK_COLOR.
    void GetSaveData(TXMLNode* node) const;
    // Forgets both positions, then reads each attribute with the field as default;
    // a colour that is no number throws std::invalid_argument.
    void SetSaveData(TXMLNode* node);

    int GetLinkLength() const;
    // The point half-way from the target back toward the source.
    QPoint vCountLinkPoints() const;
    // The label's box centred on the middle point.
    TRect GetLabelRect(int textHeight, int textWidth) const;
    bool bHasPositions() const { return pSourcePos && pTargetPos; }
};
