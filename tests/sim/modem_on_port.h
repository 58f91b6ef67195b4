#pragma once
// A simulated modem behind virtual port COM n, answering on its own thread. A read
// ends after a short quiet time on the line, so a request written at once is taken
// whole; chunks of a split reply leave a pause apart, so the program receives them
// apart. A modem that answers by line speed is told the speed the program set, one
// that keeps the line settings all of them.
// It notes how long after the port's opening the program's first bytes came, so a
// test can check a start delay the modem relies on. A test can make it slow, hold
// a reply until it lets it go, or pull its cable as a request comes. It tells the
// clock of simulated modems when it is at rest: every byte it took answered,
// nothing on the line.

#include "platform/virtual_port.h"
#include "sim/simulated_modems_clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A reply as the chunks a simulated modem sends it in: at most chunkBytes each
// (0: the whole reply at once); none for an empty reply.
inline std::vector<std::string> SplitReply(const std::string& reply, size_t chunkBytes) {
    if (reply.empty())
        return {};
    if (chunkBytes == 0)
        return {reply};
    std::vector<std::string> chunks;
    for (size_t at = 0; at < reply.size(); at += chunkBytes)
        chunks.push_back(reply.substr(at, chunkBytes));
    return chunks;
}

template <typename Modem> class ModemOnPort {
public:
    static constexpr std::chrono::milliseconds kQuiet{15};
    static constexpr std::chrono::milliseconds kChunkGap{30};

    explicit ModemOnPort(int comNumber) : port_(comNumber), thread_([this] { run(); }) {
        RegisterSimulatedModem(this, [this] { return atRest(); });
    }
    ~ModemOnPort() {
        UnregisterSimulatedModem(this);
        stop_ = true;
        ReleaseReply();
        thread_.join();
    }
    ModemOnPort(const ModemOnPort&) = delete;
    ModemOnPort& operator=(const ModemOnPort&) = delete;

    // The time from the latest opening of the port to the first bytes the program
    // sent after it; none before such bytes came. Never shorter than the real delay.
    std::optional<std::chrono::milliseconds> FirstBytesAfterOpen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return firstBytesAfterOpen_;
    }

    // Each reply leaves this long after its request came.
    void SetReplyDelay(std::chrono::milliseconds delay) { replyDelay_ = delay; }
    // The cable is pulled as the n-th request from now on comes: the modem never
    // takes that request, and the device behind the port is gone.
    void PullCableAtRequest(int n) { pullAt_ = n; }
    // The reply to the n-th request from now on waits until ReleaseReply, so what
    // the test does meanwhile comes while the modem owes it; the modem takes
    // nothing more meanwhile.
    void HoldReplyAtRequest(int n) {
        std::lock_guard<std::mutex> lock(holdMutex_);
        released_ = false;
        holdAt_ = n;
    }
    void ReleaseReply() {
        std::lock_guard<std::mutex> lock(holdMutex_);
        released_ = true;
        holding_ = false;
        holdChanged_.notify_all();
    }

    // Works on the modem while its thread keeps off it.
    template <typename Change> auto With(Change change) {
        std::lock_guard<std::mutex> lock(mutex_);
        return change(modem_);
    }

private:
    void run() {
        while (!stop_) {
            std::string received = port_.ReadFor(1, kQuiet);
            if (received.empty())
                continue;
            const auto arrived = std::chrono::steady_clock::now();
            for (std::string more = port_.ReadFor(1, kQuiet); !more.empty(); more = port_.ReadFor(1, kQuiet))
                received += more;
            if (pullAt_ > 0 && --pullAt_ == 0) {
                port_.Vanish();
                answered_ += received.size();
                continue;
            }
            std::vector<std::string> chunks;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                noteFirstBytes(arrived);
                if constexpr (requires(Modem & modem) { modem.SetLineSpeed(0); })
                    modem_.SetLineSpeed(static_cast<int>(port_.NearSettings().BaudRate));
                if constexpr (requires(Modem & modem) { modem.SetLineSettings(DCB{}); })
                    modem_.SetLineSettings(port_.NearSettings());
                chunks = modem_.Receive(received);
            }
            if (holdAt_ > 0 && --holdAt_ == 0)
                holdReply();
            if (!chunks.empty())
                std::this_thread::sleep_for(replyDelay_.load());
            for (size_t i = 0; i < chunks.size() && !stop_; ++i) {
                if (i > 0)
                    std::this_thread::sleep_for(kChunkGap);
                port_.Write(chunks[i]);
            }
            answered_ += received.size();
        }
    }

    void holdReply() {
        std::unique_lock<std::mutex> lock(holdMutex_);
        holding_ = !released_;
        holdChanged_.wait(lock, [this] { return released_; });
        holding_ = false;
    }

    // A held reply leaves only when the test says: waiting cannot bring it. Else
    // the answered bytes are read before the port's count, which only grows, so
    // equal counts mean every byte taken by then was answered.
    bool atRest() {
        {
            std::lock_guard<std::mutex> lock(holdMutex_);
            if (holding_)
                return true;
        }
        const uint64_t answered = answered_;
        return port_.BytesTakenAtRest() == answered;
    }

    void noteFirstBytes(std::chrono::steady_clock::time_point arrived) {
        const auto opened = port_.NearEndOpenedAt();
        if (opened == lastOpening_)
            return;
        lastOpening_ = opened;
        firstBytesAfterOpen_ = std::chrono::duration_cast<std::chrono::milliseconds>(arrived - opened);
    }

    VirtualPort port_;
    Modem modem_;
    std::chrono::steady_clock::time_point lastOpening_;
    std::optional<std::chrono::milliseconds> firstBytesAfterOpen_;
    std::mutex mutex_;
    std::atomic<std::chrono::milliseconds> replyDelay_{std::chrono::milliseconds(0)};
    std::atomic<int> pullAt_{0};
    std::atomic<int> holdAt_{0};
    std::mutex holdMutex_;
    std::condition_variable holdChanged_;
    bool released_ = true;
    bool holding_ = false;
    // Bytes taken from the line whose answer has left.
    std::atomic<uint64_t> answered_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
