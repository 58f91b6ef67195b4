#include "firmware/cmassflash_3069.h"
#include "firmware/cmassflash_kz_k10.h"

#include "firmware/firmware_blocks.h"
#include "loader_fixture.h"
#include "platform/program_files.h"
#include "sim/cable_pull.h"
#include "sim/firmware/firmware_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
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
    std::vector<uint8_t> flat = MakeTestImage(128);
    std::vector<uint8_t> image = EncodeFirmwareBlocks(flat, 128);
    image.push_back(0x11);
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

// A block addressed outside the flash would be refused halfway through the load,
// after the erase: the whole image is checked before the port opens.
TEST(H8_3069Refusals, BlocksOutsideTheFlashBeforeThePortOpens) {
    MessageBoxRecorder boxes;
    std::vector<uint8_t> big(0x100080, 0x22);
    std::vector<uint8_t> inside = EncodeFirmwareBlocksFrom(big, 0x7FF80, 0x80000);
    std::vector<uint8_t> outside = EncodeFirmwareBlocksFrom(big, 0x7FF80, 0x80080);
    CMassFlash_3069 engine;
    engine.Port = 40;
    engine.UpdateMode = 1;
    engine.DeviceRow = 5;
    engine.Image = inside.data();
    engine.ImageLength = static_cast<uint32_t>(inside.size());
    EXPECT_EQ(engine.FlashH8_3069(), k3069PortNotOpened);
    engine.Image = outside.data();
    engine.ImageLength = static_cast<uint32_t>(outside.size());
    EXPECT_EQ(engine.FlashH8_3069(), k3069NotValidFile);

    // The module's flash is 1 MiB; the block above its end is refused.
    CMassFlash_KZ_K10 module;
    module.Port = 40;
    module.FileKind = kK10FromSRecords;
    module.Image = outside.data();
    module.ImageLength = static_cast<uint32_t>(outside.size());
    EXPECT_EQ(module.FlashKZ_K10(), k3069PortNotOpened);
    std::vector<uint8_t> beyond = EncodeFirmwareBlocksFrom(big, 0xFFF80, 0x100080);
    ASSERT_EQ(beyond.size(), kFirmwareBlockSize); // the encoder stops at 1 MiB
    beyond.insert(beyond.end(), beyond.begin(), beyond.end());
    beyond[kFirmwareBlockSize + 1] ^= 0x10; // the second header now names 0x1FFF80
    module.Image = beyond.data();
    module.ImageLength = static_cast<uint32_t>(beyond.size());
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

namespace {
using Model = SimulatedLoaderModem::Model;
using Verdict = SimulatedLoaderModem::Verdict;

std::vector<uint8_t> loaderImage(int number) {
    return MakeTestImage(CMassFlash_3069::kLoaderLength, 100 + static_cast<uint32_t>(number));
}

class H8_3069Load : public LoaderFixture {
protected:
    H8_3069Load() {
        SetProgramPathForTests(folder.file("quovix"));
        for (const int number : {0, 2, 3, 4, 5, 6}) {
            const std::vector<uint8_t> image = loaderImage(number);
            std::ofstream(folder.file(CMassFlash_3069::LoaderFile(number)), std::ios::binary)
                .write(reinterpret_cast<const char*>(image.data()),
                       static_cast<std::streamsize>(image.size()));
        }
        engine.Host = &host;
        engine.Clock = &clock;
        engine.Port = kCom;
        engine.ClockHz = 24576000;
    }

    // An update-mode load of the flat image; the rows with a loader of their own
    // take it as encoded blocks.
    uint32_t update(uint32_t row, const std::vector<uint8_t>& flat) {
        engine.UpdateMode = 1;
        engine.DeviceRow = row;
        image_ = flat;
        if (row >= 2)
            image_ = EncodeFirmwareBlocks(image_, static_cast<uint32_t>(flat.size()));
        return run();
    }

    uint32_t boot(const std::vector<uint8_t>& image, uint8_t* bootImage = nullptr) {
        engine.UpdateMode = 0;
        image_ = image;
        engine.BootImage = bootImage;
        return run();
    }

    uint32_t run() {
        engine.Image = image_.data();
        engine.ImageLength = static_cast<uint32_t>(image_.size());
        return engine.FlashH8_3069();
    }

    CMassFlash_3069 engine;
    std::vector<uint8_t> image_;
};

struct UpdateCase {
    uint32_t row;
    int32_t speedIndex;
    int32_t clockHz;
    uint32_t loaderBaud; // the speed the engine must take after the point of no return
    int loaderNumber;    // -1: the row uploads none
};

class H8_3069UpdateLoad : public H8_3069Load, public testing::WithParamInterface<UpdateCase> {};

TEST_P(H8_3069UpdateLoad, WritesTheImageIntoTheModem) {
    const UpdateCase c = GetParam();
    Model model = SimulatedLoaderModem::UpdateRow(c.row);
    model.loaderBaud = c.loaderBaud;
    SimulatedLoaderModem& sim = modem(model);
    engine.SpeedIndex = c.speedIndex;
    engine.ClockHz = c.clockHz;
    engine.FileId = "FW-3069";
    const std::vector<uint8_t> image = MakeTestImage(20 * 1024, c.row + 1);
    ASSERT_EQ(update(c.row, image), k3069Ok) << FlashErrorText3069(engine.Result, engine.LoaderProgress);
    EXPECT_EQ(sim.Memory(0, image.size()), image);
    EXPECT_EQ(sim.Memory(static_cast<uint32_t>(image.size()), 16), std::vector<uint8_t>(16, 0xFF));
    EXPECT_EQ(sim.Loader(), c.loaderNumber < 0 ? std::vector<uint8_t>{} : loaderImage(c.loaderNumber));
    EXPECT_TRUE(sim.EndOfUpdateSeen());
    EXPECT_TRUE(host.cancelLocked);
    EXPECT_EQ(host.dataPosition, image_.size());
    // The upload moves the initialise bar to the loader's length, the wait for the
    // modem's own loader in ten steps to 1740.
    EXPECT_EQ(host.loaderPosition, c.loaderNumber < 0 ? 1740u : CMassFlash_3069::kLoaderLength);
    if (c.loaderNumber < 0) {
        EXPECT_EQ(sim.Zeros(), 0); // no synchronisation on these rows
    }
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(boxes.count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    RowsAndSpeeds, H8_3069UpdateLoad,
    testing::Values(UpdateCase{0, 0, 24576000, 38400, 2}, UpdateCase{0, 1, 25000000, 128000, 4},
                    UpdateCase{0, 1, 33000000, 115200, 4}, UpdateCase{0, 2, 33000000, 9600, 6},
                    UpdateCase{1, 1, 20000000, 128000, 0}, UpdateCase{1, 2, 20000000, 9600, 3},
                    UpdateCase{0, 0, 33000000, 38400, 5}, UpdateCase{7, 1, 33000000, 115200, -1},
                    UpdateCase{14, 0, 24576000, 115200, -1}, UpdateCase{15, 0, 24576000, 38400, -1},
                    UpdateCase{16, 2, 24576000, 115200, -1}),
    [](const auto& info) {
        return "Row" + std::to_string(info.param.row) + "Speed" + std::to_string(info.param.speedIndex) +
               "Clock" + std::to_string(info.param.clockHz);
    });

TEST_F(H8_3069Load, BootModeWritesImageAndBootSection) {
    SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::BootMode());
    const std::vector<uint8_t> image = MakeTestImage(6 * 1024, 3);
    std::vector<uint8_t> section(CMassFlash_3069::kBootImageSize, 0xFF);
    std::fill_n(section.begin() + 0x100, 0x1181, 0x5A); // the last byte in use at 0x1280
    ASSERT_EQ(boot(image, section.data()), k3069Ok);
    EXPECT_EQ(sim.Memory(0, image.size()), image);
    EXPECT_EQ(sim.BootMemory(section.size()), section);
    EXPECT_EQ(sim.FramesReceived(), 48 + 0x1300 / 128);
    EXPECT_EQ(engine.LoaderProgress, 8u);
    EXPECT_FALSE(sim.EndOfUpdateSeen());
    EXPECT_EQ(sim.ErasedBlocks(), std::vector<int>{}); // the boot program erases by itself

    // A section of erased bytes sends only its selection and end; a second run
    // counts its steps from 0 again.
    SimulatedLoaderModem& again = modem(SimulatedLoaderModem::BootMode());
    std::fill(section.begin(), section.end(), 0xFF);
    engine.LoaderProgress = 3;
    ASSERT_EQ(boot(image, section.data()), k3069Ok);
    EXPECT_EQ(again.FramesReceived(), 48);
    EXPECT_EQ(again.EndFrames().size(), 2u);
    EXPECT_EQ(host.loaderPosition, 8u);
}

struct BitRateCase {
    int32_t speedIndex;
    int32_t clockHz;
    std::vector<uint8_t> rateAndFrequency; // frame bytes 2 to 5
};

class H8_3069BitRate : public H8_3069Load, public testing::WithParamInterface<BitRateCase> {};

// The processor takes the rate the frame names for its own crystal; the load goes
// on only when the host's speed matches it.
TEST_P(H8_3069BitRate, FrameNamesTheSpeedTheHostTakes) {
    const BitRateCase c = GetParam();
    Model model = SimulatedLoaderModem::BootMode();
    model.clockHz = c.clockHz;
    SimulatedLoaderModem& sim = modem(model);
    engine.SpeedIndex = c.speedIndex;
    engine.ClockHz = c.clockHz;
    ASSERT_EQ(boot(MakeTestImage(256)), k3069Ok);
    const std::vector<uint8_t> frame = sim.BitRateFrame();
    ASSERT_EQ(frame.size(), 10u);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 2, frame.begin() + 6), c.rateAndFrequency);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 6, frame.end() - 1), (std::vector<uint8_t>{1, 1, 0}));
}

INSTANTIATE_TEST_SUITE_P(SpeedsAndClocks, H8_3069BitRate,
                         testing::Values(BitRateCase{0, 24576000, {0x00, 0xC0, 0x04, 0xCD}},
                                         BitRateCase{1, 33000000, {0x01, 0x80, 0x04, 0x4C}},
                                         BitRateCase{1, 24576000, {0x05, 0x00, 0x09, 0x99}},
                                         BitRateCase{2, 24576000, {0x00, 0x60, 0x09, 0x99}},
                                         BitRateCase{2, 33000000, {0x00, 0x60, 0x0C, 0xE4}}));

struct IdCase {
    uint32_t row;
    uint8_t askOnMismatch;
    uint32_t nmsKind;
    std::string reply;
    bool withHost;
    bool answer;
    uint32_t result;
    size_t questions;
};

class H8_3069Identification : public H8_3069Load, public testing::WithParamInterface<IdCase> {};

TEST_P(H8_3069Identification, ReplyDecidesTheLoad) {
    const IdCase c = GetParam();
    Model model = SimulatedLoaderModem::UpdateRow(c.row);
    model.idReply = c.reply;
    modem(model);
    engine.AskOnMismatch = c.askOnMismatch;
    engine.NmsKind = c.nmsKind;
    engine.Host = c.withHost ? &host : nullptr;
    host.answer = c.answer;
    EXPECT_EQ(update(c.row, MakeTestImage(256)), c.result) << c.reply;
    EXPECT_EQ(host.questions.size(), c.questions);
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, H8_3069Identification,
    testing::Values(
        // The single window refuses an H8/3048 modem without asking, even on row 0.
        IdCase{0, 0, 0, "H3069 OK FLASH OK", true, true, k3069SoftwareNotSuitable, 0},
        IdCase{0, 1, 0, "FLASH OK", true, false, k3069SoftwareNotSuitable, 1},
        IdCase{0, 1, 0, "FLASH OK", true, true, k3069Ok, 1},
        IdCase{0, 1, 0, "FLASH OK", false, false, k3069Ok, 0},
        IdCase{0, 0, 0, "H3069 OK", true, false, k3069Ok, 0}, IdCase{0, 0, 0, "H8OEM OK", true, false, 97, 0},
        IdCase{1, 0, 1, "H7QVUHF+", true, false, k3069Ok, 0}, IdCase{1, 0, 0, "H7QVUHF+", true, false, 97, 0},
        IdCase{1, 0, 3, "H7QVNMS+", true, false, 97, 0}, IdCase{1, 1, 3, "H7QVVHF+", true, false, k3069Ok, 0},
        // An NMS modem on old portable code: No refuses, Yes goes on with the upgrade.
        IdCase{1, 1, 0, "H3069 OK", true, false, k3069SoftwareNotSuitable, 1},
        IdCase{1, 1, 0, "H3069 OK", true, true, k3069Ok, 1}, IdCase{1, 0, 0, "H3069 OK", true, true, 97, 0},
        IdCase{5, 0, 0, "x H8_YAX13 y", true, false, k3069Ok, 0},
        IdCase{5, 0, 0, "H8_YAX14", true, false, 97, 0}, IdCase{15, 0, 0, "H8_ANY", true, false, k3069Ok, 0},
        IdCase{16, 0, 0, "K10_ANY", true, false, k3069Ok, 0}, IdCase{16, 0, 0, "H8_ANY", true, false, 97, 0},
        IdCase{3, 0, 0, "", true, false, k3069NoModem, 0}));

TEST_F(H8_3069Load, EraseCountFollowsTheImageLength) {
    SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::UpdateRow(0));
    ASSERT_EQ(update(0, MakeTestImage(8 * 4096 + 128)), k3069Ok);
    EXPECT_EQ(sim.ErasedBlocks(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    // A block image (132 bytes per 128) may take one block more than its data.
    SimulatedLoaderModem& oem = modem(SimulatedLoaderModem::UpdateRow(2));
    ASSERT_EQ(update(2, MakeTestImage(4096)), k3069Ok);
    EXPECT_EQ(oem.ErasedBlocks(), (std::vector<int>{0, 1}));
    SimulatedLoaderModem& full = modem(SimulatedLoaderModem::UpdateRow(0));
    ASSERT_EQ(update(0, MakeTestImage(0x80000 + 128)), k3069Ok);
    EXPECT_EQ(full.ErasedBlocks().size(), 16u);
}

// A pulled cable ends the load within 2 s with the port-failure code, whether the
// modem was taking frames or the engine was waiting; a modem that merely stays
// silent in the erase keeps the wait of its 2000 reply polls and ends with 81.
TEST_F(H8_3069Load, DeviceGoneEndsWithinTwoSecondsWhileSilenceKeepsItsWaits) {
    CablePull cable(clock, [this] { return modem_ ? &modem_->Port() : nullptr; });
    // In the wait after opening, and in the frames (from about 4.2 s on).
    for (const auto goneAfter : {std::chrono::milliseconds(300), std::chrono::milliseconds(6000)}) {
        modem(SimulatedLoaderModem::UpdateRow(7));
        const auto start = clock.Elapsed();
        cable.After(goneAfter);
        EXPECT_EQ(update(7, MakeTestImage(0x8000)), k3069PortFailure) << goneAfter.count();
        EXPECT_LT(clock.Elapsed() - start, goneAfter + std::chrono::seconds(2)) << goneAfter.count();
        EXPECT_EQ(engine.DataProgress > 0, goneAfter > std::chrono::seconds(1)) << goneAfter.count();
    }
    EXPECT_TRUE(host.informed.empty());
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(FlashErrorText3069(k3069PortFailure, 0), "Port failure!");

    modem(SimulatedLoaderModem::UpdateRow(7)).faults.eraseSilent = true;
    const auto start = clock.Elapsed();
    EXPECT_EQ(update(7, MakeTestImage(0x8000)), k3069EraseError);
    EXPECT_GE(clock.Elapsed() - start, std::chrono::milliseconds(2000 * 11));
}

TEST_F(H8_3069Load, RejectedFramesAreSentAgainUpToTheLimit) {
    modem(SimulatedLoaderModem::UpdateRow(2)).faults.verdict = [](int frame, int attempt) {
        return frame == 1 && attempt < 10 ? Verdict::SumError : Verdict::Ack;
    };
    EXPECT_EQ(update(2, MakeTestImage(512)), k3069Ok);
    EXPECT_EQ(modem_->FramesReceived(), 4 + 10);

    modem(SimulatedLoaderModem::UpdateRow(2)).faults.verdict = [](int frame, int) {
        return frame == 1 ? Verdict::SumError : Verdict::Ack;
    };
    EXPECT_EQ(update(2, MakeTestImage(512)), k3069PacketFailure);
    EXPECT_EQ(modem_->FramesReceived(), 2 + 10);

    // Another error code is not cured by sending again.
    modem(SimulatedLoaderModem::UpdateRow(2)).faults.verdict = [](int frame, int) {
        return frame == 0 ? Verdict::OtherError : Verdict::Ack;
    };
    EXPECT_EQ(update(2, MakeTestImage(512)), k3069PacketFailure);
    EXPECT_EQ(modem_->FramesReceived(), 1);
    EXPECT_EQ(FlashErrorText3069(k3069PacketFailure, 0),
              "ERROR: Data packet (128 bytes) programming failure !");
}

TEST_F(H8_3069Load, LoaderFaultsEndWithTheirCodes) {
    const auto withFault = [&](uint32_t row,
                               const std::function<void(SimulatedLoaderModem::Faults&)>& fault) {
        fault(modem(SimulatedLoaderModem::UpdateRow(row)).faults);
        return update(row, MakeTestImage(512));
    };
    EXPECT_EQ(withFault(0, [](auto& f) { f.enqsIgnored = 47; }), k3069Ok);
    EXPECT_EQ(withFault(0, [](auto& f) { f.enqsIgnored = 48; }), k3069NoEnqReply); // ACK to the 49th ENQ
    EXPECT_EQ(withFault(9, [](auto& f) { f.enqsIgnored = 48; }), k3069NoEnqReply);
    EXPECT_EQ(withFault(0, [](auto& f) { f.wrongLoaderCrc = true; }), k3069WrongLoaderCrc);
    EXPECT_EQ(withFault(0, [](auto& f) { f.wrongLengthEcho = true; }), k3069NoResponse);
    EXPECT_EQ(withFault(1, [](auto& f) { f.wrongLoaderEchoAt = 1000; }), k3069WrongLoaderEcho);
    EXPECT_EQ(withFault(0, [](auto& f) { f.zerosBeforeSync = 0; }), k3069NoModem);
    EXPECT_EQ(modem_->Zeros(), 31); // the pause after a round does not renew the count
    EXPECT_EQ(withFault(0, [](auto& f) { f.zerosBeforeSync = 29; }), k3069Ok);
    EXPECT_EQ(withFault(0, [](auto& f) { f.syncAnswer = 0x01; }), k3069NoModem);
    EXPECT_EQ(modem_->Zeros(), 2); // a wrong answer, a pause and one more
    EXPECT_EQ(withFault(2, [](auto& f) { f.eraseRefusedAt = -1; }), k3069EraseError);
    EXPECT_EQ(withFault(2, [](auto& f) { f.eraseRefusedAt = 0; }), k3069EraseError);
    EXPECT_EQ(withFault(2, [](auto& f) { f.eraseRefusedAt = 0xFF; }), k3069EraseError);
    EXPECT_EQ(withFault(2, [](auto& f) { f.selectRefused = true; }), k3069ProgrammingError);
    EXPECT_EQ(withFault(2, [](auto& f) { f.endRefused = true; }), k3069PacketFailure);
    EXPECT_EQ(withFault(4, [](auto& f) { f.silentIdAttempts = 1; }), k3069Ok);
    EXPECT_EQ(withFault(4, [](auto& f) { f.silentIdAttempts = 2; }), k3069NoModem);
    EXPECT_EQ(withFault(4, [](auto& f) { f.chatterTurns = 10; }), k3069Ok);
    EXPECT_EQ(withFault(4, [](auto& f) { f.chatterTurns = 1000; }), k3069StartFailure);
    EXPECT_EQ(host.informed, std::vector<std::string>{});
    EXPECT_EQ(FlashErrorText3069(k3069StartFailure, 0), "ERROR: Modem start failure");
}

TEST_F(H8_3069Load, FirmwareIdAndWakeUp) {
    const auto withId = [&](uint32_t row, const std::string& fileId,
                            const std::function<void(SimulatedLoaderModem::Faults&)>& fault = {}) {
        SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::UpdateRow(row));
        if (fault)
            fault(sim.faults);
        engine.FileId = fileId;
        return update(row, MakeTestImage(256));
    };
    EXPECT_EQ(withId(15, "FW-3069-A"), k3069Ok);
    EXPECT_EQ(withId(16, ""), k3069Ok);
    EXPECT_EQ(withId(15, "FW-3069-B"), k3069WrongModemType);
    EXPECT_EQ(withId(16, "FW", [](auto& f) { f.nmsBadCrc = true; }), k3069NmsCrcError);
    EXPECT_EQ(withId(15, "FW", [](auto& f) { f.nmsSilent = true; }), k3069NmsNotReceived);
    EXPECT_EQ(withId(14, "", [this](auto&) { modem_->model.wakeUpAnswer.clear(); }), k3069NmsNotReceived);
    EXPECT_EQ(withId(14, "FW-3069-B"), k3069Ok); // row 14 reads no firmware id
    EXPECT_EQ(FlashErrorText3069(k3069WrongModemType, 0), "ERROR: Wrong modem type for this firmware !");
    EXPECT_EQ(FlashErrorText3069(k3069NmsCrcError, 0), "ERROR: NMS msg crc error !");
}

TEST_F(H8_3069Load, BootModeFaults) {
    const auto withFault = [&](const std::function<void(SimulatedLoaderModem::Faults&)>& fault) {
        fault(modem(SimulatedLoaderModem::BootMode()).faults);
        host.informed.clear();
        return boot(MakeTestImage(256));
    };
    EXPECT_EQ(withFault([](auto& f) { f.bitRateAnswer = 0xAA; }), k3069NoReplyTo55);
    EXPECT_EQ(withFault([](auto& f) { f.zerosBeforeSync = 0; }), k3069NoModem);
    // The device selection refused with an error code: the code is shown, one step
    // passed.
    EXPECT_EQ(withFault([](auto& f) { f.bootStepRefused = 2; }), k3069InitializationError);
    EXPECT_EQ(host.informed, std::vector<std::string>{"-18"});
    EXPECT_EQ(FlashErrorText3069(k3069InitializationError, engine.LoaderProgress),
              "ERROR: Initialization error ! 1");
    EXPECT_EQ(withFault([](auto& f) { f.bootStepRefused = 5; }), k3069InitializationError);
    EXPECT_TRUE(host.informed.empty());
    EXPECT_EQ(engine.LoaderProgress, 4u);
    EXPECT_EQ(withFault([](auto& f) { f.bootStepRefused = 9; }), k3069InitializationError);
    EXPECT_EQ(engine.LoaderProgress, 8u);
    EXPECT_EQ(withFault([](auto& f) { f.selectRefused = true; }), k3069ProgrammingError);
}

TEST_F(H8_3069Load, StopIsHonouredUntilTheEraseAndNotAfter) {
    modem(SimulatedLoaderModem::UpdateRow(0));
    host.onDataProgress = nullptr;
    clock.OnSleep([&] {
        if (modem_->Zeros() > 0)
            engine.StopRequested = 1;
    });
    EXPECT_EQ(update(0, MakeTestImage(1024)), k3069UserInterrupted);
    EXPECT_FALSE(host.cancelLocked);
    EXPECT_TRUE(modem_->ErasedBlocks().empty());

    engine.StopRequested = 0;
    SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::UpdateRow(3));
    host.onDataProgress = [&](uint32_t) { engine.StopRequested = 1; };
    const std::vector<uint8_t> image = MakeTestImage(1024);
    EXPECT_EQ(update(3, image), k3069Ok);
    EXPECT_EQ(sim.Memory(0, image.size()), image);
}

TEST_F(H8_3069Load, StopAnswersAQuestionNoWithoutAsking) {
    Model model = SimulatedLoaderModem::UpdateRow(0);
    model.idReply = "FLASH OK";
    modem(model);
    engine.AskOnMismatch = 1;
    host.answer = true;
    clock.OnSleep([&] {
        if (clock.Elapsed() > std::chrono::milliseconds(2100)) // after the stop check, before the reply
            engine.StopRequested = 1;
    });
    EXPECT_EQ(update(0, MakeTestImage(256)), k3069SoftwareNotSuitable);
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(H8_3069Load, BoardNotInPlace) {
    modem(SimulatedLoaderModem::UpdateRow(2)).Port().SetDsr(false);
    engine.DsrCheck = 1;
    EXPECT_EQ(update(2, MakeTestImage(256)), k3069BoardNotInPlace);
    engine.DsrCheck = 0;
    modem(SimulatedLoaderModem::UpdateRow(2)).Port().SetDsr(false);
    EXPECT_EQ(update(2, MakeTestImage(256)), k3069Ok);
}

// The end of a block image carries a random byte in its masked header; the end of
// a plain image is always the same.
TEST_F(H8_3069Load, EndFrames) {
    std::vector<std::vector<uint8_t>> ends;
    for (int run = 0; run < 4; ++run) {
        SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::UpdateRow(2));
        ASSERT_EQ(update(2, MakeTestImage(128)), k3069Ok);
        ends.push_back(sim.EndFrames().at(0));
    }
    EXPECT_TRUE(std::any_of(ends.begin(), ends.end(), [&](const auto& end) { return end != ends[0]; }));
    SimulatedLoaderModem& plain = modem(SimulatedLoaderModem::UpdateRow(0));
    ASSERT_EQ(update(0, MakeTestImage(128)), k3069Ok);
    EXPECT_EQ(plain.EndFrames().at(0), (std::vector<uint8_t>{'P', 0xFF, 0xFF, 0xFF, 0xFF, 0xB4}));
}
} // namespace
