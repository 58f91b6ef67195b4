#include "support/child_process.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
using namespace std::chrono_literals;
constexpr auto kStopLimit = 3s;
} // namespace

pid_t SpawnProgram(std::vector<std::string> arguments, int keepOpen,
                   const std::vector<std::string>& environment) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The environment is made before the fork: the child of a program with threads
    // may only call what is safe in a signal handler until it runs the program.
    std::vector<std::string> variables = environment;
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    for (char** inherited = environ; *inherited != nullptr; ++inherited)
        envp.push_back(*inherited);
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // The program ends with the test program, however that ends.
        if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)
            _exit(1);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != keepOpen)
                close(fd);
        execvpe(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (child < 0)
        throw std::runtime_error("cannot start " + arguments[0]);
    return child;
}

void StopProgram(pid_t& process) {
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
