#include "x_display_session.h"

#include "support/child_process.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
constexpr auto kServerStartLimit = 15s;

// The display number Xvfb writes to the pipe once it accepts clients.
std::string ReadDisplayNumber(int fd) {
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + kServerStartLimit;
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            throw std::runtime_error("Xvfb did not report its display in time");
        char c;
        if (read(fd, &c, 1) != 1)
            throw std::runtime_error("Xvfb ended before it reported its display");
        number += c;
    }
    number.pop_back();
    return number;
}

} // namespace

XDisplaySession::XDisplaySession() {
    int report[2];
    if (pipe(report) != 0)
        throw std::runtime_error("no pipe for Xvfb");
    // QUOVIX_WM_SCREEN ("1024x600") runs the tests on a screen of that size.
    const char* screen = std::getenv("QUOVIX_WM_SCREEN");
    const std::string size = screen != nullptr && *screen != '\0' ? screen : "1280x1024";
    server_ = SpawnProgram(
        {"Xvfb", "-displayfd", std::to_string(report[1]), "-nolisten", "tcp", "-screen", "0", size + "x24"},
        report[1]);
    close(report[1]);
    try {
        display_ = ":" + ReadDisplayNumber(report[0]);
    } catch (...) {
        close(report[0]);
        StopProgram(server_);
        throw;
    }
    close(report[0]);
    setenv("DISPLAY", display_.c_str(), 1);
    manager_ = SpawnProgram({"openbox", "--sm-disable"});
}

XDisplaySession::~XDisplaySession() {
    StopProgram(manager_);
    StopProgram(server_);
}
