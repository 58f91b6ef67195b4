#pragma once
// Runs the main window from a folder of the test's own, with its settings file
// there, and records every message box.

#include "app/port_handover.h"
#include "app/tpohjafrm.h"
#include "platform/program_files.h"
#include "platform/tinifile.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

// A hand-over clock whose waits (after a resume, between retries) pass at once.
class NoWaitClock : public HandoverClock {
public:
    void wait(int) override {}
};

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() { SetProgramPathForTests(folder.file("quovix")); }
    ~MainWindowTest() override { SetProgramPathForTests(""); }

    std::unique_ptr<TPohjafrm> open(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.begin(), folder.file("quovix"));
        auto window = std::make_unique<TPohjafrm>(arguments);
        window->show();
        QCoreApplication::processEvents();
        return window;
    }

    TIniFile settings() const { return TIniFile(SettingsFileName()); }

    TempFolder folder;
    MessageBoxRecorder boxes;
};
