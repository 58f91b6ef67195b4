// Bytes per second from a virtual port to a terminal's screen, in each view with
// time stamps on, next to the raw receive rate of the port component (what the
// event thread can deliver: the limit); and the peak memory of a terminal that has
// received 100 MB with the default scroll-back.
#include "bench_support.h"
#include "platform/virtual_port.h"
#include "terminal/tterminaali.h"

#include <QElapsedTimer>
#include <sys/resource.h>

namespace {

constexpr int kModemCom = 12;
constexpr size_t kBurst = 256 * 1024;
constexpr int kDeliveryTimeoutMs = 60000;
constexpr size_t kChunk = 2048;
constexpr size_t kHundredMegabytes = 100u * 1024 * 1024;
constexpr unsigned kTrafficSeed = 11;

// Runs the event loop until done() or the time-out.
template <typename Done> void DeliverUntil(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < kDeliveryTimeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The port component alone, set up as a terminal's: every event reads at most
// 2048 bytes.
void BM_PortRawReceive(benchmark::State& state) {
    VirtualPort modem(kModemCom);
    TQuovixCommPort port;
    size_t received = 0;
    CountReceivedBytes(port, kModemCom, static_cast<int>(kChunk), received);
    port.aukaise(true);
    const std::string burst = ModemTraffic(kBurst, kTrafficSeed);
    for (auto _ : state) {
        const size_t target = received + burst.size();
        modem.Write(burst);
        DeliverUntil([&] { return received >= target; });
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBurst));
}
BENCHMARK(BM_PortRawReceive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

void BM_PortToScreen(benchmark::State& state) {
    VirtualPort modem(kModemCom);
    Tterminaali terminal(nullptr, 0);
    terminal.resize(800, 600);
    terminal.show();
    terminal.CommPort1->setPortin_nro(static_cast<TPortnro>(kModemCom - 1));
    terminal.CommPort1->tila_hiljaa(true);
    terminal.options.viewType = static_cast<int>(state.range(0));
    terminal.options.timeStamp = true;
    terminal.options.lineStart = state.range(1) != 0;
    terminal.ApplyOptions();
    const std::string burst = ModemTraffic(kBurst, kTrafficSeed);
    for (auto _ : state) {
        const uint32_t target = terminal.rxCount() + static_cast<uint32_t>(burst.size());
        modem.Write(burst);
        DeliverUntil([&] { return terminal.rxCount() >= target; });
        terminal.teksti->flush();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBurst));
}
BENCHMARK(BM_PortToScreen)
    ->ArgNames({"view", "linestart"})
    ->Args({kTextView, 0})
    ->Args({kTextView, 1})
    ->Args({kHexView, 0})
    ->Args({kMixedView, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4);

// 100 MB through the terminal's receive rendering and screen, as the port hands
// it over in 2048-byte chunks; the screen keeps the default scroll-back.
void BM_HundredMegabytesPeakMemory(benchmark::State& state) {
    Tterminaali terminal(nullptr, 0);
    terminal.resize(800, 600);
    terminal.show();
    terminal.options.timeStamp = true;
    terminal.options.lineStart = true;
    terminal.ApplyOptions();
    const std::string chunk = ModemTraffic(kChunk, kTrafficSeed);
    const long before = PeakResidentKb();
    for (auto _ : state) {
        for (size_t sent = 0; sent < kHundredMegabytes; sent += kChunk) {
            terminal.DisplayReceived(chunk);
            if (sent % (64 * kChunk) == 0)
                QCoreApplication::processEvents();
        }
        terminal.teksti->flush();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kHundredMegabytes));
    state.counters["peak_rss_MB"] = static_cast<double>(PeakResidentKb()) / 1024.0;
    state.counters["rss_growth_MB"] = static_cast<double>(PeakResidentKb() - before) / 1024.0;
    state.counters["screen_chars"] = terminal.teksti->characterCount();
}
BENCHMARK(BM_HundredMegabytesPeakMemory)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
