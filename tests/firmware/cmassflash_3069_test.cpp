#include "firmware/cmassflash_3069.h"
#include "firmware/cmassflash_kz_k10.h"

#include "platform/program_files.h"
#include "sim/firmware/recording_flash_host.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

TEST(H8_3069LoaderChoice, BySpeedIndexAndClock) {
    CMassFlash_3069 engine;
    const auto number = [&](int speedIndex, int clockHz) {
        engine.SpeedIndex = speedIndex;
        engine.ClockHz = clockHz;
        return engine.LoaderNumber();
    };
    EXPECT_EQ(number(0, 24576000), 2);
    EXPECT_EQ(number(0, 25000000), 5);
    EXPECT_EQ(number(1, 24999999), 0);
    EXPECT_EQ(number(1, 25000000), 4);
    EXPECT_EQ(number(2, 20000000), 3);
    EXPECT_EQ(number(2, 33000000), 6);
    EXPECT_EQ(number(3, 33000000), -1);
    EXPECT_EQ(number(-1, 33000000), -1);
}

// Images that would erase the modem and program nothing, or whose frames would be
// read past their end, are refused before the port is opened.
TEST(H8_3069Refusals, EmptyImagesAndCutBlocksBeforeThePortOpens) {
    MessageBoxRecorder boxes;
    std::vector<uint8_t> image(133, 0x11);
    CMassFlash_3069 engine;
    engine.Port = 40; // no such port: a refusal that got past the checks would give 48
    engine.Image = image.data();
    engine.ImageLength = 0;
    EXPECT_EQ(engine.FlashH8_3069(), k3069NotValidFile);
    engine.UpdateMode = 1;
    engine.DeviceRow = 5;
    engine.ImageLength = 133;
    EXPECT_EQ(engine.FlashH8_3069(), k3069NotValidFile);
    engine.ImageLength = 132;
    EXPECT_EQ(engine.FlashH8_3069(), k3069PortNotOpened);
    engine.DeviceRow = CMassFlash_3069::kRowCount;
    EXPECT_EQ(engine.FlashH8_3069(), k3069NotValidFile);

    CMassFlash_KZ_K10 module;
    RecordingHost host;
    module.Host = &host;
    module.Port = 40;
    module.Image = image.data();
    module.ImageLength = 132;
    module.FileKind = 16;
    EXPECT_EQ(module.FlashKZ_K10(), k3069PortNotOpened);
    EXPECT_EQ(host.informed, std::vector<std::string>{"Wrong device type!!"});
    module.FileKind = kK10FromSRecords;
    module.ImageLength = 0;
    EXPECT_EQ(module.FlashKZ_K10(), k3069NotValidFile);
    module.ImageLength = 264 + 1;
    EXPECT_EQ(module.FlashKZ_K10(), k3069NotValidFile);
}

TEST(H8_3069Refusals, MissingOrShortLoaderImageIsNamed) {
    MessageBoxRecorder boxes;
    TempFolder folder;
    SetProgramPathForTests(folder.file("quovix"));
    std::vector<uint8_t> image(128, 0x11);
    CMassFlash_3069 engine;
    engine.UpdateMode = 1;
    engine.SpeedIndex = 1;
    engine.ClockHz = 33000000;
    engine.Image = image.data();
    engine.ImageLength = 128;
    const uint32_t code = engine.FlashH8_3069();
    EXPECT_EQ(code, k3069LoaderMissing + 4);
    EXPECT_EQ(FlashErrorText3069(code, 0),
              "ERROR: Loader image h8_3069_loader_fast_from_25mhz.bin is missing "
              "beside the program or is not 1748 bytes long!");
    std::ofstream(folder.file(CMassFlash_3069::LoaderFile(4)), std::ios::binary) << std::string(1747, 'x');
    EXPECT_EQ(engine.FlashH8_3069(), k3069LoaderMissing + 4);
}

TEST(H8_3069ErrorTexts, SharedByBothEngines) {
    EXPECT_EQ(FlashErrorText3069(0, 0), "Programming completed successfully!");
    EXPECT_EQ(FlashErrorText3069(101, 5), "ERROR: Initialization error ! 5");
    EXPECT_EQ(FlashErrorTextKZ_K10(101, 1), "ERROR: Initialization error ! 1");
    EXPECT_EQ(FlashErrorTextKZ_K10(113, 0), "ERROR: Board not in plase ! ");
    EXPECT_EQ(FlashErrorText3069(65534, 0), "Port failure!");
    EXPECT_EQ(FlashErrorText3069(65535, 0), "Port not enabled!");
    EXPECT_EQ(FlashErrorText3069(7777, 0), "ERROR: Unknown error occured!");
}
} // namespace
