#pragma once
// Which items of the designer's Modem menu and of its two pop-up menus are
// available, from the state of the design. The window applies the answers each
// time a menu opens.

#include <optional>

class NetworkDesign;
class TKuvio;

// What the rules read besides the design.
struct MenuConditions {
    // "&Mobile routes" is ticked.
    bool mobileView = false;
    // A run or a ping holds the programming port.
    bool portOpen = false;
    // The modem-type menus have items.
    bool modemTypes = true;
    // "Level &9" is ticked in the security-level window, whether or not its
    // password was accepted.
    bool level9 = false;
};

// An item's state; none where the menu keeps the item as it is.
using ItemState = std::optional<bool>;

struct ModemMenuState {
    // "New m&ultiterminal" follows "&New modem" in a single-modem designer, as in
    // the drawing's pop-up menu.
    ItemState newModem, newMobile, newMulti, connect, deleteItem, copy, master, properties, showRoute,
        receive, transmit, printProperties, load, save;
    // "&Hide route" in place of "&Show route".
    bool hideRoute = false;
};

struct AreaPopupState {
    ItemState newModem, newMobile, newMulti, properties;
};

struct ModemPopupState {
    ItemState connect, showRoute, copy, master, deleteConnection, transmit, receive, ping, changeType;
    bool hideRoute = false;
};

// True while the route list that "&Show route" would toggle for the figure is
// shown: its own virtual-route list under virtual routing, the master's
// source-route list under source routing.
bool RouteListShown(const NetworkDesign& design, const TKuvio& figure);

ModemMenuState ModemMenuRules(const NetworkDesign& design, const MenuConditions& conditions);
AreaPopupState AreaPopupRules(const NetworkDesign& design, const MenuConditions& conditions);
// For the figure the pop-up menu was opened on.
ModemPopupState ModemPopupRules(const NetworkDesign& design, const TKuvio& figure,
                                const MenuConditions& conditions);
// Whether a parameter with the visibility mask is shown in the designer: bit 0 in
// a project designer, bit 1 in a single-modem designer, every one in factory mode.
bool AllowedInMode(int mask, bool singleModem, bool factoryMode);
