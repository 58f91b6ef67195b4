#include "components/tdpiconobjectlist.h"

#include "components/txmlnode.h"

#include <memory>

void TDPIconObjectList::AddIcon(const std::string& name, const std::string& label, int imageIndex, int x,
                                int y) {
    auto* icon = new TDPIconObject(name, label, imageIndex, x, y);
    icons_.Add(icon, name);
    if (OnIconAdded)
        OnIconAdded(icon);
}

void TDPIconObjectList::DelIcon(const std::string& name) {
    if (icons_.Count() == 0)
        return;
    if (const std::optional<size_t> index = icons_.IndexOf(name))
        icons_.Delete(*index);
    if (OnIconDeleted)
        OnIconDeleted(name);
}

const std::vector<std::string>& TDPIconObjectList::pGetIconNameList() {
    names_.clear();
    for (size_t i = 0; i < icons_.Count(); ++i)
        names_.push_back(icons_.ItemName(i));
    return names_;
}

uint32_t TDPIconObjectList::GetSaveData(TXMLNode* node) const {
    for (size_t i = 0; i < icons_.Count(); ++i)
        icons_.ObjectAt(i)->GetSaveData(node->AddNode("ICON_ITEM"));
    return u32GetIconCount();
}

void TDPIconObjectList::SetSaveData(TXMLNode* node) {
    for (size_t i = 0; i < node->NodeList.Count(); ++i) {
        auto icon = std::make_unique<TDPIconObject>();
        icon->SetSaveData(node->NodeList.ObjectAt(i));
        const std::string name = icon->Name;
        icons_.Add(icon.release(), name);
    }
}
