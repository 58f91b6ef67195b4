// How fast a terminal's screen takes received bytes: the renderer and the screen
// in each view with time stamps on, fed 2048-byte chunks as the port delivers
// them; the screen is put on display once per batch as in the program.
#include "bench_support.h"
#include "terminal/terminal_renderer.h"
#include "terminal/terminalscreen.h"

namespace {

constexpr size_t kChunk = 2048;
constexpr int kChunksPerBatch = 8;
constexpr unsigned kTrafficSeed = 7;

void BM_RenderAndShow(benchmark::State& state) {
    const TerminalRenderer::View view{static_cast<int>(state.range(0)), true, state.range(1) != 0};
    const std::string chunk = ModemTraffic(kChunk, kTrafficSeed);
    TerminalRenderer renderer;
    TerminalScreen screen;
    screen.resize(800, 600);
    screen.show();
    ScreenRuns runs;
    for (auto _ : state) {
        for (int i = 0; i < kChunksPerBatch; ++i) {
            runs.clear();
            renderer.render(view, chunk, StampText(), runs);
            for (const ScreenRun& run : runs)
                screen.appendText(run.text, run.kind);
        }
        screen.flush();
        QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kChunk * kChunksPerBatch);
}
BENCHMARK(BM_RenderAndShow)
    ->ArgNames({"view", "linestart"})
    ->Args({kTextView, 0})
    ->Args({kTextView, 1})
    ->Args({kHexView, 0})
    ->Args({kMixedView, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
