// How fast a terminal's screen takes received bytes: the renderer and the screen
// in each view with time stamps on, fed 2048-byte chunks as the port delivers
// them; the screen is put on display once per batch as in the program.
#include "terminal/terminal_renderer.h"
#include "terminal/terminalscreen.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr size_t kChunk = 2048;
constexpr int kChunksPerBatch = 8;

// Modem traffic: mostly printable lines, some control bytes.
std::string Traffic(size_t size) {
    std::mt19937 random(7);
    std::string data(size, ' ');
    for (size_t i = 0; i < size; ++i) {
        const unsigned pick = random() % 100;
        data[i] = pick < 3   ? '\r'
                  : pick < 5 ? '\n'
                  : pick < 7 ? static_cast<char>(random() % 32)
                             : static_cast<char>(32 + random() % 95);
    }
    return data;
}

void BM_RenderAndShow(benchmark::State& state) {
    const TerminalRenderer::View view{static_cast<int>(state.range(0)), true, state.range(1) != 0};
    const std::string chunk = Traffic(kChunk);
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
