// The draw panel's settings in the components' node tree: its looks and sizes as
// attributes, its icons and links as two child lists.
#include "components/tdrawpanel.h"
#include "components/txmlnode.h"

#include <functional>
#include <vector>

struct DrawPanelSavedFields {
    struct Field {
        const char* key;
        std::function<int(const TDrawPanel&)> get;
        // Stores the value as it stands: loading applies none of the setters' rules.
        std::function<void(TDrawPanel&, int)> set;
    };

    template <typename T> static Field field(const char* key, T TDrawPanel::*member) {
        return {key, [member](const TDrawPanel& panel) { return static_cast<int>(panel.*member); },
                [member](TDrawPanel& panel, int value) {
                    if constexpr (std::is_same_v<T, bool>)
                        panel.*member = value != 0;
                    else
                        panel.*member = static_cast<T>(value);
                }};
    }

    static const std::vector<Field>& all() {
        static const std::vector<Field> fields = {
            field("BACKGROUND_COLOR", &TDrawPanel::colorBackground_),
            field("BORDER_COLOR", &TDrawPanel::colorBorder_),
            field("HILITE_COLOR", &TDrawPanel::colorHiLite_),
            field("LINK_COLOR", &TDrawPanel::colorLink_),
            field("PATH_COLOR", &TDrawPanel::colorPath_),
            field("ICON_LABEL_COLOR", &TDrawPanel::colorIconLabel_),
            field("ICON_LABEL_BG_COLOR", &TDrawPanel::colorIconLabelBg_),
            field("LINK_LABEL_COLOR", &TDrawPanel::colorLinkLabel_),
            field("LINK_LABEL_BG_COLOR", &TDrawPanel::colorLinkLabelBg_),
            field("MULTI_SELECT_COLOR", &TDrawPanel::colorMultiSelect_),
            field("BACKPLANE_WIDTH", &TDrawPanel::backPlaneWidth_),
            field("BACKPLANE_HEIGHT", &TDrawPanel::backPlaneHeight_),
            field("LINK_WIDTH", &TDrawPanel::linkWidth_),
            field("HILITE_WIDTH", &TDrawPanel::hiLiteWidth_),
            field("PATH_WIDTH", &TDrawPanel::pathWidth_),
            field("BORDER_WIDTH", &TDrawPanel::borderWidth_),
            field("HILITE_DISTANCE", &TDrawPanel::hiLiteDistance_),
            field("LABEL_FONT_SIZE", &TDrawPanel::labelFontSize_),
            field("PANEL_SCROLL_SPEED", &TDrawPanel::scrollSpeed_),
            field("ARROW_SIZE", &TDrawPanel::arrowSize_),
            field("AUTO_SCROLL_WIDTH", &TDrawPanel::autoScrollWidth_),
            field("FREE_LINE_WIDTH", &TDrawPanel::freeLineWidth_),
            field("MULTI_SELECT_WIDTH", &TDrawPanel::multiSelectWidth_),
            field("DRAW_PATH", &TDrawPanel::showPath_),
            field("SHOW_AUTO_SCROLL_AREA", &TDrawPanel::showAutoScrollArea_),
            field("ICON_LABEL_BG_TRANSPARENT", &TDrawPanel::iconLabelBgTransparent_),
            field("VIRTUAL_BACKPLANE", &TDrawPanel::virtualBackPlane_),
            field("AUTO_FIX_ICON_POS", &TDrawPanel::AutoFixIconPosition),
            field("USE_BACKGROUND_IMAGE", &TDrawPanel::UseBackgroundImage),
        };
        return fields;
    }
};

void TDrawPanel::GetSaveData(TXMLNode* node) const {
    for (const auto& field : DrawPanelSavedFields::all())
        node->AddAttribute(field.key, std::to_string(field.get(*this)));
    icons_.GetSaveData(node->AddNode("ICON_LIST"));
    links_.GetSaveData(node->AddNode("LINK_LIST"));
}

void TDrawPanel::SetSaveData(TXMLNode* node) {
    for (const auto& field : DrawPanelSavedFields::all())
        field.set(*this, node->GetAttributeInt(field.key, std::to_string(field.get(*this))));
    try {
        // A node without the lists reads as empty lists.
        if (TXMLNode* icons = node->GetNode("ICON_LIST", false))
            icons_.SetSaveData(icons);
        if (TXMLNode* links = node->GetNode("LINK_LIST", false))
            links_.SetSaveData(links);
    } catch (...) {
        // The links read before the value that is no number must point at their
        // icons, or be dropped, before anything draws them.
        resolveLinkPositions();
        throw;
    }
    resolveLinkPositions();
    Paint();
}

void TDrawPanel::resolveLinkPositions() {
    for (uint32_t i = 0; i < u32GetLinkCount();) {
        TDPLinkObject* link = GetLinkObjectByIndex(i);
        TDPIconObject* source = icons_.GetIconObject(link->SourceIconName);
        TDPIconObject* target = icons_.GetIconObject(link->TargetIconName);
        if (!source || !target) {
            // A link to a missing icon has no position to point to.
            links_.DropLink(i);
            continue;
        }
        link->pSourcePos = &source->Pos;
        link->pTargetPos = &target->Pos;
        ++i;
    }
}
