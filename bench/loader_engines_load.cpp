// Loads of 64 KiB into the simulated H8/3069 modem (update mode through the modem's
// own loader, and boot mode) and into the simulated K10 module, over a virtual port
// paced like a real line, against their floor: the time the bytes need on the wire
// plus the waits the dialogue itself prescribes. The ratio shows what polling and
// turnarounds cost on top.
#include "firmware/cmassflash_3069.h"
#include "firmware/cmassflash_kz_k10.h"
#include "firmware/firmware_blocks.h"
#include "sim/firmware/firmware_test_files.h"
#include "sim/firmware/simulatedloadermodem.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {
constexpr int kCom = 15;
constexpr double kBitsPerByte = 10; // start, 8 data bits, stop
constexpr uint32_t kImageSize = 64 * 1024;
constexpr double kFrameBytes = 1 + 132 + 1 + 1; // 'P', the block, the sum byte, the ACK

// The prescribed waits of one reply byte: the pause after it, the read that finds
// no more, and the poll's pause.
constexpr double kReplyWaitMs = 5 + 10 + 1;

double wire(double bytes, double baud) {
    return bytes * kBitsPerByte / baud;
}

// What the identification prescribes: the wait for the reply, its read, one more
// pause and read, and the pause behind it.
constexpr double kIdentifyMs = 500 + 200 + 50 + 200 + 50;

// Erase commands (start, one per block, end) and the selection, each answered by ACK.
double commandReplies(uint32_t blocks) {
    return (1 + blocks + 1 + 1) * kReplyWaitMs;
}

template <typename Load> void Measure(benchmark::State& state, const char* name, double floor, Load load) {
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const uint32_t result = load();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (result != k3069Ok)
            state.SkipWithError(FlashErrorText3069(result, 0).c_str());
    }
    state.counters["floor_s"] = floor;
    state.counters["ratio"] = seconds / floor;
    std::printf("%s: %.2f s, floor %.2f s, ratio %.3f\n", name, seconds, floor, seconds / floor);
}

// Serves the model on the paced port, lets run program a copy of the image into it
// and fails the run when the modem's memory does not then hold expected.
template <typename Run>
uint32_t loadInto(const SimulatedLoaderModem::Model& model, const std::vector<uint8_t>& image,
                  const std::vector<uint8_t>& expected, Run run) {
    SimulatedLoaderModem modem(kCom, model);
    modem.Serve(true);
    std::vector<uint8_t> copy = image;
    const uint32_t result = run(copy);
    return result == k3069Ok && modem.Memory(0, kImageSize) != expected ? k3069PacketFailure : result;
}

// Update mode on a row with the modem's own loader, at 115200 baud after the point
// of no return.
void H8_3069UpdateAt115200(benchmark::State& state) {
    std::vector<uint8_t> flat = MakeTestImage(kImageSize);
    const std::vector<uint8_t> expected = flat;
    std::vector<uint8_t> blocks = EncodeFirmwareBlocks(flat, kImageSize);
    const double frames = static_cast<double>(blocks.size()) / kFirmwareBlockSize + 1;
    const double waitsMs =
        10 + 2000 + kIdentifyMs + 100 + 10 * 100 + commandReplies(10) + frames * kReplyWaitMs + 2;
    SimulatedLoaderModem::Model model = SimulatedLoaderModem::UpdateRow(7);
    model.loaderBaud = 115200;
    const double floor =
        waitsMs / 1000 + wire(7 + model.idReply.size(), 9600) + wire(frames * kFrameBytes, 115200);
    Measure(state, "H8/3069 update", floor, [&] {
        return loadInto(model, blocks, expected, [](std::vector<uint8_t>& image) {
            CMassFlash_3069 engine;
            engine.Port = kCom;
            engine.UpdateMode = 1;
            engine.DeviceRow = 7;
            engine.SpeedIndex = 1;
            engine.ClockHz = 33000000;
            engine.Image = image.data();
            engine.ImageLength = static_cast<uint32_t>(image.size());
            return engine.FlashH8_3069();
        });
    });
}

// Boot mode: the boot program's dialogue, then plain frames at 115200 baud.
void H8_3069BootAt115200(benchmark::State& state) {
    const std::vector<uint8_t> flat = MakeTestImage(kImageSize);
    const double frames = kImageSize / kFirmwareBlockData + 1;
    // The boot program's replies: 0xE6, the inquiry replies of 11, 5, 6 and 4 bytes,
    // and six ACKs; the pauses around the bit-rate change and the transition.
    const double bootReplyBytes = 1 + 11 + 5 + 6 + 4 + 6;
    const double waitsMs = 10 + 400 + 3 + bootReplyBytes * 5 + 11 * 11 + 1 + 20 + (frames + 1) * kReplyWaitMs;
    const double floor = waitsMs / 1000 +
                         wire(1 + 1 + 1 + 1 + 8 + 4 + 1 + 1 + 10 + 11 + 5 + 6 + 4 + 6, 9600) +
                         wire(2 + 2 + 2 + frames * kFrameBytes, 115200);
    SimulatedLoaderModem::Model model = SimulatedLoaderModem::BootMode();
    model.clockHz = 33000000;
    Measure(state, "H8/3069 boot", floor, [&] {
        return loadInto(model, flat, flat, [](std::vector<uint8_t>& image) {
            CMassFlash_3069 engine;
            engine.Port = kCom;
            engine.SpeedIndex = 1;
            engine.ClockHz = 33000000;
            engine.Image = image.data();
            engine.ImageLength = kImageSize;
            return engine.FlashH8_3069();
        });
    });
}

// The module is woken at 115200 baud; its loader takes the frames at 38400.
void K10UpdateFrom115200(benchmark::State& state) {
    std::vector<uint8_t> flat = MakeTestImage(kImageSize);
    const std::vector<uint8_t> expected = flat;
    std::vector<uint8_t> blocks = EncodeFirmwareBlocksFrom(flat, 0, kImageSize);
    const double frames = static_cast<double>(blocks.size()) / kFirmwareBlockSize + 1;
    // The erase takes the nine blocks that hold the image's addresses.
    const double waitsMs =
        10 + 15 + 100 + kIdentifyMs + 100 + 10 * 40 + commandReplies(9) + frames * kReplyWaitMs + 2;
    const SimulatedLoaderModem::Model model = SimulatedLoaderModem::K10Module();
    const double floor =
        waitsMs / 1000 + wire(6 + 1 + 7 + model.idReply.size(), 115200) + wire(frames * kFrameBytes, 38400);
    Measure(state, "K10", floor, [&] {
        return loadInto(model, blocks, expected, [](std::vector<uint8_t>& image) {
            CMassFlash_KZ_K10 engine;
            engine.Port = kCom;
            engine.UpdateMode = 1;
            engine.CheckModuleId = 1;
            engine.FileKind = kK10FromSRecords;
            engine.Image = image.data();
            engine.ImageLength = static_cast<uint32_t>(image.size());
            return engine.FlashKZ_K10();
        });
    });
}
} // namespace

BENCHMARK(H8_3069UpdateAt115200)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(H8_3069BootAt115200)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(K10UpdateFrom115200)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
