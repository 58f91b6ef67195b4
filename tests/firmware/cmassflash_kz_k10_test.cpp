#include "firmware/cmassflash_kz_k10.h"

#include "firmware/firmware_blocks.h"
#include "loader_fixture.h"
#include "sim/firmware/firmware_test_files.h"

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace {
using Verdict = SimulatedLoaderModem::Verdict;

class K10Load : public LoaderFixture {
protected:
    K10Load() {
        engine.Host = &host;
        engine.Clock = &clock;
        engine.Port = kCom;
        engine.UpdateMode = 1;
        engine.CheckModuleId = 1;
    }

    // A load of the flat image's bytes from the address start on, as encoded blocks.
    uint32_t load(uint32_t kind, const std::vector<uint8_t>& flat, uint32_t start = 0) {
        engine.FileKind = kind;
        std::vector<uint8_t> scrambled = flat;
        image_ = EncodeFirmwareBlocksFrom(scrambled, start, static_cast<uint32_t>(flat.size()));
        engine.Image = image_.data();
        engine.ImageLength = static_cast<uint32_t>(image_.size());
        return engine.FlashKZ_K10();
    }

    CMassFlash_KZ_K10 engine;
    std::vector<uint8_t> image_;
};

class K10KindLoad : public K10Load, public testing::WithParamInterface<uint32_t> {};

TEST_P(K10KindLoad, WritesTheImageIntoTheModule) {
    SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::K10Module());
    const std::vector<uint8_t> application = MakeTestImage(0x100, 9);
    sim.Preload(0, application);
    engine.FileId = GetParam() == kK10FromProtectedFile ? "KZ-K10" : "";
    std::vector<uint8_t> flat(0x90000, 0xFF);
    const std::vector<uint8_t> data = MakeTestImage(0x10000, GetParam());
    std::copy(data.begin(), data.end(), flat.begin() + 0x80000);
    ASSERT_EQ(load(GetParam(), flat, 0x80000), k3069Ok) << FlashErrorTextKZ_K10(engine.Result, 0);
    EXPECT_EQ(sim.Memory(0x80000, data.size()), data);
    // Only the block that holds the image's addresses (block 16, 0x80000 to 0x8FFFF)
    // is erased; the blocks below keep what they held.
    EXPECT_EQ(sim.ErasedBlocks(), std::vector<int>{16});
    EXPECT_EQ(sim.Memory(0, 0x100), application);
    EXPECT_TRUE(sim.EndOfUpdateSeen());
    EXPECT_TRUE(host.cancelLocked);
    EXPECT_EQ(host.loaderPosition, 1740u);
    EXPECT_EQ(host.dataPosition, image_.size());
    EXPECT_TRUE(host.informed.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, K10KindLoad, testing::Values(kK10FromSRecords, kK10FromProtectedFile));

TEST_F(K10Load, WakeUpAnswersByKind) {
    const auto withAnswer = [&](uint32_t kind, const std::string& answer) {
        modem(SimulatedLoaderModem::K10Module()).model.wakeUpAnswer = answer;
        host.informed.clear();
        return load(kind, MakeTestImage(256));
    };
    EXPECT_EQ(withAnswer(kK10FromSRecords, "!"), k3069Ok);
    EXPECT_EQ(withAnswer(kK10FromProtectedFile, "!"), k3069NmsNotReceived);
    EXPECT_TRUE(host.informed.empty());
    EXPECT_EQ(withAnswer(kK10FromSRecords, ""), k3069NmsNotReceived);
    EXPECT_EQ(host.informed, std::vector<std::string>{"mets\xE4\xE4n meni!!"});
}

TEST_F(K10Load, FirmwareIdOfProtectedFilesOnly) {
    modem(SimulatedLoaderModem::K10Module());
    engine.FileId = "KZ-K11";
    EXPECT_EQ(load(kK10FromProtectedFile, MakeTestImage(256)), k3069WrongModemType);
    EXPECT_EQ(host.informed, std::vector<std::string>{"flash failed: KZ-K10-BKZ-K11"});
    modem(SimulatedLoaderModem::K10Module());
    EXPECT_EQ(load(kK10FromSRecords, MakeTestImage(256)), k3069Ok);
    modem(SimulatedLoaderModem::K10Module()).faults.nmsBadCrc = true;
    engine.FileId = "";
    EXPECT_EQ(load(kK10FromProtectedFile, MakeTestImage(256)), k3069NmsCrcError);
}

TEST_F(K10Load, IdentificationNeedsTheModuleId) {
    modem(SimulatedLoaderModem::K10Module());
    engine.CheckModuleId = 0;
    EXPECT_EQ(load(kK10FromSRecords, MakeTestImage(256)), k3069WrongReply);
    engine.CheckModuleId = 1;
    modem(SimulatedLoaderModem::K10Module()).model.idReply = "H8_YAX21 OK";
    EXPECT_EQ(load(kK10FromSRecords, MakeTestImage(256)), k3069WrongReply);
    modem(SimulatedLoaderModem::K10Module()).faults.silentIdAttempts = 2;
    EXPECT_EQ(load(kK10FromSRecords, MakeTestImage(256)), k3069NoModem);
}

// The erase covers the blocks from the one that holds the image's lowest address to
// the one that holds its highest.
TEST_F(K10Load, EraseCoversTheImageAddresses) {
    struct Case {
        uint32_t start;
        uint32_t end;
        std::vector<int> blocks;
    };
    const std::vector<Case> cases{
        {0, 128, {0}},
        {0, 0x8000 + 128, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {0x40000, 0x41000, {12}},
        {0x7FF80, 0x80080, {15, 16}},
        {0x4F80, 0x8080, {4, 5, 6, 7, 8}},
        {0, 0x100000, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}},
    };
    for (const Case& c : cases) {
        SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::K10Module());
        std::vector<uint8_t> flat(c.end, 0xFF);
        const std::vector<uint8_t> data = MakeTestImage(c.end - c.start);
        std::copy(data.begin(), data.end(), flat.begin() + c.start);
        ASSERT_EQ(load(kK10FromSRecords, flat, c.start), k3069Ok) << c.start;
        EXPECT_EQ(sim.ErasedBlocks(), c.blocks) << c.start;
        EXPECT_EQ(sim.Memory(c.start, data.size()), data) << c.start;
    }
}

// A pulled cable ends the load at once with the port-failure code and no notice;
// a module that merely stays silent keeps its waits (1000 reply polls).
TEST_F(K10Load, DeviceGoneEndsAtOnceWhileSilenceKeepsItsWaits) {
    SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::K10Module());
    std::optional<std::chrono::milliseconds> goneAt;
    host.onDataProgress = [&](uint32_t position) {
        if (position >= 3 * kFirmwareBlockSize && !goneAt) {
            sim.Port().Vanish();
            goneAt = clock.Elapsed();
        }
    };
    EXPECT_EQ(load(kK10FromSRecords, MakeTestImage(0x4000)), k3069PortFailure);
    ASSERT_TRUE(goneAt);
    EXPECT_LT(clock.Elapsed() - *goneAt, std::chrono::seconds(2));
    EXPECT_TRUE(host.informed.empty());
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(FlashErrorTextKZ_K10(k3069PortFailure, 0), "Port failure!");

    host.onDataProgress = nullptr;
    modem(SimulatedLoaderModem::K10Module()).faults.verdict = [](int frame, int) {
        return frame == 2 ? Verdict::Silence : Verdict::Ack;
    };
    const auto start = clock.Elapsed();
    EXPECT_EQ(load(kK10FromSRecords, MakeTestImage(0x4000)), k3069PacketFailure);
    EXPECT_GE(clock.Elapsed() - start, std::chrono::milliseconds(1000 * 11));
    EXPECT_EQ(host.informed, std::vector<std::string>{"flash failed: 0x50 v\xE4\xE4rin!!"});
}

// Each failing step shows its notice before the run ends with its code.
TEST_F(K10Load, FailingStepsShowTheirNotices) {
    const auto withFault = [&](const std::function<void(SimulatedLoaderModem::Faults&)>& fault) {
        fault(modem(SimulatedLoaderModem::K10Module()).faults);
        host.informed.clear();
        return load(kK10FromSRecords, MakeTestImage(512));
    };
    const auto notice = [&] { return host.informed.empty() ? std::string() : host.informed.back(); };
    EXPECT_EQ(withFault([](auto& f) { f.eraseRefusedAt = -1; }), k3069EraseError);
    EXPECT_EQ(notice(), "flash failed: 0x48 1 v\xE4\xE4rin!!");
    EXPECT_EQ(withFault([](auto& f) { f.eraseRefusedAt = 0; }), k3069EraseError);
    EXPECT_EQ(notice(), "flash failed: 0x58 1 v\xE4\xE4rin!!");
    EXPECT_EQ(withFault([](auto& f) { f.eraseRefusedAt = 0xFF; }), k3069EraseError);
    EXPECT_EQ(notice(), "flash failed: 0x58 2 v\xE4\xE4rin!!");
    EXPECT_EQ(withFault([](auto& f) { f.selectRefused = true; }), k3069ProgrammingError);
    EXPECT_EQ(notice(), "flash failed: 0x43 v\xE4\xE4rin!!");
    EXPECT_EQ(withFault([](auto& f) {
                  f.verdict = [](int frame, int) { return frame == 2 ? Verdict::OtherError : Verdict::Ack; };
              }),
              k3069PacketFailure);
    EXPECT_EQ(notice(), "flash failed: 0x50 v\xE4\xE4rin!!");
    EXPECT_EQ(withFault([](auto& f) { f.enqsIgnored = 48; }), k3069NoEnqReply);
    EXPECT_EQ(notice(), "ENQ v\xE4\xE4rin!!");
    EXPECT_EQ(withFault([](auto& f) { f.endRefused = true; }), k3069PacketFailure);
    EXPECT_EQ(notice(), "");
    EXPECT_EQ(withFault([](auto& f) { f.chatterTurns = 1000; }), k3069StartFailure);
}

// The stop request is looked at once, after the wake-up.
TEST_F(K10Load, StopIsLookedAtOnce) {
    modem(SimulatedLoaderModem::K10Module());
    engine.StopRequested = 1;
    EXPECT_EQ(load(kK10FromSRecords, MakeTestImage(256)), k3069UserInterrupted);
    EXPECT_EQ(FlashErrorTextKZ_K10(k3069UserInterrupted, 0), "User interrupted flashing!");

    engine.StopRequested = 0;
    SimulatedLoaderModem& sim = modem(SimulatedLoaderModem::K10Module());
    const auto start = clock.Elapsed();
    clock.OnSleep([&] {
        if (clock.Elapsed() - start > std::chrono::milliseconds(300)) // after the wake-up
            engine.StopRequested = 1;
    });
    const std::vector<uint8_t> image = MakeTestImage(1024);
    EXPECT_EQ(load(kK10FromSRecords, image), k3069Ok);
    EXPECT_EQ(sim.Memory(0, image.size()), image);
}
} // namespace
