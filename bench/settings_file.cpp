// What settings-file reads and writes cost per megabyte of file: a file of many
// sections is read (one value near its end, the section list) and written (one
// value changed, the file replaced), with bytes per second as the counter.
#include "bench_support.h"
#include "platform/tinifile.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>

namespace {

// A file of `sections` sections of four keys each.
std::string WriteSettingsFile(const std::string& name, int sections) {
    std::ofstream out(name, std::ios::binary);
    for (int section = 0; section < sections; ++section) {
        out << "[Window number " << section << "]\r\n";
        for (int key = 0; key < 4; ++key)
            out << "Key " << key << "=value of key " << key << " in section " << section << "\r\n";
    }
    return name;
}

// Each iteration handles the whole file once.
void CountFileBytes(benchmark::State& state, const TIniFile& ini) {
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(ini.FileName())));
}

void BM_ReadValueNearTheEnd(benchmark::State& state) {
    TempFolder folder;
    const int sections = static_cast<int>(state.range(0));
    TIniFile ini(WriteSettingsFile(folder.file("big.ini"), sections));
    const std::string last = "Window number " + std::to_string(sections - 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(ini.ReadString(last, "Key 3", ""));
    CountFileBytes(state, ini);
}

void BM_ReadSections(benchmark::State& state) {
    TempFolder folder;
    TIniFile ini(WriteSettingsFile(folder.file("big.ini"), static_cast<int>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(ini.ReadSections());
    CountFileBytes(state, ini);
}

void BM_WriteOneValue(benchmark::State& state) {
    TempFolder folder;
    TIniFile ini(WriteSettingsFile(folder.file("big.ini"), static_cast<int>(state.range(0))));
    int value = 0;
    for (auto _ : state)
        ini.WriteInteger("Window number 0", "Key 0", ++value);
    CountFileBytes(state, ini);
}

} // namespace

BENCHMARK(BM_ReadValueNearTheEnd)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSections)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOneValue)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
