#pragma once
// Reading a component's saved settings: a number that is missing keeps the
// current value, and so does one that is not a number, so a damaged settings
// tree never stops a component from loading the rest.

#include "components/txmlnode.h"

#include <exception>
#include <string>

inline int ReadSavedInt(const TXMLNode* node, const std::string& key, int current) {
    try {
        return node->GetAttributeInt(key, std::to_string(current));
    } catch (const std::exception&) {
        return current;
    }
}
