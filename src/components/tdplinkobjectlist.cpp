#include "components/tdplinkobjectlist.h"

#include "components/txmlnode.h"

#include <memory>

void TDPLinkObjectList::AddLink(const std::string& source, const std::string& target,
                                const std::string& label, QPoint* sourcePos, QPoint* targetPos,
                                TColor color) {
    const std::string key = LinkKey(source, target);
    if (links_.Contains(key))
        return;
    auto* link = new TDPLinkObject(label.empty() ? key : label, source, target, sourcePos, targetPos, color);
    links_.Add(link, key);
    if (OnLinkAdded)
        OnLinkAdded(link);
}

void TDPLinkObjectList::DelLink(const std::string& source, const std::string& target) {
    const std::optional<size_t> index = links_.IndexOf(LinkKey(source, target));
    if (!index)
        return;
    links_.Delete(*index);
    if (OnLinkDeleted)
        OnLinkDeleted(source, target);
}

void TDPLinkObjectList::DelIconLinks(const std::string& name) {
    for (size_t i = 0; i < links_.Count();) {
        const TDPLinkObject* link = links_.ObjectAt(i);
        if (link->SourceIconName == name || link->TargetIconName == name) {
            // Copies: the link is freed by the delete.
            const std::string source = link->SourceIconName, target = link->TargetIconName;
            DelLink(source, target);
            i = 0;
        } else {
            ++i;
        }
    }
}

void TDPLinkObjectList::SetLinkColor(const std::string& source, const std::string& target, TColor color) {
    if (TDPLinkObject* link = GetLinkObject(source, target))
        link->Color = color;
}

bool TDPLinkObjectList::LinkExists(const std::string& source, const std::string& target) const {
    for (size_t i = 0; i < links_.Count(); ++i) {
        const TDPLinkObject* link = links_.ObjectAt(i);
        if (link->SourceIconName == source && link->TargetIconName == target)
            return true;
    }
    return false;
}

template <typename F>
const std::vector<std::string>& TDPLinkObjectList::refill(std::vector<std::string>& list, F entry) {
    list.clear();
    for (size_t i = 0; i < links_.Count(); ++i)
        list.push_back(entry(*links_.ObjectAt(i)));
    return list;
}

const std::vector<std::string>& TDPLinkObjectList::pGetLinkNameList() {
    return refill(names_, [](const TDPLinkObject& l) { return l.SourceIconName + "=" + l.TargetIconName; });
}

const std::vector<std::string>& TDPLinkObjectList::pGetLinkSourceNameList() {
    return refill(sources_, [](const TDPLinkObject& l) { return l.SourceIconName; });
}

const std::vector<std::string>& TDPLinkObjectList::pGetLinkTargetNameList() {
    return refill(targets_, [](const TDPLinkObject& l) { return l.TargetIconName; });
}

uint32_t TDPLinkObjectList::GetSaveData(TXMLNode* node) const {
    for (size_t i = 0; i < links_.Count(); ++i)
        links_.ObjectAt(i)->GetSaveData(node->AddNode("LINK_ITEM"));
    return u32GetLinkCount();
}

void TDPLinkObjectList::SetSaveData(TXMLNode* node) {
    for (size_t i = 0; i < node->NodeList.Count(); ++i) {
        auto link = std::make_unique<TDPLinkObject>();
        link->SetSaveData(node->NodeList.ObjectAt(i));
        const std::string key = LinkKey(link->SourceIconName, link->TargetIconName);
        links_.Add(link.release(), key);
    }
}
