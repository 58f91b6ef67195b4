#include "firmware/cmassflash.h"

#include "platform/program_files.h"
#include "sim/cable_pull.h"
#include "sim/firmware/firmware_test_files.h"
#include "sim/firmware/recording_flash_host.h"
#include "sim/sim_clock.h"
#include "sim/simulatedh8_3048.h"
#include "support/message_box_recorder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <mutex>
#include <optional>

namespace {
using Verdict = SimulatedH8_3048::Verdict;

const std::array<uint8_t, 16> kKey{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                   0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

class H8_3048Load : public testing::Test {
protected:
    static constexpr int kCom = 13;

    H8_3048Load() {
        SetProgramPathForTests(folder.file("quovix"));
        writeLoader(CMassFlash::kFastLoaderFile, fastLoader);
        writeLoader(CMassFlash::kSlowLoaderFile, slowLoader);
        engine.Host = &host;
        engine.Port = kCom;
        engine.Clock = &clock;
        clock.OnSleep([this] {
            if (modem_ && attached_)
                modem_->Pump();
        });
    }

    void writeLoader(const std::string& name, const std::vector<uint8_t>& image) {
        std::ofstream(folder.file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    SimulatedH8_3048& modem(bool updateMode) {
        modem_ = std::make_unique<SimulatedH8_3048>(updateMode, fastLoader);
        return *modem_;
    }

    // Runs the engine over the text with the modem attached.
    uint32_t load(std::string text, bool updateMode, bool highSpeed = true) {
        file.assign(text.begin(), text.end());
        return run(updateMode, highSpeed, 0);
    }

    uint32_t run(bool updateMode, bool highSpeed, uint8_t encrypted) {
        if (modem_ && !attached_) {
            modem_->AttachPumped(kCom);
            attached_ = true;
        }
        engine.UpdateMode = updateMode;
        engine.HighSpeed = highSpeed;
        engine.Encrypted = encrypted;
        engine.Key = kKey;
        engine.Data = file.data();
        engine.DataLength = static_cast<uint32_t>(file.size());
        return engine.FlashH8_3048();
    }

    // A short text of a few records.
    static std::string fewRecords() { return MakeSRecordFile(MakeTestImage(256), 32); }

    TempFolder folder;
    MessageBoxRecorder boxes;
    SimClock clock;
    const std::vector<uint8_t> fastLoader = MakeTestLoader(1);
    const std::vector<uint8_t> slowLoader = MakeTestLoader(2);
    RecordingHost host;
    CMassFlash engine;
    std::vector<uint8_t> file;
    std::unique_ptr<SimulatedH8_3048> modem_;
    bool attached_ = false;
};

struct LoadCase {
    bool updateMode;
    bool highSpeed;
};

class H8_3048FullLoad : public H8_3048Load, public testing::WithParamInterface<LoadCase> {};

TEST_P(H8_3048FullLoad, WritesTheWholeImageIntoTheModem) {
    const auto [updateMode, highSpeed] = GetParam();
    const std::vector<uint8_t> image = MakeTestImage(128 * 1024, 7);
    SimulatedH8_3048& sim = modem(updateMode);
    ASSERT_EQ(load(MakeSRecordFile(image, 32, "\n"), updateMode, highSpeed), kFlashOk);
    EXPECT_EQ(sim.Memory(0, image.size()), image);
    EXPECT_EQ(sim.Memory(static_cast<uint32_t>(image.size()), 16), std::vector<uint8_t>(16, 0xFF));
    EXPECT_EQ(sim.Loader(), highSpeed ? fastLoader : slowLoader);
    EXPECT_EQ(sim.FramesAcknowledged(), 4096 + 2); // the header, the data and the end record
    sim.Pump();                                    // the end byte went just before the port closed
    EXPECT_EQ(sim.EndOfUpdateSeen(), updateMode);
    EXPECT_TRUE(host.cancelLocked);
    EXPECT_EQ(host.loaderPosition, CMassFlash::kLoaderLength);
    EXPECT_GT(host.dataPosition, file.size() - 20);
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(boxes.count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ModesAndSpeeds, H8_3048FullLoad,
                         testing::Values(LoadCase{true, true}, LoadCase{true, false}, LoadCase{false, true},
                                         LoadCase{false, false}),
                         [](const auto& info) {
                             return std::string(info.param.updateMode ? "Update" : "Boot") +
                                    (info.param.highSpeed ? "115200" : "38400");
                         });

TEST_F(H8_3048Load, EncipheredFileIsCheckedAndLoaded) {
    const std::vector<uint8_t> image = MakeTestImage(512, 3);
    const std::string plain = "KelvoFlash" + MakeSRecordFile(image);
    file = EncipherFirmwareFile(plain, kKey);
    SimulatedH8_3048& sim = modem(false);
    EXPECT_EQ(run(false, true, 1), kFlashOk);
    EXPECT_EQ(sim.Memory(0, image.size()), image);

    // File checks end the run before the port is opened.
    file = EncipherFirmwareFile(plain, kKey, 0x0100);
    EXPECT_EQ(run(false, true, 1), kFlashFileCrc);
    file = EncipherFirmwareFile(plain, kKey);
    file[0] ^= 0x40;
    EXPECT_EQ(run(false, true, 1), kFlashWrongKey);
    file = EncipherFirmwareFile("Kelvo", kKey);
    EXPECT_EQ(run(false, true, 1), kFlashWrongKey);
    file.clear();
    EXPECT_EQ(run(false, true, 1), kFlashWrongKey);
    EXPECT_EQ(run(false, true, 0), kFlashNotValidFile);
    EXPECT_EQ(FlashErrorText(kFlashWrongKey), "ERROR: Wrong key or file isn't correct!");
    EXPECT_EQ(FlashErrorText(kFlashFileCrc), "ERROR: Wrong CRC after decrypting! Check file!");
}

// A damaged file is refused before the port opens: with nothing on COM13 the run
// would otherwise end with "Couldn't open com port!", and a modem would be left half
// programmed by the records before the damage.
TEST_F(H8_3048Load, DamagedFilesAreRefusedBeforeThePortOpens) {
    const std::string good = MakeSRecordFile(MakeTestImage(256), 32);
    const size_t lastData = good.rfind("S2");
    const auto damaged = [&](const std::function<void(std::string&)>& damage) {
        std::string text = good;
        damage(text);
        return text;
    };
    const std::vector<std::pair<std::string, std::string>> cases{
        {"lower-case digit", damaged([&](std::string& t) { t[lastData + 9] = 'a'; })},
        {"wrong checksum", damaged([&](std::string& t) {
             char& digit = t[t.find("\r", lastData) - 1];
             digit = digit == '0' ? '1' : '0';
         })},
        {"cut inside a record", damaged([&](std::string& t) { t.resize(lastData + 30); })},
        {"cut in the end record", damaged([&](std::string& t) { t.resize(t.rfind("S9") + 5); })},
        {"no end record", damaged([&](std::string& t) { t.resize(t.rfind("S9")); })},
        {"record too short", MakeSRecord('0', 0, {}) + "\r\nS2020000\r\n"},
        {"no S0 first", damaged([](std::string& t) { t[1] = '1'; })},
        // After the most characters a search skips, the next one is no record start.
        {"no S within reach", MakeSRecord('0', 0, {}) + "\r\n" + std::string(1020, '.') +
                                  MakeSRecord('1', 0, std::vector<uint8_t>{1, 2, 3}).replace(0, 1, "X") +
                                  "\r\n" + MakeSRecord('9', 0, {}) + "\r\n"},
    };
    for (const auto& [name, text] : cases) {
        EXPECT_EQ(load(text, false), kFlashNotValidFile) << name;
        EXPECT_EQ(CheckPlainFlashFile(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())),
                  kFlashNotValidFile)
            << name;
    }
    EXPECT_EQ(FlashErrorText(kFlashNotValidFile), "ERROR: Not a valid file!");

    // Deciphered files are walked the same way.
    file = EncipherFirmwareFile("KelvoFlash" + cases[1].second, kKey);
    EXPECT_EQ(run(false, true, 1), kFlashNotValidFile);
    file = EncipherFirmwareFile("KelvoFlash" + good, kKey);
    EXPECT_EQ(run(false, true, 1), kFlashPortNotOpened);
}

// A pulled cable ends the load at once with the port-failure code, whose text names
// the port, and no box of the port; the bars no longer freeze for half a minute.
TEST_F(H8_3048Load, DeviceGoneMidLoadEndsAtOnceNamingThePort) {
    SimulatedH8_3048& sim = modem(false);
    std::optional<std::chrono::milliseconds> goneAt;
    host.onDataProgress = [&](uint32_t) {
        if (sim.FramesAcknowledged() == 3 && !goneAt) {
            sim.Port().Vanish();
            goneAt = clock.Elapsed();
        }
    };
    EXPECT_EQ(load(MakeSRecordFile(MakeTestImage(4096), 32), false), kFlashPortFailure);
    ASSERT_TRUE(goneAt);
    EXPECT_LT(clock.Elapsed() - *goneAt, std::chrono::seconds(2));
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_TRUE(host.informed.empty());
    EXPECT_EQ(FlashErrorText(kFlashPortFailure, kCom), "Port failure on COM13!");
    EXPECT_EQ(FlashErrorText(kFlashPortFailure), "Port failure!");
}

// Gone during the long wait after opening, and while the modem stays silent.
TEST_F(H8_3048Load, DeviceGoneDuringAWaitEndsWithinTwoSeconds) {
    CablePull cable(clock, [this] { return modem_ ? &modem_->Port() : nullptr; });
    for (const auto goneAfter : {std::chrono::milliseconds(200), std::chrono::milliseconds(5000)}) {
        modem_.reset();
        attached_ = false;
        modem(false).faults.verdict = [](int frame, int) {
            return frame == 1 ? Verdict::Silence : Verdict::Ack;
        };
        const auto start = clock.Elapsed();
        cable.After(goneAfter);
        EXPECT_EQ(load(fewRecords(), false), kFlashPortFailure) << goneAfter.count();
        EXPECT_LT(clock.Elapsed() - start, goneAfter + std::chrono::seconds(2)) << goneAfter.count();
    }
    EXPECT_EQ(boxes.count(), 0u);
}

// A modem that merely stays silent keeps its waits: 52 verdict waits of 500 ms.
TEST_F(H8_3048Load, SilenceAfterAFrameEndsTheRun) {
    modem(false).faults.verdict = [](int frame, int) { return frame == 1 ? Verdict::Silence : Verdict::Ack; };
    EXPECT_EQ(load(fewRecords(), false), kFlashNoAck);
    EXPECT_GE(clock.Elapsed(), std::chrono::milliseconds(52 * 500));
    EXPECT_EQ(FlashErrorText(kFlashNoAck), "ERROR: No ack after sending user program packet");
}

TEST_F(H8_3048Load, StopRequestEndsTheRunBeforeTheNextRecord) {
    SimulatedH8_3048& sim = modem(false);
    host.onDataProgress = [&](uint32_t) {
        if (sim.FramesAcknowledged() == 3)
            engine.StopRequested = 1;
    };
    EXPECT_EQ(load(fewRecords(), false), kFlashUserInterrupted);
    EXPECT_EQ(sim.FramesReceived(), 3);
    EXPECT_EQ(FlashErrorText(kFlashUserInterrupted), "User interrupted flashing!");

    // While a frame goes unanswered the stop request is honoured too.
    modem(false).faults.verdict = [&](int frame, int attempt) {
        if (frame == 1 && attempt == 2)
            engine.StopRequested = 1;
        return frame == 1 ? Verdict::Silence : Verdict::Ack;
    };
    attached_ = false;
    host.onDataProgress = nullptr;
    engine.StopRequested = 0;
    EXPECT_EQ(load(fewRecords(), false), kFlashUserInterrupted);
    EXPECT_EQ(modem_->FramesReceived(), 1 + 3);
}

TEST_F(H8_3048Load, BootRomFaults) {
    const auto withFault = [&](const std::function<void(SimulatedH8_3048::Faults&)>& fault) {
        modem_.reset();
        modem(false);
        attached_ = false;
        fault(modem_->faults);
        return load(fewRecords(), false);
    };
    EXPECT_EQ(withFault([](auto& f) { f.zerosBeforeSync = 0; }), kFlashNoModem);
    EXPECT_EQ(withFault([](auto& f) { f.zerosBeforeSync = 5; }), kFlashOk);
    EXPECT_EQ(withFault([](auto& f) { f.wrongLengthEcho = true; }), kFlashNoResponse);
    EXPECT_EQ(withFault([](auto& f) { f.wrongLoaderEchoAt = 700; }), kFlashWrongLoaderEcho);
    EXPECT_EQ(withFault([](auto& f) { f.eraseStatus = 0xFF; }), kFlashEraseFailed);
    EXPECT_EQ(withFault([](auto& f) { f.eraseStatus.reset(); }), kFlashNoEraseStatus);
    EXPECT_EQ(withFault([](auto& f) { f.wrongLoaderCrc = true; }), kFlashWrongLoaderCrc);
    EXPECT_EQ(withFault([](auto& f) { f.enqsIgnored = 47; }), kFlashOk);
    // An ACK to the 49th ENQ comes too late.
    EXPECT_EQ(withFault([](auto& f) { f.enqsIgnored = 48; }), kFlashNoEnqReply);
    EXPECT_EQ(FlashErrorText(kFlashWrongLoaderEcho), "ERROR: Modem didn't reply right to send loader byte!");
    EXPECT_EQ(FlashErrorText(kFlashWrongLoaderCrc), "ERROR: Loader has wrong CRC!");
}

TEST_F(H8_3048Load, SlflashReplies) {
    const auto withReply = [&](const std::string& reply) {
        modem_.reset();
        modem(true);
        attached_ = false;
        modem_->faults.slflashReply = reply;
        host.questions.clear();
        return load(fewRecords(), true);
    };
    EXPECT_EQ(withReply("H3069 OK\r\nFLASH OK\r\n"), kFlashWrongModemType);
    EXPECT_EQ(withReply(""), kFlashOk);
    EXPECT_TRUE(host.questions.empty());
    host.answer = false;
    EXPECT_EQ(withReply("what?"), kFlashSlflashRefused);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].substr(0, 40), "FLASH ERROR !!: But if leds are in order");
    host.answer = true;
    EXPECT_EQ(withReply("what?"), kFlashOk);
}

// A stop requested before the question answers it No without asking, so a window
// that waits for its worker never waits on a box.
TEST_F(H8_3048Load, QuestionAfterAStopRequestAnswersNo) {
    modem(true).faults.slflashReply = "what?";
    modem_->onSlflash = [&] { engine.StopRequested = 1; };
    host.answer = true;
    EXPECT_EQ(load(fewRecords(), true), kFlashSlflashRefused);
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(H8_3048Load, MissingLoaderOrPortIsReported) {
    std::filesystem::remove(folder.file(CMassFlash::kSlowLoaderFile));
    EXPECT_EQ(load(fewRecords(), false, false), kFlashSlowLoaderMissing);
    EXPECT_NE(FlashErrorText(kFlashSlowLoaderMissing).find(CMassFlash::kSlowLoaderFile), std::string::npos);
    EXPECT_EQ(load(fewRecords(), false, true), kFlashPortNotOpened); // nothing on COM13
    EXPECT_EQ(FlashErrorText(kFlashPortNotOpened), "ERROR: Couldn't open com port!");
    EXPECT_EQ(FlashErrorText(3000), "ERROR: Unknown error occured!");
}
} // namespace
