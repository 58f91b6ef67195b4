#pragma once
// The two kinds of port the serial tests run against, each reached as COM n from
// a program folder of the test's own: a pseudo-terminal linked in the ports
// folder (the real termios path) and a virtual port. The test talks through the
// far end.

#include "platform/program_files.h"
#include "platform/virtual_port.h"
#include "support/pseudo_terminal.h"
#include "support/temp_folder.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

using namespace std::chrono_literals;

class FarEnd {
public:
    virtual ~FarEnd() = default;
    virtual void Write(const std::string& bytes) = 0;
    virtual std::string ReadFor(size_t count, std::chrono::milliseconds timeout) = 0;
    // The device goes away (pty master closed, virtual port vanished).
    virtual void Vanish() = 0;
    virtual bool HasModemLines() const = 0;
};

class PtyFarEnd : public FarEnd {
public:
    PtyFarEnd(const std::string& portsFolder, int comNumber)
        : link_(std::filesystem::path(portsFolder) / ("com" + std::to_string(comNumber))) {
        pty_.LinkAs(portsFolder, comNumber);
    }
    void Write(const std::string& bytes) override { pty_.Write(bytes); }
    std::string ReadFor(size_t count, std::chrono::milliseconds timeout) override {
        return pty_.ReadFor(count, timeout);
    }
    // The link goes first, as a pulled adapter's name goes with it: a link left
    // behind names a /dev/pts number that the system may hand to a pseudo-terminal
    // of another process, which the port's quiet reopen would then take.
    void Vanish() override {
        std::filesystem::remove(link_);
        pty_.CloseMaster();
    }
    bool HasModemLines() const override { return false; }
    const PseudoTerminal& Pty() const { return pty_; }

private:
    std::filesystem::path link_;
    PseudoTerminal pty_;
};

class VirtualFarEnd : public FarEnd {
public:
    explicit VirtualFarEnd(int comNumber) : port_(comNumber) {}
    void Write(const std::string& bytes) override { port_.Write(bytes); }
    std::string ReadFor(size_t count, std::chrono::milliseconds timeout) override {
        return port_.ReadFor(count, timeout);
    }
    void Vanish() override { port_.Vanish(); }
    bool HasModemLines() const override { return true; }
    VirtualPort& Port() { return port_; }

private:
    VirtualPort port_;
};

enum class Backend { Pty, Virtual };

inline const char* BackendName(Backend backend) {
    return backend == Backend::Pty ? "Pty" : "Virtual";
}

// Runs the program from a fresh folder and provides COM n on the chosen backend.
class PortBench {
public:
    static constexpr int kComNumber = 7;
    static constexpr int kOtherComNumber = 8;

    explicit PortBench(Backend backend) : backend_(backend) {
        SetProgramPathForTests(folder_.file("quovix"));
        far_ = MakeFarEnd(kComNumber);
    }
    ~PortBench() {
        far_.reset();
        other_.reset();
        SetProgramPathForTests("");
    }
    FarEnd& Far() { return *far_; }
    // Another device takes the place of COM kComNumber's, as when an adapter is
    // pulled and plugged in again.
    void ReplaceFar() {
        far_.reset();
        std::filesystem::remove(folder_.file("ports") + "/com" + std::to_string(kComNumber));
        far_ = MakeFarEnd(kComNumber);
    }
    // A second device, COM kOtherComNumber, made when first asked for.
    FarEnd& Other() {
        if (!other_)
            other_ = MakeFarEnd(kOtherComNumber);
        return *other_;
    }
    const PseudoTerminal* Pty() {
        auto* far = dynamic_cast<PtyFarEnd*>(far_.get());
        return far ? &far->Pty() : nullptr;
    }
    VirtualPort* Virtual() {
        auto* far = dynamic_cast<VirtualFarEnd*>(far_.get());
        return far ? &far->Port() : nullptr;
    }

private:
    std::unique_ptr<FarEnd> MakeFarEnd(int comNumber) {
        if (backend_ == Backend::Pty)
            return std::make_unique<PtyFarEnd>(folder_.file("ports"), comNumber);
        return std::make_unique<VirtualFarEnd>(comNumber);
    }

    Backend backend_;
    TempFolder folder_;
    std::unique_ptr<FarEnd> far_;
    std::unique_ptr<FarEnd> other_;
};
