// The main of the tests under a window manager: each run starts a display of its
// own with openbox on it, runs the tests there on Qt's X11 platform and ends both.
// Listing the tests (CTest's discovery) starts nothing.
#include "platform/dialogs_in_front.h"
#include "platform/portmap.h"
#include "shell/window_placement.h"
#include "support/test_listing.h"
#include "x_display_session.h"
#include "x_windows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

constexpr int kWindowManagerStartMs = 10000;
constexpr int kProbeMs = 500;

// True once the window manager manages a window shown now. While it starts it may
// drop a window shown too early: the probe is shown again until one is managed.
bool WindowManagerReady() {
    QWidget probe;
    QDeadlineTimer deadline(kWindowManagerStartMs);
    while (!deadline.hasExpired()) {
        probe.show();
        if (QTest::qWaitFor([&] { return XWindows::IsManaged(&probe); }, kProbeMs))
            return true;
        probe.hide();
    }
    return false;
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
// On an X display Qt connects to the session's D-Bus (accessibility, theme), and
// libdbus keeps a read buffer of that connection to the end of the process: not
// our allocation, and none we could free. The leak check at exit leaves it out.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
#endif

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (OnlyListingTests())
        return RUN_ALL_TESTS();
    std::optional<XDisplaySession> session;
    try {
        session.emplace();
    } catch (const std::exception& failure) {
        std::cerr << "No display with a window manager: " << failure.what() << "\n";
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // The windows draw without OpenGL; leaving its integration out keeps Xlib and
    // the GL driver, which the sanitizers cannot see into, out of the process.
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quovix 5");
    InstallModalDialogRules();
    InstallWindowsWithinReach();
    if (!WindowManagerReady()) {
        std::cerr << "openbox did not start on " << session->Display() << "\n";
        return 1;
    }
    SetSerialDevicesForTests({});
    return RUN_ALL_TESTS();
}
