#pragma once
// One name/value pair of a settings node (components/txmlnode.h).

#include <string>

class TXMLAttribute {
public:
    TXMLAttribute() = default;
    TXMLAttribute(std::string name, std::string value)
        : strName(std::move(name)), strValue(std::move(value)) {}

    std::string strName;
    std::string strValue;
};
