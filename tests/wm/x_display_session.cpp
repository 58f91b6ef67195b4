#include "x_display_session.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
constexpr auto kServerStartLimit = 15s;
constexpr auto kStopLimit = 3s;

// Runs a program with the arguments; the child keeps only the listed descriptor
// open beside the standard ones.
pid_t Spawn(std::vector<std::string> arguments, int keepOpen = -1) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != keepOpen)
                close(fd);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (child < 0)
        throw std::runtime_error("cannot start " + arguments[0]);
    return child;
}

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
    server_ = Spawn(
        {"Xvfb", "-displayfd", std::to_string(report[1]), "-nolisten", "tcp", "-screen", "0", size + "x24"},
        report[1]);
    close(report[1]);
    try {
        display_ = ":" + ReadDisplayNumber(report[0]);
    } catch (...) {
        close(report[0]);
        Stop(server_);
        throw;
    }
    close(report[0]);
    setenv("DISPLAY", display_.c_str(), 1);
    manager_ = Spawn({"openbox", "--sm-disable"});
}

XDisplaySession::~XDisplaySession() {
    Stop(manager_);
    Stop(server_);
}

// Asks the program to end, and ends it when it has not within the limit.
void XDisplaySession::Stop(pid_t& process) {
    if (process <= 0)
        return;
    kill(process, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    while (waitpid(process, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(process, SIGKILL);
            waitpid(process, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    process = -1;
}
