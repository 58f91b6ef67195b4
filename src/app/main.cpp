// Quovix 5: starts the application and its main window.
#include "app/tpohjafrm.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {
// Qt's own message for a missing display is long and names plugins; say it in one
// line instead.
bool displayAvailable() {
    const auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}
} // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fprintf(stderr, "quovix: no display: set DISPLAY or start it under xvfb-run\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quovix 5");
    TPohjafrm mainWindow;
    mainWindow.show();
    return app.exec();
}
