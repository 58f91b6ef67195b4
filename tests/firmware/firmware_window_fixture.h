#pragma once
// What the firmware window tests share: a stand-in main window, a program folder of
// their own with the H8/3048 loader images, simulated H8/3048 modems on virtual
// ports answering in the virtual time the windows' loads run in, a firmware file
// and answered message boxes and file dialogs.

#include "firmware/cmassflash.h"
#include "platform/file_dialogs.h"
#include "platform/program_files.h"
#include "sim/firmware/firmware_test_files.h"
#include "sim/firmware/flash_window_sim.h"
#include "support/fake_main_window.h"
#include "support/file_text.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class FirmwareWindowFixture : public testing::Test {
protected:
    static constexpr int kWaitMs = 20000;

    FirmwareWindowFixture() {
        SetProgramPathForTests(folder.file("quovix"));
        writeFile(CMassFlash::kFastLoaderFile, fastLoader);
        writeFile(CMassFlash::kSlowLoaderFile, MakeTestLoader(2));
        SetFileDialogResponder([this](const FileDialogRequest& request) {
            dialogs.push_back(request);
            return chosenFile;
        });
    }

    ~FirmwareWindowFixture() override {
        SetFileDialogResponder(nullptr);
        SetProgramPathForTests("");
    }

    std::string writeFile(const std::string& name, const std::string& text) {
        const std::string path = folder.file(name);
        WriteFileText(path, text);
        return path;
    }

    std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        return writeFile(name, std::string(bytes.begin(), bytes.end()));
    }

    // A boot-mode modem answering on COM comNumber.
    SimulatedH8_3048& attachModem(int comNumber, bool updateMode = false) {
        modems.push_back(&sim.AttachModem(comNumber, updateMode, fastLoader));
        return *modems.back();
    }

    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kWaitMs); }

    // A box shown while closing, its text up to the first line end, and whether the
    // interrupt question was open at the time.
    using ShownBox = std::pair<std::string, bool>;
    static constexpr const char* kInterruptQuestion =
        "Do you really want to interrupt FLASH-memory programming ??";

    // Closes the window; the interrupt question's own event loop runs until the load
    // has ended, and then the question is answered Yes. Every other box is answered OK.
    std::vector<ShownBox> closeAnsweringYesOnceEnded(QWidget* window, const std::function<bool()>& ended) {
        std::mutex mutex;
        std::vector<ShownBox> shown;
        std::atomic<bool> asking = false;
        SetMessageBoxResponder([&](const MessageBoxRequest& request) {
            {
                std::lock_guard lock(mutex);
                shown.emplace_back(request.text.substr(0, request.text.find('\r')), asking.load());
            }
            if (request.text != kInterruptQuestion)
                return int{IDOK};
            asking = true;
            EXPECT_TRUE(waitFor(ended));
            asking = false;
            return int{IDYES};
        });
        window->close();
        SetMessageBoxResponder([](const MessageBoxRequest&) { return int{IDOK}; });
        return shown;
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    const std::vector<uint8_t> fastLoader = MakeTestLoader(1);
    // Declared before the main window, whose windows' loads it serves.
    FlashWindowSim sim;
    std::vector<SimulatedH8_3048*> modems;
    FakeMainWindow main;
    std::optional<std::string> chosenFile;
    std::vector<FileDialogRequest> dialogs;
};
