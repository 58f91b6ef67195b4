// Whether reception keeps up with the line at every receive buffer size the
// buffer dialog accepts: a virtual port paced at 9600 or 115200 baud sends one
// second of line time, and the benchmark measures the bytes per second that reach
// the port component's handler, or a terminal's screen, with RX_notify 1, 7 and
// 2048. The line's own rate (bit rate / 10) is the most either can reach.
#include "bench_support.h"
#include "platform/virtual_port.h"
#include "terminal/tterminaali.h"

#include <QElapsedTimer>
#include <functional>

namespace {

constexpr int kModemCom = 13;
constexpr unsigned kTrafficSeed = 5;
constexpr int kBitsPerCharacter = 10; // start, eight data bits, stop
// Reception is given this many times the line time before the count is taken.
constexpr int kSlackFactor = 3;

enum Receiver { kPortHandler, kTerminalScreen };

// Sends one second of line time and returns the bytes per second received, from
// the first byte sent until the last arrived (or the slack ran out).
double MeasureRate(VirtualPort& modem, int baud, const std::function<size_t()>& received) {
    const size_t lineRate = static_cast<size_t>(baud / kBitsPerCharacter);
    const size_t target = received() + lineRate;
    QElapsedTimer clock;
    clock.start();
    modem.Write(ModemTraffic(lineRate, kTrafficSeed));
    while (received() < target && clock.elapsed() < kSlackFactor * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const size_t got = lineRate - (target - std::min(target, received()));
    return static_cast<double>(got) * 1000.0 / static_cast<double>(clock.elapsed());
}

TBaudRate RateOf(int baud) {
    return baud == 9600 ? br__9600 : br115200;
}

void BM_PacedReceive(benchmark::State& state) {
    const int baud = static_cast<int>(state.range(0));
    const int rxSize = static_cast<int>(state.range(1));
    const auto receiver = static_cast<Receiver>(state.range(2));
    VirtualPort modem(kModemCom);
    modem.SetPacing(true);
    Tterminaali terminal(nullptr, 0);
    TQuovixCommPort port;
    size_t portReceived = 0;
    TQuovixCommPort* used = &port;
    std::function<size_t()> received = [&] { return portReceived; };
    if (receiver == kPortHandler) {
        CountReceivedBytes(port, kModemCom, rxSize, portReceived);
    } else {
        terminal.resize(800, 600);
        terminal.show();
        used = terminal.CommPort1.get();
        used->setPortin_nro(static_cast<TPortnro>(kModemCom - 1));
        used->vaihda_rx_size(rxSize);
        used->vaihda_rx_raja(rxSize);
        received = [&] { return static_cast<size_t>(terminal.rxCount()); };
    }
    used->vaihda_bitti_nop(RateOf(baud));
    used->tila_hiljaa(true);
    if (!used->IsOpen()) {
        state.SkipWithError("the virtual port did not open");
        return;
    }
    double rate = 0;
    for (auto _ : state)
        rate = MeasureRate(modem, baud, received);
    state.counters["received_B_per_s"] = rate;
    state.counters["line_B_per_s"] = baud / kBitsPerCharacter;
}
BENCHMARK(BM_PacedReceive)
    ->ArgNames({"baud", "rx", "screen"})
    ->ArgsProduct({{9600, 115200}, {1, 7, 2048}, {kPortHandler, kTerminalScreen}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
