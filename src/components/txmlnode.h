#pragma once
// The in-memory tree through which the components hand over their settings: a
// component's GetSaveData writes attributes (and child nodes) into a node its
// caller gives it, and SetSaveData reads them back. Turning a tree into text is
// the caller's business.
//
// A node owns its children and attributes: deleting a node deletes its subtree.
// Names are compared exactly, letter case included, and need not be unique; a
// lookup finds the first in list order.

#include "base/tdynamiclist.h"
#include "components/txmlattribute.h"

#include <string>

class TXMLNode {
public:
    TXMLNode();
    TXMLNode(const TXMLNode&) = delete;
    TXMLNode& operator=(const TXMLNode&) = delete;

    // A new child of that name, stored under a fresh random item name.
    TXMLNode* AddNode(const std::string& name);
    // The first child of that name. With create, a child is added when no child
    // is stored under that item name yet; nodes from AddNode are stored under
    // random item names, so after AddNode("X") a GetNode("X", true) still adds an
    // empty "X" (and returns the first "X"). Callers rely on this.
    TXMLNode* GetNode(const std::string& name, bool create);

    TXMLAttribute* AddAttribute(const std::string& name, const std::string& value = {});
    // The first attribute of that name; with create, a new empty one when none.
    TXMLAttribute* GetAttribute(const std::string& name, bool create);
    // The value, or the default when there is no such attribute (an empty value
    // is a value).
    std::string GetAttributeValue(const std::string& name, const std::string& defaultValue) const;
    // GetAttributeValue as a decimal number; throws std::invalid_argument when the
    // value (or the default standing in for it) is no number.
    int32_t GetAttributeInt(const std::string& name, const std::string& defaultValue) const;

    TDynamicList<TXMLNode> NodeList;
    TDynamicList<TXMLAttribute> AttributeList;
    std::string strName;

private:
    TXMLAttribute* findAttribute(const std::string& name) const;
};
