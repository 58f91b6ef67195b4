#pragma once
// The draw panel's links, owned, each stored under the key "source:target", so
// there is at most one link per direction between two icons.

#include "base/tdynamiclist.h"
#include "components/tdplinkobject.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using TDynamicLinkList = TDynamicList<TDPLinkObject>;

class TDPLinkObjectList {
public:
    std::function<void(TDPLinkObject*)> OnLinkAdded;
    std::function<void(const std::string& source, const std::string& target)> OnLinkDeleted;

    static std::string LinkKey(const std::string& source, const std::string& target) {
        return source + ":" + target;
    }

    // An empty label becomes the key; a second link in the same direction is dropped.
    void AddLink(const std::string& source, const std::string& target, const std::string& label,
                 QPoint* sourcePos, QPoint* targetPos, TColor color);
    void DelLink(const std::string& source, const std::string& target);
    // Deletes every link from or to the icon.
    void DelIconLinks(const std::string& name);
    void SetLinkColor(const std::string& source, const std::string& target, TColor color);
    bool LinkExists(const std::string& source, const std::string& target) const;
    TDPLinkObject* GetLinkObject(const std::string& source, const std::string& target) const {
        return links_.Find(LinkKey(source, target));
    }
    TDPLinkObject* GetLinkObjectByIndex(uint32_t index) const { return links_.ObjectAt(index); }
    uint32_t u32GetLinkCount() const { return static_cast<uint32_t>(links_.Count()); }
    void Clear() { links_.Clear(); }
    // Removes the link at the index without the deleted callback.
    void DropLink(uint32_t index) { links_.Delete(index); }

    // "source=target" per link, then the sources and the targets alone.
    const std::vector<std::string>& pGetLinkNameList();
    const std::vector<std::string>& pGetLinkSourceNameList();
    const std::vector<std::string>& pGetLinkTargetNameList();

    // One LINK_ITEM child per link; returns the link count.
    uint32_t GetSaveData(TXMLNode* node) const;
    // Adds a link for every child node, without the duplicate test or the added
    // callback; the positions stay unset. A colour that is no number throws; the
    // links before it stay added.
    void SetSaveData(TXMLNode* node);

private:
    template <typename F> const std::vector<std::string>& refill(std::vector<std::string>& list, F entry);

    TDynamicLinkList links_{"TDPLinkObjectList"};
    std::vector<std::string> names_, sources_, targets_;
};
