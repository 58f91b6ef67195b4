#pragma once
// The draw panel's icons, owned, stored under their names. Names need not be
// unique: look-ups find the first icon stored under a name.

#include "base/tdynamiclist.h"
#include "components/tdpiconobject.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using TDynamicIconList = TDynamicList<TDPIconObject>;

class TDPIconObjectList {
public:
    std::function<void(TDPIconObject*)> OnIconAdded;
    std::function<void(const std::string& name)> OnIconDeleted;

    // An empty name is stored under a random free key; the icon's own name stays empty.
    void AddIcon(const std::string& name, const std::string& label, int imageIndex, int x, int y);
    // Deletes the first icon stored under the name; on a non-empty list the
    // deleted callback runs even when no icon had the name.
    void DelIcon(const std::string& name);
    void Clear() { icons_.Clear(); }
    uint32_t u32GetIconCount() const { return static_cast<uint32_t>(icons_.Count()); }
    TDPIconObject* GetIconObjectByIndex(uint32_t index) const { return icons_.ObjectAt(index); }
    // The key the icon at the index is stored under.
    std::string KeyAt(uint32_t index) const { return icons_.ItemName(index); }
    TDPIconObject* GetIconObject(const std::string& name) const { return icons_.Find(name); }
    bool IconExists(const std::string& name) const { return icons_.Contains(name); }
    // The keys in list order.
    const std::vector<std::string>& pGetIconNameList();

    // One ICON_ITEM child per icon; returns the icon count.
    uint32_t GetSaveData(TXMLNode* node) const;
    // Adds an icon for every child node, without the added callback. A value that
    // is no number throws; the icons before it stay added.
    void SetSaveData(TXMLNode* node);

private:
    TDynamicIconList icons_{"TDPIconObjectList"};
    std::vector<std::string> names_;
};
