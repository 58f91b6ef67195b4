#include "platform/tradiogroup.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(RadioGroup, PositionSurvivesNewItemsAndCanBeCleared) {
    TRadioGroup group;
    group.setItems({"None", "Odd", "Even"});
    EXPECT_EQ(group.itemIndex(), -1);
    group.setItemIndex(2);
    EXPECT_TRUE(group.button(2)->isChecked());
    group.addItem("Mark");
    EXPECT_EQ(group.itemIndex(), 2);
    group.setItems({"7", "8"});
    EXPECT_EQ(group.itemIndex(), -1) << "position 2 is gone";
    group.setItemIndex(1);
    group.setItemIndex(5);
    EXPECT_EQ(group.itemIndex(), -1);
}

TEST(RadioGroup, OnlyTheUsersClickIsSignalled) {
    TRadioGroup group;
    group.setItems({"ASCII", "HEX", "Mixed"});
    group.show();
    QSignalSpy clicked(&group, &TRadioGroup::itemClicked);
    group.setItemIndex(1);
    EXPECT_EQ(clicked.count(), 0);
    QRadioButton* mixed = group.button(2);
    QTest::mouseClick(mixed, Qt::LeftButton, {}, QPoint(4, mixed->height() / 2));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 2);
    EXPECT_EQ(group.itemIndex(), 2);
}
