// A firmware load into the simulated H8/3048 modem in update mode over a virtual
// port paced like a real line, against its floor: the time the bytes need on the
// wire at each bit rate plus the engine's own fixed waits. The ratio shows what the
// engine's polling and turnarounds cost on top.
#include "firmware/cmassflash.h"
#include "platform/program_files.h"
#include "sim/firmware/firmware_test_files.h"
#include "sim/simulatedh8_3048.h"
#include "support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>

namespace {
constexpr int kCom = 14;
constexpr double kBitsPerByte = 10; // start, 8 data bits, stop
constexpr double kOpenBaud = 9600;
constexpr double kRecordBaud = 115200;

void writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Bytes of all record frames: a record of count N goes out as N + 4 bytes, and
// each is answered by one ACK.
double recordWireBytes(const std::string& text) {
    double bytes = 0;
    for (size_t at = text.find('S'); at != std::string::npos; at = text.find('S', at + 1))
        bytes += std::stoi(text.substr(at + 2, 2), nullptr, 16) + 4 + 1;
    return bytes;
}

// The engine's fixed waits in update mode with one answer to "SLFLASH", in seconds:
// open settle, the reply waits, the 0x55 pauses, the length echo wait, one pause per
// loader chunk, the erase status wait, the speed change and the loader CRC pause.
double fixedWaits(uint32_t loaderLength) {
    const double chunks = (loaderLength + 31) / 32;
    return (1600 + 500 + 300 + 50 + 200 + 50 + 100 + 100 + 50 + chunks * 45 + 500 + 20 + 100) / 1000.0;
}

void H8_3048LoadAt115200(benchmark::State& state) {
    TempFolder folder;
    SetProgramPathForTests(folder.file("quovix"));
    const std::vector<uint8_t> loader = MakeTestLoader(1);
    writeFile(folder.file(CMassFlash::kFastLoaderFile), loader);
    const std::vector<uint8_t> image = MakeTestImage(static_cast<size_t>(state.range(0)));
    const std::string text = MakeSRecordFile(image);

    const double openBytes = 7 + 10 + 1 + 1 + 1 + 1 + 2 + CMassFlash::kLoaderLength + 1;
    const double floor = fixedWaits(CMassFlash::kLoaderLength) + openBytes * kBitsPerByte / kOpenBaud +
                         (1 + 3 + recordWireBytes(text) + 1) * kBitsPerByte / kRecordBaud;
    double seconds = 0;
    for (auto _ : state) {
        SimulatedH8_3048 modem(true, loader);
        modem.Attach(kCom, true);
        std::vector<uint8_t> file(text.begin(), text.end());
        CMassFlash engine;
        engine.Port = kCom;
        engine.UpdateMode = 1;
        engine.HighSpeed = 1;
        engine.Data = file.data();
        engine.DataLength = static_cast<uint32_t>(file.size());
        const auto start = std::chrono::steady_clock::now();
        const uint32_t result = engine.FlashH8_3048();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (result != kFlashOk || modem.Memory(0, image.size()) != image)
            state.SkipWithError(FlashErrorText(result).c_str());
    }
    state.counters["floor_s"] = floor;
    state.counters["ratio"] = seconds / floor;
    std::printf("load of %zu bytes: %.2f s, floor %.2f s, ratio %.2f\n", image.size(), seconds, floor,
                seconds / floor);
}
} // namespace

BENCHMARK(H8_3048LoadAt115200)->Arg(128 * 1024)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
