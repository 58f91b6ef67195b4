#include "support/sound_server.h"

#include "support/child_process.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {
using namespace std::chrono_literals;
constexpr auto kStartLimit = 10s;
constexpr int kProgramNotFound = 127;

// True when a client can connect to the server's socket.
bool Accepts(const std::string& socketPath) {
    const int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool connected = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(client);
    return connected;
}

class SoundServer {
public:
    SoundServer() {
        if (!folder_.isValid()) {
            failure_ = "no runtime folder for it";
            return;
        }
        const std::string root = folder_.path().toStdString();
        socket_ = root + "/native";
        try {
            // Run as root (as in CI) it only warns that it is not meant to, which the
            // error log level leaves out. Clients need no cookie: the socket lies in a
            // folder only this user reaches.
            server_ =
                SpawnProgram({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                              "--use-pid-file=no", "--log-level=error", "-L", "module-null-sink", "-L",
                              "module-native-protocol-unix auth-anonymous=1 socket=" + socket_},
                             -1, {"XDG_RUNTIME_DIR=" + root, "HOME=" + root, "XDG_CONFIG_HOME=" + root});
        } catch (const std::runtime_error& error) {
            failure_ = error.what();
            return;
        }
        failure_ = WaitUntilItAccepts();
        if (failure_.empty())
            setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
        else
            StopProgram(server_);
    }
    ~SoundServer() { StopProgram(server_); }
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    const std::string& Failure() const { return failure_; }

private:
    std::string WaitUntilItAccepts() {
        const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(server_, &status, WNOHANG) == server_) {
                server_ = -1;
                return WIFEXITED(status) && WEXITSTATUS(status) == kProgramNotFound
                           ? "pulseaudio is not installed (scripts/setup.sh installs it)"
                           : "pulseaudio ended as it started";
            }
            if (Accepts(socket_))
                return "";
            std::this_thread::sleep_for(20ms);
        }
        return "pulseaudio took no client within 10 s";
    }

    QTemporaryDir folder_{QDir::tempPath() + "/quovix-sound-XXXXXX"};
    std::string socket_;
    std::string failure_;
    pid_t server_ = -1;
};
} // namespace

std::string StartSoundServer() {
    static SoundServer server;
    return server.Failure();
}
