// Quovix 5: starts the application, creates the start-up forms and runs the
// message loop.
#include "app/power_events.h"
#include "app/taboutfrm.h"
#include "app/tpohjafrm.h"
#include "designer/tinfo.h"
#include "platform/dialogs_in_front.h"
#include "platform/message_box.h"
#include "shell/window_placement.h"
#include "terminal/tportinasetus.h"
#include "terminal/tpuskuriensaato.h"
#include "terminal/tscriptsetup.h"
#include "terminal/tterminaali.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

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

// The forms that live from start-up to the end, created in this order: the main
// window first, because it reads the command line, and the port dialog after it,
// because its speeds depend on factory mode.
struct StartUpForms {
    std::unique_ptr<TPohjafrm> mainWindow = std::make_unique<TPohjafrm>();
    std::unique_ptr<Tpuskuriensaato> buffers = std::make_unique<Tpuskuriensaato>(mainWindow.get());
    std::unique_ptr<TScriptSetup> scriptSetup = std::make_unique<TScriptSetup>();
    // The designers' serial traffic status window, shown by their runs.
    std::unique_ptr<Tinfo> status = std::make_unique<Tinfo>(mainWindow.get());
    std::unique_ptr<Taboutfrm> about = std::make_unique<Taboutfrm>(mainWindow.get());
    std::unique_ptr<Tportinasetus> portSetup = std::make_unique<Tportinasetus>(mainWindow.get());
    // Suspend and resume, and serial devices that come and go, reach the main
    // window as its power and device messages.
    std::unique_ptr<PowerEventSource> power = std::make_unique<PowerEventSource>(mainWindow.get());
    std::unique_ptr<PortEventSource> ports = std::make_unique<PortEventSource>(mainWindow.get());
};
} // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fprintf(stderr, "quovix: no display: set DISPLAY or start it under xvfb-run\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quovix 5");
    InstallModalDialogRules();
    InstallWindowsWithinReach();
    int status = 0;
    try {
        StartUpForms forms;
        // Terminals of the saved layout open without the settings dialog.
        forms.mainWindow->CreateLayoutTerminal = [] { return Tterminaali::CreateTerminal(nullptr, 0); };
        forms.mainWindow->show();
        app.exec();
        status = forms.mainWindow->ExitStatus();
    } catch (const std::exception& error) {
        MessageBox(error.what(), "Quovix 5", MB_OK | MB_ICONERROR);
        status = 1;
    }
    return status;
}
