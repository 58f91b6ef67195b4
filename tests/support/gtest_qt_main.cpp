// The main of every test program: a QApplication on the offscreen platform, so GUI
// tests open real windows without a display, then GoogleTest. The platform is
// chosen before the application object exists; listing the tests (CTest's
// discovery) makes no application at all.
#include "platform/portmap.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>

namespace {
bool onlyListing(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            return true;
    return false;
}
} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (onlyListing(argc, argv))
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quovix 5");
    // COM numbers reach only the links and virtual ports a test makes, never a
    // device of the machine.
    SetSerialDevicesForTests({});
    return RUN_ALL_TESTS();
}
