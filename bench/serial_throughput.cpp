// How fast received bytes reach a terminal's handler: bytes per second from a
// pseudo-terminal through the port component (background run, RX_notify 2048) to
// tulleet_merkit, against the rate at which the same pseudo-terminal can be read
// directly, the limit on this machine.
#include "bench_support.h"
#include "platform/portmap.h"
#include "platform/program_files.h"
#include "support/message_box_recorder.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr size_t kBurst = 64 * 1024;
constexpr int kComNumber = 7;
constexpr int kPollMs = 100;
constexpr int kChunk = 2048;

std::string Burst() {
    std::string bytes(kBurst, '\0');
    for (size_t i = 0; i < kBurst; ++i)
        bytes[i] = static_cast<char>(i * 31);
    return bytes;
}

// A program folder of the benchmark's own with the pseudo-terminal as COM7.
struct Setup {
    Setup() {
        SetSerialDevicesForTests({});
        SetProgramPathForTests(folder.file("quovix"));
        pty.LinkAs(folder.file("ports"), kComNumber);
    }
    ~Setup() { SetProgramPathForTests(""); }
    TempFolder folder;
    PseudoTerminal pty;
};

void BM_RawPtyRead(benchmark::State& state) {
    Setup setup;
    const int fd = open(setup.pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    const std::string burst = Burst();
    std::vector<char> buffer(4096);
    for (auto _ : state) {
        std::thread writer([&] { setup.pty.Write(burst); });
        size_t received = 0;
        while (received < kBurst) {
            pollfd readable{fd, POLLIN, 0};
            poll(&readable, 1, kPollMs);
            const ssize_t n = read(fd, buffer.data(), buffer.size());
            if (n > 0)
                received += static_cast<size_t>(n);
        }
        writer.join();
    }
    close(fd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBurst));
}
BENCHMARK(BM_RawPtyRead)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CommPortToHandler(benchmark::State& state) {
    Setup setup;
    MessageBoxRecorder boxes;
    TQuovixCommPort port;
    size_t received = 0;
    CountReceivedBytes(port, kComNumber, kChunk, received);
    port.vaihda_bitti_nop(br921600);
    port.aukaise(false);
    if (!port.IsOpen()) {
        state.SkipWithError("the pseudo-terminal did not open");
        return;
    }
    const std::string burst = Burst();
    for (auto _ : state) {
        received = 0;
        std::thread writer([&] { setup.pty.Write(burst); });
        while (received < kBurst)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        writer.join();
    }
    port.sulje();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBurst));
}
BENCHMARK(BM_CommPortToHandler)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
