#include "components/txmlnode.h"

#include "base/text_numbers.h"

TXMLNode::TXMLNode() : NodeList("TXMLNode::NodeList") {}

TXMLNode* TXMLNode::AddNode(const std::string& name) {
    auto* node = new TXMLNode;
    node->strName = name;
    NodeList.Add(node, "");
    return node;
}

TXMLNode* TXMLNode::GetNode(const std::string& name, bool create) {
    if (create && !NodeList.Contains(name)) {
        auto* node = new TXMLNode;
        node->strName = name;
        NodeList.Add(node, name);
    }
    for (size_t i = 0; i < NodeList.Count(); ++i) {
        TXMLNode* child = NodeList.ObjectAt(i);
        if (child->strName == name)
            return child;
    }
    return create ? AddNode(name) : nullptr;
}

TXMLAttribute* TXMLNode::AddAttribute(const std::string& name, const std::string& value) {
    auto* attribute = new TXMLAttribute(name, value);
    AttributeList.Add(attribute, "");
    return attribute;
}

TXMLAttribute* TXMLNode::findAttribute(const std::string& name) const {
    for (size_t i = 0; i < AttributeList.Count(); ++i) {
        TXMLAttribute* attribute = AttributeList.ObjectAt(i);
        if (attribute->strName == name)
            return attribute;
    }
    return nullptr;
}

TXMLAttribute* TXMLNode::GetAttribute(const std::string& name, bool create) {
    TXMLAttribute* attribute = findAttribute(name);
    return attribute || !create ? attribute : AddAttribute(name);
}

std::string TXMLNode::GetAttributeValue(const std::string& name, const std::string& defaultValue) const {
    const TXMLAttribute* attribute = findAttribute(name);
    return attribute ? attribute->strValue : defaultValue;
}

int32_t TXMLNode::GetAttributeInt(const std::string& name, const std::string& defaultValue) const {
    return StrToInt(GetAttributeValue(name, defaultValue));
}
