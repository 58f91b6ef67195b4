#include "x_windows.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>
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

// The X window the widget stands in now. Qt's X11 plugin makes a window's native
// window anew when it maps it with another stacking hint than it was made with;
// the widget's own winId() then still names the first one.
WId NativeId(const QWidget* window) {
    return window->windowHandle() ? window->windowHandle()->winId() : window->winId();
}

// The window ids held in a property of the root window.
std::vector<WId> RootWindows(const std::string& name) {
    const std::vector<uint32_t> ids = Property(0, name, XCB_ATOM_WINDOW);
    return std::vector<WId>(ids.begin(), ids.end());
}

// Notes when the X server's notice of a change of the named property arrives.
class PropertyNotice : public QAbstractNativeEventFilter {
public:
    explicit PropertyNotice(xcb_atom_t property) : property_(property) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom == property_)
            arrived = true;
        return false;
    }
    bool arrived = false;

private:
    xcb_atom_t property_;
};

} // namespace

void TakeServerTime(const QWidget* window) {
    xcb_connection_t* connection = Connection();
    if (!connection)
        return;
    const xcb_atom_t property = Atom(connection, "_QUOVIX_TEST_TIME");
    PropertyNotice notice(property);
    qApp->installNativeEventFilter(&notice);
    const uint32_t value = 0;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(NativeId(window)),
                        property, XCB_ATOM_CARDINAL, 32, 1, &value);
    xcb_flush(connection);
    (void)QTest::qWaitFor([&] { return notice.arrived; }, 5000);
    qApp->removeNativeEventFilter(&notice);
}

bool IsManaged(const QWidget* window) {
    const std::vector<WId> managed = StackingOrder();
    return std::find(managed.begin(), managed.end(), NativeId(window)) != managed.end();
}

std::vector<WId> StackingOrder() {
    return RootWindows("_NET_CLIENT_LIST_STACKING");
}

bool StackedAbove(const QWidget* upper, const QWidget* lower) {
    const std::vector<WId> order = StackingOrder();
    const auto at = [&](const QWidget* window) {
        return std::find(order.begin(), order.end(), NativeId(window));
    };
    return at(upper) != order.end() && at(lower) != order.end() && at(upper) > at(lower);
}

QMargins FrameExtents(const QWidget* window) {
    const std::vector<uint32_t> sides = Property(NativeId(window), "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    if (sides.size() != 4)
        return {};
    return QMargins(int(sides[0]), int(sides[2]), int(sides[1]), int(sides[3]));
}

void Activate(const QWidget* window) {
    xcb_connection_t* connection = Connection();
    if (!connection)
        return;
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = static_cast<xcb_window_t>(NativeId(window));
    request.type = Atom(connection, "_NET_ACTIVE_WINDOW");
    // From a user, with no time: the window manager neither weighs it against the
    // user's last input nor drops it as older than the last focus change.
    request.data.data32[0] = 2;
    xcb_send_event(connection, 0, Root(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
}

bool IsActive(const QWidget* window) {
    const std::vector<WId> active = RootWindows("_NET_ACTIVE_WINDOW");
    return !active.empty() && active.front() == NativeId(window);
}

} // namespace XWindows
