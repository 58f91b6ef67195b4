#include "designer/menu_rules.h"

#include "designer/network_design.h"

#include <gtest/gtest.h>

namespace {

TEST(MenuRules, ModemMenuFollowsTheActiveModemAndTheMode) {
    NetworkDesign design(false);
    MenuConditions conditions;
    ModemMenuState empty = ModemMenuRules(design, conditions);
    EXPECT_EQ(empty.connect, false);
    EXPECT_EQ(empty.newModem, true);
    EXPECT_EQ(empty.deleteItem, false);
    EXPECT_EQ(empty.newMobile, false);
    for (const ItemState& state : {empty.master, empty.properties, empty.showRoute, empty.receive,
                                   empty.transmit, empty.printProperties, empty.copy, empty.load, empty.save})
        EXPECT_EQ(state, false);

    TKuvio& master = design.Append(std::make_unique<TKuvio>(0, 0));
    TKuvio& mobile = design.Append(std::make_unique<TKuvio>(0, 0));
    design.MakeMaster(master);
    mobile.SetMobileLook();
    // Without an active modem Connect keeps its state once the network holds one.
    EXPECT_FALSE(ModemMenuRules(design, conditions).connect.has_value());
    EXPECT_EQ(ModemMenuRules(design, conditions).deleteItem, true);

    design.active = &master;
    ModemMenuState state = ModemMenuRules(design, conditions);
    EXPECT_EQ(state.master, false);
    EXPECT_EQ(state.connect, true);
    EXPECT_EQ(state.copy, true);
    EXPECT_EQ(state.showRoute, true);
    EXPECT_EQ(state.receive, true);
    EXPECT_FALSE(state.hideRoute);
    design.active = &mobile;
    EXPECT_EQ(ModemMenuRules(design, conditions).master, false);
    design.active->SetModemLook();
    EXPECT_EQ(ModemMenuRules(design, conditions).master, true);

    conditions.portOpen = true;
    conditions.mobileView = true;
    state = ModemMenuRules(design, conditions);
    EXPECT_EQ(state.receive, false);
    EXPECT_EQ(state.transmit, false);
    EXPECT_EQ(state.newMobile, true);
}

TEST(MenuRules, ShowRouteReadsHideWhileTheRouteListIsShown) {
    NetworkDesign design(false);
    TKuvio& master = design.Append(std::make_unique<TKuvio>(0, 0));
    TKuvio& other = design.Append(std::make_unique<TKuvio>(0, 0));
    design.MakeMaster(master);
    master.AddSourceRoute("1A 2");
    master.ToggleSourceRouteWindow();
    design.active = &master;
    EXPECT_TRUE(ModemMenuRules(design, {}).hideRoute);
    EXPECT_FALSE(ModemPopupRules(design, other, {}).hideRoute);
    design.properties.routingType = 1;
    EXPECT_FALSE(ModemMenuRules(design, {}).hideRoute);
    other.AddVirtualRoute(1, 2);
    other.ToggleVirtualRouteWindow();
    EXPECT_TRUE(ModemPopupRules(design, other, {}).hideRoute);
}

TEST(MenuRules, AChangeOfRoutingHidesTheOtherRoutingsLists) {
    NetworkDesign design(false);
    TKuvio& master = design.Append(std::make_unique<TKuvio>(0, 0));
    TKuvio& leaf = design.Append(std::make_unique<TKuvio>(0, 0));
    design.MakeMaster(master);
    master.AddSourceRoute("1A 2");
    master.ToggleSourceRouteWindow();
    leaf.AddVirtualRoute(1, 2);
    leaf.ToggleVirtualRouteWindow();
    design.CloseOtherRoutingLists();
    EXPECT_TRUE(master.SourceRouteWindowShown());
    EXPECT_FALSE(leaf.VirtualRouteWindowShown());
    EXPECT_FALSE(leaf.HasVirtualRouteWindow());
    design.properties.routingType = 1;
    design.CloseOtherRoutingLists();
    EXPECT_FALSE(master.SourceRouteWindowShown());
}

TEST(MenuRules, SingleModemMenusOfferOneModemAndNoRoutes) {
    NetworkDesign design(true);
    MenuConditions conditions;
    conditions.mobileView = true;
    EXPECT_EQ(AreaPopupRules(design, conditions).newModem, true);
    EXPECT_EQ(AreaPopupRules(design, conditions).newMobile, false);
    EXPECT_EQ(AreaPopupRules(design, conditions).properties, false);
    TKuvio& figure = design.Append(std::make_unique<TKuvio>(0, 0));
    EXPECT_EQ(AreaPopupRules(design, conditions).newModem, false);
    EXPECT_EQ(AreaPopupRules(design, conditions).newMulti, false);

    design.active = &figure;
    const ModemMenuState state = ModemMenuRules(design, conditions);
    for (const ItemState& item :
         {state.connect, state.copy, state.master, state.showRoute, state.newModem, state.newMobile})
        EXPECT_EQ(item, false);
    EXPECT_EQ(state.properties, true);
    const ModemPopupState popup = ModemPopupRules(design, figure, conditions);
    for (const ItemState& item :
         {popup.connect, popup.showRoute, popup.copy, popup.master, popup.deleteConnection})
        EXPECT_EQ(item, false);
}

TEST(MenuRules, ModemPopupFollowsTheKindOfModem) {
    NetworkDesign design(false);
    TKuvio& master = design.Append(std::make_unique<TKuvio>(0, 0));
    TKuvio& mobile = design.Append(std::make_unique<TKuvio>(0, 0));
    TKuvio& multi = design.Append(std::make_unique<TKuvio>(0, 0));
    design.MakeMaster(master);
    mobile.SetMobileLook();
    multi.SetMultiLook();
    MenuConditions conditions;
    EXPECT_EQ(ModemPopupRules(design, master, conditions).master, false);
    EXPECT_EQ(ModemPopupRules(design, master, conditions).connect, true);
    EXPECT_EQ(ModemPopupRules(design, mobile, conditions).master, false);
    EXPECT_EQ(ModemPopupRules(design, mobile, conditions).connect, false);
    EXPECT_EQ(ModemPopupRules(design, multi, conditions).master, false);
    EXPECT_EQ(ModemPopupRules(design, multi, conditions).transmit, true);
    EXPECT_EQ(ModemPopupRules(design, master, conditions).ping, true);
    EXPECT_EQ(ModemPopupRules(design, master, conditions).receive, true);
    EXPECT_EQ(ModemPopupRules(design, multi, conditions).changeType, true);
    conditions.portOpen = true;
    conditions.level9 = true;
    EXPECT_EQ(ModemPopupRules(design, multi, conditions).transmit, false);
    EXPECT_EQ(ModemPopupRules(design, master, conditions).ping, false);
    EXPECT_EQ(ModemPopupRules(design, master, conditions).receive, false);
    EXPECT_EQ(ModemPopupRules(design, multi, conditions).changeType, false);
    conditions.level9 = false;
    conditions.modemTypes = false;
    EXPECT_EQ(ModemPopupRules(design, multi, conditions).changeType, false);
}

TEST(MenuRules, AllowedInModeReadsTheModesBit) {
    EXPECT_TRUE(AllowedInMode(3, false, false));
    EXPECT_TRUE(AllowedInMode(3, true, false));
    EXPECT_FALSE(AllowedInMode(2, false, false));
    EXPECT_TRUE(AllowedInMode(2, true, false));
    EXPECT_FALSE(AllowedInMode(1, true, false));
    EXPECT_TRUE(AllowedInMode(0, false, true));
}

} // namespace
