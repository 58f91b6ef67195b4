#include "components/drawpanel_geometry.h"
#include "components/tdpiconobjectlist.h"
#include "components/tdplinkobjectlist.h"

#include <gtest/gtest.h>

namespace {

TEST(DrawPanelGeometry, PointsOnTheLineBetweenTwoCentres) {
    EXPECT_EQ(CountRPos({100, 100}, {300, 100}, 28), QPoint(128, 100));
    EXPECT_EQ(CountRPos({300, 100}, {100, 100}, 28), QPoint(272, 100));
    EXPECT_EQ(CountRPos({100, 300}, {100, 100}, 28), QPoint(100, 272));
    // 3-4-5 triangle: 28 along it is (16.8, 22.4), truncated.
    EXPECT_EQ(CountRPos({0, 0}, {300, 400}, 28), QPoint(16, 22));
    EXPECT_EQ(MaxRadius(20, 20, 10, 1, 2), 28);
    EXPECT_EQ(MaxRadius(21, 21, 10, 1, 2), 28);
}

TEST(DrawPanelGeometry, ArrowHeadsSitOnTheTargetCircleAndPointBack) {
    // Left to right: wings 18.07 back and 8.56 to each side, truncated toward zero.
    const TArrowPoints right = CountArrowPoints({200, 100}, {0, 100}, 28, 20);
    EXPECT_EQ(right.Tip, QPoint(172, 100));
    EXPECT_EQ(right.Wing1, QPoint(153, 108));
    EXPECT_EQ(right.Wing2, QPoint(153, 91));
    const TArrowPoints left = CountArrowPoints({0, 100}, {200, 100}, 28, 20);
    EXPECT_EQ(left.Tip, QPoint(28, 100));
    EXPECT_EQ(left.Wing1, QPoint(46, 108));

    // Vertical links spread the wings a fixed 9 pixels.
    const TArrowPoints down = CountArrowPoints({100, 200}, {100, 0}, 28, 20);
    EXPECT_EQ(down.Tip, QPoint(100, 172));
    EXPECT_EQ(down.Wing1, QPoint(109, 152));
    EXPECT_EQ(down.Wing2, QPoint(91, 152));
    EXPECT_EQ(CountArrowPoints({100, 0}, {100, 200}, 28, 20).Wing1, QPoint(109, 47));
}

TEST(DrawPanelObjects, LinkMiddleAndLabelBox) {
    QPoint a(0, 0), b(100, 0), c(0, 100);
    TDPLinkObject horizontal("", "A", "B", &a, &b, 0);
    EXPECT_EQ(horizontal.vCountLinkPoints(), QPoint(50, 0));
    TDPLinkObject vertical("", "A", "C", &a, &c, 0);
    EXPECT_EQ(vertical.vCountLinkPoints(), QPoint(0, 50));
    // Slanted links: the middle is truncated toward zero from the target side.
    QPoint d(300, 400), e(10, 300), f(310, 20);
    EXPECT_EQ(TDPLinkObject("", "A", "D", &a, &d, 0).vCountLinkPoints(), QPoint(149, 200));
    EXPECT_EQ(TDPLinkObject("", "D", "A", &d, &a, 0).vCountLinkPoints(), QPoint(150, 199));
    EXPECT_EQ(TDPLinkObject("", "E", "F", &e, &f, 0).vCountLinkPoints(), QPoint(160, 159));
    const TRect box = horizontal.GetLabelRect(10, 20);
    EXPECT_EQ(box, (TRect{40, -5, 60, 5}));
    EXPECT_TRUE(bPointInRect(box, 41, -4));
    EXPECT_FALSE(bPointInRect(box, 40, 0));
    EXPECT_FALSE(bPointInRect(box, 50, 5));

    TDPIconObject icon("N", "label", 0, 100, 100);
    EXPECT_EQ(icon.GetLabelPos(14, 30, 28), QPoint(85, 111));
}

TEST(DrawPanelObjects, LinkListKeysDuplicatesAndIconLinkDeletion) {
    TDPLinkObjectList links;
    std::vector<std::string> added, deleted;
    links.OnLinkAdded = [&](TDPLinkObject* link) { added.push_back(link->Label); };
    links.OnLinkDeleted = [&](const std::string& s, const std::string& t) { deleted.push_back(s + t); };
    links.AddLink("A", "B", "", nullptr, nullptr, 0);
    links.AddLink("A", "B", "again", nullptr, nullptr, 0);
    links.AddLink("B", "C", "bc", nullptr, nullptr, 0);
    links.AddLink("C", "D", "cd", nullptr, nullptr, 0);
    EXPECT_EQ(added, (std::vector<std::string>{"A:B", "bc", "cd"}));
    EXPECT_EQ(links.pGetLinkNameList(), (std::vector<std::string>{"A=B", "B=C", "C=D"}));

    links.DelIconLinks("B");
    EXPECT_EQ(deleted, (std::vector<std::string>{"AB", "BC"}));
    EXPECT_EQ(links.pGetLinkNameList(), std::vector<std::string>{"C=D"});
    links.DelLink("X", "Y");
    EXPECT_EQ(deleted.size(), 2u);
}

TEST(DrawPanelObjects, IconListNamesAndDeleteCallbacks) {
    TDPIconObjectList icons;
    std::vector<std::string> deleted;
    icons.OnIconDeleted = [&](const std::string& name) { deleted.push_back(name); };
    icons.DelIcon("A");
    EXPECT_TRUE(deleted.empty());

    icons.AddIcon("", "unnamed", 0, 1, 2);
    ASSERT_EQ(icons.pGetIconNameList().size(), 1u);
    EXPECT_EQ(icons.pGetIconNameList()[0].size(), 4u);
    EXPECT_EQ(icons.GetIconObjectByIndex(0)->Name, "");
    icons.DelIcon("missing");
    EXPECT_EQ(deleted, std::vector<std::string>{"missing"});
    EXPECT_EQ(icons.u32GetIconCount(), 1u);
}

} // namespace
