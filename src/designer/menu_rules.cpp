#include "designer/menu_rules.h"

#include "designer/network_design.h"

namespace {

// A modem that can become the master: neither mobile nor multiport nor the master.
bool CanBeMaster(const NetworkDesign& design, const TKuvio& figure) {
    return !figure.Mobile() && !figure.Multiport() && &figure != design.master;
}

} // namespace

bool RouteListShown(const NetworkDesign& design, const TKuvio& figure) {
    if (design.properties.IsVirtualRouting())
        return figure.VirtualRouteWindowShown();
    return &figure == design.master && figure.SourceRouteWindowShown();
}

ModemMenuState ModemMenuRules(const NetworkDesign& design, const MenuConditions& conditions) {
    ModemMenuState state;
    const bool single = design.SingleModem();
    const bool anyFigure = !design.Figures().empty();
    const TKuvio* active = design.active;
    if (active) {
        state.deleteItem = state.properties = state.printProperties = state.load = state.save = true;
        if (single) {
            state.connect = state.copy = state.master = state.showRoute = false;
            state.newModem = conditions.modemTypes && !anyFigure;
        } else {
            state.connect = state.copy = state.showRoute = true;
            state.master = CanBeMaster(design, *active);
            state.hideRoute = RouteListShown(design, *active);
        }
    } else {
        if (single || !anyFigure) {
            state.connect = false;
            // A single-modem window holds one modem, also while none is active.
            state.newModem = conditions.modemTypes && !anyFigure;
        }
        state.deleteItem = anyFigure;
        state.master = state.properties = state.showRoute = state.printProperties = state.copy = state.load =
            state.save = false;
    }
    if (single)
        state.newMulti = state.newModem;
    state.newMobile = !single && conditions.mobileView;
    state.receive = state.transmit = active && !conditions.portOpen;
    return state;
}

AreaPopupState AreaPopupRules(const NetworkDesign& design, const MenuConditions& conditions) {
    AreaPopupState state;
    if (design.SingleModem()) {
        state.newModem = state.newMulti = conditions.modemTypes && design.Figures().empty();
        state.newMobile = state.properties = false;
    } else {
        state.newMobile = conditions.modemTypes && conditions.mobileView;
    }
    return state;
}

ModemPopupState ModemPopupRules(const NetworkDesign& design, const TKuvio& figure,
                                const MenuConditions& conditions) {
    ModemPopupState state;
    if (design.SingleModem()) {
        state.connect = state.showRoute = state.copy = state.master = state.deleteConnection = false;
    } else {
        state.connect = !figure.Mobile();
        state.master = CanBeMaster(design, figure);
        state.hideRoute = RouteListShown(design, figure);
        state.transmit = !conditions.portOpen;
    }
    state.receive = state.ping = !conditions.portOpen;
    // Like the other menus of modem types, it stays off while there are none.
    state.changeType = conditions.modemTypes && !conditions.level9;
    return state;
}

bool AllowedInMode(int mask, bool singleModem, bool factoryMode) {
    if (factoryMode)
        return true;
    return (mask & (singleModem ? 2 : 1)) != 0;
}
