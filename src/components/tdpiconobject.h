#pragma once
// One icon of the draw panel: its name, the label drawn under it, the position
// of its centre on the back plane and the index of its picture. Links keep a
// pointer to Pos, so an icon's position object lives as long as the icon.

#include <QPoint>

#include <string>

class TXMLNode;

class TDPIconObject {
public:
    TDPIconObject() = default;
    TDPIconObject(std::string name, std::string label, int imageIndex, int x, int y)
        : Name(std::move(name)), Label(std::move(label)), Pos(x, y), ImageIndex(imageIndex) {}

    std::string Name;
    std::string Label;
    QPoint Pos;
    int ImageIndex = 0;

    // ICON_LABEL, ICON_NAME, ICON_INDEX, ICON_XPOS, ICON_YPOS.
    void GetSaveData(TXMLNode* node) const;
    // A missing attribute keeps the field's value. A number that is no number
    // throws std::invalid_argument; the fields read before it keep what was read.
    void SetSaveData(TXMLNode* node);
    // The top-left corner of the label under an icon of the given radius.
    QPoint GetLabelPos(int textHeight, int textWidth, int radius) const;
};
