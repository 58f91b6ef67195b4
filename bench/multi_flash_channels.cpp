// Four channels of the multiple firmware window load at once as fast as one: the
// same image into one, then four simulated H8/3048 modems on paced virtual ports,
// each engine on its own worker with the window's report delays. The ratio of the
// four-channel time to the one-channel time shows what running side by side costs
// (goal: at most 1.1).
#include "firmware/cmassflash.h"
#include "firmware/flash_worker.h"
#include "platform/program_files.h"
#include "sim/firmware/firmware_test_files.h"
#include "sim/simulatedh8_3048.h"
#include "support/file_text.h"
#include "support/temp_folder.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {
constexpr int kFirstCom = 41;
constexpr int kImageBytes = 8192;

// Seconds from the start of the workers until every channel has reported.
double loadChannels(int channels, const std::vector<uint8_t>& loader, std::vector<uint8_t>& file,
                    const std::vector<uint8_t>& image, benchmark::State& state) {
    std::vector<std::unique_ptr<SimulatedH8_3048>> modems;
    std::array<CMassFlash, 4> engines;
    std::vector<std::unique_ptr<FlashWorker>> workers;
    for (int c = 0; c < channels; ++c) {
        modems.push_back(std::make_unique<SimulatedH8_3048>(true, loader));
        modems.back()->Attach(kFirstCom + c, true);
        CMassFlash& engine = engines[static_cast<size_t>(c)];
        engine.Port = static_cast<uint32_t>(kFirstCom + c);
        engine.UpdateMode = 1;
        engine.HighSpeed = 1;
        engine.Data = file.data();
        engine.DataLength = static_cast<uint32_t>(file.size());
        workers.push_back(std::make_unique<FlashWorker>(
            nullptr, static_cast<WPARAM>(c), std::chrono::milliseconds(c * 50 + 20),
            [&engine] { return engine.FlashH8_3048(); }, [&engine](uint32_t code) { engine.Result = code; }));
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto& worker : workers)
        worker->Start();
    for (auto& worker : workers)
        worker->Wait();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (int c = 0; c < channels; ++c)
        if (engines[static_cast<size_t>(c)].Result != kFlashOk ||
            modems[static_cast<size_t>(c)]->Memory(0, image.size()) != image)
            state.SkipWithError(FlashErrorText(engines[static_cast<size_t>(c)].Result).c_str());
    return seconds;
}

void FourChannelsAgainstOne(benchmark::State& state) {
    TempFolder folder;
    SetProgramPathForTests(folder.file("quovix"));
    const std::vector<uint8_t> loader = MakeTestLoader(1);
    WriteFileText(folder.file(CMassFlash::kFastLoaderFile), std::string(loader.begin(), loader.end()));
    const std::vector<uint8_t> image = MakeTestImage(kImageBytes);
    const std::string text = MakeSRecordFile(image);
    std::vector<uint8_t> file(text.begin(), text.end());
    double ratio = 0;
    for (auto _ : state) {
        const double one = loadChannels(1, loader, file, image, state);
        const double four = loadChannels(4, loader, file, image, state);
        ratio = four / one;
        state.SetIterationTime(four);
        std::printf("one channel %.2f s, four channels %.2f s, ratio %.2f\n", one, four, ratio);
    }
    state.counters["ratio"] = ratio;
}
} // namespace

BENCHMARK(FourChannelsAgainstOne)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
