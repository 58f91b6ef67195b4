// The main of every test program: a QApplication on the offscreen platform, so GUI
// tests open real windows without a display, then GoogleTest. The platform is
// chosen before the application object exists; listing the tests (CTest's
// discovery) makes no application at all.
#include "platform/dialogs_in_front.h"
#include "platform/portmap.h"
#include "support/port_close_wait.h"
#include "support/test_listing.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (OnlyListingTests())
        return RUN_ALL_TESTS();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quovix 5");
    InstallModalDialogRules();
    // COM numbers reach only the links and virtual ports a test makes, never a
    // device of the machine.
    SetSerialDevicesForTests({});
    SetCommPortCloseClockForTests(&PassingWaitClock::Instance());
    return RUN_ALL_TESTS();
}
