#pragma once
// Set-up shared by the benchmark programs: modem-like traffic, a port component
// that counts what it receives, and a main that runs the benchmarks with a
// QApplication on the offscreen platform.

#include "serial/tquovixcommport.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>
#include <string>

// Modem traffic: mostly printable lines, some control bytes; the same for a seed.
inline std::string ModemTraffic(size_t size, unsigned seed) {
    std::mt19937 random(seed);
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

// Sets the port up as a terminal's, on COM `comNumber` in the background, every
// event reading at most `chunk` bytes and adding their count to `received`.
inline void CountReceivedBytes(TQuovixCommPort& port, int comNumber, int chunk, size_t& received) {
    port.setPortin_nro(static_cast<TPortnro>(comNumber - 1));
    port.setover(true);
    port.SetEvents({ceRxChar, ceTxEmpty, ceErr});
    port.vaihda_rx_size(chunk);
    port.vaihda_rx_raja(chunk);
    port.tulleet_merkit = [&received](TQuovixCommPort* sender) {
        received += static_cast<size_t>(sender->merkkien_maara());
        std::free(sender->lue_rx_char());
    };
}

inline int RunBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
