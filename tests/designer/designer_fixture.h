#pragma once
// A program folder of the test's own holding the fixture modem-type files, with
// message boxes recorded instead of shown. NMS transfers wait only while a
// simulated modem has work.

#include "designer/designer_nms.h"
#include "platform/program_files.h"
#include "sim/simulated_modems_clock.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

class DesignerFolderTest : public testing::Test {
protected:
    void SetUp() override {
        SetProgramPathForTests(folder.file("quovix"));
        SetDesignerNmsClockForTests(&modemsClock);
    }
    void TearDown() override {
        SetDesignerNmsClockForTests(nullptr);
        SetProgramPathForTests("");
    }

    // Copies a fixture modem-type file into the program folder, under another name
    // when one is given.
    void AddTypeFile(const std::string& fixture, const std::string& as = "") {
        std::filesystem::copy_file(std::string(QUOVIX_TEST_DATA) + "/smf/" + fixture,
                                   folder.file(as.empty() ? fixture : as));
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
    SimulatedModemsClock modemsClock;
};
