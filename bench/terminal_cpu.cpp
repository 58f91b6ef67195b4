// What a terminal costs the processor while a modem streams at full speed: a
// virtual port fed with random bytes at the line rate of 921600 baud (the feeder
// paces itself, in 10 ms slices) for a few seconds reaches a terminal in each view
// with time stamps, and the process's CPU time
// (user and system) over that period gives CPU seconds per megabyte received and
// the share of one core. The port component alone, receiving the same stream, is
// the floor.
#include "bench_support.h"
#include "platform/virtual_port.h"
#include "terminal/terminal_renderer.h"
#include "terminal/tterminaali.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <random>
#include <sys/resource.h>
#include <thread>

namespace {

constexpr int kModemCom = 15;
constexpr int kLineRate = 92160; // bytes per second at 921600 baud, 10 bits a byte
constexpr int kFeedPeriodMs = 10;
constexpr int kStreamSeconds = 10;
constexpr size_t kChunk = 2048;

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Writes random bytes to the modem's end at the line rate until stopped.
class LineRateFeeder {
public:
    explicit LineRateFeeder(VirtualPort& modem)
        : thread_([this, &modem] {
              std::mt19937 random(7);
              std::string chunk(kLineRate * kFeedPeriodMs / 1000, '\0');
              auto next = std::chrono::steady_clock::now();
              while (!stop_) {
                  for (char& c : chunk)
                      c = static_cast<char>(random());
                  modem.Write(chunk);
                  next += std::chrono::milliseconds(kFeedPeriodMs);
                  std::this_thread::sleep_until(next);
              }
          }) {}
    ~LineRateFeeder() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Runs the event loop for the stream's length and reports its CPU cost.
template <typename Received> void Stream(benchmark::State& state, VirtualPort& modem, Received received) {
    for (auto _ : state) {
        const size_t before = received();
        const double cpuBefore = ProcessCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        {
            // The event loop sleeps between events, as the program's does.
            LineRateFeeder feeder(modem);
            QEventLoop loop;
            QTimer::singleShot(kStreamSeconds * 1000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        const double megabytes = static_cast<double>(received() - before) / 1e6;
        state.counters["cpu_s_per_MB"] = megabytes > 0 ? cpu / megabytes : 0;
        state.counters["core_share_pct"] = 100.0 * cpu / (static_cast<double>(clock.elapsed()) / 1000.0);
        state.counters["received_MB"] = megabytes;
    }
}

void BM_PortAloneAtLineRate(benchmark::State& state) {
    VirtualPort modem(kModemCom);
    TQuovixCommPort port;
    size_t received = 0;
    CountReceivedBytes(port, kModemCom, static_cast<int>(kChunk), received);
    port.vaihda_bitti_nop(br921600);
    port.aukaise(true);
    Stream(state, modem, [&] { return received; });
}
BENCHMARK(BM_PortAloneAtLineRate)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_TerminalAtLineRate(benchmark::State& state) {
    VirtualPort modem(kModemCom);
    Tterminaali terminal(nullptr, 0);
    terminal.resize(800, 600);
    terminal.show();
    terminal.CommPort1->setPortin_nro(static_cast<TPortnro>(kModemCom - 1));
    terminal.CommPort1->vaihda_bitti_nop(br921600);
    terminal.CommPort1->tila_hiljaa(true);
    terminal.options.viewType = static_cast<int>(state.range(0));
    terminal.options.timeStamp = true;
    terminal.ApplyOptions();
    Stream(state, modem, [&] { return static_cast<size_t>(terminal.rxCount()); });
}
BENCHMARK(BM_TerminalAtLineRate)
    ->ArgName("view")
    ->Arg(kTextView)
    ->Arg(kHexView)
    ->Arg(kMixedView)
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
