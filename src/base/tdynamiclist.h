#pragma once
// An owning list of named items. Items keep the order in which they were added;
// names need not be unique, and Find returns the first item of a name. The owner
// may be told of every change (add, grow, clear, delete); a clear is told even
// when the list was empty.

#include "base/hex.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

template <typename T> struct TDynamicListItemClass {
    std::string name;
    T* object = nullptr;
};

template <typename T> class TDynamicList {
public:
    using Item = TDynamicListItemClass<T>;

    explicit TDynamicList(std::string name = {}) : name_(std::move(name)) {}
    ~TDynamicList() {
        notify_ = false;
        Clear();
    }
    TDynamicList(const TDynamicList&) = delete;
    TDynamicList& operator=(const TDynamicList&) = delete;

    const std::string& Name() const { return name_; }
    size_t Count() const { return items_.size(); }

    // Fired after each change while notifying is on.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // All four are on after construction. With unique names on, an item added
    // without a name gets a random four-digit hexadecimal name that no other item
    // has. Without ownership, deleting an item leaves its object (or its record)
    // to whoever else holds it.
    void SetNotify(bool on) { notify_ = on; }
    void SetOwnsObjects(bool on) { ownsObjects_ = on; }
    void SetOwnsItems(bool on) { ownsItems_ = on; }
    void SetUniqueNames(bool on) { uniqueNames_ = on; }

    // Returns the name under which the object was stored.
    std::string Add(T* object, std::string name) {
        if (uniqueNames_ && name.empty()) {
            do
                name = RandomHexString(4);
            while (Contains(name));
        }
        items_.push_back(new Item{name, object});
        changed();
        return name;
    }

    // Appends n zero-valued objects without names.
    void Grow(size_t n) {
        for (size_t i = 0; i < n; ++i)
            items_.push_back(new Item{{}, new T()});
        changed();
    }

    // Notifies also when the list was empty, as Add does.
    void Clear() {
        for (Item* item : items_)
            release(item);
        items_.clear();
        changed();
    }

    bool Delete(size_t index) {
        if (index >= items_.size())
            return false;
        release(items_[index]);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        changed();
        return true;
    }

    T* Find(const std::string& name) const {
        for (const Item* item : items_)
            if (item->name == name)
                return item->object;
        return nullptr;
    }
    bool Contains(const std::string& name) const { return Find(name) != nullptr; }
    // The index of the first item of that name; nothing when there is none.
    std::optional<size_t> IndexOf(const std::string& name) const {
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i]->name == name)
                return i;
        return std::nullopt;
    }
    // Stores the first item of that name under the new name. Returns its object,
    // or null when there is no such item.
    T* Rename(const std::string& name, const std::string& newName) {
        const std::optional<size_t> index = IndexOf(name);
        if (!index)
            return nullptr;
        items_[*index]->name = newName;
        return items_[*index]->object;
    }

    Item* ItemAt(size_t index) const { return index < items_.size() ? items_[index] : nullptr; }
    T* ObjectAt(size_t index) const { return index < items_.size() ? items_[index]->object : nullptr; }
    // The item's name; empty when there is no such item.
    std::string ItemName(size_t index) const {
        return index < items_.size() ? items_[index]->name : std::string();
    }

private:
    void release(Item* item) {
        if (ownsObjects_) {
            delete item->object;
            item->object = nullptr;
        }
        if (ownsItems_)
            delete item;
    }
    void changed() {
        if (notify_ && onChange_)
            onChange_();
    }

    std::string name_;
    std::vector<Item*> items_;
    std::function<void()> onChange_;
    bool notify_ = true;
    bool ownsObjects_ = true;
    bool ownsItems_ = true;
    bool uniqueNames_ = true;
};
