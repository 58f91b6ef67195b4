#include "components/txmlnode.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace {

bool IsUpperHex4(const std::string& text) {
    return text.size() == 4 && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

TEST(TXMLNodeTest, AttributesAreFoundByExactNameAndTheFirstOfANameWins) {
    TXMLNode node;
    EXPECT_EQ(node.GetAttribute("A", false), nullptr);
    EXPECT_EQ(node.AttributeList.Count(), 0u) << "a lookup adds nothing";

    node.AddAttribute("A", "1");
    node.AddAttribute("A", "2");
    node.AddAttribute("EMPTY");
    EXPECT_EQ(node.AttributeList.Count(), 3u);
    EXPECT_EQ(node.GetAttribute("A", false)->strValue, "1");
    EXPECT_EQ(node.GetAttribute("a", false), nullptr) << "letter case counts";
    EXPECT_EQ(node.GetAttributeValue("MISSING", "dflt"), "dflt");
    EXPECT_EQ(node.GetAttributeValue("EMPTY", "dflt"), "") << "an empty value is a value";

    TXMLAttribute* created = node.GetAttribute("NEW", true);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->strValue, "");
    EXPECT_EQ(node.GetAttribute("NEW", true), created) << "created once";
    EXPECT_EQ(node.AttributeList.Count(), 4u);
}

TEST(TXMLNodeTest, IntegerAttributesTakeTheDefaultAndRefuseNonNumbers) {
    TXMLNode node;
    node.AddAttribute("N", "-42");
    node.AddAttribute("BAD", "12a");
    node.AddAttribute("EMPTY", "");
    EXPECT_EQ(node.GetAttributeInt("N", "0"), -42);
    EXPECT_EQ(node.GetAttributeInt("MISSING", "9600"), 9600);
    EXPECT_THROW(node.GetAttributeInt("BAD", "0"), std::invalid_argument);
    EXPECT_THROW(node.GetAttributeInt("EMPTY", "5"), std::invalid_argument);
    EXPECT_THROW(node.GetAttributeInt("MISSING", ""), std::invalid_argument);
}

TEST(TXMLNodeTest, AddedChildrenGetDistinctRandomItemNames) {
    TXMLNode node;
    std::set<std::string> itemNames;
    for (int i = 0; i < 200; ++i)
        node.AddNode("CHILD");
    for (size_t i = 0; i < node.NodeList.Count(); ++i) {
        EXPECT_TRUE(IsUpperHex4(node.NodeList.ItemName(i))) << node.NodeList.ItemName(i);
        itemNames.insert(node.NodeList.ItemName(i));
    }
    EXPECT_EQ(itemNames.size(), 200u);
    EXPECT_EQ(node.NodeList.Name(), "TXMLNode::NodeList");
    EXPECT_EQ(node.NodeList.ObjectAt(200), nullptr);
    EXPECT_EQ(node.NodeList.ItemName(200), "");
}

TEST(TXMLNodeTest, GetNodeCreatesOnceAndKeepsItsQuirkAfterAddNode) {
    TXMLNode node;
    EXPECT_EQ(node.GetNode("X", false), nullptr);
    TXMLNode* x = node.GetNode("X", true);
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->strName, "X");
    EXPECT_EQ(node.GetNode("X", true), x);
    EXPECT_EQ(node.NodeList.Count(), 1u);

    // A child added under a random item name is found by GetNode, but creating
    // still adds one empty namesake stored under the plain name.
    TXMLNode* y = node.AddNode("Y");
    EXPECT_EQ(node.GetNode("Y", true), y);
    EXPECT_EQ(node.NodeList.Count(), 3u);
    EXPECT_EQ(node.NodeList.ItemName(2), "Y");
    EXPECT_EQ(node.GetNode("Y", true), y);
    EXPECT_EQ(node.NodeList.Count(), 3u);
}

int AttributesInTree(const TXMLNode& node) {
    int count = static_cast<int>(node.AttributeList.Count());
    for (size_t i = 0; i < node.NodeList.Count(); ++i)
        count += AttributesInTree(*node.NodeList.ObjectAt(i));
    return count;
}

TEST(TXMLNodeTest, ADeepTreeIsBuiltAndFreedWhole) {
    auto* root = new TXMLNode;
    TXMLNode* level = root;
    for (int depth = 0; depth < 50; ++depth) {
        level->AddAttribute("DEPTH", std::to_string(depth));
        level->AddNode("SIBLING")->AddAttribute("S");
        level = level->GetNode("LEVEL", true);
    }
    EXPECT_EQ(AttributesInTree(*root), 100);
    EXPECT_EQ(root->GetNode("LEVEL", false)->GetAttributeInt("DEPTH", "-1"), 1);
    delete root; // the address sanitizer build sees any leak or double free
}

} // namespace
