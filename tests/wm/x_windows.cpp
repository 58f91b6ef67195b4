#include "x_windows.h"

#include <QGuiApplication>
#include <algorithm>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace XWindows {
namespace {

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

xcb_atom_t Atom(xcb_connection_t* connection, const std::string& name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
                              nullptr),
        &free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The 32-bit values of a window's property.
std::vector<uint32_t> Property(xcb_window_t window, const std::string& name, xcb_atom_t type) {
    xcb_connection_t* connection = Connection();
    if (!connection)
        return {};
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, window ? window : Root(connection), Atom(connection, name), type, 0, 4096);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &free);
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

// The window ids held in a property of the root window.
std::vector<WId> RootWindows(const std::string& name) {
    const std::vector<uint32_t> ids = Property(0, name, XCB_ATOM_WINDOW);
    return std::vector<WId>(ids.begin(), ids.end());
}

} // namespace

bool IsManaged(const QWidget* window) {
    const std::vector<WId> managed = StackingOrder();
    return std::find(managed.begin(), managed.end(), window->winId()) != managed.end();
}

std::vector<WId> StackingOrder() {
    return RootWindows("_NET_CLIENT_LIST_STACKING");
}

bool StackedAbove(const QWidget* upper, const QWidget* lower) {
    const std::vector<WId> order = StackingOrder();
    const auto at = [&](const QWidget* window) {
        return std::find(order.begin(), order.end(), window->winId());
    };
    return at(upper) != order.end() && at(lower) != order.end() && at(upper) > at(lower);
}

QMargins FrameExtents(const QWidget* window) {
    const std::vector<uint32_t> sides = Property(window->winId(), "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    if (sides.size() != 4)
        return {};
    return QMargins(int(sides[0]), int(sides[2]), int(sides[1]), int(sides[3]));
}

WId ActiveWindow() {
    const std::vector<WId> active = RootWindows("_NET_ACTIVE_WINDOW");
    return active.empty() ? 0 : active.front();
}

} // namespace XWindows
