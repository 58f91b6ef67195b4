#pragma once
// A program folder of the test's own holding the fixture modem-type files, with
// message boxes recorded instead of shown.

#include "platform/program_files.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

class DesignerFolderTest : public testing::Test {
protected:
    void SetUp() override { SetProgramPathForTests(folder.file("quovix")); }
    void TearDown() override { SetProgramPathForTests(""); }

    // Copies a fixture modem-type file into the program folder, under another name
    // when one is given.
    void AddTypeFile(const std::string& fixture, const std::string& as = "") {
        std::filesystem::copy_file(std::string(QUOVIX_TEST_DATA) + "/smf/" + fixture,
                                   folder.file(as.empty() ? fixture : as));
    }

    TempFolder folder;
    MessageBoxRecorder boxes;
};
